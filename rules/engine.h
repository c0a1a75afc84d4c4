// SPDX-License-Identifier: GPL-3.0-or-later
// The rule engine (CLIPS 6.30) running one consultation in this process.
// Only the helper program zarn-advisor links this: a rule base is untrusted
// input, and the engine is a C library that was never meant to run hostile
// code, so it runs in a child process with hard limits (advisor/), never in
// the program.
//
//   RunConsultation   loads the request's rule base into a fresh
//                     environment, asserts its facts, runs it and reads
//                     the advice back (engineresults.cpp)
//
// The consultation is bounded from inside too: kMaxRuleFirings firings,
// kMaxConsultationSeconds of wall time and kMaxEngineMemoryMB of the
// engine's own memory count, checked between firings and on every turn of
// a loop; the engine's exit path (out of memory, internal error) returns
// here instead of ending the process.
#pragma once

#include "rules/protocol.h"

namespace zarn {

constexpr long long kMaxConsultationSeconds = 3;
constexpr long kMaxEngineMemoryMB = 128;

// `removeForbidden` false keeps the functions that touch files or run
// programs (rulecheck.h) and skips the text check: only the tests of the
// helper's own limits ask for that.
ConsultationAnswer RunConsultation(const ConsultationRequest& request, bool removeForbidden = true);

}  // namespace zarn
