# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the two Debian packages with cpack into a scratch folder and checks
# them as a packager would: the control fields (zarn-cli without any Qt
# library, zarn depending on zarn-cli of the same version), the contents,
# lintian (no error, no warning that is not overridden), desktop-file-validate
# and appstreamcli where they are installed. Then unpacks zarn-cli alone into
# a scratch root and runs it there, and the two together for the program.
#
#   cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -DCPACK=<cpack> -DVERSION=<x.y-r>
#         -DAPP_ID=<reverse-DNS id> -P check_package.cmake

include(${CMAKE_CURRENT_LIST_DIR}/checks.cmake)

# No display is needed: the windows are drawn offscreen.
set(ENV{QT_QPA_PLATFORM} offscreen)
# The tester's own rule base stays out of it.
set(ENV{XDG_CONFIG_HOME} ${WORK_DIR}/home/.config)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/home)
run(cpack ${WORK_DIR} ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/out)
file(GLOB cli_deb ${WORK_DIR}/out/zarn-cli_${VERSION}_*.deb)
file(GLOB gui_deb ${WORK_DIR}/out/zarn_${VERSION}_*.deb)
if(NOT cpack_rc EQUAL 0 OR NOT cli_deb OR NOT gui_deb)
  fail("cpack -G DEB failed (${cpack_rc}):\n${cpack_out}")
endif()

# The control fields.
function(control deb var)
  execute_process(COMMAND dpkg-deb -f ${deb} OUTPUT_VARIABLE fields)
  set(${var} "${fields}" PARENT_SCOPE)
endfunction()
control(${cli_deb} cli_control)
control(${gui_deb} gui_control)
foreach(field "Package: zarn-cli\n" "Version: ${VERSION}\n" "Section: science\n" "Suggests: zarn\n"
        "Maintainer: ZARN developers <" "Homepage: https://" "Description: flood frequency analysis")
  expect_in("${cli_control}" "${field}" "zarn-cli control fields")
endforeach()
foreach(field "Package: zarn\n" "Version: ${VERSION}\n" "Recommends: qt6-translations-l10n\n"
        "Maintainer: ZARN developers <" "zarn-charts")
  expect_in("${gui_control}" "${field}" "zarn control fields")
endforeach()
if(cli_control MATCHES "example\\.org" OR gui_control MATCHES "example\\.org")
  fail("placeholder maintainer address:\n${cli_control}")
endif()
string(REGEX MATCH "\nDepends: [^\n]*" cli_depends "\n${cli_control}")
expect_in("${cli_depends}" "libstdc++6" "zarn-cli Depends")
# The rule-engine helper's system-call filter.
expect_in("${cli_depends}" "libseccomp2" "zarn-cli Depends")
if(cli_depends MATCHES "qt|libgl|libx")
  fail("zarn-cli depends on a desktop library:${cli_depends}")
endif()
string(REGEX MATCH "\nDepends: [^\n]*" gui_depends "\n${gui_control}")
foreach(package "zarn-cli (= ${VERSION})" qt6-qpa-plugins libqt6widgets6 libqt6charts6 libqt6gui6 libqt6core6)
  expect_in("${gui_depends}" "${package}" "zarn Depends")
endforeach()

# The contents: each file in one package only.
execute_process(COMMAND dpkg-deb -c ${cli_deb} OUTPUT_VARIABLE cli_contents)
execute_process(COMMAND dpkg-deb -c ${gui_deb} OUTPUT_VARIABLE gui_contents)
foreach(path ./usr/bin/zarn-cli ./usr/libexec/zarn/zarn-advisor ./usr/share/zarn/zarn.clp ./usr/share/zarn/examples/README.md
        ./usr/share/zarn/examples/ocmulgee-river-macon.dat ./usr/share/zarn/examples/vazoes_C_58110002.csv
        ./usr/share/man/man1/zarn-cli.1.gz ./usr/share/doc/zarn-cli/copyright
        ./usr/share/doc/zarn-cli/changelog.Debian.gz)
  expect_in("${cli_contents}" " ${path}\n" "zarn-cli contents")
  expect_not_in("${gui_contents}" " ${path}\n" "zarn contents")
endforeach()
foreach(path ./usr/bin/zarn ./usr/bin/zarn-charts ./usr/share/zarn/ajuda.hlp
        ./usr/share/applications/${APP_ID}.desktop ./usr/share/metainfo/${APP_ID}.metainfo.xml
        ./usr/share/icons/hicolor/48x48/apps/zarn.png ./usr/share/icons/hicolor/scalable/apps/zarn.svg
        ./usr/share/man/man1/zarn.1.gz ./usr/share/man/man1/zarn-charts.1.gz
        ./usr/share/doc/zarn/copyright ./usr/share/doc/zarn/changelog.Debian.gz)
  expect_in("${gui_contents}" " ${path}\n" "zarn contents")
  expect_not_in("${cli_contents}" " ${path}\n" "zarn-cli contents")
endforeach()

# The tools a packager runs, where they are installed.
find_program(LINTIAN lintian)
if(LINTIAN)
  # --fail-on error,warning: a warning fails unless overridden in packaging/lintian/.
  run(lintian ${WORK_DIR} ${LINTIAN} --fail-on error,warning --display-info ${cli_deb} ${gui_deb})
  if(NOT lintian_rc EQUAL 0 OR lintian_out MATCHES "(^|\n)[EW]: ")
    fail("lintian (${lintian_rc}):\n${lintian_out}")
  endif()
else()
  message(STATUS "lintian not installed: not run")
endif()

# zarn-cli alone, as on a server without Qt: it runs from its scratch root
# and finds its rule base and examples there.
set(cli_root ${WORK_DIR}/cli-root)
execute_process(COMMAND dpkg-deb -x ${cli_deb} ${cli_root})
run(version ${WORK_DIR}/home ${cli_root}/usr/bin/zarn-cli --version)
expect_in("${version_out}" "zarn-cli (ZARN) " "zarn-cli --version")
run(advice ${WORK_DIR}/home ${cli_root}/usr/bin/zarn-cli
    --data ${cli_root}/usr/share/zarn/examples/potomac-river-point-of-rocks.dat --advice -)
if(NOT advice_rc EQUAL 0)
  fail("the packaged zarn-cli exited ${advice_rc}:\n${advice_out}")
endif()
expect_in("${advice_out}" "\"RuleBase\": \"${cli_root}/usr/share/zarn/zarn.clp\"" "packaged zarn-cli --advice")
expect_not_in("${advice_out}" "Foi usada a base de regras" "packaged zarn-cli --advice")

# Both packages in one root: the program and its metadata.
set(root ${WORK_DIR}/root)
execute_process(COMMAND dpkg-deb -x ${cli_deb} ${root})
execute_process(COMMAND dpkg-deb -x ${gui_deb} ${root})
run(check ${WORK_DIR}/home ${root}/usr/bin/zarn --check-install)
if(NOT check_rc EQUAL 0)
  fail("the packaged zarn --check-install exited ${check_rc}:\n${check_out}")
endif()
expect_in("${check_out}" "Arquivo de ajuda: ${root}/usr/share/zarn/ajuda.hlp (" "packaged zarn --check-install")
foreach(program zarn zarn-cli zarn-charts)
  run(version ${WORK_DIR}/home ${root}/usr/bin/${program} --version)
  expect_in("${version_out}" "${program} (ZARN) " "${program} --version")
  expect_in("${version_out}" "GPL" "${program} --version")
  run(help ${WORK_DIR}/home ${root}/usr/bin/${program} --help)
  if(NOT help_rc EQUAL 0)
    fail("${program} --help exited ${help_rc}")
  endif()
  expect_in("${help_out}" "usage: ${program} " "${program} --help")
  run(bad ${WORK_DIR}/home ${root}/usr/bin/${program} --no-such-option)
  if(NOT bad_rc EQUAL 2)
    fail("${program} --no-such-option exited ${bad_rc}, not 2:\n${bad_out}")
  endif()
endforeach()
file(READ ${root}/usr/share/applications/${APP_ID}.desktop entry)
foreach(line "Exec=zarn %f\n" "Icon=zarn\n" "Type=Application\n" "Categories=Science;")
  expect_in("${entry}" "${line}" "the menu entry")
endforeach()
# The menu entry takes a file of any type: .prj is no MIME type of ours
# (GIS projection files share the extension).
expect_not_in("${entry}" "MimeType=" "the menu entry")
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  run(desktop ${WORK_DIR} ${DESKTOP_FILE_VALIDATE} ${root}/usr/share/applications/${APP_ID}.desktop)
  if(NOT desktop_rc EQUAL 0 OR NOT desktop_out STREQUAL "")
    fail("desktop-file-validate (${desktop_rc}):\n${desktop_out}")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  # The screenshots are on the project's site: not fetched here.
  run(appstream ${WORK_DIR} ${APPSTREAMCLI} validate-tree --no-net --pedantic ${root})
  if(NOT appstream_rc EQUAL 0)
    fail("appstreamcli validate-tree (${appstream_rc}):\n${appstream_out}")
  endif()
endif()
# The manual pages are read without a warning from groff.
find_program(MAN man)
if(MAN)
  foreach(page zarn zarn-cli zarn-charts)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80
                            ${MAN} --warnings -l ${root}/usr/share/man/man1/${page}.1.gz
                    RESULT_VARIABLE man_rc OUTPUT_VARIABLE man_text ERROR_VARIABLE man_err)
    if(NOT man_rc EQUAL 0 OR NOT man_err STREQUAL "")
      fail("man ${page} (${man_rc}):\n${man_err}")
    endif()
    string(TOUPPER "${page}" title)
    expect_in("${man_text}" "${title}(1)" "man ${page}")
  endforeach()
endif()

file(REMOVE_RECURSE ${WORK_DIR})
