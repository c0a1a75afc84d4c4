// SPDX-License-Identifier: GPL-3.0-or-later
// The facts of a project's Bulletin 17C analysis for the rule base (module
// MAIN of rules/zarn.clp), asserted beside the record's own:
//   b17c          the years, the low outliers, the skews and their weighting,
//                 the 100-year flood of the log-Pearson III by EMA and its limits
//   quantil-100   the 100-year flood of each L-moment fit of the series
// so that the advice can say how far the historical information moves the
// 100-year flood and which analysis to adopt. The fact file indata.clp is
// not touched: it stays that of the record alone.
//
//   B17cFacts     the assert texts; none when the analysis failed
#pragma once

#include <string>
#include <vector>

#include "analysis/b17c.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"

namespace zarn {

// The return period the facts compare.
constexpr double kB17cComparedPeriod = 100;

// `result` analysed with `options`; the L-moment quantiles from `r` with the
// years without flow of `zeros` taken back in.
std::vector<std::string> B17cFacts(const AnalysisRecord& r, const ZeroYears& zeros, const B17cOptions& options,
                                   const B17cResult& result);

}  // namespace zarn
