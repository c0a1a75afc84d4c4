// SPDX-License-Identifier: GPL-3.0-or-later
// Goodness-of-fit tests: the generator, plotting positions and polynomials,
// the variance test's zero cases, reproducibility, the joint simulation
// against the two separate ones, and small samples that must end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/core/support/fault.h"
#include "analysis/calculation.h"
#include "files/datafile.h"
#include "files/errors.h"
#include "analysis/estimation.h"
#include "analysis/fittests.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "analysis/simulation.h"
#include "analysis/special.h"
#include "analysis/statistics.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

std::unique_ptr<AnalysisRecord> EmptyRecord() {
    auto r = std::make_unique<AnalysisRecord>();
    std::memset(r.get(), 0, sizeof(AnalysisRecord));
    return r;
}

TEST(Generator, FirstStatesAndUniformsFromTheSeed) {
    std::int64_t state = kSimulationSeed;
    double u[3];
    UniformSeries(state, 1, u);
    EXPECT_EQ(state, 908250607);
    UniformSeries(state, 2, u + 1);
    EXPECT_EQ(state, 1985280218);
    EXPECT_EQ(u[0], 0.42293714705060104);
    EXPECT_EQ(u[1], 0.3046304794515625);
    EXPECT_EQ(u[2], 0.9244681424109582);

    // The largest state stays exact in 64 bits and maps strictly below 1.
    state = 2147483646;
    UniformSeries(state, 1, u);
    EXPECT_EQ(state, 2147466840);  // 16807 * (2^31 - 2) mod (2^31 - 1) = 2^31 - 1 - 16807
    EXPECT_LT(u[0], 1.0);
}

TEST(PlottingPosition, EachFormulaIsSymmetricAboutTheMedianRank) {
    // (i - a) / (n + 1 - 2a): the middle rank of an odd n sits at 0.5 and
    // ranks i and n + 1 - i add to 1, for every constant a.
    for (int index = 1; index <= kDistributionCount; ++index) {
        SCOPED_TRACE(index);
        EXPECT_DOUBLE_EQ(PlottingPosition(index, 16, 31), 0.5);
        EXPECT_DOUBLE_EQ(PlottingPosition(index, 3, 31) + PlottingPosition(index, 29, 31), 1.0);
    }
    EXPECT_EQ(PlottingPosition(kNormal, 1, 10), (1 - 0.375) / 10.25);         // Blom
    EXPECT_EQ(PlottingPosition(kLogPearson3, 1, 10), (1 - 0.375) / 10.25);
    EXPECT_EQ(PlottingPosition(kExponential, 1, 10), (1 - 0.44) / 10.12);     // Gringorten
    EXPECT_EQ(PlottingPosition(kGPA, 1, 10), (1 - 0.4) / 10.2);               // Cunnane
    EXPECT_EQ(PlottingPosition(9, 1, 10), 0.0);
}

TEST(ProbabilityPlotCorrelation, ExactLinearPlotGivesOne) {
    const int n = 25;
    for (int index = 1; index <= kDistributionCount; ++index) {
        SCOPED_TRACE(index);
        const ParameterSet p = index == kPearson3 || index == kLogPearson3 ? ParameterSet{10, 3, 0.8}
                             : index >= kGEV                               ? ParameterSet{10, 3, -0.1}
                                                                           : ParameterSet{10, 3, 0};
        std::vector<double> y(n);
        for (int i = 1; i <= n; ++i) y[i - 1] = 7 + 2.5 * DistributionQuantile(index, p, PlottingPosition(index, i, n));
        EXPECT_NEAR(ProbabilityPlotCorrelation(index, n, y.data(), p), 1.0, 1e-14);
    }
    const double x[] = {1, 2, 3, 4};
    const double down[] = {8, 6, 4, 2};
    EXPECT_DOUBLE_EQ(CorrelationCoefficient(4, x, down, 2.5, 5), -1.0);
}

TEST(Tau4Polynomial, AgreesWithTheExactRatiosItApproximates) {
    // Population L-kurtosis (Hosking and Wallis 1997): Normal 0.1226,
    // Gumbel 0.1504 at t3 = 0.1699, exponential 1/6 at t3 = 1/3.
    EXPECT_EQ(Tau4Polynomial(kPearson3, 0.0), 0.1224);
    EXPECT_EQ(Tau4Polynomial(kLogPearson3, 0.0), 0.1224);
    EXPECT_NEAR(Tau4Polynomial(kGEV, 0.1699), 0.1504, 1e-3);
    EXPECT_NEAR(Tau4Polynomial(kGPA, 1.0 / 3), 1.0 / 6, 1e-3);
    EXPECT_NEAR(Tau4Polynomial(kPearson3, 1.0 / 3), 1.0 / 6, 2e-3);  // PE3 with gamma = 2 is exponential
    EXPECT_EQ(Tau4Polynomial(kNormal, 0.3), 0.0);
    // Pearson III is even in t3.
    EXPECT_EQ(Tau4Polynomial(kPearson3, -0.4), Tau4Polynomial(kPearson3, 0.4));

    EXPECT_EQ(RealPower(-0.5, 3), -0.125);
    EXPECT_EQ(RealPower(7, 0), 1.0);
    EXPECT_EQ(RealPower(7, -2), 1.0);
}

TEST(TheoreticalRatio, ByDistribution) {
    auto r = EmptyRecord();
    r->LMoments.T3 = 0.25;
    r->LogLMoments.T3 = -0.1;
    EXPECT_EQ(TheoreticalRatio(*r, kNormal), 0.0);
    EXPECT_EQ(TheoreticalRatio(*r, kLogNormal), 0.0);
    EXPECT_EQ(TheoreticalRatio(*r, kGumbel), 0.1699);
    EXPECT_EQ(TheoreticalRatio(*r, kExponential), 1.0 / 3);
    EXPECT_EQ(TheoreticalRatio(*r, kPearson3), Tau4Polynomial(kPearson3, 0.25));
    EXPECT_EQ(TheoreticalRatio(*r, kLogPearson3), Tau4Polynomial(kLogPearson3, -0.1));
    EXPECT_EQ(TheoreticalRatio(*r, kGEV), Tau4Polynomial(kGEV, 0.25));
    EXPECT_EQ(TheoreticalRatio(*r, kGPA), Tau4Polynomial(kGPA, 0.25));
    EXPECT_EQ(TheoreticalRatio(*r, 0), 0.0);
}

TEST(VarianceTest, RatioEqualToTheTheoreticalOneGivesZero) {
    // t3 exactly 1/3 for the exponential, log t3 exactly 0 for the LogNormal,
    // and log t4 equal to the Pearson III polynomial at t3 = 0.
    auto r = EmptyRecord();
    r->SampleSize = 20;
    r->LMoments = {100, 20, 1.0 / 3, 0.2};
    r->LogLMoments = {4.5, 0.2, 0, 0.1224};
    EstimateAllDistributions(*r);
    ASSERT_EQ(FaultOf([&] { VarianceTest(*r, SimulateAll(*r)); }), "");
    EXPECT_EQ(VarianceTestZOf(*r, kExponential), 0.0);
    EXPECT_EQ(VarianceTestZOf(*r, kLogNormal), 0.0);
    EXPECT_EQ(VarianceTestZOf(*r, kLogPearson3), 0.0);
    EXPECT_GT(VarianceTestZOf(*r, kNormal), 0.0);
    EXPECT_GT(VarianceTestZOf(*r, kGumbel), 0.0);
}

class SmallSampleTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarn-fit-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the whole calculation; "" when it completes.
    std::string Calculate(AnalysisRecord& r, const std::vector<double>& values) {
        const fs::path path = dir_ / "small.dat";
        {
            std::ofstream out(path);
            out.precision(17);
            for (double v : values) out << v << "\n";
        }
        r.TestFlags = 0;
        try {
            CalculateAll(r, "", "", "", path.string());
        } catch (const ZarnError& e) {
            return e.what();
        }
        return "";
    }

    fs::path dir_;
};

TEST_F(SmallSampleTest, ShortAndSkewedSamplesComplete) {
    // Deterministic short samples of annual maxima between 50 and 5000 (one
    // decimal), from nearly symmetric to strongly skewed: the simulations
    // leave out the replicates that fault, and every analysis completes.
    auto r = EmptyRecord();
    std::int64_t state = 12345;
    for (int trial = 0; trial < 150; ++trial) {
        const int n = 4 + trial % 7;
        std::vector<double> u(n);
        UniformSeries(state, n, u.data());
        std::vector<double> values(n);
        const double sigma = trial % 3 == 0 ? 0.3 : trial % 3 == 1 ? 1.2 : 2.0;  // of the logarithms
        for (int i = 0; i < n; ++i) {
            const double v = std::exp(std::log(600.0) + sigma * NormalQuantile(u[i]));
            values[i] = std::round(std::min(5000.0, std::max(50.0, v)) * 10) / 10;
        }
        SCOPED_TRACE(trial);
        const std::string text = Calculate(*r, values);
        if (text.rfind("Todos os", 0) == 0) continue;  // clipped into ties: refused, rightly
        ASSERT_EQ(text, "");
        for (int d = 1; d <= kDistributionCount; ++d) EXPECT_TRUE(std::isfinite(FitTestOf(*r, d).R)) << d;
    }
}

TEST_F(SmallSampleTest, TinyGammaShapeOfARefitNoLongerStopsTheAnalysis) {
    // Five values near 1: a refitted Pearson III with a tiny gamma shape
    // underflows the gamma quantile's first root to 0, which now gives the
    // quantile 0 instead of taking ln 0.
    const std::vector<double> values = {0.98177821977101731, 0.90214820515328586, 0.9677250859692158,
                                        0.94034774661663967, 1.1673829868274541};
    auto r = EmptyRecord();
    EXPECT_EQ(Calculate(*r, values), "");
    for (int d = 1; d <= kDistributionCount; ++d) {
        EXPECT_GT(VarianceTestZOf(*r, d), 0.0) << d;
        EXPECT_TRUE(std::isfinite(FitTestOf(*r, d).R90)) << d;
    }
}

}  // namespace
