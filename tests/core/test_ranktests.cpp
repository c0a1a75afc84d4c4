// SPDX-License-Identifier: GPL-3.0-or-later
// Non-parametric tests: the rank routines, the four tests on worked samples,
// their verdict bits, and the arithmetic faults of degenerate samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/core/support/fault.h"
#include "files/errors.h"
#include "analysis/ranktests.h"
#include "analysis/record.h"
#include "analysis/statistics.h"

using namespace zarn;

namespace {

// A record holding `values` with the descriptive statistics the tests read,
// computed as the driver does.
std::unique_ptr<AnalysisRecord> RecordOf(const std::vector<double>& values) {
    auto r = std::make_unique<AnalysisRecord>();
    std::memset(r.get(), 0, sizeof(AnalysisRecord));
    const int n = static_cast<int>(values.size());
    r->SampleSize = n;
    std::copy(values.begin(), values.end(), r->Sample);
    LogTransform(r->Sample, n, r->LogSample);
    DescriptiveStatistics(r->Sample, n, r->Minimum, r->Maximum, r->Mean, r->StdDev, r->Skewness);
    DescriptiveStatistics(r->LogSample, n, r->LogMinimum, r->LogMaximum, r->LogMean, r->LogStdDev,
                          r->LogSkewness);
    return r;
}

TEST(SortWithCompanion, EqualKeysEndInTheOrderOfTheQuicksort) {
    // Traced by hand through the middle-pivot partition: a stable sort would
    // leave the companions of the equal keys as 2, 4 and 1, 3, 5.
    std::vector<double> key = {2, 1, 2, 1, 2};
    std::vector<double> companion = {1, 2, 3, 4, 5};
    SortWithCompanion(key.data(), companion.data(), 5);
    EXPECT_EQ(key, (std::vector<double>{1, 1, 2, 2, 2}));
    EXPECT_EQ(companion, (std::vector<double>{4, 2, 5, 1, 3}));
}

TEST(SortWithCompanion, KeysEndAsSortAscendingLeavesThemAndPairsStayTogether) {
    std::vector<double> key;
    for (int i = 0; i < 200; ++i) key.push_back(static_cast<double>((i * 7919) % 61));
    std::vector<double> companion(key.size());
    for (size_t i = 0; i < key.size(); ++i) companion[i] = key[i] * 1000 + static_cast<double>(i);
    std::vector<double> expected = key;
    SortAscending(expected.data(), static_cast<int>(expected.size()));

    SortWithCompanion(key.data(), companion.data(), static_cast<int>(key.size()));
    EXPECT_EQ(key, expected);
    for (size_t i = 0; i < key.size(); ++i) EXPECT_EQ(std::floor(companion[i] / 1000), key[i]) << i;

    double one = 3, other = 9;  // a single value is left alone
    SortWithCompanion(&one, &other, 1);
    EXPECT_EQ(other, 9);
}

TEST(RankRoutines, MidRanksAndTieGroups) {
    std::vector<double> x = {1, 2, 2, 3};
    std::vector<double> a(4);
    TieGroupCounts(x.data(), 4, a.data());
    EXPECT_EQ(a, (std::vector<double>{2, 1, 0, 0}));  // a1 = 2, a2 = 1
    MidRanks(x.data(), 4);
    EXPECT_EQ(x, (std::vector<double>{1, 2.5, 2.5, 4}));

    // A run at the end is counted too; three equal values take rank 2.
    std::vector<double> y = {7, 7, 7};
    std::vector<double> b(3);
    TieGroupCounts(y.data(), 3, b.data());
    EXPECT_EQ(b, (std::vector<double>{0, 0, 1}));
    MidRanks(y.data(), 3);
    EXPECT_EQ(y, (std::vector<double>{2, 2, 2}));
}

TEST(RankRoutines, SignSumVarianceAndStandardisation) {
    const double rising[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(SignSum(rising, 5), 10);
    const double equal[] = {4, 4, 4};
    EXPECT_EQ(SignSum(equal, 3), 0);
    EXPECT_EQ(SignSum(rising, 1), 0);

    // No ties: n(n-1)(2n+5)/18; n = 10 gives 125.
    std::vector<double> a(10, 0.0);
    a[0] = 10;
    EXPECT_EQ(VarianceOfS(10, a.data()), 125);
    // 1, 2, 2, 3: (4*3*13 - 2*0 - 1*2*1*9) / 18 = 138/18.
    const double ties[] = {2, 1, 0, 0};
    EXPECT_DOUBLE_EQ(VarianceOfS(4, ties), 138.0 / 18);

    // S = 0 never reads the variance, even a zero one; otherwise one towards 0.
    EXPECT_EQ(StandardisedS(0, 0), 0);
    EXPECT_DOUBLE_EQ(StandardisedS(45, 125), 44 / std::sqrt(125.0));
    EXPECT_DOUBLE_EQ(StandardisedS(-11, 85.0 / 3), 10 / std::sqrt(85.0 / 3));
}

TEST(KendallTest, WorkedSamples) {
    // Published worked examples: 1..5 and 5, 3, 8, 1, 9, 2, 7.
    auto r = RecordOf({1, 2, 3, 4, 5});
    KendallTest(*r);
    EXPECT_EQ(r->KendallS, 6);
    EXPECT_NEAR(r->KendallVarS, 8.6667, 1e-4);
    EXPECT_EQ(r->KendallTau, 1.0);
    EXPECT_NEAR(r->KendallZ, 1.6984, 1e-4);
    EXPECT_NEAR(r->KendallZLimit, 1.959963985, 1e-9);
    EXPECT_EQ(r->TestFlags, 0);

    r = RecordOf({5, 3, 8, 1, 9, 2, 7});
    KendallTest(*r);
    EXPECT_EQ(r->KendallS, -11);
    EXPECT_NEAR(r->KendallVarS, 28.3333, 1e-4);
    EXPECT_NEAR(r->KendallTau, -0.7333, 1e-4);
    EXPECT_NEAR(r->KendallZ, 1.8787, 1e-4);
    EXPECT_EQ(r->TestFlags, 0);
}

TEST(KendallTest, AlternatingSeriesIsDependentAndTiesAmongSuccessorsReduceTheVariance) {
    // Successive values of a saw-tooth are strongly (negatively) related.
    auto r = RecordOf({1, 9, 2, 8, 3, 7, 4, 6, 5, 10, 1.5, 9.5});
    KendallTest(*r);
    EXPECT_LT(r->KendallS, 0);
    EXPECT_GT(r->KendallZ, r->KendallZLimit);
    EXPECT_EQ(r->TestFlags, FlagDependent);

    // 3, 5, 5, 1, 5: successors 5, 5, 1, 5 hold one triple, so
    // Var = (4*3*13 - 3*2*11) / 18 = 90/18 = 5.
    r = RecordOf({3, 5, 5, 1, 5});
    KendallTest(*r);
    EXPECT_DOUBLE_EQ(r->KendallVarS, 5);
}

TEST(MannKendallTest, WorkedSamples) {
    auto r = RecordOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    MannKendallTest(*r);
    EXPECT_EQ(r->MannKendallS, 45);
    EXPECT_EQ(r->MannKendallVarS, 125);
    EXPECT_NEAR(r->MannKendallU, 3.9355, 1e-4);
    EXPECT_EQ(r->TestFlags, FlagNonHomogeneous);

    r = RecordOf({1, 2, 2, 3});
    MannKendallTest(*r);
    EXPECT_EQ(r->MannKendallS, 5);
    EXPECT_NEAR(r->MannKendallVarS, 7.6667, 1e-4);
    EXPECT_NEAR(r->MannKendallU, 1.4446, 1e-4);
    EXPECT_EQ(r->TestFlags, 0);
}

TEST(RankTests, AllEqualValuesGiveZeroWithoutAFault) {
    // Var(S) = 0 but S = 0: nothing divides by the variance.
    auto r = std::make_unique<AnalysisRecord>();
    std::memset(r.get(), 0, sizeof(AnalysisRecord));
    r->SampleSize = 6;
    for (int i = 0; i < 6; ++i) r->Sample[i] = 4.5;
    EXPECT_EQ(FaultOf([&] {
        KendallTest(*r);
        MannKendallTest(*r);
    }), "");
    EXPECT_EQ(r->KendallS, 0);
    EXPECT_EQ(r->KendallVarS, 0);
    EXPECT_EQ(r->KendallTau, 0);
    EXPECT_EQ(r->KendallZ, 0);
    EXPECT_EQ(r->MannKendallU, 0);
    EXPECT_EQ(r->TestFlags, 0);
}

TEST(GrubbsBeckTest, FactorFollowsThePolynomialUpToItsPeak) {
    // With LogMean 0 and LogStdDev 1 the upper limit is exp(K).
    struct Row {
        int n;
        double K;
    } rows[] = {{10, 2.0375}, {30, 2.5640}, {100, 3.0172}, {200, 3.2332}, {343, 3.3183}};
    auto r = RecordOf({1, 2, 4, 8});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.n);
        r->SampleSize = row.n;
        r->LogMean = 0;
        r->LogStdDev = 1;
        GrubbsBeckTest(*r);
        EXPECT_NEAR(std::log(r->GrubbsBeckUpper), row.K, 5e-5);
        EXPECT_NEAR(std::log(r->GrubbsBeckLower), -row.K, 5e-5);
        EXPECT_EQ(GrubbsBeckK(row.n), std::log(r->GrubbsBeckUpper));
    }
}

TEST(GrubbsBeckTest, LongSeriesTakeTheExactGrubbsValue) {
    // Grubbs (1969), one-sided 10 %: K = 3.707 at n = 1000 (the polynomial
    // would give 2.1934 there, and a negative K from n = 1570 on).
    EXPECT_NEAR(GrubbsBeckK(1000), 3.707, 5e-4);
    // The exact value grows with n, and stays above the polynomial's peak.
    double previous = GrubbsBeckK(343);
    for (int n : {344, 400, 1000, 1569, 1570, 5000, 10000}) {
        SCOPED_TRACE(n);
        const double K = GrubbsBeckK(n);
        EXPECT_GT(K, previous);
        previous = K;
    }
    // A long series no longer has its upper limit below its lower one.
    auto r = RecordOf({1, 2, 4, 8});
    r->SampleSize = 10000;
    r->LogMean = 0;
    r->LogStdDev = 1;
    GrubbsBeckTest(*r);
    EXPECT_GT(r->GrubbsBeckUpper, r->GrubbsBeckLower);
    EXPECT_NEAR(std::log(r->GrubbsBeckUpper), GrubbsBeckK(10000), 1e-12);
}

TEST(GrubbsBeckTest, LimitsAgainstTheExtremes) {
    auto r = RecordOf({10, 12, 11, 13, 12, 11, 10, 12, 11, 400});
    GrubbsBeckTest(*r);
    EXPECT_LT(r->GrubbsBeckUpper, r->Maximum);
    EXPECT_EQ(r->TestFlags, FlagHighOutlierGB);

    r = RecordOf({100, 120, 110, 130, 120, 110, 100, 120, 110, 0.5});
    GrubbsBeckTest(*r);
    EXPECT_GT(r->GrubbsBeckLower, r->Minimum);
    EXPECT_EQ(r->TestFlags, FlagLowOutlierGB);

    // An extreme exactly on its limit is not an outlier.
    r = RecordOf({10, 12, 11, 13, 12, 11, 10, 12, 11, 14});
    GrubbsBeckTest(*r);
    r->TestFlags = 0;
    r->Maximum = r->GrubbsBeckUpper;
    r->Minimum = r->GrubbsBeckLower;
    GrubbsBeckTest(*r);
    EXPECT_EQ(r->TestFlags, 0);
}

TEST(SkewnessOutlierTest, SkewnessWithoutEachExtreme) {
    // 1, 2, 3, 10: skewness 1.7636; without 10 it is 0, without 1 it is
    // 3*90 / (2*19^1.5) = 1.6301 (worked by hand).
    auto r = RecordOf({3, 10, 1, 2});
    SkewnessOutlierTest(*r);
    EXPECT_NEAR(r->SkewnessWithoutMaximum, 0, 1e-12);
    EXPECT_NEAR(r->SkewnessWithoutMinimum, 270 / (2 * std::pow(19.0, 1.5)), 1e-12);
    EXPECT_EQ(r->TestFlags, FlagHighOutlierSkew);

    // The mirror image flags the low end.
    r = RecordOf({-3 + 20, -10 + 20, -1 + 20, -2 + 20});
    SkewnessOutlierTest(*r);
    EXPECT_EQ(r->TestFlags, FlagLowOutlierSkew);
}

TEST(RankTests, TestsOnlySetBits) {
    auto r = RecordOf({5, 3, 8, 1, 9, 2, 7, 4, 6, 5.5});
    r->TestFlags = kWarningMask;
    KendallTest(*r);
    MannKendallTest(*r);
    GrubbsBeckTest(*r);
    SkewnessOutlierTest(*r);
    EXPECT_EQ(r->TestFlags, kWarningMask);
}

TEST(SkewnessOutlierTest, DegenerateRemaindersFaultLikeTheDriver) {
    struct Row {
        const char* situation;
        std::vector<double> values;
        const char* text;
    } rows[] = {
        // Two values left: the skewness divides by (2 - 1)(2 - 2) = 0.
        {"n = 3", {0.1, 0.7, 2}, "Floating point division by zero"},
        {"n = 3, cubed deviations sum to 0", {1, 2, 4}, "Invalid floating point operation"},
        // 5, 5, 5 left without the maximum: logarithm of a zero deviation.
        {"5, 5, 5, 9", {5, 5, 5, 9}, "Floating point division by zero"},
        {"1, 7, 7, 7", {1, 7, 7, 7}, "Floating point division by zero"},
        {"four distinct values", {1, 2, 4, 8}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.situation);
        auto r = RecordOf(row.values);
        EXPECT_EQ(FaultOf([&] { SkewnessOutlierTest(*r); }), row.text);
    }
}

}  // namespace
