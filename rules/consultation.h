// SPDX-License-Identifier: GPL-3.0-or-later
// A consultation of a rule base, run in a child process: the helper program
// zarn-advisor (advisor/), started with posix_spawn for every consultation,
// fed the request and read back through two pipes (rules/protocol.h). The
// helper limits itself before it reads anything; the program waits at most
// kMaxHelperSeconds of wall time and then kills it. Whatever the child does
// (crashes, runs out of time or memory, answers nonsense) comes back here as
// a problem, never as a fault of the program.
//
//   Consult             one consultation, or the problem known for its text
//   FindAdvisorProgram  the helper: beside the running executable, else in
//                       libexec/zarn of the installation
//
// Consultations from several threads run side by side, each in its own
// child. Problems that do not depend on the analysis (a refused or broken
// rule base, a crash, a limit reached) are remembered for the process, so
// that a batch does not wait for the same failure at every station.
#pragma once

#include <string>

#include "rules/protocol.h"

namespace zarn {

constexpr const char* kAdvisorProgram = "zarn-advisor";
// The helper's folder below the installation prefix (bin/ holds the programs).
constexpr const char* kAdvisorInstallFolder = "libexec/zarn";
// Wall time the program gives one child before it kills it.
constexpr int kMaxHelperSeconds = 5;

// "" when the helper is found nowhere.
std::string FindAdvisorProgram();

// The request's rule base text checked (rulecheck.h), then run in a child.
// The answer's Problem is "" when the rule base answered.
ConsultationAnswer Consult(const ConsultationRequest& request);

}  // namespace zarn
