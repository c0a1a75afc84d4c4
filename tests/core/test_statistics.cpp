// SPDX-License-Identifier: GPL-3.0-or-later
// Descriptive statistics, L-moments, histogram and sorts, with the worked
// examples and the fault rows of the small and degenerate samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "files/errors.h"
#include "analysis/statistics.h"

using namespace zarn;

namespace {

// The error text DescriptiveStatistics raises for a series, or "".
std::string StatisticsError(std::vector<double> x) {
    double mn, mx, mean, sd, skew;
    FloatingPointCheck check;
    try {
        DescriptiveStatistics(x.data(), static_cast<int>(x.size()), mn, mx, mean, sd, skew);
        check.Raise();
    } catch (const ZarnError& e) {
        return e.what();
    }
    return "";
}

TEST(Statistics, WorkedExampleOneTwoThreeTen) {
    // 1, 2, 3, 10 worked by hand: mean 4, sd sqrt(50/3), skewness 4*180/(3*2*sd^3).
    const double x[] = {1, 2, 3, 10};
    double mn, mx, mean, sd, skew;
    DescriptiveStatistics(x, 4, mn, mx, mean, sd, skew);
    EXPECT_EQ(mn, 1);
    EXPECT_EQ(mx, 10);
    EXPECT_EQ(mean, 4);
    EXPECT_NEAR(sd, std::sqrt(50.0 / 3.0), 1e-15);
    EXPECT_NEAR(skew, 1.7636, 5e-5);
    EXPECT_NEAR(skew, 4 * 180 / (3 * 2 * std::pow(std::sqrt(50.0 / 3.0), 3)), 1e-13);
}

TEST(Statistics, ExtremesStartAtPlusMinusOneBillion) {
    const double high[] = {2e9, 3e9};
    const double low[] = {-2e9, -3e9};
    EXPECT_EQ(SampleMinimum(high, 2), 1e9);
    EXPECT_EQ(SampleMaximum(high, 2), 3e9);
    EXPECT_EQ(SampleMaximum(low, 2), -1e9);
}

TEST(Statistics, FaultRowsOfSmallAndDegenerateSamples) {
    EXPECT_EQ(StatisticsError({}), "Invalid floating point operation");            // n = 0: 0/0 in the mean
    EXPECT_EQ(StatisticsError({5}), "Invalid floating point operation");           // n = 1: 0/0 in the deviation
    EXPECT_EQ(StatisticsError({1, 4}), "Invalid floating point operation");        // n = 2, cubes sum to 0
    EXPECT_EQ(StatisticsError({0.1, 0.7}), "Floating point division by zero");      // n = 2, cubes do not (rounding)
    EXPECT_EQ(StatisticsError({7, 7, 7}), "Floating point division by zero");      // ln of a zero deviation
    EXPECT_EQ(StatisticsError({3, 3, 3, 3, 3}), "Floating point division by zero");
    EXPECT_EQ(StatisticsError({1, 2, 3}), "");
}

TEST(Statistics, LogTransformIsNaturalAndFailsOnZeroOrNegative) {
    const double x[] = {std::exp(1.0), 1.0};
    double y[2];
    LogTransform(x, 2, y);
    EXPECT_EQ(y[0], 1.0);
    EXPECT_EQ(y[1], 0.0);
    const double zero[] = {3, 0, -1};
    const double negative[] = {3, -1, 0};
    double out[3];
    try { LogTransform(zero, 3, out); FAIL(); } catch (const ZarnError& e) { EXPECT_STREQ(e.what(), "Floating point division by zero"); }
    try { LogTransform(negative, 3, out); FAIL(); } catch (const ZarnError& e) { EXPECT_STREQ(e.what(), "Invalid floating point operation"); }
}

TEST(Statistics, ProbabilityWeightedMomentsAndLMoments) {
    // 1, 2, 3, 4 worked by hand: b0 = 2.5, b1 = 5/3, b2 = 1.25, b3 = 1.
    double d[] = {4, 3, 2, 1};
    EXPECT_DOUBLE_EQ(ProbabilityWeightedMoment(0, 4, d), 2.5);
    EXPECT_DOUBLE_EQ(ProbabilityWeightedMoment(1, 4, d), 5.0 / 3.0);
    EXPECT_DOUBLE_EQ(ProbabilityWeightedMoment(2, 4, d), 1.25);
    EXPECT_DOUBLE_EQ(ProbabilityWeightedMoment(3, 4, d), 1.0);
    const double a[] = {3, 1, 4, 2};
    const LMomentSet m = SampleLMoments(a, 4);
    EXPECT_DOUBLE_EQ(m.L1, 2.5);
    EXPECT_NEAR(m.L2, 0.8333333333333333, 1e-15);
    EXPECT_NEAR(m.T3, 0.0, 1e-15);
    EXPECT_NEAR(m.T4, 0.0, 1e-15);
    // 1, 2, 3, 10: l1 = 4, l2 = 7/3, t3 = t4 = 0.6429 (worked by hand: 1.5/(7/3)).
    const double b[] = {10, 1, 3, 2};
    const LMomentSet k = SampleLMoments(b, 4);
    EXPECT_DOUBLE_EQ(k.L1, 4.0);
    EXPECT_NEAR(k.L2, 7.0 / 3.0, 1e-15);
    EXPECT_NEAR(k.T3, 0.6428571428571429, 1e-15);
    EXPECT_NEAR(k.T4, 0.6428571428571429, 1e-15);
    // The caller's series is not changed.
    EXPECT_EQ(b[0], 10);
    EXPECT_EQ(b[1], 1);
}

TEST(Statistics, LMomentsAgreeWithTheOrderStatisticFormula) {
    // Hosking (1990): l2 = (1/2) C(n,2)^-1 sum_{i>j} (x_(i) - x_(j)) for the sorted sample.
    std::mt19937 gen(7);
    std::lognormal_distribution<double> dist(3.0, 0.8);
    std::vector<double> x(57);
    for (auto& v : x) v = dist(gen);
    const LMomentSet m = SampleLMoments(x.data(), 57);
    std::vector<double> s = x;
    std::sort(s.begin(), s.end());
    double sum = 0;
    for (int i = 0; i < 57; ++i)
        for (int j = 0; j < i; ++j) sum += s[i] - s[j];
    const double l2 = 0.5 * sum / (57.0 * 56.0 / 2.0);
    EXPECT_NEAR(m.L2, l2, 1e-12 * l2);
    EXPECT_NEAR(m.L1, std::accumulate(x.begin(), x.end(), 0.0) / 57, 1e-12 * m.L1);
}

TEST(Statistics, BinomialCoefficientFactorByFactor) {
    EXPECT_EQ(BinomialCoefficient(5, 0), 1);
    EXPECT_EQ(BinomialCoefficient(5, 5), 1);
    EXPECT_EQ(BinomialCoefficient(5, -1), 1);
    EXPECT_EQ(BinomialCoefficient(5, 2), 10);
    EXPECT_EQ(BinomialCoefficient(10, 3), 120);
    EXPECT_EQ(BinomialCoefficient(3, 4), 0);  // the factor (a - k + 1) reaches 0
}

TEST(Statistics, HistogramClassCountsAndEdges) {
    const int counts[][2] = {{1, 2}, {2, 2}, {3, 3}, {5, 3}, {6, 4}, {10, 4}, {11, 4}, {12, 5}, {30, 6},
                             {46, 6}, {47, 7}, {100, 8}, {190, 9}, {382, 10}, {1544, 11}, {1545, 12},
                             {6255, 13}, {6256, 14}, {10000, 14}};
    std::vector<double> x(10000), c(10000), f(10000);
    std::iota(x.begin(), x.end(), 1.0);
    for (const auto& [n, k] : counts) {
        SCOPED_TRACE(n);
        EXPECT_EQ(BuildHistogram(x.data(), n, 1, n, c.data(), f.data()), k);
    }
    // 10 values, 4 classes centred at 1, 4, 7, 10 with width 3: (c - 1.5, c + 1.5].
    const int k = BuildHistogram(x.data(), 10, 1, 10, c.data(), f.data());
    ASSERT_EQ(k, 4);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[3], 10);
    EXPECT_DOUBLE_EQ(f[0], 0.2);  // 1, 2
    EXPECT_DOUBLE_EQ(f[1], 0.3);  // 3, 4, 5
    EXPECT_DOUBLE_EQ(f[2], 0.3);  // 6, 7, 8
    EXPECT_DOUBLE_EQ(f[3], 0.2);  // 9, 10
    // Minimum equal to maximum: width 0, every frequency 0.
    const double same[] = {4, 4, 4};
    EXPECT_EQ(BuildHistogram(same, 3, 4, 4, c.data(), f.data()), 3);
    EXPECT_EQ(f[0] + f[1] + f[2], 0.0);
    EXPECT_EQ(c[2], 4);
}

TEST(Statistics, SortsOrderAndReverse) {
    std::mt19937 gen(11);
    std::uniform_int_distribution<int> dist(0, 20);  // many ties
    for (int n : {1, 2, 3, 17, 500}) {
        std::vector<double> x(n);
        for (auto& v : x) v = dist(gen);
        std::vector<double> asc = x, desc = x, expected = x;
        SortAscending(asc.data(), n);
        SortDescending(desc.data(), n);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(asc, expected);
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(desc, expected);
        EXPECT_EQ(ProbabilityWeightedMoment(0, n, desc.data()), SampleMean(desc.data(), n));
    }
}

}  // namespace
