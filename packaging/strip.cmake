# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cpack after the components are installed into its staging folders,
# before they are packed: strips the programs as dh_strip does (the symbols,
# and the .comment and .note sections that only name the compiler).
#   CPACK_TEMPORARY_INSTALL_DIRECTORY  the staging folder (set by cpack)
#   CPACK_ZARN_STRIP                   the strip program
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER programs INCLUDE REGEX "/bin/[^/]+$")
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_ZARN_STRIP} --remove-section=.comment --remove-section=.note ${program}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "strip failed on ${program}")
  endif()
endforeach()
