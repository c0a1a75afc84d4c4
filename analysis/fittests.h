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
//   SimulateBoth                both simulations of one distribution from one
//                               draw of the 500 samples, bit-identical to the two
//   VarianceTest, GoodnessOfFit fill VarianceTestZ and FitTest of the record
//
// An IEEE fault flagged inside a simulation (checked after every few
// quantiles and after each replicate) ends it at once with the fault's
// ZarnError, so no simulation runs on with infinities or NaNs.
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
double SimulatedCriticalR(int index, int n, const ParameterSet& p);
double RealPower(double x, int m);
double Tau4Polynomial(int index, double t);
double TheoreticalRatio(const AnalysisRecord& r, int index);
double SimulatedRatioStdDev(int index, int n, const ParameterSet& p, int k);

// Both simulations of distribution `index` (n values, parameters p, member k
// of the L-moments) from one draw of the 500 samples. HasCriticalR is false
// when a fault met only by the refit and correlation part stopped that part;
// SimulatedCriticalR then meets the same fault when it runs.
struct SimulatedStatistics {
    double RatioStdDev;
    double CriticalR;
    bool HasCriticalR;
};
SimulatedStatistics SimulateBoth(int index, int n, const ParameterSet& p, int k);

// VarianceTest keeps the R90 of its joint simulations for GoodnessOfFit (the
// value is a function of index, parameters and n alone); this forgets them.
void ForgetSimulatedCriticalR();

void VarianceTest(AnalysisRecord& r);
void GoodnessOfFit(AnalysisRecord& r);

}  // namespace zarn
