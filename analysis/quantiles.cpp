// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/quantiles.h"

#include <cmath>

#include "files/errors.h"
#include "analysis/faults.h"
#include "analysis/special.h"

namespace zarn {

namespace {

// F outside [0, 1], NaN included.
bool OutsideUnitInterval(double F) { return !(F >= 0 && F <= 1); }

}  // namespace

// QuantileNormal: mu + sigma z(F) (also the LogNormal, in ln X).
// CalcError: 1 sigma <= 0; 2 F outside (0, 1).
double QuantileNormal(const ParameterSet& p, double F) {
    CalcError = kNoFault;
    if (!(p.Scale > 0)) return fail(kParameterOutOfRange);  // NaN is refused here too
    if (OutsideUnitInterval(F) || F == 0 || F == 1) return fail(kArgumentOutOfRange);
    return p.Position + p.Scale * NormalQuantile(F);
}

// QuantileGumbel: xi - alpha ln(-ln F).
// CalcError: 1 alpha <= 0; 2 F outside (0, 1).
double QuantileGumbel(const ParameterSet& p, double F) {
    CalcError = kNoFault;
    if (!(p.Scale > 0)) return fail(kParameterOutOfRange);
    if (OutsideUnitInterval(F) || F == 0 || F == 1) return fail(kArgumentOutOfRange);
    return p.Position - p.Scale * std::log(-std::log(F));
}

// QuantileExponential: xi - alpha ln(1 - F); xi at F = 0.
// CalcError: 1 alpha <= 0; 2 F outside [0, 1).
double QuantileExponential(const ParameterSet& p, double F) {
    CalcError = kNoFault;
    if (!(p.Scale > 0)) return fail(kParameterOutOfRange);
    if (OutsideUnitInterval(F) || F == 1) return fail(kArgumentOutOfRange);
    if (F == 0) return p.Position;
    return p.Position - p.Scale * std::log(1.0 - F);
}

// QuantilePearson3: mean mu, standard deviation sigma, skewness gamma (also
// the LogPearson III, in ln X). A shifted gamma distribution with shape
// 4 / gamma^2 and scale |sigma gamma / 2|, mirrored for gamma < 0; the
// normal for |gamma| < 1e-6. The bound mu - 2 sigma / gamma at F = 0
// (gamma > 0) or F = 1 (gamma < 0).
// CalcError: 1 sigma <= 0; 2 F outside the support; otherwise that of
// GammaQuantile (3: its last iterate).
double QuantilePearson3(const ParameterSet& p, double F) {
    constexpr double kNormalSkew = 1e-6;  // |gamma| below: the normal distribution
    CalcError = kNoFault;
    const double mu = p.Position;
    const double sigma = p.Scale;
    const double gamma = p.Shape;
    if (!(sigma > 0)) return fail(kParameterOutOfRange);
    if (OutsideUnitInterval(F)) return fail(kArgumentOutOfRange);
    if (F == 0) return gamma > 0 ? mu - 2.0 * sigma / gamma : fail(kArgumentOutOfRange);
    if (F == 1) return gamma < 0 ? mu - 2.0 * sigma / gamma : fail(kArgumentOutOfRange);

    if (std::fabs(gamma) < kNormalSkew) return mu + sigma * NormalQuantile(F);
    const double a = 4.0 / (gamma * gamma);
    const double b = std::fabs(sigma * gamma / 2.0);
    if (gamma > 0) return mu - a * b + GammaQuantile(F, a, b);
    return mu + a * b - GammaQuantile(1.0 - F, a, b);
}

// QuantileGEV: xi + alpha (1 - (-ln F)^k) / k, the Gumbel for k = 0 exactly.
// Bounded below at xi + alpha / k for k < 0, above there for k > 0.
// CalcError: 1 alpha <= 0; 2 F outside the support.
double QuantileGEV(const ParameterSet& p, double F) {
    CalcError = kNoFault;
    const double xi = p.Position;
    const double alpha = p.Scale;
    const double k = p.Shape;
    if (!(alpha > 0)) return fail(kParameterOutOfRange);
    if (OutsideUnitInterval(F)) return fail(kArgumentOutOfRange);
    if (F == 0) return k < 0 ? xi + alpha / k : fail(kArgumentOutOfRange);
    if (F == 1) return k > 0 ? xi + alpha / k : fail(kArgumentOutOfRange);
    double y = -std::log(-std::log(F));
    if (k != 0) y = (1.0 - std::exp(-k * y)) / k;
    return xi + alpha * y;
}

// QuantileGPA: xi + alpha (1 - (1 - F)^k) / k, the exponential for k = 0
// exactly. Bounded below at xi, above at xi + alpha / k for k > 0.
// CalcError: 1 alpha <= 0; 2 F outside the support.
double QuantileGPA(const ParameterSet& p, double F) {
    CalcError = kNoFault;
    const double xi = p.Position;
    const double alpha = p.Scale;
    const double k = p.Shape;
    if (!(alpha > 0)) return fail(kParameterOutOfRange);
    if (OutsideUnitInterval(F)) return fail(kArgumentOutOfRange);
    if (F == 0) return xi;
    if (F == 1) return k > 0 ? xi + alpha / k : fail(kArgumentOutOfRange);
    double y = -std::log(1.0 - F);
    if (k != 0) y = (1.0 - std::exp(-k * y)) / k;
    return xi + alpha * y;
}

// The set is taken by value: the callee works on a copy of the caller's parameters.
double DistributionQuantile(int index, ParameterSet p, double F) {
    CalcError = kNoFault;
    switch (index) {
    case kNormal:
    case kLogNormal: return QuantileNormal(p, F);
    case kGumbel: return QuantileGumbel(p, F);
    case kExponential: return QuantileExponential(p, F);
    case kPearson3:
    case kLogPearson3: return QuantilePearson3(p, F);
    case kGEV: return QuantileGEV(p, F);
    case kGPA: return QuantileGPA(p, F);
    default: return 0.0;  // not a distribution
    }
}

// The sign of the shape decides which end is finite; the division is made
// only when that sign test holds, so a shape of exactly 0 never divides.
bool LowerBound(int index, const ParameterSet& p, double& bound) {
    switch (index) {
    case kExponential:
    case kGPA: bound = p.Position; return true;
    case kPearson3:
    case kLogPearson3:
        if (!(p.Shape > 0)) return false;
        bound = p.Position - 2.0 * p.Scale / p.Shape;
        return true;
    case kGEV:
        if (!(p.Shape < 0)) return false;
        bound = p.Position + p.Scale / p.Shape;
        return true;
    default: return false;  // Normal, LogNormal, Gumbel: unbounded below
    }
}

bool UpperBound(int index, const ParameterSet& p, double& bound) {
    switch (index) {
    case kPearson3:
    case kLogPearson3:
        if (!(p.Shape < 0)) return false;
        bound = p.Position - 2.0 * p.Scale / p.Shape;
        return true;
    case kGEV:
    case kGPA:
        if (!(p.Shape > 0)) return false;
        bound = p.Position + p.Scale / p.Shape;
        return true;
    default: return false;  // Normal, LogNormal, Gumbel, Exponential: unbounded above
    }
}

bool CleanQuantile(int index, const ParameterSet& p, double F, double& x) {
    FloatingPointCheck::Clear();
    x = DistributionQuantile(index, p, F);
    if (CalcError != 0) return false;
    if (IsLogDistribution(index)) x = std::exp(x);
    return !FloatingPointCheck::Faulted() && std::isfinite(x);
}

double ReturnPeriodQuantile(const AnalysisRecord& r, int index, int period) {
    if (index < 1 || index > kDistributionCount || period < 0 || period >= kReturnPeriodCount) return 0.0;
    const double x = DistributionQuantile(index, ParametersOf(r, index), kReturnPeriodProbabilities[period]);
    return IsLogDistribution(index) ? std::exp(x) : x;
}

}  // namespace zarn
