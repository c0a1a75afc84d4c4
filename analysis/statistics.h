// SPDX-License-Identifier: GPL-3.0-or-later
// Descriptive statistics, L-moments, histogram and the two sorts of the core.
//
// A series is a pointer to its first value and a count n (n <= 10000); the
// analysis numbers its values 1..n, the code stores value i at x[i - 1].
// Every routine but the two sorts leaves the caller's series unchanged.
//
//   LogTransform              y_i = ln x_i; a 0 or a negative value ends with an error
//   SampleMaximum/Minimum     running extreme, started at -1e9 / +1e9
//   SampleMean                sum in index order over n
//   SampleStdDev              divisor n - 1, caller's mean
//   SampleSkewness            n sum d^3 / ((n-1)(n-2) s^3), s^3 = exp(3 ln s)
//   DescriptiveStatistics     the five above, in order
//   BuildHistogram            k = round(1.43 ln n + 1) classes centred from min to max
//   BinomialCoefficient       C(a, k) as a double, factor by factor
//   ProbabilityWeightedMoment b_r of a series sorted descending
//   SampleLMoments            l1, l2, t3, t4 (Hosking 1990, unbiased PWM estimators)
//   LMomentsOfDescending      the same for a series already sorted descending
//   SortAscending             Hoare quicksort, middle pivot (Wirth 1976)
//   SortDescending            SortAscending, then reversal
#pragma once

#include "analysis/record.h"

namespace zarn {

void LogTransform(const double* x, int n, double* y);

double SampleMaximum(const double* x, int n);
double SampleMinimum(const double* x, int n);
double SampleMean(const double* x, int n);
double SampleStdDev(const double* x, int n, double mean);
double SampleSkewness(const double* x, int n, double mean, double stdDev);

void DescriptiveStatistics(const double* x, int n, double& minimum, double& maximum,
                           double& mean, double& stdDev, double& skewness);

// Returns k and fills centres[0..k-1] and frequencies[0..k-1].
int BuildHistogram(const double* x, int n, double minimum, double maximum,
                   double* centres, double* frequencies);

double BinomialCoefficient(int a, int k);
double ProbabilityWeightedMoment(int r, int n, const double* descending);

LMomentSet SampleLMoments(const double* x, int n);
LMomentSet LMomentsOfDescending(const double* descending, int n);

void SortAscending(double* x, int n);
void SortDescending(double* x, int n);

}  // namespace zarn
