// SPDX-License-Identifier: GPL-3.0-or-later
// Goodness-of-fit tests whose critical values come from 500 samples simulated
// from the fitted distribution: Filliben's probability-plot correlation test
// and the L-moment-ratio variance test.
//
//   PlottingPosition            Blom, Gringorten or Cunnane by distribution
//   CorrelationCoefficient      Pearson's r with the caller's means
//   PlottingPositionQuantiles   F_i and the fitted quantiles x(F_i), i = 1..n
//   ProbabilityPlotCorrelation  R of a sorted series against fitted quantiles
//   UniformSeries               Lehmer generator 16807 mod 2^31 - 1
//   SimulatedCriticalR          R90, the ceil(m/10)-th smallest of the m simulated
//                               R that completed (the 50th of 500)
//   RealPower                   x^m by repeated multiplication
//   Tau4Polynomial              tau4 as a polynomial in tau3 (Hosking 1991)
//   TheoreticalRatio            the ratio the fitted distribution implies
//   SimulatedRatioStdDev        sd of t3 or t4 over the simulated samples that completed
//   VarianceTest, GoodnessOfFit fill VarianceTestZ and FitTest of the record
//                               from the simulations (simulation.h)
//
// SimulatedCriticalR and SimulatedRatioStdDev are the two simulations as
// the method states them, one replicate after another, each on its own
// stream; SimulateAll (simulation.h) runs both at once on every thread and
// gives the same bits. A replicate whose quantiles, L-moments, refit or
// correlation raise a floating-point fault is left out (its uniforms are
// still drawn); with fewer than 2 completed the result is NaN.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/record.h"

namespace zarn {

constexpr std::int64_t kSimulationSeed = 748932582;
constexpr int kReplicates = 500;

double PlottingPosition(int index, int i, int n);
double CorrelationCoefficient(int n, const double* x, const double* y, double xMean, double yMean);
// F[i - 1] = PlottingPosition(index, i, n) and q[i - 1] = x(F_i) of
// distribution `index` with parameters p, in ln X for indexes 2 and 6 (the
// probability plot and its correlation test share them). F may be null.
void PlottingPositionQuantiles(int index, int n, const ParameterSet& p, double* F, double* q);
double ProbabilityPlotCorrelation(int index, int n, const double* ascending, const ParameterSet& p);
void UniformSeries(std::int64_t& state, int n, double* u);
// completed: the replicates that completed (may be null); intervals: the
// quantiles at the seven return periods of the replicates counted for the
// confidence intervals (may be null).
double SimulatedCriticalR(const AnalysisRecord& r, int index);
double SimulatedCriticalR(int index, int n, const ParameterSet& p, int* completed = nullptr,
                          std::vector<std::array<double, 7>>* intervals = nullptr);
double RealPower(double x, int m);
double Tau4Polynomial(int index, double t);
double TheoreticalRatio(const AnalysisRecord& r, int index);
double SimulatedRatioStdDev(int index, int n, const ParameterSet& p, int k, int* completed = nullptr);

struct SimulationSummary;

// |Z| of each distribution from the simulated ratio standard deviations.
void VarianceTest(AnalysisRecord& r, const SimulationSummary& simulations);
// R of the sample against each fitted distribution, and R90 from the simulations.
void GoodnessOfFit(AnalysisRecord& r, const SimulationSummary& simulations);

}  // namespace zarn
