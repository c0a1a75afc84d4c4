// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/special.h"

#include <cmath>

#include "analysis/gammalanes.h"

namespace zarn {

thread_local int CalcError = 0;

namespace {

constexpr double kEulerGamma = 0.577215664901532861;    // Euler's constant
constexpr double kPiSquaredOver12 = 0.822467033424113218;  // pi^2 / 12
constexpr double kHalfLog2Pi = 0.918938533204672742;     // ln(2 pi) / 2

}  // namespace

// ErrorFunction: erf(x).
// Hart et al. (1968), approximation 5666, for the upper normal tail Q(z) at
// z = |x| sqrt(2), so that erf(x) = 1 - 2 Q(z); Laplace's continued fraction
// for the tail beyond |x| = 5. Absolute error about 1e-15.
// No fault codes.
double ErrorFunction(double x) {
    constexpr double kSqrt2 = 1.414213562373095;
    constexpr double kSqrt2OverPi = 0.7978845608028654;  // sqrt(2 / pi)
    constexpr double kContinuedFractionFrom = 5.0;       // |x| beyond: continued fraction
    constexpr double kSaturationFrom = 6.25;             // |x| beyond: erf is +-1 in double

    const double u = std::fabs(x);
    if (u > kSaturationFrom) return x >= 0 ? 1.0 : -1.0;

    const double e = std::exp(-(x * x));
    const double z = std::fabs(x * kSqrt2);
    if (u > kContinuedFractionFrom) {
        // 5 < |x| <= 6.25: continued fraction, t = 2 Q(z)
        const double t = e * kSqrt2OverPi / (z + 1.0 / (z + 2.0 / (z + 3.0 / (z + 4.0 / (z + 0.65)))));
        return x > 0 ? 1.0 - t : t - 1.0;
    }
    // |x| <= 5: rational function, t = Q(z)
    const double p = ((((((0.03526249659989109 * z + 0.7003830644436881) * z + 6.37396220353165) * z +
                         33.912866078383) * z + 112.0792914978709) * z + 221.2135961699311) * z +
                      220.2068679123761);
    const double q = (((((((0.08838834764831844 * z + 1.755667163182642) * z + 16.06417757920695) * z +
                          86.78073220294608) * z + 296.5642487796737) * z + 637.3336333788311) * z +
                       793.8265125199484) * z + 440.4137358247522);
    const double t = e * p / q;
    return x >= 0 ? 1.0 - 2.0 * t : 2.0 * t - 1.0;
}

// LogGamma: ln Gamma(x) for x > 0.
// Two-term Taylor series near 1 and 2, -ln x - gamma x below 1e-7, otherwise
// the recurrence up to x >= 13 and Stirling's series to the term in x^-13
// (Hosking's DLGAMA). Relative error about 1e-15.
// CalcError: 1 x <= 0; 2 x > 2e36.
double LogGamma(double x) {
    constexpr double kSmall = 1e-7;     // Taylor series within this of 1 or 2, -ln x below it
    constexpr double kShiftTo = 13.0;   // recurrence raises the argument to at least this
    constexpr double kNoStirlingCorrectionFrom = 1e9;  // Stirling's correction negligible beyond
    constexpr double kTooBig = 2e36;    // larger arguments are refused
    constexpr double c1 = 1.0 / 12.0, c2 = -1.0 / 360.0, c3 = 1.0 / 1260.0, c4 = -1.0 / 1680.0,
                     c5 = 1.0 / 1188.0, c6 = -691.0 / 360360.0, c7 = 1.0 / 156.0;

    CalcError = kNoFault;
    if (!(x > 0)) return fail(kParameterOutOfRange);  // NaN is refused here too
    if (x > kTooBig) return fail(kArgumentOutOfRange);

    if (std::fabs(x - 2.0) <= kSmall) {
        const double e = x - 2.0;
        return std::log(x - 1.0) + e * (-kEulerGamma + kPiSquaredOver12 * e);
    }
    if (std::fabs(x - 1.0) <= kSmall) {
        const double e = x - 1.0;
        return e * (-kEulerGamma + kPiSquaredOver12 * e);
    }
    if (x <= kSmall) return -std::log(x) - kEulerGamma * x;

    double s = 0.0;
    double y = x;
    if (y < kShiftTo) {
        // Gamma(x) = Gamma(y) / (x (x + 1) ... (y - 1)) with y the first of x + i at or above 13
        double z = 1.0;
        do {
            z = z * y;
            y = y + 1.0;
        } while (y < kShiftTo);
        s = -std::log(z);
    }
    double result = s + (y - 0.5) * std::log(y) - y + kHalfLog2Pi;
    if (y < kNoStirlingCorrectionFrom) {
        const double w = 1.0 / (y * y);
        result = result + (1.0 / y) * ((((((c7 * w + c6) * w + c5) * w + c4) * w + c3) * w + c2) * w + c1);
    }
    return result;
}

// GammaFunction: Gamma(x) = exp(LogGamma(x)), for x > 0 (overflows beyond
// about 171). CalcError: those of LogGamma; a refused x gives exp(0) = 1.
double GammaFunction(double x) { return std::exp(LogGamma(x)); }

namespace {

// IncompleteGamma with ln x supplied by the caller (the Newton iteration of
// GammaQuantile needs it too); lnX is read only when 0 < x and alpha <= 1e4.
constexpr double kTolerance = 1e-12;       // series, fraction and expansion stop below this
constexpr int kMaxTerms = 100000;          // terms of the series or passes of the fraction
constexpr double kRescaleLimit = 1e30;     // fraction's terms are scaled down beyond this
constexpr double kExponentFloor = -180.0;  // exp of less is taken as 0
constexpr double kLargeShapeFrom = 1e4;    // alpha beyond: uniform normal approximation
constexpr int kExpansionTerms = 12;        // terms of the ln(1 + z/sqrt(alpha)) series

double IncompleteGammaLog(double x, double lnX, double alpha, double logGammaAlpha) {

    CalcError = kNoFault;
    if (!(alpha > 0)) return fail(kParameterOutOfRange);  // NaN is refused here too
    if (!(x >= 0)) return fail(kArgumentOutOfRange);
    if (x == 0) return 0.0;

    if (alpha > kLargeShapeFrom) {
        // alpha > 1e4: w^2 / 2 = alpha (lambda - 1 - ln lambda), lambda = x / alpha = 1 + z r,
        // summed as a series in z r
        const double r = 1.0 / std::sqrt(alpha);
        const double z = (x - alpha) * r;
        double term = z * z;
        double sum = term / 2.0;
        bool converged = false;
        for (int i = 1; i <= kExpansionTerms; ++i) {
            term = -term * z * r;
            sum = sum + term / (i + 2);
            if (std::fabs(term) < kTolerance) {
                converged = true;
                break;
            }
        }
        if (!converged) CalcError = kIterationLimit;
        const double ww = 2.0 * sum;
        double w = std::sqrt(ww);
        if (x < alpha) w = -w;
        const double h1 = 1.0 / 3.0;
        const double h2 = -w / 36.0;
        const double h3 = (13.0 - ww) / 1620.0;
        const double h4 = (42.0 * ww + 119.0) * w / 38880.0;
        const double zz = w + r * (h1 + r * (h2 + r * (h3 + r * h4)));
        return 0.5 + 0.5 * ErrorFunction(zz * 0.707106781186547524);
    }

    if (x > 1.0 && x >= alpha) {
        // x > 1 and x >= alpha: continued fraction for 1 - P (Legendre's, by AS 239's recurrence)
        double a = 1.0 - alpha;
        double b = a + x + 1.0;
        double term = 0.0;
        double pn1 = 1.0;
        double pn2 = x;
        double pn3 = x + 1.0;
        double pn4 = x * b;
        double ratio = pn3 / pn4;
        bool converged = false;
        for (int pass = 1; pass <= kMaxTerms; ++pass) {
            a = a + 1.0;
            b = b + 2.0;
            term = term + 1.0;
            const double an = a * term;
            const double pn5 = b * pn3 - an * pn1;
            const double pn6 = b * pn4 - an * pn2;
            if (pn6 != 0) {
                const double rn = pn5 / pn6;
                const double d = std::fabs(ratio - rn);
                if (d <= kTolerance && d <= kTolerance * rn) {
                    converged = true;
                    break;
                }
                ratio = rn;
            }
            pn1 = pn3;
            pn2 = pn4;
            pn3 = pn5;
            pn4 = pn6;
            if (std::fabs(pn5) >= kRescaleLimit) {
                pn1 = pn1 / kRescaleLimit;
                pn2 = pn2 / kRescaleLimit;
                pn3 = pn3 / kRescaleLimit;
                pn4 = pn4 / kRescaleLimit;
            }
        }
        if (!converged) CalcError = kIterationLimit;
        const double arg = alpha * lnX - x - logGammaAlpha + std::log(ratio);
        return arg >= kExponentFloor ? 1.0 - std::exp(arg) : 1.0;
    }

    // x <= 1 or x < alpha: series
    double sum = 1.0;
    double term = 1.0;
    double a = alpha;
    bool converged = false;
    for (int n = 1; n <= kMaxTerms; ++n) {
        a = a + 1.0;
        term = term * x / a;
        sum = sum + term;
        if (term <= kTolerance) {
            converged = true;
            break;
        }
    }
    if (!converged) CalcError = kIterationLimit;
    const double arg = alpha * lnX - x - logGammaAlpha + std::log(sum / alpha);
    return arg >= kExponentFloor ? std::exp(arg) : 0.0;
}

}  // namespace

// IncompleteGamma: the regularised integral P(alpha, x).
// Series for x <= 1 or x < alpha, continued fraction otherwise (AS 239,
// Shea 1988); for alpha > 1e4 Temme's uniform asymptotic expansion through
// the error function. logGammaAlpha = ln Gamma(alpha) is the caller's.
// Accuracy about 1e-12 (the series and fraction tolerance).
// CalcError: 1 alpha <= 0; 2 x < 0; 3 series, fraction or expansion not converged.
double IncompleteGamma(double x, double alpha, double logGammaAlpha) {
    // ln x only where it is defined: a NaN, negative or zero x is settled
    // before the logarithm is read, so no flag is raised for it here.
    return IncompleteGammaLog(x, x > 0 ? std::log(x) : 0.0, alpha, logGammaAlpha);
}

// NormalQuantile: z with Phi(z) = p.
// AS 241, PPND16 (Wichura 1988): rational functions in q^2 for |p - 1/2| <= 0.425,
// in sqrt(-ln r) otherwise. Relative error about 1e-16.
// CalcError: 1 p <= 0 or p >= 1.
double NormalQuantile(double p) {
    constexpr double kCentralHalfWidth = 0.425;  // |p - 1/2| up to this: central region
    constexpr double kCentralSplit = 0.180625;   // 0.425^2
    constexpr double kTailSplit = 5.0;           // sqrt(-ln r) beyond: far tail

    CalcError = kNoFault;
    const double q = p - 0.5;
    if (std::fabs(q) <= kCentralHalfWidth) {
        const double r = kCentralSplit - q * q;
        return q *
               (((((((2509.0809287301226727 * r + 33430.575583588128105) * r + 67265.770927008700853) * r +
                    45921.953931549871457) * r + 13731.693765509461125) * r + 1971.5909503065514427) * r +
                 133.14166789178437745) * r + 3.387132872796366608) /
               (((((((5226.4952788528545610 * r + 28729.085735721942674) * r + 39307.89580009271061) * r +
                    21213.794301586595867) * r + 5394.1960214247511077) * r + 687.1870074920579083) * r +
                 42.313330701600911252) * r + 1.0);
    }
    double r = q < 0 ? p : 1.0 - p;
    if (!(r > 0)) return fail(kParameterOutOfRange);  // p <= 0, p >= 1 or NaN
    r = std::sqrt(-std::log(r));
    double result;
    if (r <= kTailSplit) {
        // intermediate tail: sqrt(-ln r) <= 5
        r = r - 1.6;
        result = (((((((7.7454501427834140764e-4 * r + 0.0227238449892691845833) * r + 0.24178072517745061177) * r +
                      1.27045825245236838258) * r + 3.64784832476320460504) * r + 5.7694972214606914055) * r +
                   4.6303378461565452959) * r + 1.42343711074968357734) /
                 (((((((1.05075007164441684324e-9 * r + 5.475938084995344946e-4) * r + 0.0151986665636164571966) * r +
                      0.14810397642748007459) * r + 0.68976733498510000455) * r + 1.6763848301838038494) * r +
                   2.05319162663775882187) * r + 1.0);
    } else {
        // far tail: sqrt(-ln r) > 5
        r = r - 5.0;
        result = (((((((2.01033439929228813265e-7 * r + 2.71155556874348757815e-5) * r + 0.0012426609473880784386) * r +
                      0.026532189526576123093) * r + 0.29656057182850489123) * r + 1.7848265399172913358) * r +
                   5.4637849111641143699) * r + 6.6579046435011037772) /
                 (((((((2.04426310338993978564e-15 * r + 1.4215117583164458887e-7) * r + 1.8463183175100546818e-5) * r +
                      7.868691311456132591e-4) * r + 0.0148753612908506148525) * r + 0.13692988092273580531) * r +
                   0.59983220655588793769) * r + 1.0);
    }
    return q < 0 ? -result : result;
}

// GammaQuantile: x with P(alpha, x / beta) = F, alpha the shape, beta the scale.
// Wilson-Hilferty start (or the small-x power law), then at most 30
// Newton-Raphson steps on IncompleteGamma; the result is accurate to the
// incomplete gamma integral (about 1e-12). A start that underflows to 0
// (shapes so small that the quantile lies below the smallest double) gives 0.
// CalcError: 1 alpha or beta <= 0; 2 F outside [0, 1]; 3 not converged (last
// iterate returned); otherwise the code of the last IncompleteGamma call.
double GammaQuantile(double F, double alpha, double beta) {
    // ln Gamma of the last shape seen on this thread: the simulations ask for
    // many quantiles of one shape in a row. LogGamma is a pure function, so
    // the cached value is bit-identical to a fresh one; its code is
    // overwritten below in any case.
    thread_local double cachedAlpha = 1.0;
    thread_local double cachedLogGamma = 0.0;

    CalcError = kNoFault;
    if (!(alpha > 0) || !(beta > 0)) return fail(kParameterOutOfRange);  // NaN is refused here too
    if (!(F >= 0 && F <= 1)) return fail(kArgumentOutOfRange);
    if (F == 0) return 0.0;
    if (alpha == 1.0) return -beta * std::log(1.0 - F);  // exponential, no iteration

    if (alpha != cachedAlpha) {
        cachedLogGamma = LogGamma(alpha);
        cachedAlpha = alpha;
    }
    return GammaQuantileWith(F, alpha, beta, cachedLogGamma, alpha > 1.0 ? NormalQuantile(F) : 0.0);
}

namespace {

constexpr double kSmallRootFraction = 0.01;  // a start below 0.01 alpha uses the power law
constexpr int kMaxNewtonSteps = 30;          // Newton-Raphson steps
constexpr double kNewtonTolerance = 1e-10;   // |P(alpha, root) - F| that ends the iteration

// The first root of GammaQuantile's Newton iteration.
double GammaQuantileStart(double F, double alpha, double g, double normalQuantileF) {
    if (alpha > 1.0) {
        // Wilson-Hilferty: (x / alpha)^(1/3) is nearly normal
        const double v = 1.0 - 1.0 / (9.0 * alpha) + normalQuantileF / std::sqrt(9.0 * alpha);
        const double root = alpha * (v * v * v);
        if (root <= kSmallRootFraction * alpha) return std::exp((std::log(alpha * F) + g) / alpha);
        return root;
    }
    // alpha < 1: P(alpha, x) ~ x^alpha / (alpha Gamma(alpha)) for small x; the
    // same value is the replacement of a small start, so it stands either way
    return std::exp((std::log(alpha * F) + g) / alpha);
}

// IncompleteGammaLog of eight arguments of one shape: the series and the
// continued fraction of the lanes that need them run side by side.
void IncompleteGammaLanes(const double* x, const double* lnX, const bool* active, double alpha, double g, double* P,
                          const GammaLaneKernels& kernels) {
    bool series[kGammaLanes] = {};
    bool fraction[kGammaLanes] = {};
    bool anySeries = false, anyFraction = false;
    for (int l = 0; l < kGammaLanes; ++l) {
        if (!active[l]) continue;
        if (!(x[l] >= 0) || x[l] == 0 || alpha > kLargeShapeFrom) {
            P[l] = IncompleteGammaLog(x[l], lnX[l], alpha, g);  // the cases without a loop
        } else if (x[l] > 1.0 && x[l] >= alpha) {
            fraction[l] = anyFraction = true;
        } else {
            series[l] = anySeries = true;
        }
    }
    bool converged[kGammaLanes];
    if (anySeries) {
        double sum[kGammaLanes];
        kernels.Series(x, alpha, series, kTolerance, kMaxTerms, sum, converged);
        for (int l = 0; l < kGammaLanes; ++l) {
            if (!series[l]) continue;
            const double arg = alpha * lnX[l] - x[l] - g + std::log(sum[l] / alpha);
            P[l] = arg >= kExponentFloor ? std::exp(arg) : 0.0;
        }
    }
    if (anyFraction) {
        double ratio[kGammaLanes];
        kernels.Fraction(x, alpha, fraction, kTolerance, kMaxTerms, kRescaleLimit, ratio, converged);
        for (int l = 0; l < kGammaLanes; ++l) {
            if (!fraction[l]) continue;
            const double arg = alpha * lnX[l] - x[l] - g + std::log(ratio[l]);
            P[l] = arg >= kExponentFloor ? 1.0 - std::exp(arg) : 1.0;
        }
    }
}

}  // namespace

double GammaQuantileWith(double F, double alpha, double beta, double logGammaAlpha, double normalQuantileF) {
    const double g = logGammaAlpha;
    double root = GammaQuantileStart(F, alpha, g, normalQuantileF);
    // The power law underflowed: the quantile lies below the smallest double.
    // Departs from the plain iteration, whose first step would take ln 0.
    if (root == 0.0) {
        CalcError = kNoFault;
        return 0.0;
    }

    bool converged = false;
    for (int step = 1; step <= kMaxNewtonSteps; ++step) {
        // ln root once for both the integral and the Newton step (bit-identical)
        const double lnRoot = std::log(root);
        const double f = IncompleteGammaLog(root, lnRoot, alpha, g) - F;
        root = root - f * std::exp(g + root - (alpha - 1.0) * lnRoot);
        if (std::fabs(f) <= kNewtonTolerance) {  // the correction of this step still applies
            converged = true;
            break;
        }
    }
    if (!converged) CalcError = kIterationLimit;
    return root * beta;
}

void GammaQuantiles(const double* F, const double* z, int count, double alpha, double beta, double logGammaAlpha,
                    double* out, const GammaLaneKernels* chosen) {
    const GammaLaneKernels& kernels = chosen != nullptr ? *chosen : LaneKernels();
    const double g = logGammaAlpha;
    for (int base = 0; base < count; base += kGammaLanes) {
        const int lanes = count - base < kGammaLanes ? count - base : kGammaLanes;
        double root[kGammaLanes] = {};
        double lnRoot[kGammaLanes] = {};
        double P[kGammaLanes] = {};
        bool active[kGammaLanes] = {};
        int running = 0;
        for (int l = 0; l < lanes; ++l) {
            root[l] = GammaQuantileStart(F[base + l], alpha, g, z[base + l]);
            active[l] = root[l] != 0.0;  // 0: below the smallest double, no step
            running += active[l];
        }
        // Each lane takes GammaQuantileWith's steps and stops where it would.
        for (int step = 1; step <= kMaxNewtonSteps && running > 0; ++step) {
            for (int l = 0; l < lanes; ++l)
                if (active[l]) lnRoot[l] = std::log(root[l]);
            IncompleteGammaLanes(root, lnRoot, active, alpha, g, P, kernels);
            for (int l = 0; l < lanes; ++l) {
                if (!active[l]) continue;
                const double f = P[l] - F[base + l];
                root[l] = root[l] - f * std::exp(g + root[l] - (alpha - 1.0) * lnRoot[l]);
                if (std::fabs(f) <= kNewtonTolerance) {
                    active[l] = false;
                    --running;
                }
            }
        }
        for (int l = 0; l < lanes; ++l) out[base + l] = root[l] * beta;
    }
}

}  // namespace zarn
