// SPDX-License-Identifier: GPL-3.0-or-later
// The regional analysis's charts, drawn into a QChart from a result: the
// window's tabs and the regional study PDF draw the same ones.
//
//   FillRegionalDiagram      the L-moment ratio diagram of the region: the
//                            candidates' tau4(tau3) curves, the sites (the
//                            discordant ones apart) and the regional average
//   FillRegionalGrowthChart  the chosen growth curve on Gumbel probability
//                            paper with the 90 % band of the accuracy simulation
#pragma once

#include "regional/regional.h"

class QChart;

namespace zarn {

void FillRegionalDiagram(QChart* chart, const RegionalResult& r);
void FillRegionalGrowthChart(QChart* chart, const RegionalResult& r);

}  // namespace zarn
