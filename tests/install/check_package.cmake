# Builds the Debian package with cpack into a scratch folder and checks its
# control fields and contents, then unpacks it into a scratch root and runs
# the unpacked program from another folder.
#
#   cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -DCPACK=<cpack> -P check_package.cmake

include(${CMAKE_CURRENT_LIST_DIR}/checks.cmake)

# No display is needed: the windows are drawn offscreen.
set(ENV{QT_QPA_PLATFORM} offscreen)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/home)
run(cpack ${WORK_DIR} ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/out)
file(GLOB debs ${WORK_DIR}/out/zarn_*.deb)
if(NOT cpack_rc EQUAL 0 OR NOT debs)
  fail("cpack -G DEB failed (${cpack_rc}):\n${cpack_out}")
endif()
list(GET debs 0 deb)

execute_process(COMMAND dpkg-deb -f ${deb} OUTPUT_VARIABLE control RESULT_VARIABLE rc)
foreach(field "Package: zarn\n" "Section: science\n" "Recommends: qt6-translations-l10n\n" "Maintainer: "
        "Description: flood frequency analysis")
  expect_in("${control}" "${field}" "control fields")
endforeach()
string(REGEX MATCH "Depends: [^\n]*" depends "${control}")
foreach(package qt6-qpa-plugins libqt6widgets6 libqt6charts6 libqt6gui6 libqt6core6 libstdc++6)
  expect_in("${depends}" "${package}" "Depends")
endforeach()

execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE contents)
foreach(path ./usr/bin/zarn ./usr/bin/zarn-cli ./usr/share/zarn/ajuda.hlp ./usr/share/zarn/zarn.clp
        ./usr/share/applications/zarn.desktop ./usr/share/icons/hicolor/48x48/apps/zarn.png
        ./usr/share/icons/hicolor/scalable/apps/zarn.svg)
  expect_in("${contents}" " ${path}\n" "package contents")
endforeach()

execute_process(COMMAND dpkg-deb -x ${deb} ${WORK_DIR}/root RESULT_VARIABLE rc)
run(check ${WORK_DIR}/home ${WORK_DIR}/root/usr/bin/zarn --check-install)
if(NOT check_rc EQUAL 0)
  fail("the packaged zarn --check-install exited ${check_rc}:\n${check_out}")
endif()
expect_in("${check_out}" "Arquivo de ajuda: ${WORK_DIR}/root/usr/share/zarn/ajuda.hlp (" "packaged zarn --check-install")

file(REMOVE_RECURSE ${WORK_DIR})
