// SPDX-License-Identifier: GPL-3.0-or-later
// What the regional analysis shows and saves, as lines and bytes (no Qt):
// the Portuguese report, the CSV of the sites, and the numbers of both.
//
//   RegionNumber          fixed decimals with a decimal comma, "-" when not finite
//   PeriodLabel           a return period as the tables head it
//   RegionSiteQuantiles   a site's quantiles: the accuracy's when simulated, else
//                         its mean times the chosen growth curve
//   WakebyFitText         how the Wakeby was fitted, in words
//   UngaugedCaution       the ungauged estimate's caution ("" when none)
//   RegionReportLines     the report, section by section, with the advice
//   RegionCsvText         one row per site, ";" and decimal comma, with a
//                         byte-order mark (as the batch's resumo.csv)
//   RegionalDiagram       the L-moment ratio diagram of the region: the sites,
//                         the regional average, the candidates' tau4(tau3) curves,
//                         and where each site's number goes, clear of the others
//   GrowthChart           the chosen growth curve on Gumbel probability paper
//                         and the 90 % band of the accuracy simulation
#pragma once

#include <array>
#include <string>
#include <vector>

#include "regional/regional.h"
#include "views/ratiodiagram.h"

namespace zarn {

std::string RegionNumber(double v, int decimals);
std::string PeriodLabel(double T);
PeriodValues RegionSiteQuantiles(const RegionalResult& r, std::size_t i);
const char* WakebyFitText(int fallback);
std::string UngaugedCaution(const RegionalResult& r);
// `input` names the region (its folder or list); `advice` the sentences of the rule base.
std::vector<std::string> RegionReportLines(const RegionalResult& r, const std::string& input,
                                           const std::vector<std::string>& advice);
std::string RegionCsvText(const RegionalResult& r);

struct RegionalDiagramData {
    std::vector<RatioPoint> Sites;
    std::vector<bool> Discordant;
    RatioPoint Average{};
    // tau4(tau3) of GLO, GEV, GNO, PE3, GPA (kCandidateFamilies order) over the t3 axis.
    std::array<std::vector<RatioPoint>, 5> Curves;
    double T3Min = 0, T3Max = 0, T4Min = 0, T4Max = 0;
    // Per site, where its number (i + 1, the row of the sites' table) is
    // written: the middle of the label's lower edge, in (t3, t4).
    std::vector<RatioPoint> LabelAnchors;
};
RegionalDiagramData RegionalDiagram(const RegionalResult& r);

struct GrowthChartData {
    std::string Family;
    // (Gumbel reduced variate -ln(-ln F), growth factor)
    std::vector<std::array<double, 2>> Curve, Lower, Upper;
    double XMin = 0, XMax = 0, YMax = 0;
};
GrowthChartData GrowthChart(const RegionalResult& r);

}  // namespace zarn
