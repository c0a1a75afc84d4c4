// SPDX-License-Identifier: GPL-3.0-or-later
// The advice as text: what the "Recomendação" window's "Salvar" writes, built
// from the advice and the record alone (the quantiles are computed here).
//
//   AdviceLines          the lines, UTF-8, without line ends; the quantile
//                        table at the report's seven periods, or at a study's
//                        own periods with the years without flow taken back in
//   AdviceQuantile       the quantile of return period kReturnPeriods[period],
//                        in the units of the data, never raising a fault
//   WrapText             a long sentence cut at blanks into lines of at most
//                        `width` characters (UTF-8 characters counted)
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/intervals.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "rules/advisor.h"

namespace zarn {

// Columns of the prose lines of the text.
constexpr int kAdviceTextWidth = 96;

using ReturnPeriodLimits = std::array<QuantileInterval, kReturnPeriodCount>;

// `limits`: the 90 % confidence limits of the recommended distribution's
// quantiles, or nullptr when they are not known (the columns are left out).
// Numbers in FormatNumber with TextStyle, as the window shows them (the
// values a sentence or a row compares told apart); the tables' columns as
// wide as their content, so that the text fits an A4 page in portrait.
std::vector<std::string> AdviceLines(const Advice& advice, const AnalysisRecord& r, const ReturnPeriodLimits* limits);

// The quantile table at `periods` (the table's quantile and limits 0 at the
// periods where the river is expected dry, marked by kExpectedDryText).
std::vector<std::string> AdviceLines(const Advice& advice, const AnalysisRecord& r, const ReturnPeriodTable& table,
                                     bool withLimits);
extern const char* const kExpectedDryText;

double AdviceQuantile(const AnalysisRecord& r, int index, int period);
std::vector<std::string> WrapText(const std::string& text, int width, const std::string& first,
                                  const std::string& rest);

}  // namespace zarn
