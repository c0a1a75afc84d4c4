# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file of the project carries its licence identifier in its
# first two lines (the Debian copyright file and the README say GPL-3.0-or-later).
file(GLOB_RECURSE sources RELATIVE ${SOURCE}
     ${SOURCE}/*.cpp ${SOURCE}/*.h ${SOURCE}/*.inc ${SOURCE}/*.clp ${SOURCE}/*.f90 ${SOURCE}/*.py
     ${SOURCE}/*.sh ${SOURCE}/CMakeLists.txt ${SOURCE}/*.cmake)
set(missing "")
foreach(f ${sources})
  if(f MATCHES "^build" OR f MATCHES "/build")
    continue()
  endif()
  file(STRINGS ${SOURCE}/${f} head LIMIT_COUNT 2)
  if(NOT head MATCHES "SPDX-License-Identifier: GPL-3.0-or-later")
    list(APPEND missing ${f})
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "Without the licence identifier:\n  ${text}")
endif()
