// What the batch tool writes for one analysis, shared by a single run and
// the batch over many stations so that both write the same bytes.
//
//   WriteOut      bytes to a path, or to standard output for "-"; a failed
//                 write (standard output included) is a ZarnError
//   JoinCrLf      lines, each ended by CR LF
//   RecordJson    the record, its quantiles and what its simulations gave
//   DialogsJson   what the result windows show
#pragma once

#include <string>
#include <vector>

#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "analysis/simulation.h"

namespace zarn {

void WriteOut(const std::string& out, const std::string& bytes);
std::string JoinCrLf(const std::vector<std::string>& lines);
// simulations: those of r (SimulationSummary::Matches); the JSON's replicate
// counts and confidence limits come from them. zeros: the years without flow
// set aside; periods: UserReturnPeriods, whose quantiles and limits are the
// unconditional ones (returnperiods.h).
std::string RecordJson(const AnalysisRecord& r, const SimulationSummary& simulations, const ZeroYears& zeros,
                       const std::vector<double>& periods);
// plotDistribution 0: the record's PlotDistribution.
std::string DialogsJson(const AnalysisRecord& r, char separator, int plotDistribution, const ZeroYears& zeros = {});

}  // namespace zarn
