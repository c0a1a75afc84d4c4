// SPDX-License-Identifier: GPL-3.0-or-later
// Quantile functions: each inverts its distribution function, written here
// independently from the textbook formulas (Hosking and Wallis 1997, appendix
// A); the end points agree with the bounds; the edge cases of the
// distributions; the table of domain faults.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <string>

#include "analysis/quantiles.h"
#include "analysis/special.h"

namespace zarn {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// P(n, y) for a whole shape n: 1 - exp(-y) (1 + y + ... + y^(n-1) / (n-1)!)
double PoissonTailGamma(int n, double y) {
    double term = 1.0, sum = 1.0;
    for (int j = 1; j < n; ++j) {
        term = term * y / j;
        sum += term;
    }
    return 1.0 - std::exp(-y) * sum;
}

// Quantile, bounds and CalcError of one fitted distribution together: inside
// (0, 1) the quantile inverts the distribution function cdf; at F = 0 and
// F = 1 it returns the bound where LowerBound / UpperBound report one, and 0
// with code 2 where the distribution is unbounded.
void CheckDistribution(const std::string& name, int index, const ParameterSet& p,
                       const std::function<double(double)>& cdf) {
    for (double F : {1e-6, 0.01, 0.1, 0.5, 0.9, 0.99, 0.999999}) {
        const double x = DistributionQuantile(index, p, F);
        EXPECT_EQ(CalcError, 0) << name << " F = " << F;
        EXPECT_NEAR(cdf(x), F, 1e-11) << name << " F = " << F;
    }
    double bound = 0.0;
    if (LowerBound(index, p, bound)) {
        EXPECT_EQ(DistributionQuantile(index, p, 0.0), bound) << name << " lower bound";
        EXPECT_EQ(CalcError, 0) << name << " lower bound";
        EXPECT_LE(bound, DistributionQuantile(index, p, 1e-6)) << name;
    } else {
        EXPECT_EQ(DistributionQuantile(index, p, 0.0), 0.0) << name << " unbounded below";
        EXPECT_EQ(CalcError, 2) << name << " unbounded below";
    }
    if (UpperBound(index, p, bound)) {
        EXPECT_EQ(DistributionQuantile(index, p, 1.0), bound) << name << " upper bound";
        EXPECT_EQ(CalcError, 0) << name << " upper bound";
        EXPECT_GE(bound, DistributionQuantile(index, p, 0.999999)) << name;
    } else {
        EXPECT_EQ(DistributionQuantile(index, p, 1.0), 0.0) << name << " unbounded above";
        EXPECT_EQ(CalcError, 2) << name << " unbounded above";
    }
}

TEST(Quantiles, Normal) {
    for (int index : {kNormal, kLogNormal}) {
        CheckDistribution("Normal", index, {100.0, 15.0, 0.0},
                          [](double x) { return 0.5 * std::erfc(-(x - 100.0) / (15.0 * std::sqrt(2.0))); });
    }
    EXPECT_EQ(QuantileNormal({100.0, 15.0, 0.0}, 0.5), 100.0);
}

TEST(Quantiles, Gumbel) {
    CheckDistribution("Gumbel", kGumbel, {80.0, 12.0, 0.0},
                      [](double x) { return std::exp(-std::exp(-(x - 80.0) / 12.0)); });
}

TEST(Quantiles, Exponential) {
    CheckDistribution("Exponential", kExponential, {20.0, 7.0, 0.0},
                      [](double x) { return -std::expm1(-(x - 20.0) / 7.0); });
}

TEST(Quantiles, GEV) {
    for (double k : {-0.3, -0.05, 0.0, 0.2, 0.9}) {
        const double xi = 80.0, alpha = 12.0;
        CheckDistribution("GEV k = " + std::to_string(k), kGEV, {xi, alpha, k}, [=](double x) {
            const double y = k == 0 ? (x - xi) / alpha : -std::log(1.0 - k * (x - xi) / alpha) / k;
            return std::exp(-std::exp(-y));
        });
    }
    // F = 1 with k = 0.2: the upper bound xi + alpha / k = xi + 5 alpha
    EXPECT_EQ(QuantileGEV({80.0, 12.0, 0.2}, 1.0), 80.0 + 5.0 * 12.0);
}

TEST(Quantiles, GPA) {
    for (double k : {-0.4, 0.0, 0.3, 1.5}) {
        const double xi = 10.0, alpha = 6.0;
        CheckDistribution("GPA k = " + std::to_string(k), kGPA, {xi, alpha, k}, [=](double x) {
            const double y = k == 0 ? (x - xi) / alpha : -std::log(1.0 - k * (x - xi) / alpha) / k;
            return -std::expm1(-y);
        });
        // every GPA starts at xi
        EXPECT_EQ(QuantileGPA({xi, alpha, k}, 0.0), xi);
    }
}

TEST(Quantiles, Pearson3) {
    // Skewness gamma: gamma shape 4 / gamma^2, scale |sigma gamma / 2|, bound
    // mu - 2 sigma / gamma. Whole shapes (gamma = +-1: 4; gamma = 0.5: 16)
    // have the Poisson-sum distribution function.
    const double mu = 50.0, sigma = 10.0;
    for (int index : {kPearson3, kLogPearson3}) {
        CheckDistribution("Pearson III gamma = 1", index, {mu, sigma, 1.0},
                          [=](double x) { return PoissonTailGamma(4, (x - (mu - 2.0 * sigma)) / 5.0); });
        CheckDistribution("Pearson III gamma = -1", index, {mu, sigma, -1.0},
                          [=](double x) { return 1.0 - PoissonTailGamma(4, ((mu + 2.0 * sigma) - x) / 5.0); });
        CheckDistribution("Pearson III gamma = 0.5", index, {mu, sigma, 0.5},
                          [=](double x) { return PoissonTailGamma(16, (x - (mu - 4.0 * sigma)) / 2.5); });
        CheckDistribution("Pearson III gamma = 0", index, {mu, sigma, 0.0},
                          [=](double x) { return 0.5 * std::erfc(-(x - mu) / (sigma * std::sqrt(2.0))); });
    }
    // mu = 0, sigma = 1, gamma = 1 at F = 0.9: -2 + GammaQuantile(0.9; 4) / 2,
    // the gamma quantile 6.6807830682558639938 from mpmath
    EXPECT_NEAR(QuantilePearson3({0.0, 1.0, 1.0}, 0.9), -2.0 + 6.6807830682558639938 / 2.0, 1e-12);
}

TEST(Quantiles, Pearson3WithSkewnessTwoIsTheExponential) {
    // gamma = 2: shape 1, scale sigma, lower bound mu - sigma
    const ParameterSet p = {50.0, 10.0, 2.0};
    EXPECT_NEAR(QuantilePearson3(p, 0.5), 50.0 - 10.0 + 10.0 * std::numbers::ln2, 1e-13);
    for (double F : {0.01, 0.3, 0.99}) {
        EXPECT_NEAR(QuantilePearson3(p, F), QuantileExponential({40.0, 10.0, 0.0}, F), 1e-12) << F;
    }
}

TEST(Quantiles, NegativeSkewnessMirrorsPositive) {
    // x(F; mu, sigma, -gamma) = 2 mu - x(1 - F; mu, sigma, gamma); dyadic F keep 1 - F exact
    for (double F : {0.0625, 0.25, 0.5, 0.75, 0.9375}) {
        EXPECT_NEAR(QuantilePearson3({50.0, 10.0, -0.5}, F), 100.0 - QuantilePearson3({50.0, 10.0, 0.5}, 1.0 - F), 1e-12)
            << F;
    }
}

TEST(Quantiles, NearlySymmetricPearson3IsTheNormal) {
    for (double F : {0.01, 0.5, 0.95}) {
        EXPECT_EQ(QuantilePearson3({50.0, 10.0, 5e-7}, F), QuantileNormal({50.0, 10.0, 0.0}, F)) << F;
    }
}

TEST(Quantiles, ZeroShapeGEVIsGumbelAndZeroShapeGPAIsExponential) {
    for (double F : {1e-6, 0.2, 0.5, 0.98, 0.999}) {
        EXPECT_EQ(QuantileGEV({80.0, 12.0, 0.0}, F), QuantileGumbel({80.0, 12.0, 0.0}, F)) << F;
        EXPECT_EQ(QuantileGPA({10.0, 6.0, 0.0}, F), QuantileExponential({10.0, 6.0, 0.0}, F)) << F;
    }
}

TEST(Quantiles, BoundsFollowTheSignOfTheShape) {
    struct Row {
        const char* name;
        int index;
        ParameterSet p;
        bool hasLower;
        double lower;
        bool hasUpper;
        double upper;
    };
    const Row rows[] = {
        {"Normal", kNormal, {1.0, 2.0, 0.0}, false, 0, false, 0},
        {"LogNormal", kLogNormal, {1.0, 2.0, 0.0}, false, 0, false, 0},
        {"Gumbel", kGumbel, {1.0, 2.0, 0.0}, false, 0, false, 0},
        {"Exponential", kExponential, {1.0, 2.0, 0.0}, true, 1.0, false, 0},
        {"Pearson III positive skew", kPearson3, {10.0, 2.0, 0.5}, true, 2.0, false, 0},
        {"Pearson III negative skew", kPearson3, {10.0, 2.0, -0.5}, false, 0, true, 18.0},
        {"Pearson III zero skew", kPearson3, {10.0, 2.0, 0.0}, false, 0, false, 0},
        {"LogPearson III positive skew", kLogPearson3, {10.0, 2.0, 0.5}, true, 2.0, false, 0},
        {"GEV k < 0", kGEV, {10.0, 2.0, -0.5}, true, 6.0, false, 0},
        {"GEV k > 0", kGEV, {10.0, 2.0, 0.5}, false, 0, true, 14.0},
        {"GEV k = 0", kGEV, {10.0, 2.0, 0.0}, false, 0, false, 0},
        {"GPA k > 0", kGPA, {10.0, 2.0, 0.5}, true, 10.0, true, 14.0},
        {"GPA k <= 0", kGPA, {10.0, 2.0, 0.0}, true, 10.0, false, 0},
        {"not a distribution", 9, {10.0, 2.0, 0.5}, false, 0, false, 0},
    };
    for (const Row& row : rows) {
        double bound = -999.0;
        EXPECT_EQ(LowerBound(row.index, row.p, bound), row.hasLower) << row.name;
        if (row.hasLower) {
            EXPECT_EQ(bound, row.lower) << row.name;
        }
        bound = -999.0;
        EXPECT_EQ(UpperBound(row.index, row.p, bound), row.hasUpper) << row.name;
        if (row.hasUpper) {
            EXPECT_EQ(bound, row.upper) << row.name;
        }
    }
}

TEST(ReturnPeriodQuantile, InUnitsOfTheSample) {
    auto r = std::make_unique<AnalysisRecord>();
    ParametersOf(*r, kNormal) = {500.0, 100.0, 0.0};
    ParametersOf(*r, kLogNormal) = {6.0, 0.3, 0.0};
    ParametersOf(*r, kLogPearson3) = {6.0, 0.3, 0.4};
    // T = 2: the median; for the LogNormal the geometric mean exp(mu)
    EXPECT_EQ(ReturnPeriodQuantile(*r, kNormal, 0), 500.0);
    EXPECT_EQ(ReturnPeriodQuantile(*r, kLogNormal, 0), std::exp(6.0));
    // T = 100 (F = 0.99) of the LogPearson III: exp of the quantile of ln X
    EXPECT_EQ(ReturnPeriodQuantile(*r, kLogPearson3, 4), std::exp(QuantilePearson3({6.0, 0.3, 0.4}, 0.99)));
    EXPECT_EQ(ReturnPeriodQuantile(*r, kNormal, 6), DistributionQuantile(kNormal, {500.0, 100.0, 0.0}, 0.999));
    // outside the tables
    EXPECT_EQ(ReturnPeriodQuantile(*r, 0, 0), 0.0);
    EXPECT_EQ(ReturnPeriodQuantile(*r, 9, 0), 0.0);
    EXPECT_EQ(ReturnPeriodQuantile(*r, kNormal, 7), 0.0);
    EXPECT_EQ(ReturnPeriodQuantile(*r, kNormal, -1), 0.0);
}

TEST(DistributionQuantile, DispatchesByDistributionIndex) {
    const ParameterSet p = {40.0, 8.0, 0.3};
    for (double F : {0.1, 0.7}) {
        EXPECT_EQ(DistributionQuantile(kNormal, p, F), QuantileNormal(p, F));
        EXPECT_EQ(DistributionQuantile(kLogNormal, p, F), QuantileNormal(p, F));
        EXPECT_EQ(DistributionQuantile(kGumbel, p, F), QuantileGumbel(p, F));
        EXPECT_EQ(DistributionQuantile(kExponential, p, F), QuantileExponential(p, F));
        EXPECT_EQ(DistributionQuantile(kPearson3, p, F), QuantilePearson3(p, F));
        EXPECT_EQ(DistributionQuantile(kLogPearson3, p, F), QuantilePearson3(p, F));
        EXPECT_EQ(DistributionQuantile(kGEV, p, F), QuantileGEV(p, F));
        EXPECT_EQ(DistributionQuantile(kGPA, p, F), QuantileGPA(p, F));
    }
    EXPECT_EQ(DistributionQuantile(0, p, 0.5), 0.0);
    EXPECT_EQ(DistributionQuantile(9, p, 0.5), 0.0);
}

// Every distribution: a scale <= 0 (or NaN) is code 1, tested before F; an
// F outside [0, 1] (or NaN) is code 2; the result is 0 either way.
TEST(Quantiles, DomainFaultsReturnZeroWithTheirCode) {
    struct Row {
        const char* name;
        double scale;
        double F;
        int code;
    };
    const Row rows[] = {
        {"scale 0", 0.0, 0.5, 1},      {"scale < 0", -3.0, 0.5, 1},  {"scale NaN", kNaN, 0.5, 1},
        {"scale before F", 0.0, kNaN, 1}, {"F < 0", 3.0, -0.1, 2},    {"F > 1", 3.0, 1.1, 2},
        {"F NaN", 3.0, kNaN, 2},        {"F just below 0", 3.0, -1e-300, 2},
    };
    for (int index = 1; index <= kDistributionCount; ++index) {
        for (const Row& row : rows) {
            CalcError = 0;
            EXPECT_EQ(DistributionQuantile(index, {5.0, row.scale, 0.3}, row.F), 0.0) << index << " " << row.name;
            EXPECT_EQ(CalcError, row.code) << index << " " << row.name;
        }
    }
}

TEST(Quantiles, ValidCallClearsAStaleCode) {
    for (int index = 1; index <= kDistributionCount; ++index) {
        CalcError = 3;
        DistributionQuantile(index, {5.0, 3.0, 0.3}, 0.5);
        EXPECT_EQ(CalcError, 0) << index;
    }
}

TEST(Quantiles, NaNShapeEndsAtOnce) {
    // A project file may hold anything: no routine may iterate on a NaN.
    for (int index = 1; index <= kDistributionCount; ++index) {
        for (double F : {0.0, 0.3, 1.0}) DistributionQuantile(index, {5.0, 3.0, kNaN}, F);
    }
    DistributionQuantile(kPearson3, {5.0, 3.0, kNaN}, 0.3);
    EXPECT_EQ(CalcError, 1);  // the gamma quantile refuses the NaN shape
}

TEST(Quantiles, RaiseNoFloatingPointFaultInsideTheSupport) {
    std::feclearexcept(FE_ALL_EXCEPT);
    for (int index = 1; index <= kDistributionCount; ++index) {
        for (double shape : {-0.6, -0.1, 0.0, 0.1, 0.6}) {
            for (double F : {0.0, 1e-9, 0.5, 0.999999, 1.0}) DistributionQuantile(index, {5.0, 3.0, shape}, F);
        }
    }
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID), 0);
}

}  // namespace
}  // namespace zarn
