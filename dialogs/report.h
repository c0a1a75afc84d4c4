// The calculation report: every line of the analysis as plain text, built
// from the record alone (the quantiles are computed, nothing else).
//
//   ReportLines   the report's lines, Windows-1252 bytes, without line ends
//   SaveReport    writes every line followed by CR LF; fails with
//                 "Cannot create file "<path>". <reason>" and leaves no half file
#pragma once

#include <string>
#include <vector>

#include "analysis/record.h"

namespace zarn {

std::vector<std::string> ReportLines(const AnalysisRecord& r);
void SaveReport(const std::vector<std::string>& lines, const std::string& path);

}  // namespace zarn
