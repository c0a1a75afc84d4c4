# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix, then runs the installed programs
# from another folder, as a user starting ZARN from the menu (in the home
# folder) would: the help file, the rule base and the example must be found
# in the prefix's share/zarn, and the program must reach its event loop.
#
#   cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -DAPP_ID=<reverse-DNS id> -P check_install.cmake

include(${CMAKE_CURRENT_LIST_DIR}/checks.cmake)

set(prefix ${WORK_DIR}/prefix)
set(home ${WORK_DIR}/home)
# No display is needed: the windows are drawn offscreen.
set(ENV{QT_QPA_PLATFORM} offscreen)
# The tester's own rule base stays out of it.
set(ENV{XDG_CONFIG_HOME} ${WORK_DIR}/home/.config)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${home})

run(install ${WORK_DIR} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
if(NOT install_rc EQUAL 0)
  fail("cmake --install failed:\n${install_out}")
endif()

# The layout.
set(expected
  bin/zarn bin/zarn-cli bin/zarn-charts libexec/zarn/zarn-advisor
  share/zarn/ajuda.hlp share/zarn/zarn.clp share/zarn/examples/ocmulgee-river-macon.dat
  share/zarn/examples/README.md
  share/zarn/examples/vazoes_C_58110002.csv
  share/applications/${APP_ID}.desktop share/metainfo/${APP_ID}.metainfo.xml
  share/icons/hicolor/scalable/apps/zarn.svg
  share/man/man1/zarn.1.gz share/man/man1/zarn-cli.1.gz share/man/man1/zarn-charts.1.gz
  share/doc/zarn/copyright share/doc/zarn-cli/copyright)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/zarn.png)
endforeach()
foreach(path ${expected})
  if(NOT EXISTS ${prefix}/${path})
    fail("not installed: ${path}")
  endif()
endforeach()
# Every example the README describes is installed beside it.
file(READ ${prefix}/share/zarn/examples/README.md examples)
string(REGEX MATCHALL "\n\\| [^ |]+\\.(dat|csv) " described "${examples}")
list(LENGTH described count)
if(count LESS 6)
  fail("the examples' README lists ${count} files:\n${examples}")
endif()
foreach(row ${described})
  string(REGEX REPLACE "^\n\\| ([^ |]+) $" "\\1" name "${row}")
  if(NOT EXISTS ${prefix}/share/zarn/examples/${name})
    fail("the examples' README describes ${name}, which is not installed")
  endif()
endforeach()

# The desktop program, started in another folder: everything from share/zarn.
run(check ${home} ${prefix}/bin/zarn --check-install)
if(NOT check_rc EQUAL 0)
  fail("zarn --check-install exited ${check_rc}:\n${check_out}")
endif()
expect_in("${check_out}" "Pasta de início: ${home}\n" "zarn --check-install")
expect_in("${check_out}" "Arquivo de ajuda: ${prefix}/share/zarn/ajuda.hlp (" "zarn --check-install")
expect_in("${check_out}" "Base de regras: ${prefix}/share/zarn/zarn.clp\n" "zarn --check-install")
expect_in("${check_out}" "Consultor das bases de regras: ${prefix}/libexec/zarn/zarn-advisor\n" "zarn --check-install")
expect_in("${check_out}" "Exemplo: ${prefix}/share/zarn/examples/ocmulgee-river-macon.dat\n" "zarn --check-install")
expect_in("${check_out}" "Recomendação para o exemplo: " "zarn --check-install")

# The windows open and the event loop runs: still running after a few
# seconds is the good outcome (a start-up fault ends it at once).
execute_process(COMMAND ${prefix}/bin/zarn WORKING_DIRECTORY ${home}
                RESULT_VARIABLE gui_rc OUTPUT_VARIABLE gui_out ERROR_VARIABLE gui_out TIMEOUT 3)
if(NOT gui_rc MATCHES "timeout")
  fail("the installed zarn ended at start-up (${gui_rc}):\n${gui_out}")
endif()

# The batch tool's advice from the installed rule base.
run(advice ${home} ${prefix}/bin/zarn-cli --data ${prefix}/share/zarn/examples/ocmulgee-river-macon.dat --advice -)
if(NOT advice_rc EQUAL 0)
  fail("zarn-cli --advice exited ${advice_rc}:\n${advice_out}")
endif()
expect_in("${advice_out}" "\"RuleBase\": \"${prefix}/share/zarn/zarn.clp\"" "zarn-cli --advice")
if(NOT advice_out MATCHES "\"Recommended\": [1-8]")
  fail("zarn-cli --advice recommends nothing:\n${advice_out}")
endif()

# A help file in the start-up folder comes first.
file(COPY ${prefix}/share/zarn/ajuda.hlp DESTINATION ${home})
run(own ${home} ${prefix}/bin/zarn --check-install)
expect_in("${own_out}" "Arquivo de ajuda: ${home}/ajuda.hlp (" "help file in the start-up folder")

# A broken installation is caught: no help file anywhere.
file(REMOVE ${home}/ajuda.hlp ${prefix}/share/zarn/ajuda.hlp)
run(broken ${home} ${prefix}/bin/zarn --check-install)
if(broken_rc EQUAL 0)
  fail("zarn --check-install passed without a help file:\n${broken_out}")
endif()
expect_in("${broken_out}" "ajuda.hlp não encontrado (procurado em ${home}, ${prefix}/bin, ${prefix}/share/zarn)"
          "missing help file")

file(REMOVE_RECURSE ${WORK_DIR})
