// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/mgbt.h"

#include <algorithm>
#include <iterator>
#include <boost/math/policies/policy.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

#include "files/errors.h"
#include "analysis/faults.h"
#include "analysis/historical.h"
#include "analysis/ranktests.h"

namespace zarn {

namespace {

// Significance levels of the two sweeps of the multiple Grubbs-Beck test
// (England et al. 2018, Bulletin 17C): outward from the median, inward from
// the smallest flow.
constexpr double kOutwardLevel = 0.005;
constexpr double kInwardLevel = 0.10;
// The p-value integral over the k-th order statistic stops at this relative
// error; the probabilities of the order statistic's outer 1e-10 on each side
// are bounded instead of integrated (their share of p is below 1e-10).
constexpr double kIntegralTolerance = 1e-8;
constexpr double kOuterProbability = 1e-10;
// The non-central t integral over the chi-square factor: relative error and
// most interval halvings; it spans the log-density down 50 below its peak.
constexpr double kTailTolerance = 1e-10;
constexpr unsigned kTailDepth = 8;
constexpr double kLogDensitySpan = 50.0;
// Below this share of Var(M) left to M' = M - lambda S, M' is taken as fixed.
constexpr double kLeastShareOfMPrime = 1e-9;
// Above this point the normal tail is taken from its continued fraction.
constexpr double kMillsContinuedFractionFrom = 8.0;
constexpr int kMillsContinuedFractionTerms = 60;
// Fewest flows the multiple Grubbs-Beck test examines: it needs two values
// above the candidate for their standard deviation.
constexpr int kFewestFlows = 3;

// A perception threshold over more years than this is a typing slip (such as
// 1850-18500); a record holding one gets no plotting positions.
constexpr int kMostThresholdYears = 5000;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Boost's faults come back as NaN or infinity instead of exceptions; the
// callers test the result.
using QuietPolicy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

// Inverse Mills ratio phi(x) / (1 - Phi(x)) of the standard normal.
double InverseMillsRatio(double x) {
    if (x < kMillsContinuedFractionFrom) {
        const double tail = 0.5 * std::erfc(x / std::sqrt(2.0));
        return std::exp(-0.5 * x * x) / std::sqrt(2.0 * M_PI) / tail;
    }
    // x > 8: (1 - Phi) / phi = 1/(x + 1/(x + 2/(x + 3/(x + ...)))), evaluated
    // from the tail (Abramowitz and Stegun 1964, 26.2.14).
    double fraction = x;
    for (int j = kMillsContinuedFractionTerms; j >= 1; --j) fraction = x + j / fraction;
    return fraction;
}

// P(T > q) for T non-central t with nu degrees of freedom and noncentrality
// delta: T = Z / V, Z ~ N(delta, 1), V^2 ~ chi2(nu) / nu, so P = E[Phi(delta - q V)].
// Integrated over y = ln V^2, whose density (nu/2)^(nu/2) / Gamma(nu/2)
// exp(nu/2 (y - e^y)) is smooth and log-concave, by adaptive Gauss-Kronrod.
// (Boost's series for the distribution takes milliseconds at the large
// noncentralities met here; this integral takes microseconds.)
double NoncentralTUpperTail(double nu, double delta, double q) {
    const double half = 0.5 * nu;
    const double logNorm = half * std::log(half) - std::lgamma(half);
    const auto integrand = [&](double y) {
        const double phi = 0.5 * std::erfc(-(delta - q * std::exp(0.5 * y)) / std::sqrt(2.0));
        return phi * std::exp(logNorm + half * (y - std::exp(y)));
    };
    // Where half (1 + y - e^y), the log-density below its peak at y = 0, reaches -50.
    const double lower = -std::max(1.0 + 2.0 * kLogDensitySpan / nu, 1.5 * std::sqrt(4.0 * kLogDensitySpan / nu));
    const double upper = std::max(std::log(4.0 * kLogDensitySpan / nu), std::sqrt(4.0 * kLogDensitySpan / nu));
    return boost::math::quadrature::gauss_kronrod<double, 31>::integrate(integrand, lower, 0.0, kTailDepth,
                                                                         kTailTolerance) +
           boost::math::quadrature::gauss_kronrod<double, 31>::integrate(integrand, 0.0, upper, kTailDepth,
                                                                         kTailTolerance);
}

// Mean and central moments 2 to 4 of a standard normal truncated below at xi
// (the raw moments follow m_j = (j - 1) m_(j-2) + xi^(j-1) h, h the inverse
// Mills ratio; Johnson, Kotz and Balakrishnan 1994, 13.10).
struct TruncatedMoments {
    double Mean, Variance, Third, Fourth;
};

TruncatedMoments MomentsAbove(double xi) {
    const double h = InverseMillsRatio(xi);
    const double m1 = h;
    const double m2 = 1.0 + xi * h;
    const double m3 = 2.0 * m1 + xi * xi * h;
    const double m4 = 3.0 * m2 + xi * xi * xi * h;
    const double variance = m2 - m1 * m1;
    const double third = m3 - 3.0 * m1 * m2 + 2.0 * m1 * m1 * m1;
    const double fourth = m4 - 4.0 * m1 * m3 + 6.0 * m1 * m1 * m2 - 3.0 * m1 * m1 * m1 * m1;
    return {m1, variance, third, fourth};
}

// P(omega_k < eta | X_(k) = xi): given the k-th smallest of n standard normal
// values, the m = n - k larger ones are independent normals truncated below at
// xi. Their mean M is taken as normal and their variance S^2 as gamma with the
// first two moments of the sample variance; M is made orthogonal to S by
// M' = M - lambda S, lambda = Cov(M, S) / Var(S), and the event
// (xi - M) / S < eta becomes a non-central t event (Cohn et al. 2013). The
// moments are those of the method as its authors give them, Cov(M, S^2) =
// mu3 / sqrt(m (m - 1)) and Cov(M, S) = Cov(M, S^2) / (2 E[S]) included, so
// the test's verdicts agree with theirs.
double ConditionalProbability(int n, int k, double eta, double xi) {
    const TruncatedMoments t = MomentsAbove(xi);
    const double m = n - k;
    if (!(t.Variance > 0)) return kNaN;

    // Moments of the sample mean and of the sample variance (divisor m - 1).
    const double varianceOfMean = t.Variance / m;
    const double varianceOfS2 =
        (t.Fourth - t.Variance * t.Variance) / m + 2.0 * t.Variance * t.Variance / (m * (m - 1.0));
    const double covarianceMS2 = t.Third / std::sqrt(m * (m - 1.0));
    if (!(varianceOfS2 > 0)) return kNaN;

    // S^2 ~ gamma(shape, scale) = Variance chi2(nu) / nu, nu = 2 shape:
    // E[S] = sqrt(scale) Gamma(shape + 1/2) / Gamma(shape).
    const double shape = t.Variance * t.Variance / varianceOfS2;
    const double scale = varianceOfS2 / t.Variance;
    const double meanS = std::sqrt(scale) / boost::math::tgamma_delta_ratio(shape, 0.5, QuietPolicy());
    const double varianceOfS = t.Variance - meanS * meanS;
    const double covarianceMS = covarianceMS2 / (2.0 * meanS);
    if (!(varianceOfS > 0)) return kNaN;
    const double lambda = covarianceMS / varianceOfS;
    const double varianceOfMPrime = varianceOfMean - covarianceMS * lambda;
    const double sigma = std::sqrt(t.Variance);
    const double centre = t.Mean - lambda * meanS;  // E[M']

    if (!(varianceOfMPrime > kLeastShareOfMPrime * varianceOfMean)) {
        // Few values above a far-tail xi: the moments leave M' no variance of
        // its own, so M' is taken as fixed at its mean and the event is one
        // on S alone, (eta + lambda) V > c with V^2 = S^2 / Variance ~
        // gamma(shape, 1 / shape) (the limit of the non-central t below).
        const double slope = eta + lambda;
        const double c = (xi - centre) / sigma;
        if (slope == 0) return c < 0 ? 1.0 : 0.0;
        const double bound = shape * (c / slope) * (c / slope);
        if (slope > 0) return c <= 0 ? 1.0 : boost::math::gamma_q(shape, bound, QuietPolicy());
        return c >= 0 ? 0.0 : boost::math::gamma_p(shape, bound, QuietPolicy());
    }
    const double sdMPrime = std::sqrt(varianceOfMPrime);
    return NoncentralTUpperTail(2.0 * shape, (centre - xi) / sdMPrime, -(eta + lambda) * sigma / sdMPrime);
}

// Flows sorted ascending, their count of zeros (and negatives), and the
// log10 of the positive ones in the same places (NaN for the zeros). Values
// that are not finite numbers are no flows and are left out.
struct SortedFlows {
    std::vector<double> Flows, Logs;
    int Zeros = 0;
};

SortedFlows SortFlows(const std::vector<double>& flows) {
    SortedFlows s;
    std::copy_if(flows.begin(), flows.end(), std::back_inserter(s.Flows), [](double q) { return std::isfinite(q); });
    std::sort(s.Flows.begin(), s.Flows.end());
    s.Logs.resize(s.Flows.size(), kNaN);
    for (std::size_t i = 0; i < s.Flows.size(); ++i) {
        if (s.Flows[i] > 0)
            s.Logs[i] = std::log10(s.Flows[i]);
        else
            ++s.Zeros;
    }
    return s;
}

// omega_k of the sorted logs (k counted from 1): the k-th smallest against
// the mean and standard deviation (divisor n - k - 1) of the n - k above it.
// A spread of zero above gives -inf below the rest, +inf at or above it.
double GrubbsBeckStatistic(const std::vector<double>& logs, int k) {
    const int n = static_cast<int>(logs.size());
    double mean = 0;
    for (int i = k; i < n; ++i) mean += logs[i];
    mean /= n - k;
    double squares = 0;
    for (int i = k; i < n; ++i) squares += (logs[i] - mean) * (logs[i] - mean);
    const double sd = std::sqrt(squares / (n - k - 1));
    const double deviation = logs[k - 1] - mean;
    if (sd > 0) return deviation / sd;
    return deviation < 0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
}

// The outcome once the `count` smallest flows are low outliers: the threshold
// is the smallest flow above the last of them (0 when there is none), and a
// flow equal to a low outlier is one too, so Count is the number of flows
// below Threshold.
LowOutlierTest Outcome(const SortedFlows& s, int count, std::vector<double> pValues) {
    LowOutlierTest result;
    result.PValues = std::move(pValues);
    const int n = static_cast<int>(s.Flows.size());
    if (count <= 0) return result;
    while (count < n && s.Flows[count] == s.Flows[count - 1]) ++count;
    result.Count = count;
    if (count < n) result.Threshold = s.Flows[count];
    return result;
}

// One year of a record with historical information, as the plotting
// positions see it: a flow (a point value, or an interval's representative
// value) known whatever its size, or only "below Level" when no flood above
// the year's perception threshold was recorded.
struct PlotYear {
    double Value = 0;     // the flow, or the threshold it stayed below
    bool Observed = true;
    int Index = -1;       // its place in record.Observations
};

// The value that ranks an interval among the point values: its geometric
// midpoint when bounded on both sides, its finite bound otherwise (the lower
// one of "> Q", the upper one of "< Q"); NaN for [0, inf).
double RepresentativeValue(const FloodObservation& o) {
    if (o.Low == o.High) return o.Low;
    if (o.Low > 0 && std::isfinite(o.High)) return std::sqrt(o.Low * o.High);
    if (o.Low > 0) return o.Low;
    if (std::isfinite(o.High)) return o.High;
    return kNaN;
}

// The years of the record that carry information, and each year's perception
// level: the systematic years see every flood, a user's threshold sets the
// level of the years it covers (a later one over an earlier one), a covered
// year without an observation had no flood above its level, and a historical
// flood outside every threshold is not placed (as the analysis leaves it out).
// Nothing is placed when a year appears twice or a threshold is unusable.
std::map<int, std::pair<PlotYear, double>> PlotYears(const HistoricalRecord& record) {
    std::map<int, double> levels;
    for (const PerceptionThreshold& t : record.Thresholds)
        if (!(t.Low >= 0 && std::isfinite(t.Low)) || t.First > t.Last || t.Last - t.First >= kMostThresholdYears)
            return {};
    for (const FloodObservation& o : record.Observations)
        if (!o.Historical) levels[o.Year] = 0.0;
    for (const PerceptionThreshold& t : record.Thresholds)
        for (int y = t.First; y <= t.Last; ++y) levels[y] = t.Low;
    std::map<int, int> observed;
    for (std::size_t i = 0; i < record.Observations.size(); ++i)
        if (!observed.emplace(record.Observations[i].Year, static_cast<int>(i)).second) return {};  // a year twice

    std::map<int, std::pair<PlotYear, double>> years;
    for (const auto& [year, level] : levels) {
        const auto it = observed.find(year);
        if (it != observed.end()) {
            const double v = RepresentativeValue(record.Observations[it->second]);
            if (v >= 0 && std::isfinite(v)) years[year] = {{v, true, it->second}, level};
        } else if (level > 0) {
            years[year] = {{level, false, -1}, level};
        }
    }
    return years;
}

}  // namespace

double MgbtPValue(int n, int k, double w) {
    CalcError = kNoFault;
    if (n < kFewestFlows || k < 1 || k > n - 2 || std::isnan(w)) return fail(kArgumentOutOfRange, kNaN);
    if (w == -std::numeric_limits<double>::infinity()) return 0.0;
    if (w == std::numeric_limits<double>::infinity()) return 1.0;
    FloatingPointFlagsKept kept;

    // p = integral over u in (0, 1) of P(omega_k < w | X_(k) = xi(u)), where
    // Phi(X_(k)) ~ Beta(k, n + 1 - k): xi(u) = Phi^-1(I^-1_u(k, n + 1 - k)).
    const auto integrand = [&](double u) {
        const double b =
            boost::math::ibeta_inv(static_cast<double>(k), static_cast<double>(n + 1 - k), u, QuietPolicy());
        const double xi = -std::sqrt(2.0) * boost::math::erfc_inv(2.0 * b, QuietPolicy());
        const double p = ConditionalProbability(n, k, w, xi);
        return std::isfinite(p) ? std::clamp(p, 0.0, 1.0) : 0.0;
    };
    // tanh-sinh copes with the steep ends (the conditional probability runs
    // from 1 to near 0 over u in (0, 1e-4) for small k); its abscissae are
    // computed once per thread.
    static thread_local boost::math::quadrature::tanh_sinh<double> quadrature;
    const double a = kOuterProbability;
    const double p = quadrature.integrate(integrand, a, 1.0 - a, kIntegralTolerance) + a * integrand(a) +
                     a * integrand(1.0 - a);
    return std::clamp(p, 0.0, 1.0);
}

LowOutlierTest MultipleGrubbsBeck(const std::vector<double>& flows) {
    const SortedFlows s = SortFlows(flows);
    const int n = static_cast<int>(s.Flows.size());
    if (n < kFewestFlows) return Outcome(s, s.Zeros, {});

    // Candidates: the smallest half of the record. A zero cannot be logged and
    // is a low outlier whatever the others are (p-value 0).
    const int half = n / 2;
    std::vector<double> pValues(half, 0.0);
    for (int k = s.Zeros + 1; k <= half; ++k) pValues[k - 1] = MgbtPValue(n, k, GrubbsBeckStatistic(s.Logs, k));

    // Outward sweep, from the median down: the first candidate significant at
    // 0.5 % is a low outlier with every flow below it.
    int outward = 0;
    for (int k = half; k >= 1 && outward == 0; --k)
        if (pValues[k - 1] < kOutwardLevel) outward = k;
    // Inward sweep, from the smallest up: low outliers while significant at 10 %.
    int inward = 0;
    while (inward < half && pValues[inward] < kInwardLevel) ++inward;

    return Outcome(s, std::max({outward, inward, s.Zeros}), std::move(pValues));
}

LowOutlierTest SingleGrubbsBeck(const std::vector<double>& flows) {
    const SortedFlows s = SortFlows(flows);
    const int positives = static_cast<int>(s.Flows.size()) - s.Zeros;
    if (positives < kFewestFlows) return Outcome(s, s.Zeros, {});

    // Bulletin 17B's test on the log10 of the positive flows: low outliers lie
    // below mean - K_N sd, K_N the one-sided 10 % factor of Grubbs and Beck (1972).
    const int n = static_cast<int>(s.Flows.size());
    double mean = 0;
    for (int i = s.Zeros; i < n; ++i) mean += s.Logs[i];
    mean /= positives;
    double squares = 0;
    for (int i = s.Zeros; i < n; ++i) squares += (s.Logs[i] - mean) * (s.Logs[i] - mean);
    const double criterion = mean - GrubbsBeckK(positives) * std::sqrt(squares / (positives - 1));

    int count = s.Zeros;
    while (count < n && s.Logs[count] < criterion) ++count;
    return Outcome(s, count, {});
}

// HistoricalPlottingPositions: Hirsch and Stedinger (1987) with several
// perception levels L_1 > ... > L_J = 0. From the top, the probability of
// reaching L_j is P_j = P_(j-1) + (1 - P_(j-1)) r_j, r_j the share of the
// years in view at L_j and below L_(j-1) that reach L_j (an observed flood is
// always in view; a year known only to stay below its threshold, at the
// levels from that threshold up). The e_j floods of band [L_j, L_(j-1)),
// ranked i = 1..e_j from the largest, plot at
// P_(j-1) + (P_j - P_(j-1)) (i - a) / (e_j + 1 - 2a).
std::vector<double> HistoricalPlottingPositions(const HistoricalRecord& record, double a) {
    std::vector<double> positions(record.Observations.size(), kNaN);
    if (!(a >= 0 && a < 1)) return positions;  // (i - a) / (e + 1 - 2a) needs a in [0, 1)
    const auto years = PlotYears(record);
    std::vector<double> levels = {0.0};
    for (const auto& [year, entry] : years) levels.push_back(entry.second);
    std::sort(levels.begin(), levels.end(), std::greater<>());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());

    double above = std::numeric_limits<double>::infinity();
    double previous = 0;  // P_(j-1)
    for (const double level : levels) {
        int inView = 0;
        std::vector<std::pair<double, int>> band;  // (flow, observation index)
        for (const auto& [year, entry] : years) {
            const PlotYear& y = entry.first;
            if (!(y.Observed || entry.second <= level) || !(y.Value < above)) continue;
            ++inView;
            if (y.Observed && y.Value >= level) band.push_back({y.Value, y.Index});
        }
        const double share = inView > 0 ? static_cast<double>(band.size()) / inView : 0.0;
        const double reached = previous + (1.0 - previous) * share;
        std::stable_sort(band.begin(), band.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
        const double e = static_cast<double>(band.size());
        for (std::size_t i = 0; i < band.size(); ++i)
            positions[band[i].second] = previous + (reached - previous) * (i + 1 - a) / (e + 1 - 2 * a);
        previous = reached;
        above = level;
    }
    return positions;
}

}  // namespace zarn
