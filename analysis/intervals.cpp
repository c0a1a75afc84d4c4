// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/intervals.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "files/errors.h"

namespace zarn {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The band's grid: return periods from kBandFirst to 1000 years.
constexpr double kBandFirst = 1.01;
constexpr double kBandLast = 1000.0;
constexpr int kBandSteps = 33;  // intervals of log T between the two; the report's seven are added

}  // namespace

QuantileInterval PercentileInterval(std::vector<double> values) {
    const int m = static_cast<int>(values.size());
    if (m < 2) return {kNaN, kNaN};
    std::sort(values.begin(), values.end());
    const int j = (m + 19) / 20;  // ceil(0.05 m): the 25th of 500
    return {values[j - 1], values[m - j]};
}

std::array<QuantileInterval, kReturnPeriodCount> ReturnPeriodIntervals(const SimulationSummary& s, int index) {
    std::array<QuantileInterval, kReturnPeriodCount> limits;
    const auto& quantiles = s.Of(index).IntervalQuantiles;
    std::vector<double> values(quantiles.size());
    for (int t = 0; t < kReturnPeriodCount; ++t) {
        for (std::size_t rep = 0; rep < quantiles.size(); ++rep) values[rep] = quantiles[rep][t];
        limits[t] = PercentileInterval(values);
    }
    return limits;
}

int IntervalSamples(const SimulationSummary& s, int index) {
    return static_cast<int>(s.Of(index).IntervalQuantiles.size());
}

QuantileInterval BandAt(const SimulationSummary& s, int index, double F) {
    FloatingPointFlagsKept kept;
    std::vector<double> values;
    values.reserve(s.Of(index).IntervalRefits.size());
    for (const ParameterSet& refit : s.Of(index).IntervalRefits) {
        double x;
        if (CleanQuantile(index, refit, F, x)) values.push_back(x);
    }
    return PercentileInterval(std::move(values));
}

std::vector<double> BandReturnPeriods() {
    std::vector<double> periods;
    const double first = std::log(kBandFirst);
    const double last = std::log(kBandLast);
    for (int i = 0; i <= kBandSteps; ++i) periods.push_back(std::exp(first + (last - first) * i / kBandSteps));
    periods.back() = kBandLast;
    for (int T : kReturnPeriods) periods.push_back(T);
    std::sort(periods.begin(), periods.end());
    periods.erase(std::unique(periods.begin(), periods.end(), [](double a, double b) { return std::fabs(a - b) < 1e-9 * b; }),
                  periods.end());
    return periods;
}

}  // namespace zarn
