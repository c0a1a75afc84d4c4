// SPDX-License-Identifier: GPL-3.0-or-later
// The Expected Moments Algorithm for log-Pearson type III (ema.h).
#include "analysis/ema.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <boost/math/distributions/non_central_t.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/special_functions/gamma.hpp>

namespace zarn {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Below this |skew| the distribution is taken as normal: the gamma shape
// 4 / skew^2 passes 1.6e9, beyond which Boost's incomplete gamma fails, and
// the two differ there by about 1e-6 in probability.
constexpr double kNormalSkew = 5e-5;
// A class of years with less probability than this is treated as its end
// point (its conditional moments would be lost to rounding).
constexpr double kNoMass = 1e-280;
// EMA stops when mean, sd and skew together move less than this between
// steps; if rounding keeps the steps above it to the last iteration, a last
// step below the loose tolerance is still convergence.
constexpr double kEmaTolerance = 1e-12;
constexpr double kEmaLooseTolerance = 1e-9;
constexpr int kEmaMaxIterations = 5000;
// A skew past this has left every flood record behind: the iteration
// diverges (the censored years admit no Pearson III moments).
constexpr double kEmaDivergedSkew = 20;
// Relative steps of the numerical derivatives of the moment equations and of
// the frequency factor.
constexpr double kDerivativeStep = 1e-5;
constexpr double kSkewStep = 1e-4;

using Policy = boost::math::policies::policy<boost::math::policies::domain_error<boost::math::policies::ignore_error>,
                                             boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
                                             boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

double UpperNormal(double z) { return 0.5 * std::erfc(z / std::sqrt(2.0)); }

// The mass of the standardised variable Z in (za, zb); Z = (Y - alpha) h with
// Y gamma(alpha = 1/h^2), or standard normal when h = 0.
double Mass(double za, double zb, double h) {
    if (h == 0) return za > 0 ? UpperNormal(za) - UpperNormal(zb) : UpperNormal(-zb) - UpperNormal(-za);
    const double alpha = 1 / (h * h);
    const double ya = std::max(0.0, alpha + za / h);
    const double yb = zb == kInf ? kInf : alpha + zb / h;
    if (ya > alpha)
        return boost::math::gamma_q(alpha, ya, Policy()) - (yb == kInf ? 0.0 : boost::math::gamma_q(alpha, yb, Policy()));
    return (yb == kInf ? 1.0 : boost::math::gamma_p(alpha, yb, Policy())) - boost::math::gamma_p(alpha, ya, Policy());
}

// The boundary term of the moment recurrence: (1 + h z) times the density of
// Z at z, zero at the ends of the support.
double Boundary(double z, double h) {
    if (!std::isfinite(z)) return 0;
    if (h == 0) return std::exp(-0.5 * z * z) / std::sqrt(2 * M_PI);
    const double alpha = 1 / (h * h);
    const double y = alpha + z / h;
    if (y <= 0) return 0;
    return h * y * boost::math::gamma_p_derivative(alpha, y, Policy());
}

}  // namespace

// P3TruncatedMoments: X = mean + s sd Z with s the sign of the skew and Z the
// standardised gamma variable (Y - alpha)/sqrt(alpha), alpha = 4/skew^2.
// Integrating by parts gives, for S_j the integral of z^j over (za, zb),
//   S_j = (j-1) h S_{j-1} + (j-1) S_{j-2} - [(1 + h z) f(z) z^{j-1}]
// with h = |skew|/2: exact, and free of the cancellation of raw gamma
// moments at small skew; at h = 0 it is the normal recurrence.
std::array<double, kMaxMomentOrder + 1> P3TruncatedMoments(const P3Moments& p, double low, double high, double centre,
                                                           int order) {
    std::array<double, kMaxMomentOrder + 1> out{};
    order = std::clamp(order, 0, kMaxMomentOrder);
    const double s = p.Skew < 0 ? -1.0 : 1.0;
    const double h = std::fabs(p.Skew) < kNormalSkew ? 0.0 : std::fabs(p.Skew) / 2;
    const double zmin = h == 0 ? -kInf : -1 / h;
    double za = s > 0 ? (low - p.Mean) / p.Sd : (p.Mean - high) / p.Sd;
    double zb = s > 0 ? (high - p.Mean) / p.Sd : (p.Mean - low) / p.Sd;
    za = std::max(za, zmin);
    zb = std::max(zb, zmin);
    const double mass = zb > za ? Mass(za, zb, h) : 0.0;
    const double d = p.Mean - centre;
    if (!(mass > kNoMass)) {
        // No probability in the interval: its end nearest the support.
        const double z = zb <= zmin ? zmin : (std::isfinite(za) ? za : zb);
        const double x = d + s * p.Sd * z;
        out[0] = std::max(mass, 0.0);
        for (int k = 1; k <= order; ++k) out[k] = std::pow(x, k);
        return out;
    }
    std::array<double, kMaxMomentOrder + 1> S{};
    S[0] = mass;
    const double ba = Boundary(za, h), bb = Boundary(zb, h);
    auto edge = [&](int power) {
        const double ta = ba == 0 ? 0.0 : ba * std::pow(za, power);
        const double tb = bb == 0 ? 0.0 : bb * std::pow(zb, power);
        return tb - ta;
    };
    if (order >= 1) S[1] = -edge(0);
    for (int j = 2; j <= order; ++j) S[j] = (j - 1) * h * S[j - 1] + (j - 1) * S[j - 2] - edge(j - 1);
    // Moments of Z about 0, then of X about the centre by the binomial sum.
    std::array<double, kMaxMomentOrder + 1> m{};
    for (int j = 0; j <= order; ++j) m[j] = S[j] / mass * std::pow(s * p.Sd, j);
    out[0] = mass;
    for (int k = 1; k <= order; ++k) {
        double sum = 0, binomial = 1;
        for (int j = 0; j <= k; ++j) {
            sum += binomial * std::pow(d, k - j) * m[j];
            binomial = binomial * (k - j) / (j + 1);
        }
        out[k] = sum;
    }
    return out;
}

double P3FrequencyFactor(double skew, double aep) {
    if (std::fabs(skew) < kNormalSkew)
        return boost::math::quantile(boost::math::complement(boost::math::normal_distribution<double, Policy>(), aep));
    const double alpha = 4 / (skew * skew);
    if (skew > 0) return (boost::math::gamma_q_inv(alpha, aep, Policy()) - alpha) / std::sqrt(alpha);
    return -(boost::math::gamma_p_inv(alpha, aep, Policy()) - alpha) / std::sqrt(alpha);
}

namespace {

// The moments of the exact years about the centre c: sums of (x - c)^k.
std::array<double, 4> ExactSums(const std::vector<double>& x, double c) {
    std::array<double, 4> s{};
    for (const double v : x) {
        const double d = v - c;
        s[0] += 1;
        s[1] += d;
        s[2] += d * d;
        s[3] += d * d * d;
    }
    return s;
}

}  // namespace

// FitEma (Cohn, Lane and Baier 1997; Bulletin 17C, Appendix 7): the mean,
// then the second and third central moments about the new mean, each
// interval year contributing its expected moment under the previous step's
// parameters.
EmaFit FitEma(const EmaData& data, const SkewPrior& prior) {
    EmaFit fit;
    const double m = static_cast<double>(data.Exact.size());
    if (m < 3) return fit;
    double n = m;
    for (const auto& c : data.Intervals) n += c.Count;
    const double c2 = m / (m - 1), c3 = m * m / ((m - 1) * (m - 2));
    auto update = [&](const std::array<double, 4>& sums, double mean, double years, const P3Moments* previous) {
        P3Moments next;
        next.Mean = mean;
        next.Sd = std::sqrt(c2 * sums[2] / years);
        fit.SiteSkew = next.Sd > 0 ? c3 * sums[3] / years / std::pow(next.Sd, 3) : 0.0;
        next.Skew = fit.SiteSkew;
        fit.Weight = prior.WeightAt ? prior.WeightAt(previous ? *previous : next, fit.SiteSkew) : prior.Weight;
        next.Skew = fit.Weight * fit.SiteSkew + (1 - fit.Weight) * prior.Regional;
        return next;
    };
    // The start: the moments of the exact years alone.
    double mean0 = 0;
    for (const double v : data.Exact) mean0 += v;
    mean0 /= m;
    fit.Moments = update(ExactSums(data.Exact, mean0), mean0, m, nullptr);
    if (!(fit.Moments.Sd > 0) || !std::isfinite(fit.Moments.Sd)) return fit;
    for (int it = 1; it <= kEmaMaxIterations; ++it) {
        const P3Moments p = fit.Moments;
        // Expected moments about the old mean, then shifted to the new one.
        double sum1 = 0;
        for (const double v : data.Exact) sum1 += v;
        std::vector<std::array<double, kMaxMomentOrder + 1>> e(data.Intervals.size());
        for (std::size_t i = 0; i < data.Intervals.size(); ++i) {
            const auto& c = data.Intervals[i];
            e[i] = P3TruncatedMoments(p, c.Low, c.High, p.Mean, 3);
            sum1 += c.Count * (p.Mean + e[i][1]);
        }
        const double mean = sum1 / n;
        auto sums = ExactSums(data.Exact, mean);
        const double d = p.Mean - mean;
        for (std::size_t i = 0; i < data.Intervals.size(); ++i) {
            const double k = data.Intervals[i].Count;
            const double e1 = e[i][1], e2 = e[i][2], e3 = e[i][3];
            sums[2] += k * (e2 + 2 * d * e1 + d * d);
            sums[3] += k * (e3 + 3 * d * e2 + 3 * d * d * e1 + d * d * d);
        }
        const P3Moments next = update(sums, mean, n, &p);
        if (!std::isfinite(next.Mean) || !(next.Sd > 0) || !std::isfinite(next.Sd) || !std::isfinite(next.Skew) ||
            std::fabs(next.Skew) > kEmaDivergedSkew)
            return fit;
        fit.Moments = next;
        fit.Iterations = it;
        const double change = std::fabs(next.Mean - p.Mean) + std::fabs(next.Sd - p.Sd) + std::fabs(next.Skew - p.Skew);
        if (change < kEmaTolerance || (it == kEmaMaxIterations && change < kEmaLooseTolerance)) {
            fit.Ok = true;
            return fit;
        }
    }
    return fit;
}

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

bool Invert(const Matrix& a, Matrix& inv) {
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (!std::isfinite(det) || det == 0) return false;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
            inv[i][j] = (a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0]) / det;
        }
    return true;
}

// Mean over the years of the moment equations at q when the data come from
// p: sum over thresholds of P(>t) E_p[(X - mq)^k | X > t] + P(<t)
// E_q[(X - mq)^k | X < t] - m_k(q), k = 1..3.
std::array<double, 3> MomentEquations(const EmaData& data, const P3Moments& p, const P3Moments& q) {
    std::array<double, 3> f{};
    const std::array<double, 3> mk = {0.0, q.Sd * q.Sd, q.Skew * std::pow(q.Sd, 3)};
    for (const auto& t : data.Thresholds) {
        const auto above = P3TruncatedMoments(p, t.Low, kInf, q.Mean, 3);
        const double pAbove = t.Low == -kInf ? 1.0 : above[0];
        std::array<double, kMaxMomentOrder + 1> below{};
        if (pAbove < 1) below = P3TruncatedMoments(q, -kInf, t.Low, q.Mean, 3);
        for (int k = 1; k <= 3; ++k)
            f[k - 1] += t.Years * (pAbove * above[k] + (1 - pAbove) * below[k] - mk[k - 1]);
    }
    return f;
}

}  // namespace

// EmaCovariance: each year's contribution u_k = I (x - mean)^k + (1 - I)
// E[(X - mean)^k | X < t] is unbiased for the k-th central moment; the
// estimates solve sum(u - m(theta)) = 0, so Cov = A^-1 B A^-T with B the sum
// of the years' covariances of u and A the derivative of the expected
// equations (taken numerically).
EmaCovarianceResult EmaCovariance(const EmaData& data, const P3Moments& p) {
    EmaCovarianceResult r;
    Matrix B{};
    const std::array<double, 3> mk = {0.0, p.Sd * p.Sd, p.Skew * std::pow(p.Sd, 3)};
    for (const auto& t : data.Thresholds) {
        const auto above = P3TruncatedMoments(p, t.Low, kInf, p.Mean, 6);
        const double pAbove = t.Low == -kInf ? 1.0 : above[0];
        std::array<double, kMaxMomentOrder + 1> below{};
        if (pAbove < 1) below = P3TruncatedMoments(p, -kInf, t.Low, p.Mean, 3);
        for (int j = 1; j <= 3; ++j)
            for (int k = 1; k <= 3; ++k)
                B[j - 1][k - 1] += t.Years * (pAbove * above[j + k] + (1 - pAbove) * below[j] * below[k] -
                                              mk[j - 1] * mk[k - 1]);
    }
    Matrix A{};
    for (int i = 0; i < 3; ++i) {
        const double step = i == 2 ? kDerivativeStep : kDerivativeStep * p.Sd;
        P3Moments up = p, down = p;
        double* u = i == 0 ? &up.Mean : i == 1 ? &up.Sd : &up.Skew;
        double* w = i == 0 ? &down.Mean : i == 1 ? &down.Sd : &down.Skew;
        *u += step;
        *w -= step;
        const auto fu = MomentEquations(data, p, up), fd = MomentEquations(data, p, down);
        for (int k = 0; k < 3; ++k) A[k][i] = (fu[k] - fd[k]) / (2 * step);
    }
    Matrix Ai{};
    if (!Invert(A, Ai)) return r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k)
                for (int l = 0; l < 3; ++l) s += Ai[i][k] * B[k][l] * Ai[j][l];
            r.V[i][j] = s;
        }
    r.Ok = std::isfinite(r.V[2][2]) && r.V[2][2] > 0 && r.V[0][0] > 0 && r.V[1][1] > 0;
    return r;
}

// SkewMse: Griffis and Stedinger (2009):
// [6/n + a(n)] [1 + (9/6 + b(n)) g^2 + (15/48 + c(n)) g^4].
double SkewMse(double g, double n) {
    const double a = -17.75 / (n * n) + 50.06 / (n * n * n);
    const double b = 3.92 / std::pow(n, 0.3) - 31.10 / std::pow(n, 0.6) + 34.86 / std::pow(n, 0.9);
    const double c = -7.31 / std::pow(n, 0.59) + 45.90 / std::pow(n, 1.18) - 86.50 / std::pow(n, 1.77);
    const double g2 = g * g;
    return (6 / n + a) * (1 + (9.0 / 6 + b) * g2 + (15.0 / 48 + c) * g2 * g2);
}

double EmaRecordLength(double g, double skewVariance) {
    const double g2 = g * g;
    return 6 * (1 + 1.5 * g2 + 5.0 / 16 * g2 * g2) / skewVariance;
}

// QuantileLimits: for a normal sample of n years the limits of mean + z sd
// are mean + sd t'(q; n - 1, z sqrt(n)) / sqrt(n), t' the non-central t
// quantile. Here n is the record length that gives mean + K sd the variance
// the covariance gives it (first order: (1, K, sd dK/dskew)), so the normal
// case is exact and the skew's and the censoring's uncertainty widen it.
LogLimits QuantileLimits(const P3Moments& p, const Matrix& v, double aep, double confidence) {
    const double K = P3FrequencyFactor(p.Skew, aep);
    const double dK = (P3FrequencyFactor(p.Skew + kSkewStep, aep) - P3FrequencyFactor(p.Skew - kSkewStep, aep)) /
                      (2 * kSkewStep);
    const std::array<double, 3> g = {1.0, K, p.Sd * dK};
    double var = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) var += g[i] * v[i][j] * g[j];
    LogLimits out;
    const double x = p.Mean + K * p.Sd;
    if (!(var > 0) || !std::isfinite(var)) {
        out.Lower = out.Upper = x;
        return out;
    }
    const double n = std::max(2.0, p.Sd * p.Sd * (1 + K * K / 2) / var);
    const boost::math::non_central_t_distribution<double, Policy> t(n - 1, K * std::sqrt(n));
    const double tail = (1 - confidence) / 2;
    out.Lower = p.Mean + p.Sd * boost::math::quantile(t, tail) / std::sqrt(n);
    out.Upper = p.Mean + p.Sd * boost::math::quantile(boost::math::complement(t, tail)) / std::sqrt(n);
    return out;
}

}  // namespace zarn
