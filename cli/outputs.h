// SPDX-License-Identifier: GPL-3.0-or-later
// What the batch tool writes for one analysis, shared by a single run and
// the batch over many stations so that both write the same bytes.
//
//   WriteOut      bytes to a path (whole or not at all, a symbolic link there
//                 replaced, never followed), or to standard output for "-";
//                 a failed write (standard output included) is a ZarnError
//   RefuseSameFile  refuses an output that is an input file (links followed)
//   FileErrorMessage  a file error in Portuguese, naming the path
//   Utf8Text      text as UTF-8 (file names in Windows-1252 converted)
//   JoinCrLf      lines, each ended by CR LF
//   RecordJson    the record, its quantiles and what its simulations gave
//   DialogsJson   what the result windows show
#pragma once

#include <string>
#include <vector>

#include "files/errors.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "analysis/simulation.h"

namespace zarn {

void WriteOut(const std::string& out, const std::string& bytes);
void RefuseSameFile(const std::string& output, const std::string& input);
std::string FileErrorWords(int code, const std::string& path);
std::string FileErrorMessage(const FileError& e);
std::string Utf8Text(const std::string& text);
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
