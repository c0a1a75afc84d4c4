// SPDX-License-Identifier: GPL-3.0-or-later
// L-moment estimators: each fit must give back the L-moments it was fitted to,
// computed here from the population formulas of Hosking and Wallis (1997,
// appendix A) with the C library's gamma function; plus the edge cases of
// the approximations and the table of invalid L-moments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>

#include "analysis/estimation.h"
#include "analysis/special.h"

namespace zarn {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr ParameterSet kUntouched = {-7.0, -8.0, -9.0};

void ExpectSet(const ParameterSet& p, const ParameterSet& expected, const char* name) {
    EXPECT_EQ(p.Position, expected.Position) << name;
    EXPECT_EQ(p.Scale, expected.Scale) << name;
    EXPECT_EQ(p.Shape, expected.Shape) << name;
}

TEST(EstimateNormal, MeanAndSqrtPiTimesL2) {
    ParameterSet p = kUntouched;
    CalcError = 2;
    EstimateNormal({10.0, 2.0, 0.3, 0.1}, p);
    EXPECT_EQ(CalcError, 0);
    EXPECT_EQ(p.Position, 10.0);
    EXPECT_NEAR(p.Scale, 2.0 * std::sqrt(std::numbers::pi), 1e-15);
    EXPECT_EQ(p.Shape, 0.0);
}

TEST(EstimateGumbel, GivesBackItsLMoments) {
    // Gumbel: l1 = xi + gamma_E alpha, l2 = alpha ln 2
    ParameterSet p = kUntouched;
    EstimateGumbel({250.0, 40.0, 0.17, 0.15}, p);
    EXPECT_EQ(CalcError, 0);
    EXPECT_NEAR(p.Scale * std::numbers::ln2, 40.0, 1e-13);
    EXPECT_NEAR(p.Position + std::numbers::egamma * p.Scale, 250.0, 1e-12);
    EXPECT_EQ(p.Shape, 0.0);
}

TEST(EstimateExponential, LowerBoundAndScale) {
    // Exponential: l1 = xi + alpha, l2 = alpha / 2
    ParameterSet p = kUntouched;
    EstimateExponential({10.0, 3.0, 0.33, 0.17}, p);
    ExpectSet(p, {4.0, 6.0, 0.0}, "l1 = 10, l2 = 3");
}

// Pearson III: shape of the gamma distribution against its exact t3 =
// 6 I_{1/3}(alpha, 2 alpha) - 3 (Hosking 1990), t3 from mpmath at 30 digits.
TEST(EstimatePearson3, RecoversTheGammaShapeWithinTheApproximationsAccuracy) {
    struct Row {
        double alpha, t3;
    };
    const Row rows[] = {
        {0.05, 0.88028070192812069561}, {0.3, 0.57392694346891289493},  {1.0, 1.0 / 3.0},
        {2.5, 0.20928344077319753667},  {10.0, 0.10350338014390298545}, {100.0, 0.03259000376278401984},
    };
    for (const Row& row : rows) {
        for (double sign : {1.0, -1.0}) {
            ParameterSet p = kUntouched;
            EstimatePearson3({50.0, 4.0, sign * row.t3, 0.0}, p);
            ASSERT_EQ(CalcError, 0) << row.alpha;
            const double alpha = 4.0 / (p.Shape * p.Shape);
            // Hosking's rational approximations: relative error below 5e-5
            EXPECT_NEAR(alpha / row.alpha, 1.0, 5e-5) << row.alpha;
            EXPECT_EQ(std::copysign(1.0, p.Shape), sign) << row.alpha;
            EXPECT_EQ(p.Position, 50.0);
            // l2 = beta Gamma(alpha + 1/2) / (sqrt(pi) Gamma(alpha)), beta = sigma / sqrt(alpha);
            // sqrt(pi) is carried to 8 digits by the estimator
            const double beta = p.Scale / std::sqrt(alpha);
            const double l2 = beta * std::tgamma(alpha + 0.5) / (std::sqrt(std::numbers::pi) * std::tgamma(alpha));
            EXPECT_NEAR(l2 / 4.0, 1.0, 1e-7) << row.alpha;
        }
    }
}

TEST(EstimatePearson3, NegativeSkewnessMirrorsPositive) {
    for (double t3 : {0.05, 0.2, 0.33333333, 0.6, 0.95}) {
        ParameterSet up = kUntouched, down = kUntouched;
        EstimatePearson3({5.0, 1.5, t3, 0.0}, up);
        EstimatePearson3({5.0, 1.5, -t3, 0.0}, down);
        EXPECT_EQ(down.Scale, up.Scale) << t3;
        EXPECT_EQ(down.Shape, -up.Shape) << t3;
    }
}

TEST(EstimatePearson3, ZeroSkewnessIsTheNormalWithShortSqrtPi) {
    for (double t3 : {0.0, 1e-6, -1e-6}) {
        ParameterSet p = kUntouched;
        EstimatePearson3({5.0, 2.0, t3, 0.0}, p);
        EXPECT_EQ(CalcError, 0);
        ExpectSet(p, {5.0, 2.0 * 1.7724539, 0.0}, "|t3| <= 1e-6");
    }
    // just above the threshold the gamma approximation applies
    ParameterSet p = kUntouched;
    EstimatePearson3({5.0, 2.0, 2e-6, 0.0}, p);
    EXPECT_GT(p.Shape, 0.0);
}

// GEV: l1 = xi + alpha (1 - G) / k, l2 = alpha (1 - 2^-k) G / k,
// t3 = 2 (1 - 3^-k) / (1 - 2^-k) - 3, with G = Gamma(1 + k).
TEST(EstimateGEV, GivesBackItsLMoments) {
    struct Row {
        const char* name;
        double t3;
        double t3Tolerance;
    };
    const Row rows[] = {
        {"Newton from 1 - ln(1 + t3) / ln 2", -0.999, 1e-6},
        {"t3 = -0.95: Newton from 1 - ln(0.05) / ln 2", -0.95, 1e-6},
        {"Newton from the polynomial", -0.5, 1e-6},
        {"just below the polynomial's range", -0.1000001, 1e-6},
        {"t3 = -0.1 uses the polynomial alone", -0.1, 1e-4},
        {"polynomial", 0.0, 1e-4},
        {"t3 = 0.5 uses the polynomial alone", 0.5, 1e-4},
        {"just above the polynomial's range", 0.5000001, 1e-6},
        {"Newton, shape near -1", 0.95, 1e-6},
    };
    for (const Row& row : rows) {
        ParameterSet p = kUntouched;
        EstimateGEV({100.0, 20.0, row.t3, 0.0}, p);
        ASSERT_EQ(CalcError, 0) << row.name;
        const double k = p.Shape;
        ASSERT_NE(k, 0.0) << row.name;
        const double g = std::tgamma(1.0 + k);
        EXPECT_NEAR(2.0 * (1.0 - std::pow(3.0, -k)) / (1.0 - std::pow(2.0, -k)) - 3.0, row.t3, row.t3Tolerance)
            << row.name;
        EXPECT_NEAR(p.Scale * (1.0 - std::pow(2.0, -k)) * g / k, 20.0, 20.0 * 1e-12) << row.name;
        EXPECT_NEAR(p.Position + p.Scale * (1.0 - g) / k, 100.0, 100.0 * 1e-12) << row.name;
    }
}

TEST(EstimateGEV, NearGumbelSkewnessStoresShapeZero) {
    // t3 = 0.169925: first estimate about 3e-8, below 1e-5, so the Gumbel
    // formulas with ln 2 = 0.69314718 and Euler's constant 0.57721566 apply.
    ParameterSet p = kUntouched;
    EstimateGEV({100.0, 20.0, 0.169925, 0.0}, p);
    EXPECT_EQ(CalcError, 0);
    EXPECT_EQ(p.Shape, 0.0);
    EXPECT_DOUBLE_EQ(p.Scale, 20.0 / 0.69314718);
    EXPECT_DOUBLE_EQ(p.Position, 100.0 - 0.57721566 * (20.0 / 0.69314718));

    // t3 = 0.1699, the Gumbel's to four digits: k about 3.9e-5, general formulas
    EstimateGEV({100.0, 20.0, 0.1699, 0.0}, p);
    EXPECT_NEAR(p.Shape, 3.9e-5, 0.1e-5);
    const double k = p.Shape;
    EXPECT_NEAR(p.Scale * (1.0 - std::pow(2.0, -k)) * std::tgamma(1.0 + k) / k, 20.0, 20.0 * 1e-10);
}

TEST(EstimateGEV, AStaleCodeDoesNotStopTheFit) {
    // The estimator stops when CalcError is set after its checks: a code left
    // by an earlier routine must not count.
    ParameterSet p = kUntouched;
    CalcError = 1;
    EstimateGEV({100.0, 20.0, 0.2, 0.0}, p);
    EXPECT_EQ(CalcError, 0);
    EXPECT_NE(p.Scale, kUntouched.Scale);
}

// GPA: l1 = xi + alpha / (1 + k), l2 = alpha / ((1 + k)(2 + k)), t3 = (1 - k) / (3 + k)
TEST(EstimateGPA, GivesBackItsLMoments) {
    for (double t3 : {-0.9, -0.3, 0.0, 0.2, 0.5, 0.9}) {
        ParameterSet p = kUntouched;
        EstimateGPA({30.0, 6.0, t3, 0.0}, p);
        ASSERT_EQ(CalcError, 0) << t3;
        const double k = p.Shape;
        EXPECT_NEAR((1.0 - k) / (3.0 + k), t3, 1e-15) << t3;
        EXPECT_NEAR(p.Scale / ((1.0 + k) * (2.0 + k)), 6.0, 1e-13) << t3;
        EXPECT_NEAR(p.Position + p.Scale / (1.0 + k), 30.0, 1e-13) << t3;
    }
}

TEST(EstimateGPA, OneThirdIsTheExponential) {
    ParameterSet p = kUntouched;
    EstimateGPA({30.0, 6.0, 1.0 / 3.0, 0.0}, p);
    EXPECT_NEAR(p.Shape, 0.0, 1e-15);
    EXPECT_NEAR(p.Scale, 12.0, 1e-13);
    EXPECT_NEAR(p.Position, 18.0, 1e-13);
}

// Invalid L-moments: code 1; Normal and Gumbel leave the set cleared, the
// others leave it as it was.
TEST(Estimators, InvalidLMomentsGiveCodeOne) {
    using Estimator = bool (*)(LMomentSet, ParameterSet&);
    struct Row {
        const char* name;
        Estimator estimate;
        LMomentSet m;
        ParameterSet after;
    };
    constexpr ParameterSet cleared = {0.0, 0.0, 0.0};
    const Row rows[] = {
        {"Normal l2 = 0", EstimateNormal, {1.0, 0.0, 0.0, 0.0}, cleared},
        {"Normal l2 < 0", EstimateNormal, {1.0, -1.0, 0.0, 0.0}, cleared},
        {"Normal l2 NaN", EstimateNormal, {1.0, kNaN, 0.0, 0.0}, cleared},
        {"Gumbel l2 = 0", EstimateGumbel, {1.0, 0.0, 0.0, 0.0}, cleared},
        {"Gumbel l2 NaN", EstimateGumbel, {1.0, kNaN, 0.0, 0.0}, cleared},
        {"Exponential l2 = 0", EstimateExponential, {1.0, 0.0, 0.0, 0.0}, kUntouched},
        {"Exponential l2 NaN", EstimateExponential, {1.0, kNaN, 0.0, 0.0}, kUntouched},
        {"Pearson III l2 = 0", EstimatePearson3, {1.0, 0.0, 0.1, 0.0}, kUntouched},
        {"Pearson III t3 = 1", EstimatePearson3, {1.0, 1.0, 1.0, 0.0}, kUntouched},
        {"Pearson III t3 = -1", EstimatePearson3, {1.0, 1.0, -1.0, 0.0}, kUntouched},
        {"Pearson III t3 NaN", EstimatePearson3, {1.0, 1.0, kNaN, 0.0}, kUntouched},
        {"GEV l2 = 0", EstimateGEV, {1.0, 0.0, 0.1, 0.0}, kUntouched},
        {"GEV t3 = 1", EstimateGEV, {1.0, 1.0, 1.0, 0.0}, kUntouched},
        {"GEV t3 = -1", EstimateGEV, {1.0, 1.0, -1.0, 0.0}, kUntouched},
        {"GEV t3 NaN", EstimateGEV, {1.0, 1.0, kNaN, 0.0}, kUntouched},
        {"GPA l2 < 0", EstimateGPA, {1.0, -2.0, 0.1, 0.0}, kUntouched},
        {"GPA t3 = 1", EstimateGPA, {1.0, 1.0, 1.0, 0.0}, kUntouched},
        {"GPA t3 = -1", EstimateGPA, {1.0, 1.0, -1.0, 0.0}, kUntouched},
        {"GPA t3 NaN", EstimateGPA, {1.0, 1.0, kNaN, 0.0}, kUntouched},
    };
    for (const Row& row : rows) {
        ParameterSet p = kUntouched;
        CalcError = 0;
        const bool written = row.estimate(row.m, p);
        EXPECT_EQ(CalcError, 1) << row.name;
        ExpectSet(p, row.after, row.name);
        // Normal and Gumbel have written (cleared) the set; the others nothing.
        EXPECT_EQ(written, std::memcmp(&row.after, &kUntouched, sizeof p) != 0) << row.name;
    }
    // The three-parameter fits accept t3 up to, but excluding, +-1: they
    // write their parameters. (At the double just below 1 the GEV's shape
    // falls a hair below -1, where LogGamma refuses 1 + k with code 1.)
    for (Estimator estimate : {EstimatePearson3, EstimateGEV, EstimateGPA}) {
        for (double t3 : {std::nextafter(1.0, 0.0), std::nextafter(-1.0, 0.0)}) {
            ParameterSet p = kUntouched;
            EXPECT_TRUE(estimate({1.0, 1.0, t3, 0.0}, p)) << t3;
            EXPECT_NE(p.Scale, kUntouched.Scale) << t3;
        }
        for (double t3 : {0.999999, -0.999999}) {
            ParameterSet p = kUntouched;
            estimate({1.0, 1.0, t3, 0.0}, p);
            EXPECT_EQ(CalcError, 0) << t3;
        }
    }
}

TEST(EstimateParameters, DispatchesByDistributionIndex) {
    const LMomentSet m = {12.0, 3.0, 0.25, 0.16};
    using Estimator = bool (*)(LMomentSet, ParameterSet&);
    const Estimator byIndex[] = {nullptr,          EstimateNormal,   EstimateNormal, EstimateGumbel, EstimateExponential,
                                 EstimatePearson3, EstimatePearson3, EstimateGEV,    EstimateGPA};
    for (int index = 1; index <= kDistributionCount; ++index) {
        ParameterSet viaDispatch = kUntouched, direct = kUntouched;
        EstimateParameters(index, m, viaDispatch);
        byIndex[index](m, direct);
        ExpectSet(viaDispatch, direct, "dispatch");
    }
    for (int index : {0, 9, -1}) {
        ParameterSet p = kUntouched;
        EstimateParameters(index, m, p);
        ExpectSet(p, kUntouched, "not a distribution index");
    }
}

TEST(EstimateAllDistributions, FitsTheLogarithmicPairToTheLogLMoments) {
    auto r = std::make_unique<AnalysisRecord>();
    r->LMoments = {500.0, 120.0, 0.22, 0.15};
    r->LogLMoments = {6.0, 0.25, -0.05, 0.12};
    EstimateAllDistributions(*r);
    for (int index = 1; index <= kDistributionCount; ++index) {
        const bool logarithmic = index == kLogNormal || index == kLogPearson3;
        ParameterSet expected = {};
        EstimateParameters(index, logarithmic ? r->LogLMoments : r->LMoments, expected);
        ExpectSet(ParametersOf(*r, index), expected, "slot");
    }
    EXPECT_EQ(ParametersOf(*r, kLogNormal).Position, 6.0);
    EXPECT_EQ(ParametersOf(*r, kNormal).Position, 500.0);
}

TEST(EstimateAllDistributions, RefusedFitsLeaveNoEarlierParameters) {
    auto r = std::make_unique<AnalysisRecord>();
    for (ParameterSet& p : r->Parameters) p = kUntouched;
    r->LMoments = {500.0, 0.0, 0.0, 0.0};
    r->LogLMoments = {6.0, 0.0, 0.0, 0.0};
    EstimateAllDistributions(*r);
    for (int index = 1; index <= kDistributionCount; ++index) ExpectSet(ParametersOf(*r, index), {0.0, 0.0, 0.0}, "slot");
}

}  // namespace
}  // namespace zarn
