// SPDX-License-Identifier: GPL-3.0-or-later
// The calculation report: every line of the analysis as plain text, built
// from the record alone (the quantiles are computed, nothing else).
//
//   ReportLines         the report's lines, Windows-1252 bytes, without line ends
//   AppendReportLines   the same, appended to `lines`; when a quantile raises an
//                       arithmetic fault the lines before it stay in `lines`
//   SaveReport          writes every line followed by CR LF; fails with
//                       "Cannot create file "<path>". <reason>" and leaves no half file
#pragma once

#include <string>
#include <vector>

#include "analysis/record.h"
#include "analysis/returnperiods.h"

namespace zarn {

// 113 lines, or 118 + k when k of the warning bits 0x7E of TestFlags are set;
// a series with years without flow (zeros) has 10 more lines before the
// statistics. Throws ZarnError ("Floating point overflow", ...) when a
// quantile faults.
std::vector<std::string> ReportLines(const AnalysisRecord& r, const ZeroYears& zeros = {});
void AppendReportLines(const AnalysisRecord& r, std::vector<std::string>& lines, const ZeroYears& zeros = {});

// Writes to a temporary file beside `path` and renames it over `path`, so a
// failure leaves an existing file untouched. A `path` that names a device or
// another non-regular file is written in place.
void SaveReport(const std::vector<std::string>& lines, const std::string& path);

}  // namespace zarn
