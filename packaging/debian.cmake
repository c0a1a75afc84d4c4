# The Debian package: cpack -G DEB in the build folder gives
# zarn_<version>-<release>_<arch>.deb, installed under /usr.
set(CPACK_PACKAGE_NAME zarn)
set(CPACK_PACKAGE_VENDOR "Equipe ZARN")
set(CPACK_PACKAGE_CONTACT "Equipe ZARN <equipe.zarn@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "flood frequency analysis of annual maximum discharges")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed binaries carry no debugging information.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Equipe ZARN <equipe.zarn@example.org>")
# The libraries (Qt, the C++ runtime) as dpkg-shlibdeps reads them from the
# binaries (CLIPS is linked in from Debian's libclips.a); Qt's window-system plugins are loaded at run time and
# must be named: without qt6-qpa-plugins no window opens.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own file, print and colour dialogs in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description; the summary above is its first line in the package.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"ZARN takes a file of annual maxima (the largest discharge of a river in
each year) and computes the descriptive statistics and L-moments of the
series, checks independence, homogeneity and outliers, fits eight
distributions by L-moments (Normal, LogNormal, Gumbel, Exponential,
Pearson III, LogPearson III, GEV, GPA), judges each fit with two
simulated goodness-of-fit tests, gives the quantiles for return periods
of 2 to 1000 years, and advises which distribution to adopt.
.
The interface is in Portuguese. The package holds the desktop program
(zarn) and the batch tool (zarn-cli).
.
Análise de frequência de eventos hidrológicos máximos anuais.")

include(CPack)
