# SPDX-License-Identifier: GPL-3.0-or-later
# The distribution's compiler and linker flags (dpkg-buildflags), as Debian
# builds its packages: _FORTIFY_SOURCE=2, -fstack-protector-strong, format
# checks, full RELRO (-z relro -z now) and source paths mapped to "." so that
# the binaries do not name the build machine's folders. Added to the build
# type's flags; none of them touches floating-point code generation.
# Sanitizer and fuzzing builds keep their own flags.
option(ZARN_DISTRIBUTION_FLAGS "Compile and link with the flags of dpkg-buildflags (hardening)" ON)
if(ZARN_DISTRIBUTION_FLAGS AND NOT ZARN_SANITIZE AND NOT ZARN_FUZZ)
  find_program(ZARN_DPKG_BUILDFLAGS dpkg-buildflags)
  if(ZARN_DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                ${ZARN_DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE zarn_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE)
    endforeach()
    string(APPEND CMAKE_CXX_FLAGS " ${zarn_CPPFLAGS} ${zarn_CXXFLAGS}")
    string(APPEND CMAKE_EXE_LINKER_FLAGS " ${zarn_LDFLAGS}")
    string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${zarn_LDFLAGS}")
  else()
    message(STATUS "dpkg-buildflags not found: building without the distribution's hardening flags")
  endif()
endif()
