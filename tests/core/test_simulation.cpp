// SPDX-License-Identifier: GPL-3.0-or-later
// The simulations of the goodness-of-fit tests run together on every thread:
// bit-identical to the literal routines (one replicate after another, each
// simulation on its own stream) and to themselves on any thread count, also
// where replicates fault and are left out or refits write nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "analysis/calculation.h"
#include "files/errors.h"
#include "analysis/fittests.h"
#include "analysis/intervals.h"
#include "analysis/progress.h"
#include "analysis/record.h"
#include "analysis/simulation.h"
#include "analysis/special.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every field of two simulations of one distribution, bit for bit.
void ExpectSameSimulation(const DistributionSimulation& a, const DistributionSimulation& b) {
    EXPECT_EQ(a.CriticalRSamples, b.CriticalRSamples);
    EXPECT_EQ(a.RatioSamples, b.RatioSamples);
    EXPECT_TRUE(SameBits(a.CriticalR, b.CriticalR)) << a.CriticalR << " " << b.CriticalR;
    EXPECT_TRUE(SameBits(a.RatioStdDev, b.RatioStdDev)) << a.RatioStdDev << " " << b.RatioStdDev;
    ASSERT_EQ(a.IntervalQuantiles.size(), b.IntervalQuantiles.size());
    EXPECT_EQ(std::memcmp(a.IntervalQuantiles.data(), b.IntervalQuantiles.data(),
                          a.IntervalQuantiles.size() * sizeof a.IntervalQuantiles[0]),
              0);
    ASSERT_EQ(a.IntervalRefits.size(), b.IntervalRefits.size());
    EXPECT_EQ(std::memcmp(a.IntervalRefits.data(), b.IntervalRefits.data(),
                          a.IntervalRefits.size() * sizeof a.IntervalRefits[0]),
              0);
    ASSERT_EQ(a.CountedRefits.size(), b.CountedRefits.size());
    EXPECT_EQ(std::memcmp(a.CountedRefits.data(), b.CountedRefits.data(),
                          a.CountedRefits.size() * sizeof a.CountedRefits[0]),
              0);
}

TEST(JumpAhead, EqualsDrawingTheUniformsOneByOne) {
    std::int64_t state = kSimulationSeed;
    std::vector<double> u(1234);
    UniformSeries(state, 1234, u.data());
    EXPECT_EQ(JumpAhead(kSimulationSeed, 1234), state);
    EXPECT_EQ(JumpAhead(kSimulationSeed, 0), kSimulationSeed);
    // The first three states of the simulations' stream (Park and Miller 1988).
    EXPECT_EQ(JumpAhead(kSimulationSeed, 1), 908250607);
    EXPECT_EQ(JumpAhead(kSimulationSeed, 3), 1985280218);
    // 16807^(2^31 - 2) = 1 mod 2^31 - 1 (Fermat): the stream's full period.
    EXPECT_EQ(JumpAhead(kSimulationSeed, 2147483646LL), kSimulationSeed);
}

struct Case {
    const char* Name;
    int Index;
    int N;
    ParameterSet P;
};

// Fitted sets of every family, and sets that drive the simulations into
// their corners: refits that write nothing (simulated t3 at +-1), replicates
// that fault and are left out, samples large enough for the radix sort.
const Case kCases[] = {
    {"Normal, 30 values", kNormal, 30, {100, 20, 0}},
    {"Gumbel, 12 values", kGumbel, 12, {500, 150, 0}},
    {"Exponential, 9 values", kExponential, 9, {50, 80, 0}},
    {"LogPearson III, 25 values", kLogPearson3, 25, {6, 0.5, 0.3}},
    {"GEV, 40 values", kGEV, 40, {1000, 300, -0.1}},
    {"GPA, 15 values", kGPA, 15, {20, 100, 0.3}},
    {"Pearson III, 4 values: refits that write nothing", kPearson3, 4, {100, 10, 9}},
    {"Pearson III, 6 values: most refits write nothing", kPearson3, 6, {100, 10, 50}},
    {"GEV, 6 values: refits that write nothing", kGEV, 6, {100, 10, -5}},
    {"GEV, 4 values: draws that overflow and refits that write nothing", kGEV, 4, {100, 10, 60}},
    {"GPA, 4 values bounded above: draws that fault", kGPA, 4, {100, 10, 60}},
    {"Pearson III, 6 values, tiny gamma shape: replicates left out", kPearson3, 6, {100, 10, 350}},
    {"LogNormal, sigma 250: interval quantiles that overflow", kLogNormal, 10, {0, 250, 0}},
    {"Normal, 2500 values of both signs (radix sort)", kNormal, 2500, {0, 1, 0}},
    {"GPA, 2500 values", kGPA, 2500, {-5, 3, 0.2}},
};

class SimulationCase : public ::testing::TestWithParam<Case> {};

TEST_P(SimulationCase, JointSimulationEqualsTheLiteralOnes) {
    const Case& c = GetParam();
    const int k = c.Index <= kExponential ? 3 : 4;
    int ratioSamples = -1, criticalRSamples = -1;
    std::vector<std::array<double, 7>> intervals;
    DistributionSimulation literal;
    literal.RatioStdDev = SimulatedRatioStdDev(c.Index, c.N, c.P, k, &ratioSamples);
    literal.CriticalR = SimulatedCriticalR(c.Index, c.N, c.P, &criticalRSamples, &intervals);
    literal.RatioSamples = ratioSamples;
    literal.CriticalRSamples = criticalRSamples;

    const DistributionSimulation joint = SimulateDistribution(c.Index, c.N, c.P);
    EXPECT_EQ(joint.CriticalRSamples, literal.CriticalRSamples);
    EXPECT_EQ(joint.RatioSamples, literal.RatioSamples);
    EXPECT_TRUE(SameBits(joint.CriticalR, literal.CriticalR)) << joint.CriticalR << " " << literal.CriticalR;
    EXPECT_TRUE(SameBits(joint.RatioStdDev, literal.RatioStdDev)) << joint.RatioStdDev << " " << literal.RatioStdDev;
    ASSERT_EQ(joint.IntervalQuantiles.size(), intervals.size());
    EXPECT_EQ(std::memcmp(joint.IntervalQuantiles.data(), intervals.data(), intervals.size() * sizeof intervals[0]), 0);
    // The counts rest on what completed: at most 500, and the intervals'
    // replicates are among those of the critical-R simulation.
    EXPECT_LE(joint.RatioSamples, kReplicates);
    EXPECT_LE(joint.CriticalRSamples, joint.RatioSamples);
    EXPECT_LE(static_cast<int>(joint.IntervalQuantiles.size()), joint.CriticalRSamples);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimulationCase, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

TEST(Simulation, CornerCasesReachTheirCorners) {
    // The cases above only prove something if they leave replicates out.
    const DistributionSimulation tiny = SimulateDistribution(kPearson3, 6, {100, 10, 350});
    EXPECT_LT(tiny.RatioSamples, kReplicates);
    const DistributionSimulation bounded = SimulateDistribution(kGPA, 4, {100, 10, 60});
    EXPECT_LT(bounded.RatioSamples, kReplicates);
}

TEST(Simulation, FewerThanTwoCompletedGiveNaN) {
    // A NaN skewness faults every quantile: nothing completes.
    const ParameterSet p{1.0, 1.0, std::numeric_limits<double>::quiet_NaN()};
    const DistributionSimulation s = SimulateDistribution(kPearson3, 10, p);
    EXPECT_EQ(s.RatioSamples, 0);
    EXPECT_EQ(s.CriticalRSamples, 0);
    EXPECT_TRUE(std::isnan(s.CriticalR));
    EXPECT_TRUE(std::isnan(s.RatioStdDev));
    EXPECT_TRUE(s.IntervalQuantiles.empty());
}

TEST(Simulation, FaultsInsideStayInside) {
    // The simulations settle their own faults: the caller's flags are as before.
    FloatingPointCheck::Clear();
    SimulateDistribution(kPearson3, 6, {100, 10, 350});
    EXPECT_FALSE(FloatingPointCheck::Faulted());
    volatile double zero = 0.0;
    volatile double inf = 1.0 / zero;  // a fault of the caller's own
    (void)inf;
    SimulateDistribution(kPearson3, 6, {100, 10, 350});
    EXPECT_TRUE(FloatingPointCheck::Faulted());
    FloatingPointCheck::Clear();
}

class ThreadCountTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarn-threads-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::vector<double>& values) {
        const fs::path p = dir_ / "s.dat";
        std::ofstream out(p);
        out.precision(17);
        for (double v : values) out << v << "\n";
        return p.string();
    }

    fs::path dir_;
};

TEST_F(ThreadCountTest, EveryThreadCountGivesTheSameRecordAndSimulations) {
    // Short and skewed series of the kind that leave replicates out, and
    // real ones; each calculated on 1, 2, 3 and 8 threads.
    std::vector<std::string> files;
    for (const char* name : {"tees-dent-bank.dat", "santa-cruz-river-lochiel.dat"})
        files.push_back(std::string(ZARN_EXAMPLES) + "/" + name);
    std::int64_t state = 4242;
    for (int trial = 0; trial < 16; ++trial) {
        const int n = 4 + (trial * 5) % 27;
        std::vector<double> u(n);
        UniformSeries(state, n, u.data());
        std::vector<double> values(n);
        const double sigma = trial % 2 ? 1.2 : 0.6;
        for (int i = 0; i < n; ++i) values[i] = std::round(600 * std::exp(sigma * NormalQuantile(u[i])) * 10) / 10;
        const fs::path p = dir_ / ("trial" + std::to_string(trial) + ".dat");
        std::ofstream out(p);
        for (double v : values) out << v << "\n";
        files.push_back(p.string());
    }
    int leftOut = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        auto plain = std::make_unique<AnalysisRecord>();
        SimulationSummary plainSimulations;
        CalculateAll(*plain, "t", "", "", file, {1, nullptr}, &plainSimulations);
        for (int d = 1; d <= kDistributionCount; ++d)
            if (plainSimulations.Of(d).CriticalRSamples < kReplicates) ++leftOut;
        for (int threads : {2, 3, 8}) {
            SCOPED_TRACE(threads);
            auto r = std::make_unique<AnalysisRecord>();
            SimulationSummary simulations;
            CalculateAll(*r, "t", "", "", file, {threads, nullptr}, &simulations);
            EXPECT_EQ(std::memcmp(plain.get(), r.get(), sizeof(AnalysisRecord)), 0);
            for (int d = 1; d <= kDistributionCount; ++d) ExpectSameSimulation(plainSimulations.Of(d), simulations.Of(d));
        }
    }
    EXPECT_GT(leftOut, 0);  // some series did leave replicates out
}

TEST(Simulation, ProgressCountsEveryReplicateAndCancelStops) {
    auto r = std::make_unique<AnalysisRecord>();
    CalculateAll(*r, "", "", "", std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat");
    CalculationProgress progress;
    SimulateAll(*r, {2, &progress});
    for (int d = 1; d <= kDistributionCount; ++d) EXPECT_EQ(progress.ReplicatesDone(d), kReplicates) << d;
    EXPECT_EQ(progress.TotalReplicatesDone(), kDistributionCount * kReplicates);

    CalculationProgress cancelled;
    cancelled.RequestCancel();
    EXPECT_THROW(SimulateAll(*r, {2, &cancelled}), CalculationCancelled);
    EXPECT_THROW(CalculateAll(*r, "", "", "", std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat", {1, &cancelled}),
                 CalculationCancelled);
}

TEST(Simulation, SummaryMatchesOnlyTheRecordItWasSimulatedFrom) {
    auto r = std::make_unique<AnalysisRecord>();
    SimulationSummary s;
    CalculateAll(*r, "", "", "", std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat", {}, &s);
    EXPECT_TRUE(s.Matches(*r));
    r->Parameters[6].Shape += 1e-12;  // another GEV
    EXPECT_FALSE(s.Matches(*r));
    EXPECT_FALSE(SimulationSummary{}.Matches(*r));
}

}  // namespace
