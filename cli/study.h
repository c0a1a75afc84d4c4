// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool's --study: the study of the analysis as a PDF document.
// The PDF is drawn by zarn-charts (the program's charts need Qt, which the
// batch tool does without): the record goes to it as a project file in a
// private temporary folder, removed afterwards. The charts tool opens it and
// simulates again with the same seed, so the study carries the numbers the
// batch tool computed.
//
//   FindChartsProgram   zarn-charts beside the batch tool, else on PATH
//   WriteStudy          the hand-off; the exit status to return
//   WriteB17cStudy      the study of a Bulletin 17C run: its systematic
//                       record analysed as a project whose side file holds
//                       the flood record and options (the B17C section)
//   WriteRegionStudy    the same for the regional study: the charts tool is
//                       given the region's input and options and makes the
//                       same analysis (the same seed gives the same numbers)
#pragma once

#include <string>
#include <vector>

#include "analysis/b17c.h"
#include "analysis/historical.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"

namespace zarn {

// The name of the program that draws the study, and the package that has it.
constexpr const char* kChartsProgram = "zarn-charts";

// The executable beside the running program, or in an absolute folder of
// PATH (never the working folder, nor a relative entry); "" when none.
std::string FindChartsProgram();

// `out` is a path, or "-" for standard output; `openedProject` the project
// file the record was read from ("" for a calculation), whose settings the
// study takes; `ruleBase` the rule base given with --rules ("" for none),
// passed on so that the study gives the same advice. Returns 0 when the PDF
// was written; otherwise says why on standard error and returns non-zero.
// `zeros` and `periods` are the run's years without flow and return periods.
int WriteStudy(const AnalysisRecord& r, const std::string& out, const std::string& openedProject,
               const std::string& ruleBase, const ZeroYears& zeros, const std::vector<double>& periods);

// The at-site study of `record` with its Bulletin 17C section: the systematic
// years' point values (in year order) are the series, analysed as zarn-cli
// --data does; the record and `options` go beside it as the project's own,
// so the charts tool writes the study the window's project would give.
// `title` names the project (the peak file's name). Returns as WriteStudy.
int WriteB17cStudy(const HistoricalRecord& record, const B17cOptions& options, const std::string& title,
                   const std::string& out, const std::vector<double>& periods);

// `arguments` are the region's input and options as zarn-cli --region took
// them (without its outputs); `out` a path or "-". Returns 0 when the PDF
// was written; otherwise says why on standard error and returns non-zero.
int WriteRegionStudy(const std::vector<std::string>& arguments, const std::string& out);

}  // namespace zarn
