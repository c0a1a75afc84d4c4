// SPDX-License-Identifier: GPL-3.0-or-later
// The 90 % confidence limits of the quantiles: the percentile rule, a
// distribution whose refitted quantiles fault on some replicates, the band
// at any F, an opened project, and the CSV of the intervals window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <unistd.h>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/fittests.h"
#include "analysis/intervals.h"
#include "analysis/projectfile.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "analysis/simulation.h"
#include "views/intervaltable.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

// 1, 2, ..., m in a shuffled order.
std::vector<double> Shuffled(int m) {
    std::vector<double> v(m);
    for (int i = 0; i < m; ++i) v[i] = (i * 7919) % m + 1;  // 7919 is prime: a permutation of 1..m
    return v;
}

TEST(PercentileInterval, TakesTheCeilOfFivePerCentFromEachEnd) {
    struct Row {
        int m;
        double lower, upper;  // j = ceil(0.05 m): q(j) and q(m + 1 - j)
    } rows[] = {{500, 25, 476}, {37, 2, 36}, {20, 1, 20}, {21, 2, 20}, {2, 1, 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.m);
        const QuantileInterval limits = PercentileInterval(Shuffled(row.m));
        EXPECT_EQ(limits.Lower, row.lower);
        EXPECT_EQ(limits.Upper, row.upper);
    }
    for (int m : {0, 1}) {
        const QuantileInterval limits = PercentileInterval(Shuffled(m));
        EXPECT_TRUE(std::isnan(limits.Lower) && std::isnan(limits.Upper)) << m;
    }
}

TEST(Intervals, ReplicatesWhoseQuantilesOverflowAreLeftOutOfTheIntervalsOnly) {
    // A LogNormal with sigma 250 in log units: exp of a refitted quantile at
    // T = 1000 (about 3.09 sigma) overflows for many refits. Those replicates
    // still count for R90.
    const ParameterSet p{0, 250, 0};
    const DistributionSimulation s = SimulateDistribution(kLogNormal, 10, p);
    EXPECT_EQ(s.CriticalRSamples, kReplicates);
    EXPECT_GT(s.IntervalQuantiles.size(), 0u);
    EXPECT_LT(static_cast<int>(s.IntervalQuantiles.size()), s.CriticalRSamples);
    // The literal simulation keeps the same replicates.
    std::vector<std::array<double, 7>> literal;
    SimulatedCriticalR(kLogNormal, 10, p, nullptr, &literal);
    ASSERT_EQ(literal.size(), s.IntervalQuantiles.size());
    EXPECT_EQ(std::memcmp(literal.data(), s.IntervalQuantiles.data(), literal.size() * sizeof literal[0]), 0);
    for (const auto& q : s.IntervalQuantiles)
        for (double x : q) EXPECT_TRUE(std::isfinite(x));
}

class IntervalsOfARecord : public ::testing::Test {
protected:
    void SetUp() override {
        r_ = std::make_unique<AnalysisRecord>();
        CalculateAll(*r_, "Tees", "", "", std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat", {}, &s_);
    }
    std::unique_ptr<AnalysisRecord> r_;
    SimulationSummary s_;
};

TEST_F(IntervalsOfARecord, LimitsHoldTheQuantileAndWidenWithTheReturnPeriod) {
    for (int d = 1; d <= kDistributionCount; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(IntervalSamples(s_, d), kReplicates);
        const auto limits = ReturnPeriodIntervals(s_, d);
        for (int t = 0; t < kReturnPeriodCount; ++t) {
            EXPECT_LT(limits[t].Lower, limits[t].Upper);
            // The band of the plot is the same rule: equal at the table's F.
            const QuantileInterval band = BandAt(s_, d, kReturnPeriodProbabilities[t]);
            EXPECT_EQ(band.Lower, limits[t].Lower);
            EXPECT_EQ(band.Upper, limits[t].Upper);
        }
        EXPECT_LT(limits[0].Upper - limits[0].Lower, limits[6].Upper - limits[6].Lower);
    }
}

TEST_F(IntervalsOfARecord, AnOpenedProjectGivesTheSameLimits) {
    const fs::path path = fs::temp_directory_path() / ("zarn-intervals-" + std::to_string(::getpid()) + ".prj");
    WriteProjectFile(*r_, path.string());
    auto opened = std::make_unique<AnalysisRecord>();
    ReadProjectFile(*opened, path.string());
    fs::remove(path);
    EXPECT_FALSE(SimulationSummary{}.Matches(*opened));
    const SimulationSummary again = SimulateAll(*opened);
    EXPECT_TRUE(again.Matches(*opened));
    for (int d = 1; d <= kDistributionCount; ++d) {
        const auto a = ReturnPeriodIntervals(s_, d);
        const auto b = ReturnPeriodIntervals(again, d);
        EXPECT_EQ(std::memcmp(a.data(), b.data(), sizeof a), 0) << d;
    }
}

TEST_F(IntervalsOfARecord, BandReturnPeriodsRunFromJustAboveOneToAThousand) {
    const std::vector<double> periods = BandReturnPeriods();
    EXPECT_GE(periods.size(), 35u);
    EXPECT_LE(periods.size(), 45u);
    EXPECT_GT(periods.front(), 1.0);
    EXPECT_LT(periods.front(), 1.1);
    EXPECT_EQ(periods.back(), 1000.0);
    for (int T : kReturnPeriods) EXPECT_NE(std::find(periods.begin(), periods.end(), T), periods.end()) << T;
    EXPECT_TRUE(std::is_sorted(periods.begin(), periods.end()));
}

TEST_F(IntervalsOfARecord, CsvWithEitherSeparator) {
    const std::vector<IntervalRow> rows = IntervalRows(*r_, s_);
    ASSERT_EQ(rows.size(), 56u);
    EXPECT_EQ(rows[0].Index, 1);
    EXPECT_EQ(rows[6].ReturnPeriod, 1000);
    EXPECT_EQ(rows[7].Index, 2);
    EXPECT_EQ(rows[55].Index, 8);
    EXPECT_EQ(rows[0].Quantile, ReturnPeriodQuantile(*r_, 1, 0));

    const std::string semicolon = IntervalCsv(rows, ';', "Projeto: Tees; Dent Bank");
    // The project first (quoted: it holds the separator), then the columns.
    EXPECT_EQ(semicolon.rfind("\xEF\xBB\xBF" "\"Projeto: Tees; Dent Bank\"\r\n" "Distribuição;Tempo de retorno (anos);Quantil;Limite inferior (5 %);"
                              "Limite superior (95 %);Amostras simuladas\r\n", 0),
              0u);
    const std::string comma = IntervalCsv(rows, ',', "Projeto: Tees; Dent Bank");
    // The Tees quantiles are in the hundreds: "123,456" against "123.456".
    const std::size_t header = semicolon.find("\r\n") + 2;
    const std::size_t firstRow = semicolon.find("\r\n", header) + 2;
    const std::string rowSemicolon = semicolon.substr(firstRow, semicolon.find("\r\n", firstRow) - firstRow);
    const std::string rowComma = comma.substr(comma.find("\r\n", comma.find("\r\n") + 2) + 2, rowSemicolon.size());
    EXPECT_EQ(std::count(rowSemicolon.begin(), rowSemicolon.end(), ';'), 5);
    EXPECT_EQ(std::count(rowSemicolon.begin(), rowSemicolon.end(), '.'), 0);
    EXPECT_EQ(std::count(rowSemicolon.begin(), rowSemicolon.end(), ','), 3);
    EXPECT_EQ(std::count(rowComma.begin(), rowComma.end(), ','), 5);
    EXPECT_EQ(std::count(semicolon.begin(), semicolon.end(), '\n'), 58);

    // A limit that is not defined is an empty cell; a period at which the
    // river is expected dry says so, as the window does, not "0,000".
    std::vector<IntervalRow> undefined = {{3, 2, 10.5, {std::nan(""), std::nan("")}, 1},
                                          {3, 1.1, 0.0, {0.0, 0.0}, 480, true}};
    const std::string few = IntervalCsv(undefined, ';', "Projeto: Seco");
    EXPECT_NE(few.find("Gumbel;2;10,500;;;1\r\n"), std::string::npos) << few;
    EXPECT_NE(few.find("Gumbel;1,1;0,000;rio seco;rio seco;480\r\n"), std::string::npos) << few;
    EXPECT_EQ(IntervalCsv(undefined, ',', "Projeto: Seco").find("0.000,0.000"), std::string::npos);
}

}  // namespace
