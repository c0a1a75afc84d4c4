// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/ranktests.h"

#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <vector>

#include "files/errors.h"
#include "analysis/special.h"
#include "analysis/statistics.h"

namespace zarn {

namespace {

// Probability of the two-sided 5 % critical value of a standardised S.
constexpr double kCriticalProbability = 0.975;
// Change of the skewness coefficient, when one extreme is removed, that marks
// that extreme as an outlier.
constexpr double kSkewnessChangeLimit = 0.5;
// The Grubbs-Beck polynomial in n^(1/4) holds up to its peak at n = 343;
// beyond, it turns down (negative from n = 1570) and the exact value serves.
constexpr int kGrubbsBeckPolynomialTo = 343;
// One-sided significance level of the Grubbs-Beck test.
constexpr double kGrubbsBeckLevel = 0.10;

// Hoare partition with the middle element as pivot, on the 1-based range
// [lo, hi] of key (stored 0-based); every swap of two keys is repeated on the
// companion. The comparisons are strict, so keys equal to the pivot stop both
// scans and are swapped: the order left among equal keys is the one this
// algorithm produces, and Kendall's S depends on it.
void SortRange(double* key, double* companion, int lo, int hi) {
    const double pivot = key[(lo + hi) / 2 - 1];
    int i = lo;
    int j = hi;
    do {
        while (key[i - 1] < pivot) ++i;
        while (pivot < key[j - 1]) --j;
        if (i <= j) {
            std::swap(key[i - 1], key[j - 1]);
            std::swap(companion[i - 1], companion[j - 1]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (lo < j) SortRange(key, companion, lo, j);
    if (i < hi) SortRange(key, companion, i, hi);
}

// Length of the run of values equal to x[start] that begins at 0-based start.
int RunLength(const double* sorted, int n, int start) {
    int end = start + 1;
    while (end < n && sorted[end] == sorted[start]) ++end;
    return end - start;
}

void SetFlag(AnalysisRecord& r, TestFlag flag) { r.TestFlags |= flag; }

}  // namespace

void SortWithCompanion(double* key, double* companion, int n) {
    if (n > 1) SortRange(key, companion, 1, n);
}

void MidRanks(double* sorted, int n) {
    int start = 0;
    while (start < n) {
        const int t = RunLength(sorted, n, start);
        // Positions start + 1 .. start + t, 1-based.
        int positionSum = 0;
        for (int k = 1; k <= t; ++k) positionSum += start + k;
        const double rank = static_cast<double>(positionSum) / t;
        for (int k = 0; k < t; ++k) sorted[start + k] = rank;
        start += t;
    }
}

void TieGroupCounts(const double* sorted, int n, double* a) {
    for (int t = 0; t < n; ++t) a[t] = 0.0;
    int start = 0;
    while (start < n) {
        const int t = RunLength(sorted, n, start);
        a[t - 1] += 1.0;
        start += t;
    }
}

double SignSum(const double* x, int n) {
    // P - M over all pairs i < j, counted exactly in integers; the comparison
    // results are added without branches so the O(n^2) loop vectorises.
    long long s = 0;
    for (int i = 0; i + 1 < n; ++i) {
        const double xi = x[i];
        long long row = 0;
        for (int j = i + 1; j < n; ++j) row += static_cast<int>(xi < x[j]) - static_cast<int>(xi > x[j]);
        s += row;
    }
    return static_cast<double>(s);
}

double VarianceOfS(int n, const double* a) {
    // Every term is an integer below 2^53, so the sum is exact in any order.
    double ties = 0.0;
    for (int t = 1; t <= n; ++t) ties += a[t - 1] * t * (t - 1) * (2 * t + 5);
    const double pairs = static_cast<double>(n * (n - 1));
    return (pairs * (2 * n + 5) - ties) / 18;
}

double StandardisedS(double S, double varS) {
    // Continuity correction of one towards zero; S = 0 never reads the variance.
    double z = 0.0;
    if (S > 0) z = (S - 1) / std::sqrt(varS);
    if (S < 0) z = (S + 1) / std::sqrt(varS);
    return std::fabs(z);
}

void KendallTest(AnalysisRecord& r) {
    const int m = r.SampleSize - 1;
    if (m < 1) return;
    // Predecessors A_i = x_i and successors B_i = x_{i+1}.
    std::vector<double> a(r.Sample, r.Sample + m);
    std::vector<double> b(r.Sample + 1, r.Sample + 1 + m);
    std::vector<double> ties(m);

    SortWithCompanion(b.data(), a.data(), m);
    MidRanks(b.data(), m);
    TieGroupCounts(b.data(), m, ties.data());
    SortWithCompanion(a.data(), b.data(), m);

    // Successors' ranks in the order of increasing predecessor; only the ties
    // among the successors enter the variance.
    const double S = SignSum(b.data(), m);
    const double varS = VarianceOfS(m, ties.data());
    r.KendallS = S;
    r.KendallVarS = varS;
    r.KendallTau = 2 * S / (m * (m - 1));
    r.KendallZ = StandardisedS(S, varS);
    r.KendallZLimit = NormalQuantile(kCriticalProbability);
    if (r.KendallZ > r.KendallZLimit) SetFlag(r, FlagDependent);
}

void MannKendallTest(AnalysisRecord& r) {
    const int n = r.SampleSize;
    if (n < 1) return;
    // The pair loop of Mann (1945) in time order is SignSum of the sample.
    const double S = SignSum(r.Sample, n);

    std::vector<double> sorted(r.Sample, r.Sample + n);
    std::vector<double> ties(n);
    SortAscending(sorted.data(), n);
    TieGroupCounts(sorted.data(), n, ties.data());
    const double varS = VarianceOfS(n, ties.data());

    r.MannKendallS = S;
    r.MannKendallVarS = varS;
    r.MannKendallU = StandardisedS(S, varS);
    r.MannKendallULimit = NormalQuantile(kCriticalProbability);
    if (r.MannKendallU > r.MannKendallULimit) SetFlag(r, FlagNonHomogeneous);
}

double GrubbsBeckK(int n) {
    if (n <= kGrubbsBeckPolynomialTo) {
        // Outlier frequency factor K_N at the 10 % level, as a polynomial in
        // n^(1/4) fitted to the Grubbs and Beck (1972) table (Bulletin 17B),
        // each power of n taken as exp of a multiple of ln n, summed from left
        // to right.
        const double t = std::log(static_cast<double>(n));
        return 6.28446 * std::exp(0.25 * t) - 3.62201 - 2.49835 * std::exp(0.5 * t) +
               0.491436 * std::exp(0.75 * t) - 0.037911 * std::exp(t);
    }
    // The one-sided critical value of Grubbs (1969): K = (n - 1)/sqrt(n)
    // sqrt(t^2 / (n - 2 + t^2)), t the upper 0.10/n point of Student's t with
    // n - 2 degrees of freedom (Boost.Math). The flags Boost raises inside
    // its iterations are its own, and are discarded.
    FloatingPointFlagsKept kept;
    const boost::math::students_t student(n - 2.0);
    const double t = boost::math::quantile(boost::math::complement(student, kGrubbsBeckLevel / n));
    const double nn = n;
    return (nn - 1) / std::sqrt(nn) * std::sqrt(t * t / (nn - 2 + t * t));
}

void GrubbsBeckTest(AnalysisRecord& r) {
    const double K = GrubbsBeckK(r.SampleSize);
    r.GrubbsBeckUpper = std::exp(r.LogMean + K * r.LogStdDev);
    r.GrubbsBeckLower = std::exp(r.LogMean - K * r.LogStdDev);
    if (r.GrubbsBeckUpper < r.Maximum) SetFlag(r, FlagHighOutlierGB);
    if (r.GrubbsBeckLower > r.Minimum) SetFlag(r, FlagLowOutlierGB);
}

void SkewnessOutlierTest(AnalysisRecord& r) {
    const int n = r.SampleSize;
    if (n < 1) return;
    std::vector<double> sorted(r.Sample, r.Sample + n);
    SortAscending(sorted.data(), n);

    // Only one value is removed at each end, whatever the ties.
    const auto skewness = [](const double* x, int count) {
        const double mean = SampleMean(x, count);
        const double stdDev = SampleStdDev(x, count, mean);
        return SampleSkewness(x, count, mean, stdDev);
    };
    r.SkewnessWithoutMaximum = skewness(sorted.data(), n - 1);
    r.SkewnessWithoutMinimum = skewness(sorted.data() + 1, n - 1);

    if (std::fabs(r.SkewnessWithoutMaximum - r.Skewness) > kSkewnessChangeLimit) SetFlag(r, FlagHighOutlierSkew);
    if (std::fabs(r.SkewnessWithoutMinimum - r.Skewness) > kSkewnessChangeLimit) SetFlag(r, FlagLowOutlierSkew);
}

}  // namespace zarn
