// SPDX-License-Identifier: GPL-3.0-or-later
#include "regional/regionaldist.h"

#include <algorithm>
#include <cmath>

#include <boost/math/quadrature/exp_sinh.hpp>
#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/special_functions/gamma.hpp>

#include "analysis/estimation.h"
#include "analysis/quantiles.h"
#include "analysis/special.h"

namespace zarn {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool fail(int code) {
    CalcError = code;
    return false;
}

bool RatiosUsable(const LMomentRatios& m) { return m.L2 > 0 && std::fabs(m.T3) < 1 && std::isfinite(m.L1); }

// (1 - exp(-k y)) / k, and its limit y at k = 0, without cancellation for small k.
double ShapeTransform(double k, double y) { return k == 0 ? y : -std::expm1(-k * y) / k; }

// ---------------------------------------------------------------------------
// Kappa (Hosking 1994; Hosking and Wallis 1997, A.10)
// ---------------------------------------------------------------------------

// ln Gamma(a) - ln Gamma(a + c) for a > 0, a + c > 0. For large a from
// Stirling's series written without the cancellation of the two
// logarithms (the kappa near h = 0 asks for a = r / h of 10^8 and more).
double LogGammaRatio(double a, double c) {
    constexpr double kStirlingFrom = 20.0;  // both arguments above: the series is exact to 1e-15
    const double b = a + c;
    if (a < kStirlingFrom || b < kStirlingFrom) return boost::math::lgamma(a) - boost::math::lgamma(b);
    auto tail = [](double z) {
        const double z2 = z * z;
        return 1.0 / (12.0 * z) - 1.0 / (360.0 * z * z2) + 1.0 / (1260.0 * z * z2 * z2);
    };
    // ln Gamma(b) - ln Gamma(a) = (a - 1/2) ln(b / a) + c ln b - c + tail(b) - tail(a)
    const double forward = (a - 0.5) * std::log1p(c / a) + c * std::log(b) - c + tail(b) - tail(a);
    return -forward;
}

// g_r - 1 (r = 1..4) of the kappa (Hosking 1994, eq. 3): with
// g_r = r Gamma(1 + k) Gamma(r / h) / (h^(1 + k) Gamma(1 + k + r / h))       h > 0,
//       r Gamma(1 + k) Gamma(-k - r / h) / ((-h)^(1 + k) Gamma(1 - r / h))  h < 0,
//       Gamma(1 + k) r^-k                                                   h = 0.
// Kept as g_r - 1 so that the differences stay exact for small k.
// False where the L-moments do not exist.
bool KappaG(double k, double h, double e[5]) {
    if (!(k > -1) || !std::isfinite(h)) return false;
    if (h < 0 && !(k * h > -1)) return false;
    const double logGammaK = boost::math::lgamma(1.0 + k);
    for (int r = 1; r <= 4; ++r) {
        double logG;
        if (h == 0) logG = logGammaK - k * std::log(double(r));
        else if (h > 0) logG = std::log(double(r)) + logGammaK + LogGammaRatio(r / h, 1.0 + k) - (1.0 + k) * std::log(h);
        else logG = std::log(double(r)) + logGammaK + LogGammaRatio(-k - r / h, 1.0 + k) - (1.0 + k) * std::log(-h);
        e[r] = std::expm1(logG);
        if (!std::isfinite(e[r])) return false;
    }
    return true;
}

// t3, t4 of the kappa with shapes k, h.
bool KappaRatios(double k, double h, double& t3, double& t4) {
    double e[5];
    if (!KappaG(k, h, e)) return false;
    const double d = e[1] - e[2];
    if (!(d != 0)) return false;
    t3 = (-e[1] + 3 * e[2] - 2 * e[3]) / d;
    t4 = (e[1] - 6 * e[2] + 10 * e[3] - 5 * e[4]) / d;
    return std::isfinite(t3) && std::isfinite(t4);
}

// ---------------------------------------------------------------------------
// Wakeby (Greenwood et al. 1979; Hosking and Wallis 1997, A.11)
// ---------------------------------------------------------------------------

// The two roots of a z^2 + b z + c = 0, larger first; false when complex.
bool QuadraticRoots(double a, double b, double c, double& larger, double& smaller) {
    const double disc = b * b - 4 * a * c;
    if (!(disc >= 0) || a == 0) return false;
    const double root = std::sqrt(disc);
    const double r1 = 0.5 * (-b + root) / a;
    const double r2 = 0.5 * (-b - root) / a;
    larger = std::max(r1, r2);
    smaller = std::min(r1, r2);
    return true;
}

// The Wakeby's tails are admissible when gamma >= 0, alpha + gamma >= 0 and delta < 1.
bool WakebyValid(double alpha, double gamma, double delta) { return gamma >= 0 && alpha + gamma >= 0 && delta < 1; }

}  // namespace

std::string_view FamilyName(RegionalFamily family) {
    switch (family) {
    case RegionalFamily::GLO: return "GLO";
    case RegionalFamily::GEV: return "GEV";
    case RegionalFamily::GNO: return "GNO";
    case RegionalFamily::PE3: return "PE3";
    case RegionalFamily::GPA: return "GPA";
    case RegionalFamily::WAK: return "WAK";
    case RegionalFamily::KAP: return "KAP";
    }
    return "";
}

bool FamilyFromName(std::string_view name, RegionalFamily& family) {
    for (RegionalFamily f : {RegionalFamily::GLO, RegionalFamily::GEV, RegionalFamily::GNO, RegionalFamily::PE3,
                             RegionalFamily::GPA, RegionalFamily::WAK, RegionalFamily::KAP}) {
        const std::string_view upper = FamilyName(f);
        if (name.size() != upper.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(name[i])) != upper[i]) same = false;
        if (same) {
            family = f;
            return true;
        }
    }
    return false;
}

int RegionalFit::ParameterCount() const {
    switch (Family) {
    case RegionalFamily::WAK: return 5;
    case RegionalFamily::KAP: return 4;
    default: return 3;
    }
}

// FitGLO (A.7). |k| <= 1e-6 is fitted as the logistic, k = 0.
bool FitGLO(const LMomentRatios& m, RegionalFit& fit) {
    constexpr double kLogisticShape = 1e-6;
    CalcError = 0;
    if (!RatiosUsable(m)) return fail(1);
    const double k = -m.T3;
    fit = RegionalFit{RegionalFamily::GLO, {}, 0};
    if (std::fabs(k) <= kLogisticShape) {
        fit.P = {m.L1, m.L2, 0.0, 0.0, 0.0};
        return true;
    }
    const double kk = k * kPi;
    const double alpha = m.L2 * std::sin(kk) / kk;
    fit.P = {m.L1 - alpha * (1.0 / k - kPi / std::sin(kk)), alpha, k, 0.0, 0.0};
    return true;
}

double QuantileGLO(const std::array<double, 5>& p, double F) {
    return p[0] + p[1] * ShapeTransform(p[2], -std::log((1.0 - F) / F));
}

// FitGNO (A.8): k = -t3 (E0 + E1 t3^2 + E2 t3^4 + E3 t3^6) / (1 + F1 t3^2 + F2 t3^4 + F3 t3^6),
// alpha = l2 k exp(-k^2 / 2) / erf(k / 2), xi = l1 - alpha (1 - exp(k^2 / 2)) / k.
// |t3| <= 1e-8 is fitted as the normal; CalcError 1 also for |t3| >= 0.95.
bool FitGNO(const LMomentRatios& m, RegionalFit& fit) {
    constexpr double kNormalSkew = 1e-8;
    constexpr double kLargestT3 = 0.95;  // the rational function holds below
    constexpr double E0 = 2.0466534, E1 = -3.6544371, E2 = 1.8396733, E3 = -0.20360244;
    constexpr double F1 = -2.0182173, F2 = 1.2420401, F3 = -0.21741801;
    CalcError = 0;
    if (!RatiosUsable(m) || !(std::fabs(m.T3) < kLargestT3)) return fail(1);
    fit = RegionalFit{RegionalFamily::GNO, {}, 0};
    if (std::fabs(m.T3) <= kNormalSkew) {
        fit.P = {m.L1, m.L2 * std::sqrt(kPi), 0.0, 0.0, 0.0};
        return true;
    }
    const double t2 = m.T3 * m.T3;
    const double k = -m.T3 * (E0 + t2 * (E1 + t2 * (E2 + t2 * E3))) / (1.0 + t2 * (F1 + t2 * (F2 + t2 * F3)));
    const double e = std::exp(0.5 * k * k);
    const double alpha = m.L2 * k / (e * std::erf(0.5 * k));
    fit.P = {m.L1 + alpha * (e - 1.0) / k, alpha, k, 0.0, 0.0};
    return true;
}

double QuantileGNO(const std::array<double, 5>& p, double F) {
    return p[0] + p[1] * ShapeTransform(p[2], NormalQuantile(F));
}

// FitKappa: Newton-Raphson on (k, h) for t3(k, h) = t3, t4(k, h) = t4, the
// Jacobian by central differences, each step halved until it stays where
// the L-moments exist and reduces the residual; started from the GEV's k
// with h = 0, then from other points of the (k, h) plane. Then
// alpha = l2 k / (g1 - g2), xi = l1 - alpha (1 - g1) / k (A.10).
bool FitKappa(const LMomentRatios& m, RegionalFit& fit) {
    constexpr double kResidualTolerance = 1e-12;  // |t3 - t3(k, h)| + |t4 - t4(k, h)| that ends the iteration
    constexpr int kMaxSteps = 100;
    constexpr int kMaxHalvings = 40;
    constexpr double kDifferenceStep = 1e-6;  // central-difference step of the Jacobian
    CalcError = 0;
    if (!RatiosUsable(m)) return fail(1);
    const double t3 = m.T3, t4 = m.T4;
    if (t4 > (1.0 + 5.0 * t3 * t3) / 6.0) return fail(2);  // above the generalized logistic line
    if (!(t4 >= (5.0 * t3 * t3 - 1.0) / 4.0)) return fail(1);  // no distribution has these ratios

    auto residual = [&](double k, double h, double& r3, double& r4) {
        double a3, a4;
        if (!KappaRatios(k, h, a3, a4)) return false;
        r3 = a3 - t3;
        r4 = a4 - t4;
        return true;
    };
    ParameterSet gev{0, 0, 0};
    EstimateGEV(LMomentSet{1.0, 1.0, t3, t4}, gev);
    const double starts[][2] = {{gev.Shape, 0.0},  {-t3, -0.9}, {(1 - 3 * t3) / (1 + t3), 1.0},
                                {gev.Shape, 0.5},  {gev.Shape, -0.5}, {0.0, 2.0}, {0.5, 5.0}, {-0.5, -0.99}};
    for (const auto& start : starts) {
        double k = start[0], h = start[1];
        double r3, r4;
        if (!residual(k, h, r3, r4)) continue;
        bool solved = false;
        for (int step = 0; step < kMaxSteps && !solved; ++step) {
            const double norm = std::fabs(r3) + std::fabs(r4);
            if (norm <= kResidualTolerance) {
                solved = true;
                break;
            }
            const double dk = kDifferenceStep * std::max(1.0, std::fabs(k));
            const double dh = kDifferenceStep * std::max(1.0, std::fabs(h));
            double a3p, a4p, a3m, a4m, b3p, b4p, b3m, b4m;
            if (!residual(k + dk, h, a3p, a4p) || !residual(k - dk, h, a3m, a4m) ||
                !residual(k, h + dh, b3p, b4p) || !residual(k, h - dh, b3m, b4m))
                break;
            const double j11 = (a3p - a3m) / (2 * dk), j21 = (a4p - a4m) / (2 * dk);
            const double j12 = (b3p - b3m) / (2 * dh), j22 = (b4p - b4m) / (2 * dh);
            const double det = j11 * j22 - j12 * j21;
            if (!(std::fabs(det) > 0) || !std::isfinite(det)) break;
            double sk = -(j22 * r3 - j12 * r4) / det;
            double sh = -(-j21 * r3 + j11 * r4) / det;
            bool moved = false;
            for (int halving = 0; halving < kMaxHalvings; ++halving, sk *= 0.5, sh *= 0.5) {
                double n3, n4;
                if (residual(k + sk, h + sh, n3, n4) && std::fabs(n3) + std::fabs(n4) < norm) {
                    k += sk;
                    h += sh;
                    r3 = n3;
                    r4 = n4;
                    moved = true;
                    break;
                }
            }
            if (!moved) {
                solved = norm <= 100 * kResidualTolerance;
                break;
            }
        }
        if (!solved && std::fabs(r3) + std::fabs(r4) <= kResidualTolerance) solved = true;
        if (!solved) continue;
        double e[5];
        KappaG(k, h, e);
        const double alpha = k == 0 ? 0 : m.L2 * k / (e[1] - e[2]);
        if (!(alpha > 0) || !std::isfinite(alpha)) continue;
        fit = RegionalFit{RegionalFamily::KAP, {m.L1 + alpha * e[1] / k, alpha, k, h, 0.0}, 0};
        return true;
    }
    return fail(2);
}

double QuantileKappa(const std::array<double, 5>& p, double F) {
    const double k = p[2], h = p[3];
    // y = (1 - F^h) / h, -ln F at h = 0; x = xi + alpha (1 - y^k) / k
    const double logF = std::log(F);
    const double y = h == 0 ? -logF : -std::expm1(h * logF) / h;
    return p[0] + p[1] * ShapeTransform(k, -std::log(y));
}

bool LMomentsKappa(const std::array<double, 5>& p, LMomentRatios& m) {
    const double k = p[2], h = p[3];
    double e[5];
    if (!KappaG(k, h, e) || k == 0) return false;
    const double d = e[1] - e[2];
    m.L1 = p[0] - p[1] * e[1] / k;
    m.L2 = p[1] * d / k;
    m.T3 = (-e[1] + 3 * e[2] - 2 * e[3]) / d;
    m.T4 = (e[1] - 6 * e[2] + 10 * e[3] - 5 * e[4]) / d;
    m.T5 = 0.0;
    return true;
}

// FitWakeby (A.11, after Greenwood et al. 1979), from l1..l5. With xi free,
// beta and -delta are the roots of a quadratic in the linear combinations
// N1..N3, C1..C3 of l2..l5; with xi = 0, of combinations of l1..l4. A
// solution is used when the roots are real, delta < 1, gamma >= 0 and
// alpha + gamma >= 0; when neither is, the GPA (delta = gamma = 0) from l1..l3.
bool FitWakeby(const LMomentRatios& m, RegionalFit& fit) {
    CalcError = 0;
    if (!RatiosUsable(m)) return fail(1);
    const double L1 = m.L1, L2 = m.L2, L3 = m.T3 * m.L2, L4 = m.T4 * m.L2, L5 = m.T5 * m.L2;
    fit = RegionalFit{RegionalFamily::WAK, {}, 0};
    double larger, smaller;

    // xi free
    {
        const double N1 = 3 * L2 - 25 * L3 + 32 * L4;
        const double N2 = -3 * L2 + 5 * L3 + 8 * L4;
        const double N3 = 3 * L2 + 5 * L3 + 2 * L4;
        const double C1 = 7 * L2 - 85 * L3 + 203 * L4 - 125 * L5;
        const double C2 = -7 * L2 + 25 * L3 + 7 * L4 - 25 * L5;
        const double C3 = 7 * L2 + 5 * L3 - 7 * L4 - 5 * L5;
        if (QuadraticRoots(N2 * C3 - C2 * N3, N1 * C3 - C1 * N3, N1 * C2 - C1 * N2, larger, smaller)) {
            const double b = larger, d = -smaller;
            const double a = (1 + b) * (2 + b) * (3 + b) / (4 * (b + d)) * ((1 + d) * L2 - (3 - d) * L3);
            const double c = -(1 - d) * (2 - d) * (3 - d) / (4 * (b + d)) * ((1 - b) * L2 - (3 + b) * L3);
            if (WakebyValid(a, c, d) && std::isfinite(a) && std::isfinite(c)) {
                fit.P = {L1 - a / (1 + b) - c / (1 - d), a, b, c, d};
                return true;
            }
        }
    }
    // xi = 0
    {
        const double N1 = 4 * L1 - 11 * L2 + 9 * L3;
        const double N2 = -L2 + 3 * L3;
        const double N3 = L2 + L3;
        const double C1 = 10 * L1 - 29 * L2 + 35 * L3 - 16 * L4;
        const double C2 = -L2 + 5 * L3 - 4 * L4;
        const double C3 = L2 - L4;
        if (QuadraticRoots(N2 * C3 - C2 * N3, N1 * C3 - C1 * N3, N1 * C2 - C1 * N2, larger, smaller)) {
            const double b = larger, d = -smaller;
            const double a = (1 + b) * (2 + b) / (b + d) * (L1 - (2 - d) * L2);
            const double c = -(1 - d) * (2 - d) / (b + d) * (L1 - (2 + b) * L2);
            if (WakebyValid(a, c, d) && std::isfinite(a) && std::isfinite(c)) {
                fit.P = {0.0, a, b, c, d};
                fit.Fallback = 1;
                return true;
            }
        }
    }
    // the generalized Pareto
    const double b = (1 - 3 * m.T3) / (1 + m.T3);
    const double a = (1 + b) * (2 + b) * L2;
    fit.P = {L1 - (2 + b) * L2, a, b, 0.0, 0.0};
    fit.Fallback = 2;
    return true;
}

double QuantileWakeby(const std::array<double, 5>& p, double F) {
    const double logU = std::log1p(-F);  // ln(1 - F)
    const double beta = p[2], delta = p[4];
    const double first = beta == 0 ? -logU : -std::expm1(beta * logU) / beta;     // (1 - u^beta) / beta
    const double second = delta == 0 ? logU : -std::expm1(-delta * logU) / delta;  // (1 - u^-delta) / delta
    return p[0] + p[1] * first - p[3] * second;
}

// lambda_r of the Wakeby: the sum of its two generalized Pareto terms,
// alpha prod_{j=1}^{r-2} (j - beta) / prod_{j=1}^{r} (j + beta) and
// gamma prod_{j=1}^{r-2} (j + delta) / prod_{j=1}^{r} (j - delta).
LMomentRatios LMomentsWakeby(const std::array<double, 5>& p) {
    const double alpha = p[1], beta = p[2], gamma = p[3], delta = p[4];
    double lambda[6];
    for (int r = 1; r <= 5; ++r) {
        double a = alpha, g = gamma;
        for (int j = 1; j <= r - 2; ++j) {
            a *= j - beta;
            g *= j + delta;
        }
        for (int j = 1; j <= r; ++j) {
            a /= j + beta;
            g /= j - delta;
        }
        lambda[r] = a + g;
    }
    return LMomentRatios{p[0] + lambda[1], lambda[2], lambda[3] / lambda[2], lambda[4] / lambda[2],
                         lambda[5] / lambda[2]};
}

bool FitRegional(RegionalFamily family, const LMomentRatios& m, RegionalFit& fit) {
    CalcError = 0;
    ParameterSet p{0, 0, 0};
    const LMomentSet set{m.L1, m.L2, m.T3, m.T4};
    switch (family) {
    case RegionalFamily::GLO: return FitGLO(m, fit);
    case RegionalFamily::GNO: return FitGNO(m, fit);
    case RegionalFamily::WAK: return FitWakeby(m, fit);
    case RegionalFamily::KAP: return FitKappa(m, fit);
    case RegionalFamily::GEV:
        if (!EstimateGEV(set, p)) return false;
        CalcError = 0;  // an unsettled Newton-Raphson keeps its last k, as at the site
        break;
    case RegionalFamily::PE3:
        if (!EstimatePearson3(set, p)) return false;
        break;
    case RegionalFamily::GPA:
        if (!EstimateGPA(set, p)) return false;
        break;
    }
    fit = RegionalFit{family, {p.Position, p.Scale, p.Shape, 0.0, 0.0}, 0};
    return true;
}

double RegionalQuantile(const RegionalFit& fit, double F) {
    const ParameterSet p{fit.P[0], fit.P[1], fit.P[2]};
    switch (fit.Family) {
    case RegionalFamily::GLO: return QuantileGLO(fit.P, F);
    case RegionalFamily::GNO: return QuantileGNO(fit.P, F);
    case RegionalFamily::WAK: return QuantileWakeby(fit.P, F);
    case RegionalFamily::KAP: return QuantileKappa(fit.P, F);
    case RegionalFamily::GEV: return QuantileGEV(p, F);
    case RegionalFamily::PE3: return QuantilePearson3(p, F);
    case RegionalFamily::GPA: return QuantileGPA(p, F);
    }
    return 0.0;
}

// Tau4 of each candidate: GLO (1 + 5 k^2) / 6; GEV
// (5 (1 - 4^-k) - 10 (1 - 3^-k) + 6 (1 - 2^-k)) / (1 - 2^-k), the Gumbel's
// at k = 0; GPA (1 - k)(2 - k) / ((3 + k)(4 + k)) (Hosking and Wallis 1997, A.4-A.7).
double RegionalTau4(const RegionalFit& fit) {
    const double k = fit.P[2];
    switch (fit.Family) {
    case RegionalFamily::GLO: return (1.0 + 5.0 * k * k) / 6.0;
    case RegionalFamily::GEV: {
        if (k == 0) return (10.0 * std::log(2.0) - 10.0 * std::log(3.0) + 6.0 * std::log(2.0)) / std::log(2.0);
        const double x2 = -std::expm1(-k * std::log(2.0)), x3 = -std::expm1(-k * std::log(3.0)),
                     x4 = -std::expm1(-k * std::log(4.0));
        return (5.0 * x4 - 10.0 * x3 + 6.0 * x2) / x2;
    }
    case RegionalFamily::GPA: return (1.0 - k) * (2.0 - k) / ((3.0 + k) * (4.0 + k));
    case RegionalFamily::GNO: return Tau4GNO(k);
    case RegionalFamily::PE3: return Tau4PE3(k);
    case RegionalFamily::WAK: return LMomentsWakeby(fit.P).T4;
    case RegionalFamily::KAP: {
        LMomentRatios m;
        return LMomentsKappa(fit.P, m) ? m.T4 : std::nan("");
    }
    }
    return 0.0;
}

// Tau4GNO: lambda_4 / lambda_2 of x(y) = (1 - exp(-k y)) / k, y standard
// normal, as E[x(Y) P*_r(Phi(Y))] (P*_r the shifted Legendre polynomials)
// by the trapezoidal rule in y, exact to rounding for this smooth integrand
// with Gaussian tails.
double Tau4GNO(double k) {
    constexpr double kStep = 0.004;      // trapezoidal step in y
    constexpr double kTailWidth = 13.0;  // the integrand beyond |y + k| > 13 is below 1e-36 of its peak
    const double reach = kTailWidth + std::fabs(k);
    const int n = static_cast<int>(std::ceil(reach / kStep));
    double l2 = 0, l4 = 0;
    for (int i = -n; i <= n; ++i) {
        const double y = i * kStep;
        const double F = 0.5 * std::erfc(-y / std::sqrt(2.0));
        const double w = std::exp(-0.5 * y * y) * ShapeTransform(k, y);
        l2 += w * (2 * F - 1);
        l4 += w * (((20 * F - 30) * F + 12) * F - 1);
    }
    return l4 / l2;
}

// Tau4PE3: the L-kurtosis of the gamma distribution with shape a = 4 / gamma^2
// (the Pearson III's L-kurtosis does not depend on its location, scale or
// sign of skewness), lambda_r = integral of (x - a) P*_{r-1}(P(a, x)) f(x):
// for a < 100 by tanh-sinh quadrature on [0, a] and exp-sinh on
// [a, infinity) (they take the density's singularity at 0 for a < 1); from
// there by the trapezoidal rule in z = (x - a) / sqrt(a), the density in a
// form free of the cancellation of its large terms; the normal's
// 30 / pi arctan(sqrt 2) - 9 for |gamma| < 1e-6.
double Tau4PE3(double gamma) {
    constexpr double kNormalSkew = 1e-6;
    constexpr double kQuadratureTolerance = 1e-13;
    constexpr double kTrapezoidFrom = 100.0;  // shape a from which the density is smooth and far from 0
    constexpr double kStep = 0.004;           // trapezoidal step in z
    constexpr double kReach = 40.0;           // |z| beyond: below 1e-100 of the peak
    if (std::fabs(gamma) < kNormalSkew) return 30.0 / kPi * std::atan(std::sqrt(2.0)) - 9.0;
    const double a = 4.0 / (gamma * gamma);
    auto legendre = [](int r, double F) { return r == 2 ? 2 * F - 1 : ((20 * F - 30) * F + 12) * F - 1; };
    if (a >= kTrapezoidFrom) {
        // ln f(a (1 + e)) sqrt(a) = (a - 1) log1p(e) - a e - ln(a) / 2 ... + the Stirling remainder;
        // the constants cancel in the ratio, so only the e-dependent part is kept.
        const double root = std::sqrt(a);
        const int n = static_cast<int>(std::ceil(std::min(kReach, root) / kStep));
        const int m = static_cast<int>(std::ceil(kReach / kStep));
        double l2 = 0, l4 = 0;
        for (int i = -n; i <= m; ++i) {
            const double z = i * kStep;
            const double e = z / root;
            if (!(e > -1)) continue;
            const double logDensity = (a - 1) * std::log1p(e) - a * e;
            const double F = boost::math::gamma_p(a, a * (1 + e));
            const double w = z * std::exp(logDensity);
            l2 += w * legendre(2, F);
            l4 += w * legendre(4, F);
        }
        return l4 / l2;
    }
    auto lambda = [&](int r) {
        auto f = [&, r](double x) {
            if (!(x > 0)) return 0.0;
            const double F = boost::math::gamma_p(a, x);
            const double density = boost::math::gamma_p_derivative(a, x);
            return (x - a) * legendre(r, F) * density;
        };
        boost::math::quadrature::tanh_sinh<double> inner;
        boost::math::quadrature::exp_sinh<double> outer;
        const double lower = inner.integrate(f, 0.0, a, kQuadratureTolerance);
        const double upper = outer.integrate([&](double t) { return f(a + t); }, 0.0,
                                             std::numeric_limits<double>::infinity(), kQuadratureTolerance);
        return lower + upper;
    };
    return lambda(4) / lambda(2);
}

}  // namespace zarn
