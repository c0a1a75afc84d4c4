// SPDX-License-Identifier: GPL-3.0-or-later
// Special functions of the analysis core. Each is a pure function of its
// arguments apart from CalcError; none allocates.
//
//   CalcError         the fault code (faults.h): 1 parameter out of range,
//                     2 argument out of range, 3 iteration limit reached
//   ErrorFunction     erf(x), Hart et al. (1968) approximation 5666
//   LogGamma          ln Gamma(x), shift to x >= 13 and Stirling's series
//   GammaFunction     exp(LogGamma(x))
//   IncompleteGamma   P(alpha, x): series, continued fraction, or the
//                     uniform normal approximation for alpha > 10^4
//   NormalQuantile    AS 241 PPND16 (Wichura 1988)
//   GammaQuantile     Wilson-Hilferty start, Newton-Raphson on IncompleteGamma
//   GammaQuantileWith the same with ln Gamma(alpha) and the normal quantile
//                     of F supplied by the caller (the simulations)
//   GammaQuantiles    GammaQuantileWith of many probabilities, eight at a time
#pragma once

#include "analysis/faults.h"

namespace zarn {

double ErrorFunction(double x);
double LogGamma(double x);
double GammaFunction(double x);
// logGammaAlpha is ln Gamma(alpha), computed once by the caller.
double IncompleteGamma(double x, double alpha, double logGammaAlpha);
double NormalQuantile(double p);
// alpha is the shape, beta the scale; returns the quantile times beta.
double GammaQuantile(double F, double alpha, double beta);
// GammaQuantile for alpha > 0, alpha != 1, beta > 0 and 0 < F < 1, with
// logGammaAlpha = LogGamma(alpha) and normalQuantileF = NormalQuantile(F)
// (read only when alpha > 1) from the caller; bit-identical to GammaQuantile.
double GammaQuantileWith(double F, double alpha, double beta, double logGammaAlpha, double normalQuantileF);
// out[i] = GammaQuantileWith(F[i], alpha, beta, logGammaAlpha, z[i]) for
// i < count, bit for bit, the Newton iterations of eight probabilities side by
// side with their series and fractions in vector lanes; CalcError is not set.
// kernels: the lane kernels to use (gammalanes.h), null for the program's own.
struct GammaLaneKernels;
void GammaQuantiles(const double* F, const double* z, int count, double alpha, double beta, double logGammaAlpha,
                    double* out, const GammaLaneKernels* kernels = nullptr);

}  // namespace zarn
