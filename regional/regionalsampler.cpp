// SPDX-License-Identifier: GPL-3.0-or-later
#include "regional/regionalsampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <boost/math/special_functions/gamma.hpp>

#include "analysis/special.h"
#include "regional/regionallanes.h"

namespace zarn {

namespace {

constexpr double kReach = 22.0;             // logit(F) in [-22, 22]: F from 2.8e-10 to 1 - 2.8e-10
constexpr double kFirstStep = 1.0 / 32;     // the table's first step in logit(F)
constexpr double kFinestStep = 1.0 / 512;   // no finer: the table is then not used
constexpr double kStandardFrom = 100.0;     // shapes from here: (Q - a) / sqrt(a) is tabulated
constexpr double kTolerance = 1e-13;        // the interpolation's error allowed at the midpoints
constexpr double kSmallestQuantile = 1e-280;  // below: ln Q is no longer smooth in doubles
constexpr double kNormalSkew = 1e-6;        // |gamma| below: the Pearson III is the normal (as at the site)

// The Halley iteration calls Boost in double (by default it works in long double, four times as slow).
using DoublePolicy = boost::math::policies::policy<boost::math::policies::promote_double<false>>;

}  // namespace

double ExactGammaQuantile(double a, double F) {
    try {
        return F <= 0.5 ? boost::math::gamma_p_inv(a, F) : boost::math::gamma_q_inv(a, 1.0 - F);
    } catch (const std::exception&) {
        return std::numeric_limits<double>::quiet_NaN();
    }
}

// Halley's iteration on P(a, x) = F (on Q(a, x) = 1 - F above the median),
// f''/f' = (a - 1) / x - 1 for either; from the Wilson-Hilferty start, or
// the power law x = (a Gamma(a) F)^(1/a) where that start is below 1 % of a.
double GammaQuantileHalley(double a, double F) {
    constexpr int kMaxSteps = 20;
    constexpr double kSettled = 4 * std::numeric_limits<double>::epsilon();
    const bool upper = F > 0.5;
    const double target = upper ? 1.0 - F : F;
    const double logGamma = boost::math::lgamma(a, DoublePolicy());
    const double v = 1.0 - 1.0 / (9.0 * a) + NormalQuantile(F) / (3.0 * std::sqrt(a));
    double x = a * v * v * v;
    if (!(x > 0.01 * a)) x = std::exp((std::log(a * F) + logGamma) / a);
    if (!(x > 0) || !std::isfinite(x)) return ExactGammaQuantile(a, F);
    for (int step = 0; step < kMaxSteps; ++step) {
        const double P = upper ? boost::math::gamma_q(a, x, DoublePolicy()) : boost::math::gamma_p(a, x, DoublePolicy());
        const double density = std::exp((a - 1) * std::log(x) - x - logGamma);
        const double newton = (P - target) / (upper ? -density : density);
        if (!std::isfinite(newton)) return ExactGammaQuantile(a, F);
        double next = x - newton / (1.0 - 0.5 * newton * ((a - 1) / x - 1));
        if (!(next > 0)) next = 0.1 * x;  // a step across 0: shrink towards it instead
        const bool settled = std::fabs(next - x) <= kSettled * x;
        x = next;
        if (settled) return x;
    }
    return ExactGammaQuantile(a, F);
}

double SimulationQuantile(const RegionalFit& fit, double F) {
    const double gamma = fit.P[2];
    if (fit.Family != RegionalFamily::PE3 || !(std::fabs(gamma) >= kNormalSkew) || !(fit.P[1] > 0) ||
        !(F > 0 && F < 1))
        return RegionalQuantile(fit, F);
    const double a = 4.0 / (gamma * gamma), root = std::sqrt(a);
    const double mu = fit.P[0], sigma = fit.P[1];
    try {
        if (gamma > 0) return mu + sigma * (GammaQuantileHalley(a, F) - a) / root;
        return mu - sigma * (GammaQuantileHalley(a, 1.0 - F) - a) / root;
    } catch (const std::exception&) {
        return RegionalQuantile(fit, F);
    }
}

GammaQuantileTable::GammaQuantileTable(double shape) : A(shape), RootA(std::sqrt(shape)), LogScale(shape < kStandardFrom) {
    for (double step = kFirstStep; step >= kFinestStep; step /= 2)
        if (Build(step)) return;
    G.clear();
    Slope.clear();
    Curvature.clear();
}

// g, dg/dw and d2g/dw2 at w = logit(F): F and 1 - F both from w, so the
// upper tail keeps its digits. With F' = F (1 - F), the quantile's
// derivatives are Q' = F (1 - F) / f(Q) and
// Q'' = Q' (1 - 2F) - Q'^2 ((a - 1) / Q - 1), f the gamma density.
double GammaQuantileTable::NodeValue(double w, double& first, double& second) const {
    const double e = std::exp(-std::fabs(w));
    const double smaller = e / (1 + e), larger = 1 / (1 + e);
    const double F = w < 0 ? smaller : larger, complement = w < 0 ? larger : smaller;
    double Q, dQ;
    try {
        Q = F <= 0.5 ? boost::math::gamma_p_inv(A, F) : boost::math::gamma_q_inv(A, complement);
        dQ = F * complement / boost::math::gamma_p_derivative(A, Q);
    } catch (const std::exception&) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (LogScale) {
        // (ln Q)'' = Q''/Q - (Q'/Q)^2 = g' (1 - 2F) - g'^2 (a - Q): Q'^2 itself underflows in the
        // lower tail of small shapes.
        first = dQ / Q;
        second = first * (complement - F) - first * first * (A - Q);
    } else {
        first = dQ / RootA;
        second = (dQ * (complement - F) - dQ * dQ * ((A - 1) / Q - 1)) / RootA;
    }
    if (!(Q > kSmallestQuantile) || !std::isfinite(first) || !std::isfinite(second))
        return std::numeric_limits<double>::quiet_NaN();
    return LogScale ? std::log(Q) : (Q - A) / RootA;
}

// The quintic Hermite interpolant on interval i at t in [0, 1], by its
// coefficients in t (the ends' difference taken once, so that the terms stay
// small beside G[i]).
double GammaQuantileTable::Hermite(int i, double t) const {
    const double* c = &C[5 * static_cast<std::size_t>(i)];
    return G[i] + t * (c[0] + t * (c[1] + t * (c[2] + t * (c[3] + t * c[4]))));
}

// The nodes from w = -22 to 22, less a lower tail whose quantiles fall below
// kSmallestQuantile (tiny shapes), then the check at every midpoint.
bool GammaQuantileTable::Build(double step) {
    const int intervals = static_cast<int>(std::lround(2 * kReach / step));
    G.assign(intervals + 1, 0.0);
    Slope.assign(intervals + 1, 0.0);
    Curvature.assign(intervals + 1, 0.0);
    int first = 0;
    for (int i = 0; i <= intervals; ++i) {
        G[i] = NodeValue(-kReach + i * step, Slope[i], Curvature[i]);
        if (std::isnan(G[i])) {
            if (i != first) return false;  // a gap after valid nodes: not a lower tail
            first = i + 1;
        }
    }
    if (intervals - first < 2) return false;
    G.erase(G.begin(), G.begin() + first);
    Slope.erase(Slope.begin(), Slope.begin() + first);
    Curvature.erase(Curvature.begin(), Curvature.begin() + first);
    First = -kReach + first * step;
    Step = step;
    C.assign(5 * (G.size() - 1), 0.0);
    for (std::size_t i = 0; i + 1 < G.size(); ++i) {
        const double d = G[i + 1] - G[i], m0 = step * Slope[i], m1 = step * Slope[i + 1];
        const double c0 = step * step * Curvature[i], c1 = step * step * Curvature[i + 1];
        double* c = &C[5 * i];
        c[0] = m0;
        c[1] = 0.5 * c0;
        c[2] = 10 * d - 6 * m0 - 4 * m1 - 1.5 * c0 + 0.5 * c1;
        c[3] = -15 * d + 8 * m0 + 7 * m1 + 1.5 * c0 - c1;
        c[4] = 6 * d - 3 * m0 - 3 * m1 - 0.5 * c0 + 0.5 * c1;
    }
    for (std::size_t i = 0; i + 1 < G.size(); ++i) {
        double unused1, unused2;
        const double exact = NodeValue(First + (i + 0.5) * step, unused1, unused2);
        const double interpolated = Hermite(static_cast<int>(i), 0.5);
        // ln Q: absolute in g is relative in Q, plus the rounding of ln Q. (Q - a) / sqrt(a):
        // relative to the deviate, plus the rounding of Q - a itself.
        constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
        const double allowed = LogScale ? kTolerance + 4 * kEpsilon * std::fabs(exact)
                                        : kTolerance * std::max(1.0, std::fabs(exact)) + 4 * kEpsilon * RootA;
        if (!(std::fabs(interpolated - exact) <= allowed)) return false;
    }
    return true;
}

bool GammaQuantileTable::Interpolate(double F, double& g) const {
    if (!(F > 0 && F < 1) || G.empty()) return false;
    return AtLogit(std::log(F) - std::log1p(-F), g);
}

bool GammaQuantileTable::AtLogit(double w, double& g) const {
    const double s = (w - First) * (1.0 / Step);  // Step is a power of 2: exact
    if (!(s >= 0 && s < static_cast<double>(G.size() - 1))) return false;
    const int i = static_cast<int>(s);
    g = Hermite(i, s - i);
    return true;
}

double GammaQuantileTable::Deviate(double F) const {
    double g;
    if (!Interpolate(F, g)) return (ExactGammaQuantile(A, F) - A) / RootA;
    return LogScale ? (std::exp(g) - A) / RootA : g;
}

void GammaQuantileTable::Deviates(const double* w, const double* F, double* z, int n, bool complement) const {
    thread_local std::vector<char> inside;
    inside.resize(n);
    for (int j = 0; j < n; ++j) inside[j] = AtLogit(w[j], z[j]);
    if (LogScale) {
        RegionalKernels().Exp(z, z, n);
        for (int j = 0; j < n; ++j) z[j] = (z[j] - A) / RootA;
    }
    for (int j = 0; j < n; ++j)
        if (!inside[j]) z[j] = (ExactGammaQuantile(A, complement ? 1.0 - F[j] : F[j]) - A) / RootA;
}

double GammaQuantileTable::Quantile(double F) const {
    double g;
    if (!Interpolate(F, g)) return ExactGammaQuantile(A, F);
    return LogScale ? std::exp(g) : A + RootA * g;
}

RegionalSampler::RegionalSampler(const RegionalFit& fit) : Fit(fit) {
    const double gamma = fit.P[2];
    if (fit.Family == RegionalFamily::PE3 && std::fabs(gamma) >= kNormalSkew && fit.P[1] > 0) {
        GammaQuantileTable table(4.0 / (gamma * gamma));
        if (table.Valid()) Gamma = std::move(table);
    }
}

// The Pearson III with mean mu, deviation sigma and skewness gamma is
// mu + sigma z(F) for gamma > 0 and mu - sigma z(1 - F) for gamma < 0, z the
// standardised gamma quantile of shape 4 / gamma^2.
double RegionalSampler::Quantile(double F) const {
    if (!Gamma) return RegionalQuantile(Fit, F);
    if (!(F > 0 && F < 1)) return RegionalQuantile(Fit, F);
    const double mu = Fit.P[0], sigma = Fit.P[1];
    if (Fit.P[2] > 0) return mu + sigma * Gamma->Deviate(F);
    // logit(1 - F) = -logit(F), without the rounding of 1 - F
    double z;
    const double w = std::log1p(-F) - std::log(F);
    Gamma->Deviates(&w, &F, &z, 1, true);
    return mu - sigma * z;
}

// The logits of many u in lanes; mirrored (gamma < 0) the logit of 1 - u is -logit(u).
void RegionalSampler::Quantiles(const double* u, double* x, int n) const {
    if (!Gamma) return RegionalQuantiles(Fit, u, x, n);
    thread_local std::vector<double> w;
    w.resize(n);
    RegionalKernels().Logit(u, w.data(), n);
    const bool positive = Fit.P[2] > 0;
    if (!positive)
        for (int j = 0; j < n; ++j) w[j] = -w[j];
    Gamma->Deviates(w.data(), u, x, n, !positive);
    const double mu = Fit.P[0], sigma = positive ? Fit.P[1] : -Fit.P[1];
    for (int j = 0; j < n; ++j) x[j] = mu + sigma * x[j];
}

}  // namespace zarn
