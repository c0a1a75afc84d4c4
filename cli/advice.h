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

// Consults the rule base as the program does: an adapted zarn.clp in the
// working directory (the tool's start-up folder), beside the tool, or in the
// installed data folder, otherwise the compiled-in one. A user's rule base
// that could not be used is said on standard error.
// zeros: the years without flow set aside (the advice's caution on p0).
std::string AdviceJson(const AnalysisRecord& r, const Session& session, const ZeroYears& zeros = {});

// The session of a batch tool: its start-up folder is the working directory.
Session ToolSession();

}  // namespace zarn
