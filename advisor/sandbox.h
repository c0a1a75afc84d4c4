// SPDX-License-Identifier: GPL-3.0-or-later
// The walls zarn-advisor puts up around itself before it reads a request:
// a rule base is untrusted input, and the engine that runs it is a C library
// never meant to run hostile code.
//
//   LimitProcess    hard resource limits: CPU time, address space, no file
//                   growth, no new files or processes, no core dump
//   FilterSyscalls  a seccomp filter: only reading the request, writing the
//                   answer, memory without execution, the clock, and ending
//
// Both return false when the kernel refused; the helper then does not run.
#pragma once

#include "rules/protocol.h"  // kHelperCpuSeconds, kHelperMemoryMB

namespace zarn {

bool LimitProcess();
bool FilterSyscalls();

}  // namespace zarn
