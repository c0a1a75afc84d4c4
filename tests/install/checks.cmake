# SPDX-License-Identifier: GPL-3.0-or-later
# What the installation checks share: failing with a message, running a
# command, and checking that a text holds what it should.

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

function(expect_in text wanted what)
  string(FIND "${text}" "${wanted}" at)
  if(at EQUAL -1)
    fail("${what}: \"${wanted}\" missing from:\n${text}")
  endif()
endfunction()

# Runs a command in `folder`; sets <prefix>_rc and <prefix>_out (stdout and stderr).
function(run prefix folder)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${folder}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT 120)
  set(${prefix}_rc "${rc}" PARENT_SCOPE)
  set(${prefix}_out "${out}" PARENT_SCOPE)
endfunction()

function(expect_not_in text unwanted what)
  string(FIND "${text}" "${unwanted}" at)
  if(NOT at EQUAL -1)
    fail("${what}: \"${unwanted}\" should not be in:\n${text}")
  endif()
endfunction()
