// SPDX-License-Identifier: GPL-3.0-or-later
// 90 % confidence intervals of the return-period quantiles: a parametric
// bootstrap from the refits of the critical-R simulation (Hosking and Wallis
// 1997, 6.4), no simulation of its own.
//
// With m refitted quantiles sorted ascending q(1) <= ... <= q(m) and
// j = ceil(0.05 m), the lower limit is q(j) and the upper q(m + 1 - j)
// (the 25th smallest and largest of 500); both are NaN when m < 2.
//
//   QuantileInterval        lower and upper limit
//   PercentileInterval      the rule above on any list of values
//   ReturnPeriodIntervals   the limits at T = 2 ... 1000 of one distribution
//   IntervalSamples         the m of one distribution
//   BandAt                  the limits at any non-exceedance probability F
//   BandReturnPeriods       the return periods of the probability plot's band
#pragma once

#include <array>
#include <vector>

#include "analysis/quantiles.h"
#include "analysis/simulation.h"

namespace zarn {

struct QuantileInterval {
    double Lower;
    double Upper;
};

// `values` is taken by copy and sorted.
QuantileInterval PercentileInterval(std::vector<double> values);

std::array<QuantileInterval, kReturnPeriodCount> ReturnPeriodIntervals(const SimulationSummary& s, int index);
int IntervalSamples(const SimulationSummary& s, int index);

// The limits at F from the counted refits of distribution `index`, each
// refit's quantile at F (exp for indexes 2 and 6) taken when it is finite
// with CalcError 0. At the seven return-period probabilities this equals
// ReturnPeriodIntervals.
QuantileInterval BandAt(const SimulationSummary& s, int index, double F);

// About 40 return periods from just above 1 to 1000 years, evenly spaced in
// log T, the seven of the report among them.
std::vector<double> BandReturnPeriods();

}  // namespace zarn
