// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/estimation.h"

#include <cmath>

#include "analysis/faults.h"
#include "analysis/special.h"

namespace zarn {

// EstimateNormal: mu = l1, sigma = sqrt(pi) l2 (also the LogNormal, from the
// L-moments of ln X). The set is cleared first.
// CalcError: 1 l2 <= 0 (set left cleared).
bool EstimateNormal(LMomentSet m, ParameterSet& p) {
    constexpr double kSqrtPi = 1.77245385090551603;
    CalcError = kNoFault;
    p = {0.0, 0.0, 0.0};
    if (!(m.L2 > 0)) return fail(kParameterOutOfRange, true);  // NaN is refused here too
    p.Position = m.L1;
    p.Scale = m.L2 * kSqrtPi;
    return true;
}

// EstimateGumbel: alpha = l2 / ln 2, xi = l1 - gamma_E alpha (Hosking and
// Wallis 1997, A.5). The set is cleared first.
// CalcError: 1 l2 <= 0 (set left cleared).
bool EstimateGumbel(LMomentSet m, ParameterSet& p) {
    constexpr double kLn2 = 0.693147180559945309;
    constexpr double kEulerGamma = 0.577215664901532861;
    CalcError = kNoFault;
    p = {0.0, 0.0, 0.0};
    if (!(m.L2 > 0)) return fail(kParameterOutOfRange, true);
    p.Scale = m.L2 / kLn2;
    p.Position = m.L1 - kEulerGamma * p.Scale;
    return true;
}

// EstimateExponential: alpha = 2 l2, xi = l1 - alpha (lower bound xi).
// CalcError: 1 l2 <= 0 (set not written).
bool EstimateExponential(LMomentSet m, ParameterSet& p) {
    CalcError = kNoFault;
    if (!(m.L2 > 0)) return fail(kParameterOutOfRange, false);
    p.Shape = 0.0;
    p.Scale = 2.0 * m.L2;
    p.Position = m.L1 - p.Scale;
    return true;
}

// EstimatePearson3: mean, standard deviation and skewness of the Pearson
// type III with the given l1, l2, t3 (Hosking's PELPE3: rational
// approximations of the gamma shape in t3, relative accuracy about 1e-4 in
// the shape). Also the LogPearson III, from the L-moments of ln X.
// CalcError: 1 l2 <= 0 or |t3| >= 1 (set not written).
bool EstimatePearson3(LMomentSet m, ParameterSet& p) {
    constexpr double kSqrtPi = 1.7724539;          // sqrt(pi) to the digits of PELPE3
    constexpr double kThreePi = 9.424778;          // 3 pi
    constexpr double kZeroSkew = 1e-6;             // |t3| up to this: skewness 0
    constexpr double kApproximationSplit = 0.33333333;  // the two approximations meet at t3 = 1/3

    CalcError = kNoFault;
    if (!(m.L2 > 0) || !(std::fabs(m.T3) < 1)) return fail(kParameterOutOfRange, false);  // NaN is refused here too

    const double t3 = m.T3;
    const double absT3 = std::fabs(t3);
    if (absT3 <= kZeroSkew) {
        p.Position = m.L1;
        p.Scale = m.L2 * kSqrtPi;
        p.Shape = 0.0;
        return true;
    }

    double alpha;  // shape of the underlying gamma distribution
    if (absT3 < kApproximationSplit) {
        const double t = kThreePi * (t3 * t3);
        alpha = (1.0 + 0.2906 * t) / (t * (1.0 + t * (0.1882 + 0.0442 * t)));
    } else {
        const double t = 1.0 - absT3;
        alpha = t * (0.36067 + t * (-0.59567 + 0.25361 * t)) /
                (1.0 + t * (-2.78861 + t * (2.56096 - 0.77045 * t)));
    }
    const double beta = kSqrtPi * m.L2 * std::exp(LogGamma(alpha) - LogGamma(alpha + 0.5));
    const double rootAlpha = std::sqrt(alpha);
    p.Position = m.L1;
    p.Scale = beta * rootAlpha;
    p.Shape = t3 < 0 ? -(2.0 / rootAlpha) : 2.0 / rootAlpha;
    return true;
}

// EstimateGEV: location, scale and shape k (x(F) = xi + alpha (1 - (-ln F)^k) / k)
// of the GEV (Hosking's PELGEV): Hosking, Wallis and Wood's (1985)
// polynomial in t3, exact to about 1e-6 for -0.1 <= t3 <= 0.5, refined by
// Newton-Raphson on (1 - 3^-k) / (1 - 2^-k) = (t3 + 3) / 2 elsewhere.
// |k| < 1e-5 is stored as 0 and fitted as the Gumbel.
// CalcError: 1 l2 <= 0 or |t3| >= 1 (set not written); 2 Newton-Raphson
// not settled in 20 steps (the last k is used).
bool EstimateGEV(LMomentSet m, ParameterSet& p) {
    constexpr double kLn2OverLn3 = 0.63092975;
    constexpr double kLn2 = 0.69314718;
    constexpr double kLn3 = 1.0986123;
    constexpr double kEulerGamma = 0.57721566;
    constexpr double kPolynomialFrom = -0.1;    // t3 in [-0.1, 0.5]: the polynomial is final
    constexpr double kPolynomialTo = 0.5;
    constexpr double kRestartBelow = -0.9;      // t3 below: Newton starts from 1 - ln(1 + t3) / ln 2
    constexpr int kMaxSteps = 20;               // Newton-Raphson steps
    constexpr double kStepTolerance = 1e-6;     // |change of k| (relative for k > 1) that ends it
    constexpr double kGumbelShape = 1e-5;       // |k| below: Gumbel formulas, shape 0

    CalcError = kNoFault;
    if (!(m.L2 > 0)) CalcError = kParameterOutOfRange;
    if (!(std::fabs(m.T3) < 1)) CalcError = kParameterOutOfRange;  // NaN is refused here too
    if (CalcError != 0) return false;

    const double t3 = m.T3;
    const double u = 2.0 / (3.0 + t3) - kLn2OverLn3;
    double k = u * (7.81774 + u * (2.930462 + u * (13.641492 + u * 17.206675)));

    bool settled = true;
    if (t3 < kPolynomialFrom || t3 > kPolynomialTo) {
        if (t3 < kRestartBelow) k = 1.0 - std::log(1.0 + t3) / kLn2;
        const double t0 = (t3 + 3.0) / 2.0;
        settled = false;
        for (int step = 1; step <= kMaxSteps; ++step) {
            const double x2 = std::pow(2.0, -k);
            const double x3 = std::pow(3.0, -k);
            const double xx2 = 1.0 - x2;
            const double xx3 = 1.0 - x3;
            const double t = xx3 / xx2;
            const double derivative = (xx2 * x3 * kLn3 - xx3 * x2 * kLn2) / (xx2 * xx2);
            const double kOld = k;
            k = k - (t - t0) / derivative;
            const double change = std::fabs(k - kOld);
            if (change <= kStepTolerance || (k > 1.0 && change <= kStepTolerance * k)) {
                settled = true;
                break;
            }
        }
    }

    if (std::fabs(k) < kGumbelShape) {
        p.Shape = 0.0;
        p.Scale = m.L2 / kLn2;
        p.Position = m.L1 - kEulerGamma * p.Scale;
    } else {
        p.Shape = k;
        const double g = GammaFunction(1.0 + k);
        p.Scale = m.L2 * k / (g * (1.0 - std::pow(2.0, -k)));
        p.Position = m.L1 - p.Scale * (1.0 - g) / k;
    }
    // GammaFunction has reset the code; an unsettled iteration is still reported.
    if (!settled) CalcError = kEstimateNotSettled;
    return true;
}

// EstimateGPA: location (lower bound), scale and shape k of the generalised
// Pareto, x(F) = xi + alpha (1 - (1 - F)^k) / k (Hosking and Wallis 1997, A.5).
// CalcError: 1 l2 <= 0 or |t3| >= 1 (set not written).
bool EstimateGPA(LMomentSet m, ParameterSet& p) {
    CalcError = kNoFault;
    if (!(m.L2 > 0) || !(std::fabs(m.T3) < 1)) return fail(kParameterOutOfRange, false);
    const double k = (1.0 - 3.0 * m.T3) / (1.0 + m.T3);
    p.Shape = k;
    p.Scale = (1.0 + k) * (2.0 + k) * m.L2;
    p.Position = m.L1 - p.Scale / (1.0 + k);
    return true;
}

bool EstimateParameters(int index, LMomentSet m, ParameterSet& p) {
    CalcError = kNoFault;
    switch (index) {
    case kNormal:
    case kLogNormal: return EstimateNormal(m, p);
    case kGumbel: return EstimateGumbel(m, p);
    case kExponential: return EstimateExponential(m, p);
    case kPearson3:
    case kLogPearson3: return EstimatePearson3(m, p);
    case kGEV: return EstimateGEV(m, p);
    case kGPA: return EstimateGPA(m, p);
    default: return false;  // not a distribution: nothing written
    }
}

// The eight fits of the analysis; the two logarithmic ones from the L-moments
// of ln X. Each slot is cleared first, so that a fit refused for invalid
// L-moments leaves zeros rather than the parameters of an earlier analysis.
void EstimateAllDistributions(AnalysisRecord& r) {
    for (int index = 1; index <= kDistributionCount; ++index) {
        ParameterSet& p = ParametersOf(r, index);
        p = {0.0, 0.0, 0.0};
        EstimateParameters(index, IsLogDistribution(index) ? r.LogLMoments : r.LMoments, p);
    }
}

}  // namespace zarn
