# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages: `cpack -G DEB` in the build folder gives
#   zarn-cli_<version>-<release>_<arch>.deb  the batch tool, rule base, examples
#   zarn_<version>-<release>_<arch>.deb      the desktop program and zarn-charts
# from the components of packaging/CMakeLists.txt, installed under /usr.
set(CPACK_PACKAGE_NAME zarn)
set(CPACK_PACKAGE_VENDOR "ZARN developers")
set(CPACK_PACKAGE_CONTACT "${ZARN_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed binaries carry no debugging information, nor the sections that
# only name the compiler (strip.cmake).
set(CPACK_STRIP_FILES ON)
set(CPACK_ZARN_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip.cmake)
# Folders made for the package: root-owned 0755, as Debian's tools make them.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(ZARN_GUI)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZARN_DEBIAN_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZARN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZARN_PROJECT_URL}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries as dpkg-shlibdeps reads them from the binaries (CLIPS is
# linked in from Debian's libclips-dev, Boost.Math is header-only).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# zarn-cli: the C++ runtime only. The study PDF of `zarn-cli --study` is
# drawn by zarn-charts, in the package zarn.
set(CPACK_DEBIAN_CLI_PACKAGE_NAME zarn-cli)
set(CPACK_DEBIAN_CLI_PACKAGE_SUGGESTS zarn)
set(CPACK_DEBIAN_CLI_DESCRIPTION
"flood frequency analysis of annual maxima, batch tool
zarn-cli reads a file of annual maxima (the largest discharge of a river in
each year) and computes the descriptive statistics and L-moments of the
series, checks independence, homogeneity and outliers, fits eight
distributions by L-moments (Normal, LogNormal, Gumbel, Exponential,
Pearson III, LogPearson III, GEV, GPA), judges each fit with two simulated
goodness-of-fit tests, gives the quantiles for return periods of 2 to 1000
years with confidence limits, and advises which distribution to adopt from a
CLIPS rule base. It writes JSON, the calculation report, the project file of
the desktop program, and summaries of whole folders of stations, and imports
HidroWeb (ANA) and USGS downloads.
.
This package holds the batch tool zarn-cli, the default rule base, and real
annual-maximum series to try. It needs no display and no Qt; the desktop
program and the chart tool are in the package zarn.")

# zarn: the windows. Qt's window-system plugins are loaded at run time and
# must be named: without qt6-qpa-plugins no window opens.
set(CPACK_DEBIAN_GUI_PACKAGE_NAME zarn)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "zarn-cli (= ${ZARN_DEBIAN_VERSION}), qt6-qpa-plugins")
# Qt's own file, print and colour dialogs in the user's language.
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_GUI_DESCRIPTION
"flood frequency analysis of annual maxima, desktop program
ZARN takes a file of annual maxima (the largest discharge of a river in each
year) and shows the descriptive statistics and L-moments of the series, the
tests of independence, homogeneity and outliers, eight distributions fitted
by L-moments with two simulated goodness-of-fit tests, the quantiles for
return periods of 2 to 1000 years with 90 % confidence limits, probability
and frequency charts, the L-moment ratio diagram, and the advice of a rule
base on which distribution to adopt. Projects are saved and opened again
without recalculation; charts are saved as PNG, SVG or PDF and printed.
.
This package holds the desktop program zarn (interface in Portuguese, with
its help file, menu entry and icons) and zarn-charts, which writes every
chart of a saved project as PNG and SVG without a display. The batch tool,
the rule base and the example series are in the package zarn-cli.
.
Análise de frequência de eventos hidrológicos máximos anuais.")

include(CPack)
