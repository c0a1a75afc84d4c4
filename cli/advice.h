// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool's --advice: the advisor's verdict as JSON.
//
//   AdviceJson   {"RuleBase", "Recommended", "Ranking": [8 rows in rank order]}
#pragma once

#include <string>

#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "platform/session.h"
#include "rules/advisor.h"

namespace zarn {

// The JSON of an advice already consulted.
std::string AdviceJson(const Advice& advice);

// Consults the rule base as the program does: the session's chosen one, else
// an adapted zarn.clp in the user's configuration folder, beside the tool or
// in the installed data folder (never the working directory), otherwise the
// compiled-in one. A user's rule base that could not be used is said on
// standard error.
// zeros: the years without flow set aside (the advice's caution on p0).
std::string AdviceJson(const AnalysisRecord& r, const Session& session, const ZeroYears& zeros = {});

// The session of a batch tool: its start-up folder is the working directory;
// `ruleBase` the rule base given with --rules ("" for none).
Session ToolSession(const std::string& ruleBase = "");

}  // namespace zarn
