// SPDX-License-Identifier: GPL-3.0-or-later
// Low-outlier tests and historical plotting positions: the multiple
// Grubbs-Beck p-value against simulated normal samples, the two sweeps on
// planted low floods and zeros, the single test against its criterion, and
// the Hirsch-Stedinger positions worked by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <random>
#include <vector>

#include "analysis/faults.h"
#include "analysis/historical.h"
#include "analysis/mgbt.h"
#include "analysis/ranktests.h"
#include "tests/core/support/fault.h"

using namespace zarn;

namespace {

// 10^(3 + 0.25 z_i), z_i the normal quantiles at (i - 0.5) / n: a record as
// regular as a lognormal one can be, ascending.
std::vector<double> RegularFlows(int n) {
    std::vector<double> q;
    for (int i = 1; i <= n; ++i)
        q.push_back(std::pow(10.0, 3 + 0.25 * boost::math::quantile(boost::math::normal(), (i - 0.5) / n)));
    return q;
}

// omega_k of a sample sorted ascending (k from 1).
double Omega(const std::vector<double>& sorted, int k) {
    const int n = static_cast<int>(sorted.size());
    double mean = 0, squares = 0;
    for (int i = k; i < n; ++i) mean += sorted[i] / (n - k);
    for (int i = k; i < n; ++i) squares += (sorted[i] - mean) * (sorted[i] - mean);
    return (sorted[k - 1] - mean) / std::sqrt(squares / (n - k - 1));
}

TEST(MgbtPValue, AgreesWithSimulatedNormalSamples) {
    // 20000 normal samples of each size (seed fixed): at the empirical
    // a-quantile of omega_k the p-value must be a, within 0.01 (the
    // approximation of Cohn et al. 2013 is within 0.005 of simulation at these
    // points; the simulation's own error is 0.002 at a = 0.1).
    constexpr int kSamples = 20000;
    std::mt19937_64 engine(2013);
    std::normal_distribution<double> normal;
    for (const auto [n, k] : {std::pair{10, 1}, std::pair{25, 4}, std::pair{40, 15}}) {
        std::vector<double> omegas, x(n);
        for (int s = 0; s < kSamples; ++s) {
            for (double& v : x) v = normal(engine);
            std::sort(x.begin(), x.end());
            omegas.push_back(Omega(x, k));
        }
        std::sort(omegas.begin(), omegas.end());
        for (const double a : {0.05, 0.10, 0.50})
            EXPECT_NEAR(MgbtPValue(n, k, omegas[static_cast<int>(a * kSamples)]), a, 0.01) << "n " << n << " k " << k;
    }
}

TEST(MgbtPValue, RisesFromZeroToOneWithTheStatistic) {
    double previous = 0;
    for (double w = -6; w <= 2; w += 0.5) {
        const double p = MgbtPValue(30, 3, w);
        EXPECT_GE(p, previous) << w;
        previous = p;
    }
    EXPECT_LT(MgbtPValue(30, 3, -6), 1e-6);
    EXPECT_GT(MgbtPValue(30, 3, 2), 0.999);
}

TEST(MgbtPValue, DomainFaultsGiveNaN) {
    struct Case {
        int n, k;
        double w;
    };
    for (const Case c : {Case{2, 1, -1}, Case{10, 0, -1}, Case{10, 9, -1}, Case{10, 1, std::nan("")}}) {
        EXPECT_TRUE(std::isnan(MgbtPValue(c.n, c.k, c.w))) << c.n << " " << c.k;
        EXPECT_EQ(CalcError, kArgumentOutOfRange);
    }
    EXPECT_FALSE(std::isnan(MgbtPValue(10, 8, -1)));
    EXPECT_EQ(CalcError, kNoFault);
}

TEST(MultipleGrubbsBeck, RegularRecordHasNoLowOutlier) {
    const LowOutlierTest t = MultipleGrubbsBeck(RegularFlows(40));
    EXPECT_EQ(t.Count, 0);
    EXPECT_EQ(t.Threshold, 0);
    ASSERT_EQ(t.PValues.size(), 20u);  // the smallest half is examined
    for (const double p : t.PValues) EXPECT_GT(p, 0.10);
}

// RegularFlows(n) with its smallest flows replaced by `low`.
std::vector<double> WithLowFloods(int n, const std::vector<double>& low) {
    std::vector<double> flows = RegularFlows(n);
    std::copy(low.begin(), low.end(), flows.begin());
    return flows;
}

TEST(MultipleGrubbsBeck, PlantedLowFloodsAreFound) {
    const LowOutlierTest t = MultipleGrubbsBeck(WithLowFloods(40, {3, 5, 8}));
    EXPECT_EQ(t.Count, 3);
    EXPECT_EQ(t.Threshold, RegularFlows(40)[3]);
}

TEST(MultipleGrubbsBeck, MaskedClusterIsFoundByTheOutwardSweep) {
    // Three floods far below the rest: the two smallest, judged against a
    // spread that holds their neighbours, are not significant at 0.5 % (the
    // smallest not even at 10 %, so the inward sweep stops at once); the
    // outward sweep from the median finds the third.
    const LowOutlierTest t = MultipleGrubbsBeck(WithLowFloods(12, {10, 10.2, 10.4}));
    ASSERT_EQ(t.PValues.size(), 6u);
    EXPECT_GT(t.PValues[0], 0.10);
    EXPECT_GT(t.PValues[1], 0.005);
    EXPECT_LT(t.PValues[2], 0.005);
    EXPECT_EQ(t.Count, 3);
    EXPECT_EQ(t.Threshold, RegularFlows(12)[3]);
}

TEST(MultipleGrubbsBeck, ModerateLowFloodIsFoundByTheInwardSweepOnly) {
    // A smallest flood significant at 10 % but not at 0.5 %.
    const LowOutlierTest t = MultipleGrubbsBeck(WithLowFloods(40, {150}));
    ASSERT_FALSE(t.PValues.empty());
    EXPECT_GT(t.PValues[0], 0.005);
    EXPECT_LT(t.PValues[0], 0.10);
    EXPECT_EQ(t.Count, 1);
    EXPECT_EQ(t.Threshold, RegularFlows(40)[1]);
}

TEST(MultipleGrubbsBeck, ZerosAreLowOutliersWithoutArithmeticFaults) {
    LowOutlierTest t;
    EXPECT_EQ(FaultOf([&] { t = MultipleGrubbsBeck(WithLowFloods(30, {0, 0})); }), "");
    EXPECT_EQ(t.Count, 2);
    EXPECT_EQ(t.PValues[0], 0);
    EXPECT_EQ(t.PValues[1], 0);
    EXPECT_EQ(t.Threshold, RegularFlows(30)[2]);

    // More zeros than the half examined: all of them still count.
    t = MultipleGrubbsBeck({0, 0, 0, 0, 500, 600, 700});
    EXPECT_EQ(t.Count, 4);
    EXPECT_EQ(t.Threshold, 500);
    // Too short to test: only the zeros count (a value that is no number is no flow).
    t = MultipleGrubbsBeck({0, std::nan(""), 500});
    EXPECT_EQ(t.Count, 1);
    EXPECT_EQ(t.Threshold, 500);
    EXPECT_EQ(MultipleGrubbsBeck({}).Count, 0);
}

TEST(SingleGrubbsBeck, FlagsTheFloodsBelowTheCriterion) {
    EXPECT_EQ(SingleGrubbsBeck(RegularFlows(40)).Count, 0);

    // The criterion of the 41 flows with a low one: 10^(mean - K_N sd) of the
    // logs. A flood just below it is a low outlier, one just above is not.
    const auto criterion = [](std::vector<double> flows) {
        double mean = 0, squares = 0;
        for (double& q : flows) mean += (q = std::log10(q)) / flows.size();
        for (const double y : flows) squares += (y - mean) * (y - mean);
        const int n = static_cast<int>(flows.size());
        return std::pow(10.0, mean - GrubbsBeckK(n) * std::sqrt(squares / (n - 1)));
    };
    for (const double factor : {0.99, 1.01}) {
        std::vector<double> flows = RegularFlows(40);
        flows.push_back(100);
        // The low one moves its own criterion: iterated until it settles.
        for (int i = 0; i < 30; ++i) flows.back() = factor * criterion(flows);
        const LowOutlierTest t = SingleGrubbsBeck(flows);
        EXPECT_EQ(t.Count, factor < 1 ? 1 : 0) << factor;
        EXPECT_EQ(t.Threshold, factor < 1 ? RegularFlows(40)[0] : 0) << factor;
        EXPECT_TRUE(t.PValues.empty());
    }
}

TEST(HistoricalPlottingPositions, SystematicRecordTakesWeibullAndHazen) {
    HistoricalRecord r;
    for (int i = 0; i < 5; ++i) r.Observations.push_back({2000 + i, 100.0 * (i + 1), 100.0 * (i + 1)});
    const std::vector<double> weibull = HistoricalPlottingPositions(r);
    const std::vector<double> hazen = HistoricalPlottingPositions(r, 0.5);
    for (int i = 0; i < 5; ++i) {  // flow 100 (i + 1) has rank 5 - i from the top
        EXPECT_NEAR(weibull[i], (5 - i) / 6.0, 1e-15);
        EXPECT_NEAR(hazen[i], (5 - i - 0.5) / 5.0, 1e-15);
    }
}

TEST(HistoricalPlottingPositions, TwoThresholdsWorkedByHand) {
    // 1800-1849 above 2000: one flood, 2500; 1850-1949 above 1000: 1500 and
    // 1200; systematic 1950-1954: 1100, 300, 500, 400, 200. 155 years.
    HistoricalRecord r;
    r.Observations = {{1820, 2500, 2500, true}, {1870, 1500, 1500, true}, {1900, 1200, 1200, true},
                      {1950, 1100, 1100}, {1951, 300, 300}, {1952, 500, 500}, {1953, 400, 400}, {1954, 200, 200}};
    r.Thresholds = {{1800, 1849, 2000}, {1850, 1949, 1000}};
    // Above 2000: 1 of all 155 years. In [1000, 2000): 3 of the 105 years in
    // view below 2000 (the 100 of 1850-1949 and the 5 systematic). Below 1000:
    // the 4 systematic floods, all that is in view.
    const double p1 = 1.0 / 155;
    const double p2 = p1 + (1 - p1) * 3.0 / 105;
    const std::vector<double> expected = {p1 / 2,
                                          p1 + (p2 - p1) * 1 / 4,
                                          p1 + (p2 - p1) * 2 / 4,
                                          p1 + (p2 - p1) * 3 / 4,
                                          p2 + (1 - p2) * 3 / 5,
                                          p2 + (1 - p2) * 1 / 5,
                                          p2 + (1 - p2) * 2 / 5,
                                          p2 + (1 - p2) * 4 / 5};
    const std::vector<double> got = HistoricalPlottingPositions(r);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-15) << i;
}

TEST(HistoricalPlottingPositions, IntervalsAndUnplacedYears) {
    // An interval ranks by its geometric midpoint (400 for 200-800), "> Q" by
    // Q; [0, inf) and a historical flood no threshold covers are not placed.
    HistoricalRecord r;
    r.Observations = {{1890, 9000, 9000, true}, {2000, 100, 100}, {2001, 200, 800},
                      {2002, 300, 300},         {2003, 0, INFINITY}, {2004, 350, INFINITY}};
    const std::vector<double> got = HistoricalPlottingPositions(r);
    EXPECT_TRUE(std::isnan(got[0]));
    EXPECT_TRUE(std::isnan(got[4]));
    EXPECT_NEAR(got[2], 1 / 5.0, 1e-15);
    EXPECT_NEAR(got[5], 2 / 5.0, 1e-15);
    EXPECT_NEAR(got[3], 3 / 5.0, 1e-15);
    EXPECT_NEAR(got[1], 4 / 5.0, 1e-15);

    // A threshold typed over 16651 years places nothing (and takes no time).
    r.Thresholds = {{1850, 18500, 1000}};
    for (const double p : HistoricalPlottingPositions(r)) EXPECT_TRUE(std::isnan(p));
}

}  // namespace
