// SPDX-License-Identifier: GPL-3.0-or-later
// Low outliers of a flood record and the plotting positions of a record with
// historical information (Bulletin 17C, England et al. 2018).
//
//   MultipleGrubbsBeck           the multiple Grubbs-Beck test of Cohn et al. (2013) with the
//                                sweeps Bulletin 17C applies: low-outlier threshold, count, p-values
//   SingleGrubbsBeck             the single Grubbs-Beck test at the 10 % level (Bulletin 17B's K_N)
//   MgbtPValue                   p-value of the k-th smallest of n standard normal values
//                                against the mean and deviation of the n - k larger ones
//   HistoricalPlottingPositions  exceedance probabilities of the years of a record with
//                                perception thresholds (Hirsch and Stedinger 1987)
//
// Flows are in the user's units; the tests work on log10 of the positive
// flows, and a zero (or negative) flow always counts as a low outlier.
#pragma once

#include <vector>

namespace zarn {

struct HistoricalRecord;

// The outcome of a low-outlier test. Threshold is in flow units, 0 when the
// test finds no low outlier; Count is the number of flows below Threshold
// (zeros included); PValues are those of the candidates the test examined, in
// the order of the sorted flows (smallest first).
struct LowOutlierTest {
    double Threshold = 0;
    int Count = 0;
    std::vector<double> PValues;
};

LowOutlierTest MultipleGrubbsBeck(const std::vector<double>& flows);
LowOutlierTest SingleGrubbsBeck(const std::vector<double>& flows);
double MgbtPValue(int n, int k, double w);

// One exceedance probability per observation of record.Observations, in its
// order; a is the plotting-position constant (0: Weibull). A year no threshold
// covers, or whose interval cannot be ranked, gets NaN.
std::vector<double> HistoricalPlottingPositions(const HistoricalRecord& record, double a = 0);

}  // namespace zarn
