// Goodness-of-fit tests whose critical values come from 500 samples simulated
// from the fitted distribution: Filliben's probability-plot correlation test
// and the L-moment-ratio variance test.
//
//   PlottingPosition            Blom, Gringorten or Cunnane by distribution
//   CorrelationCoefficient      Pearson's r with the caller's means
//   ProbabilityPlotCorrelation  R of a sorted series against fitted quantiles
//   UniformSeries               Lehmer generator 16807 mod 2^31 - 1
//   SimulatedCriticalR          R90, the 50th smallest of 500 simulated R
//   RealPower                   x^m by repeated multiplication
//   Tau4Polynomial              tau4 as a polynomial in tau3 (Hosking 1991)
//   TheoreticalRatio            the ratio the fitted distribution implies
//   SimulatedRatioStdDev        sd of t3 or t4 over 500 simulated samples
//   VarianceTest, GoodnessOfFit fill VarianceTestZ and FitTest of the record
#pragma once

#include <cstdint>

#include "analysis/record.h"

namespace zarn {

constexpr std::int64_t kSimulationSeed = 748932582;
constexpr int kReplicates = 500;

double PlottingPosition(int index, int i, int n);
double CorrelationCoefficient(int n, const double* x, const double* y, double xMean, double yMean);
double ProbabilityPlotCorrelation(int index, int n, const double* ascending, const ParameterSet& p);
void UniformSeries(std::int64_t& state, int n, double* u);
double SimulatedCriticalR(const AnalysisRecord& r, int index);
double RealPower(double x, int m);
double Tau4Polynomial(int index, double t);
double TheoreticalRatio(const AnalysisRecord& r, int index);
double SimulatedRatioStdDev(int index, int n, const ParameterSet& p, int k);
void VarianceTest(AnalysisRecord& r);
void GoodnessOfFit(AnalysisRecord& r);

}  // namespace zarn
