// What the regional analysis shows and saves, as lines and bytes (no Qt):
// the Portuguese report, the CSV of the sites, and the numbers of both.
//
//   RegionNumber          fixed decimals with a decimal comma, "-" when not finite
//   RegionSiteQuantiles   a site's quantiles: the accuracy's when simulated, else
//                         its mean times the chosen growth curve
//   WakebyFitText         how the Wakeby was fitted, in words
//   RegionReportLines     the report, section by section, with the advice
//   RegionCsvText         one row per site, ";" and decimal comma, with a
//                         byte-order mark (as the batch's resumo.csv)
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/regional.h"

namespace zarn {

std::string RegionNumber(double v, int decimals);
std::array<double, kRegionalPeriodCount> RegionSiteQuantiles(const RegionalResult& r, std::size_t i);
const char* WakebyFitText(int fallback);
// `input` names the region (its folder or list); `advice` the sentences of the rule base.
std::vector<std::string> RegionReportLines(const RegionalResult& r, const std::string& input,
                                           const std::vector<std::string>& advice);
std::string RegionCsvText(const RegionalResult& r);

}  // namespace zarn
