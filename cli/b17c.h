// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-cli --data PEAKS --b17c: the Bulletin 17C analysis of a flood record
// with historical and censored information (analysis/b17c.h).
//
// PEAKS is a USGS annual peak file or a year;value table
// (analysis/historical.h); --threshold and --interval add to what it holds.
//
//   B17cCommand        the command's options
//   kB17cUsage         its usage lines
//   ParseB17cCommand   the arguments after zarn-cli; throws B17cUsageError
//   ApplyB17cArguments the --threshold and --interval of the command over a record
//   B17cJson           the JSON object {"B17C": {...}}
//   B17cReportLines    the result as the lines of a text report
//   RunB17c            the whole command
#pragma once

#include <string>
#include <vector>

#include "analysis/b17c.h"

namespace zarn {

extern const char* const kB17cUsage;

struct B17cUsageError {
    std::string Text;
};

struct B17cCommand {
    std::string Data, Json, Report, Study;
    std::vector<double> ReturnPeriods;            // --return-periods, for the study
    std::vector<PerceptionThreshold> Thresholds;   // --threshold, in order
    std::vector<FloodObservation> Intervals;       // --interval, in order
    B17cOptions Options;
};

B17cCommand ParseB17cCommand(int argc, char** argv);
void ApplyB17cArguments(const B17cCommand& c, HistoricalRecord& record);
std::string B17cJson(const B17cResult& r);
std::vector<std::string> B17cReportLines(const B17cResult& r);
int RunB17c(const B17cCommand& c);

}  // namespace zarn
