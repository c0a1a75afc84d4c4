// SPDX-License-Identifier: GPL-3.0-or-later
// Low outliers of a flood record and the plotting positions of a record with
// historical information (Bulletin 17C, England et al. 2018).
//
//   MultipleGrubbsBeck           the multiple Grubbs-Beck test of Cohn et al. (2013) with the
//                                sweeps Bulletin 17C applies: low-outlier threshold, count, p-values
//   SingleGrubbsBeck             the single Grubbs-Beck test at the 10 % level (Bulletin 17B's K_N)
//   MgbtPValue                   p-value of the k-th smallest of n standard normal values
//                                against the mean and deviation of the n - k larger ones:
//                                Cohn et al. (2013), a non-central t given the k-th order
//                                statistic, integrated over it (relative error 1e-8; the
//                                approximation is within about 0.005 of simulation at 10 %)
//   HistoricalPlottingPositions  exceedance probabilities of the years of a record with
//                                perception thresholds (Hirsch and Stedinger 1987)
//
// Flows are in the user's units; the tests work on log10 of the positive
// flows, and a zero (or negative) flow always counts as a low outlier.
#pragma once

#include <vector>

namespace zarn {

struct HistoricalRecord;

// The outcome of a low-outlier test. Threshold is in flow units: the smallest
// flow above the last low outlier, 0 when the test finds none. Count is the
// number of flows below Threshold (zeros, and flows equal to a low outlier,
// included). PValues (multiple test only) holds, for k = 1..n/2, the p-value
// of the k-th smallest flow; 0 for a zero flow.
struct LowOutlierTest {
    double Threshold = 0;
    int Count = 0;
    std::vector<double> PValues;
};

LowOutlierTest MultipleGrubbsBeck(const std::vector<double>& flows);
LowOutlierTest SingleGrubbsBeck(const std::vector<double>& flows);
// NaN with CalcError 2 unless n >= 3, 1 <= k <= n - 2 and w is a number.
double MgbtPValue(int n, int k, double w);

// One exceedance probability per observation of record.Observations, in its
// order; a is the plotting-position constant, in [0, 1) (0: Weibull, 0.5:
// Hazen). An interval is placed by its geometric midpoint (by its finite
// bound when open); a historical flood no threshold covers, [0, inf), and
// every year of a record with a year twice or an unusable threshold get NaN.
std::vector<double> HistoricalPlottingPositions(const HistoricalRecord& record, double a = 0);

}  // namespace zarn
