// SPDX-License-Identifier: GPL-3.0-or-later
// Quantile functions x(F) of the eight distributions, their bounds, and the
// return-period quantiles. Each routine sets CalcError to 0 on entry; a
// Scale <= 0 gives code 1 and 0, an F outside the support code 2 and 0.
// For LogNormal and LogPearson III the parameters describe ln X and the
// quantile returned is ln x(F).
//
//   QuantileNormal ... QuantileGPA   one per distribution family
//   DistributionQuantile             dispatch by DistributionIndex (copies the set)
//   LowerBound / UpperBound          finite end points of the fitted distribution
//   ReturnPeriodQuantile             x_T in the units of the sample (exp for 2 and 6)
//   CleanQuantile                    x(F) in the units of the sample, or false when it
//                                    has a CalcError, is not finite or faults
#pragma once

#include "analysis/record.h"

namespace zarn {

constexpr int kReturnPeriodCount = 7;
constexpr int kReturnPeriods[kReturnPeriodCount] = {2, 5, 10, 50, 100, 200, 1000};
// Non-exceedance probabilities 1 - 1/T, written as decimals (not computed from T).
constexpr double kReturnPeriodProbabilities[kReturnPeriodCount] = {0.5, 0.8, 0.9, 0.98, 0.99, 0.995, 0.999};

double QuantileNormal(const ParameterSet& p, double F);
double QuantileGumbel(const ParameterSet& p, double F);
double QuantileExponential(const ParameterSet& p, double F);
double QuantilePearson3(const ParameterSet& p, double F);
double QuantileGEV(const ParameterSet& p, double F);
double QuantileGPA(const ParameterSet& p, double F);

double DistributionQuantile(int index, ParameterSet p, double F);

// True and the bound in `bound` when distribution `index` with parameters p
// has a finite lower (upper) end point; in ln X for indexes 2 and 6.
bool LowerBound(int index, const ParameterSet& p, double& bound);
bool UpperBound(int index, const ParameterSet& p, double& bound);

// Quantile of return period kReturnPeriods[period] for distribution `index`
// of the record, in the units of the sample.
double ReturnPeriodQuantile(const AnalysisRecord& r, int index, int period);

// x(F) of distribution `index` in the units of the sample (exp for indexes 2
// and 6), as the confidence limits take it: false when it has a CalcError,
// is not finite, or raises a floating-point fault. Clears the IEEE flags
// first and leaves them raised on a fault.
bool CleanQuantile(int index, const ParameterSet& p, double F, double& x);

}  // namespace zarn
