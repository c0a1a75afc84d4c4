// SPDX-License-Identifier: GPL-3.0-or-later
// Quantiles at a study's own return periods and the conditional probability
// adjustment of a series with years without flow: the list as typed, the
// algebra of the adjustment, a series with zeros analysed as its positive
// values, and the replicates each list counts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "analysis/calculation.h"
#include "files/errors.h"
#include "analysis/fittests.h"
#include "analysis/returnperiods.h"
#include "analysis/special.h"
#include "views/report.h"
#include "rules/advicelines.h"
#include "rules/advisor.h"
#include "files/textcodec.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(ParseReturnPeriods, ListsAsTypedAndTheirRefusals) {
    struct Accepted {
        const char* text;
        std::vector<double> periods;
    } accepted[] = {
        {"1.5,25,500,10000", {1.5, 25, 500, 10000}},
        {" 2 , 100 ,2", {2, 100, 2}},                 // order and repeats kept
        {"1,5; 25;1000", {1.5, 25, 1000}},            // ";" lists take the decimal comma
        {"1.01;1e4", {1.01, 10000}},
    };
    for (const Accepted& row : accepted) {
        SCOPED_TRACE(row.text);
        std::vector<double> periods;
        EXPECT_EQ(ParseReturnPeriods(row.text, periods), "");
        EXPECT_EQ(periods, row.periods);
    }
    struct Refused {
        const char* text;
        const char* refusal;
    } refused[] = {
        {"", "Informe pelo menos um período de retorno (em anos, maior que 1)"},
        {"2,1,10", "O período de retorno 1 não é aceito: todo período de retorno deve ser maior que 1 ano"},
        {"0.5", "O período de retorno 0.5 não é aceito: todo período de retorno deve ser maior que 1 ano"},
        {"-10", "O período de retorno -10 não é aceito: todo período de retorno deve ser maior que 1 ano"},
        {"2,cem", "\"cem\" não é um período de retorno: escreva números (em anos)"},
        {"2, 5 anos", "\"5 anos\" não é um período de retorno: escreva números (em anos)"},
        {"inf", "\"inf\" não é um período de retorno: escreva números (em anos)"},
        {"1e999", "\"1e999\" não é um período de retorno: escreva números (em anos)"},
        {"2,,5", "A lista de períodos de retorno tem um item vazio"},
        {"2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22",
         "A lista tem 21 períodos de retorno: o máximo é 20"},
    };
    for (const Refused& row : refused) {
        SCOPED_TRACE(row.text);
        std::vector<double> periods{7};
        EXPECT_EQ(ParseReturnPeriods(row.text, periods), row.refusal);
        EXPECT_EQ(periods, std::vector<double>{7});  // a refusal leaves the list as it was
    }
    // Twenty is the most a list holds; the format reads back in either mark.
    std::vector<double> twenty;
    ASSERT_EQ(ParseReturnPeriods("2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21", twenty), "");
    EXPECT_EQ(twenty.size(), 20u);
    for (char mark : {'.', ','}) {
        std::vector<double> back;
        ASSERT_EQ(ParseReturnPeriods(FormatReturnPeriods({1.5, 25, 10000}, mark), back), "") << mark;
        EXPECT_EQ(back, (std::vector<double>{1.5, 25, 10000}));
    }
    EXPECT_EQ(FormatReturnPeriods({1.5, 25}, ','), "1,5; 25");
}

TEST(ConditionalProbability, BelowAtAndAboveTheProbabilityOfADryYear) {
    double Fc = -1;
    // p0 = 0.25: F = 0.2 and F = 0.25 are dry years; F = 0.9 is the
    // positive values' (0.9 - 0.25) / 0.75 = 0.8666...
    EXPECT_FALSE(ConditionalProbability(0.2, 0.25, Fc));
    EXPECT_FALSE(ConditionalProbability(0.25, 0.25, Fc));
    ASSERT_TRUE(ConditionalProbability(0.9, 0.25, Fc));
    EXPECT_DOUBLE_EQ(Fc, 0.65 / 0.75);
    // Without zeros every probability is itself, to the bit.
    for (double F : {0.5, 0.8, 0.999, 1.0 - 1.0 / 10000}) {
        ASSERT_TRUE(ConditionalProbability(F, 0.0, Fc));
        EXPECT_TRUE(SameBits(Fc, F));
    }
    // The report's probabilities at its seven periods, 1 - 1/T elsewhere.
    EXPECT_EQ(ReturnPeriodProbability(5), 0.8);
    EXPECT_EQ(ReturnPeriodProbability(1.5), 1.0 - 1.0 / 1.5);
    EXPECT_EQ((ZeroYears{13, 82}.Probability()), 13.0 / 82.0);  // Orestimba Creek's 13 zeros in 82 years
    EXPECT_EQ(ZeroYears{}.Probability(), 0.0);
}

TEST(AdjustedQuantile, ZeroAtAndBelowP0AndTheGumbelOfTheConditionalProbabilityAbove) {
    auto r = std::make_unique<AnalysisRecord>();
    std::memset(r.get(), 0, sizeof(AnalysisRecord));
    r->SampleSize = 30;
    ParametersOf(*r, kGumbel) = {100.0, 20.0, 0.0};
    ParametersOf(*r, kLogNormal) = {4.0, 0.5, 0.0};
    const double p0 = 0.2;
    EXPECT_EQ(AdjustedQuantile(*r, kGumbel, 0.1, p0), 0.0);
    EXPECT_EQ(AdjustedQuantile(*r, kGumbel, 0.2, p0), 0.0);
    // Gumbel x(F) = xi - alpha ln(-ln F) at F' = (0.99 - 0.2) / 0.8.
    const double F = (0.99 - 0.2) / 0.8;
    EXPECT_NEAR(AdjustedQuantile(*r, kGumbel, 0.99, p0), 100.0 - 20.0 * std::log(-std::log(F)), 1e-10);
    // LogNormal: exp of the quantile of the logarithms.
    EXPECT_NEAR(AdjustedQuantile(*r, kLogNormal, 0.99, p0),
                std::exp(4.0 + 0.5 * NormalQuantile(F)), 1e-9);
    // Without zeros: the report's quantile, to the bit.
    for (int d = 1; d <= kDistributionCount; ++d)
        for (int t = 0; t < kReturnPeriodCount; ++t)
            EXPECT_TRUE(SameBits(AdjustedQuantile(*r, d, kReturnPeriodProbabilities[t], 0.0), ReturnPeriodQuantile(*r, d, t)));
}

// A series with years without flow beside the same series without them.
class ZeroYearsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarn-zeros-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ifstream in(std::string(ZARN_EXAMPLES) + "/ocmulgee-river-macon.dat");
        std::ostringstream positive, withZeros;
        std::string value;
        for (int i = 0; in >> value; ++i) {
            positive << value << "\n";
            if (i % 5 == 2) withZeros << "0\n";  // eight dry years among the forty
            withZeros << value << "\n";
        }
        std::ofstream(dir_ / "positivos.dat") << positive.str();
        std::ofstream(dir_ / "com-zeros.dat") << withZeros.str();
        positive_ = std::make_unique<AnalysisRecord>();
        zeros_ = std::make_unique<AnalysisRecord>();
        CalculateAll(*positive_, "", "", "", (dir_ / "positivos.dat").string(), {2, nullptr}, &positiveSimulations_);
        CalculateAll(*zeros_, "", "", "", (dir_ / "com-zeros.dat").string(), {2, nullptr}, &zeroSimulations_, &years_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::unique_ptr<AnalysisRecord> positive_, zeros_;
    SimulationSummary positiveSimulations_, zeroSimulations_;
    ZeroYears years_;
};

TEST_F(ZeroYearsTest, TheAnalysisIsThatOfThePositiveValuesAndTheQuantilesTakeTheZerosBackIn) {
    EXPECT_EQ(years_.Zeros, 8);
    EXPECT_EQ(years_.Years, 48);
    // The record is that of the file of positive values but for its name.
    SetText(zeros_->DataFileName, TextOf(positive_->DataFileName));
    EXPECT_EQ(std::memcmp(zeros_.get(), positive_.get(), sizeof(AnalysisRecord)), 0);
    for (int d = 1; d <= kDistributionCount; ++d)
        EXPECT_EQ(zeroSimulations_.Of(d).CountedRefits.size(), positiveSimulations_.Of(d).CountedRefits.size());

    const double p0 = years_.Probability();  // 1/6
    const std::vector<double> periods{1.1, 1.2, 1.5, 25, 10000};
    const ReturnPeriodTable table = MakeReturnPeriodTable(*zeros_, &zeroSimulations_, periods, p0);
    // 1 - 1/1.1 = 0.0909 and 1 - 1/1.2 = 1/6 (to rounding) are at or below p0.
    EXPECT_TRUE(table.Dry(0));
    EXPECT_EQ(table.Dry(1), 1.0 - 1.0 / 1.2 <= p0);
    EXPECT_FALSE(table.Dry(2));
    for (int d = 1; d <= kDistributionCount; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(table.Quantiles[d - 1][0], 0.0);
        EXPECT_EQ(table.Intervals[d - 1][0].Lower, 0.0);
        EXPECT_EQ(table.Intervals[d - 1][0].Upper, 0.0);
        for (std::size_t t = 2; t < periods.size(); ++t) {
            const double F = 1.0 - 1.0 / periods[t];
            const double conditional = (F - p0) / (1.0 - p0);
            EXPECT_EQ(table.Quantiles[d - 1][t], AdjustedQuantile(*zeros_, d, F, p0));
            // The limits are the positive values' limits at the conditional probability.
            const QuantileInterval band = BandAt(zeroSimulations_, d, conditional);
            if (table.IntervalSamples[d - 1] == IntervalSamples(zeroSimulations_, d)) {
                EXPECT_EQ(table.Intervals[d - 1][t].Lower, band.Lower);
                EXPECT_EQ(table.Intervals[d - 1][t].Upper, band.Upper);
            }
        }
        // Every quantile with the zeros lies below the same period's
        // quantile of the positive values (a dry year takes probability).
        EXPECT_LT(table.Quantiles[d - 1][3], AdjustedQuantile(*positive_, d, 1.0 - 1.0 / 25, 0.0));
    }

    // The report and the statistics say so before the statistics; the rest is unchanged.
    std::vector<std::string> plain = ReportLines(*zeros_);
    const std::vector<std::string> report = ReportLines(*zeros_, years_);
    ASSERT_EQ(report.size(), plain.size() + 10);
    const auto heading = std::find(report.begin(), report.end(), Utf8ToWindows1252("ANOS SEM VAZÃO:"));
    ASSERT_NE(heading, report.end());
    EXPECT_LT(heading - report.begin(), std::find(report.begin(), report.end(), Utf8ToWindows1252("ESTATÍSTICAS DESCRITIVAS:")) - report.begin());
    EXPECT_NE(std::find(report.begin(), report.end(), "  p0 = 8/48 : 0.1667"), report.end());
    std::vector<std::string> rest(report.begin(), report.end());
    rest.erase(rest.begin() + (heading - report.begin()) - 1, rest.begin() + (heading - report.begin()) + 9);
    EXPECT_EQ(rest, plain);
}

TEST_F(ZeroYearsTest, TheAdviceCautionsWhenMoreThanAQuarterOfTheYearsAreDry) {
    auto cautions = [&](const ZeroYears& years) {
        std::string all;
        for (const Phrase& caution : AdviseWithRuleBase(*zeros_, "", years).Cautions) all += PhraseText(caution) + "\n";
        return all;
    };
    EXPECT_EQ(cautions({}).find("Anos sem vazão"), std::string::npos);
    EXPECT_EQ(cautions(years_).find("Anos sem vazão"), std::string::npos);  // p0 = 1/6
    EXPECT_EQ(cautions({10, 40}).find("Anos sem vazão"), std::string::npos);  // p0 = 0.25 exactly
    const std::string many = cautions({20, 60});
    EXPECT_NE(many.find("Anos sem vazão: 20 dos 60 valores são zero (p0 = 0.3333), mais de 25 %"), std::string::npos)
        << many;
    EXPECT_NE(many.find("apenas 40 valores positivos"), std::string::npos) << many;

    // The advice's table: expected-dry rows, and a word when every period asked is dry.
    const Advice advice = AdviseWithRuleBase(*zeros_, "", years_);
    ASSERT_GT(advice.Recommended, 0);
    auto text = [&](const std::vector<double>& periods) {
        std::string all;
        for (const std::string& line :
             AdviceLines(advice, *zeros_,
                         MakeReturnPeriodTable(*zeros_, &zeroSimulations_, periods, years_.Probability(),
                                               QuantileFaults::Show),
                         true, '.'))
            all += line + "\n";
        return all;
    };
    const std::string some = text({1.1, 100});
    const auto dry = some.find(kExpectedDryText);
    ASSERT_NE(dry, std::string::npos) << some;
    const auto start = some.rfind('\n', dry) + 1;
    const std::string row = some.substr(start, some.find('\n', dry) - start);
    EXPECT_EQ(row.find_first_not_of(' '), row.find("1.1 ")) << row;
    EXPECT_NE(row.find(" 0  " + std::string(kExpectedDryText)), std::string::npos) << row;
    EXPECT_EQ(some.find("Em todos os tempos de retorno pedidos o rio deve estar seco"), std::string::npos);
    EXPECT_NE(text({1.05, 1.1}).find("Em todos os tempos de retorno pedidos o rio deve estar seco"), std::string::npos);
}

TEST(ReturnPeriodTable, TheSevenPeriodsOfASeriesWithoutZerosAreTheReportsToTheBit) {
    auto r = std::make_unique<AnalysisRecord>();
    SimulationSummary s;
    CalculateAll(*r, "", "", "", std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat", {2, nullptr}, &s);
    const ReturnPeriodTable table = MakeReturnPeriodTable(*r, &s, StandardReturnPeriods(), 0.0);
    for (int d = 1; d <= kDistributionCount; ++d) {
        SCOPED_TRACE(d);
        const auto limits = ReturnPeriodIntervals(s, d);
        EXPECT_EQ(table.IntervalSamples[d - 1], IntervalSamples(s, d));
        for (int t = 0; t < kReturnPeriodCount; ++t) {
            EXPECT_TRUE(SameBits(table.Quantiles[d - 1][t], ReturnPeriodQuantile(*r, d, t)));
            EXPECT_TRUE(SameBits(table.Intervals[d - 1][t].Lower, limits[t].Lower));
            EXPECT_TRUE(SameBits(table.Intervals[d - 1][t].Upper, limits[t].Upper));
        }
    }
    // Without simulations: the quantiles, no limits, no replicates.
    const ReturnPeriodTable bare = MakeReturnPeriodTable(*r, nullptr, {25}, 0.0);
    EXPECT_TRUE(std::isnan(bare.Intervals[0][0].Lower));
    EXPECT_EQ(bare.IntervalSamples[0], 0);
}

TEST(ReturnPeriodTable, EachListCountsTheRefitsValidAtAllOfItsPeriods) {
    // A LogNormal with sigma 180 in log units: exp of a refitted quantile
    // overflows at long return periods for many refits. A replicate valid for
    // the seven periods (up to 1000 years) may fail at 10,000 years; one
    // whose 1000-year quantile overflows may serve a list of short periods.
    auto r = std::make_unique<AnalysisRecord>();
    std::memset(r.get(), 0, sizeof(AnalysisRecord));
    r->SampleSize = 10;
    ParametersOf(*r, kLogNormal) = {0, 180, 0};  // its own 10,000-year quantile, exp(669), is finite
    SimulationSummary s;
    s.SampleSize = 10;
    std::memcpy(s.Parameters.data(), r->Parameters, sizeof r->Parameters);
    s.Of(kLogNormal) = SimulateDistribution(kLogNormal, 10, ParametersOf(*r, kLogNormal));
    s.Valid = true;
    const int seven = IntervalSamples(s, kLogNormal);
    const int counted = static_cast<int>(s.Of(kLogNormal).CountedRefits.size());
    ASSERT_LT(seven, counted);

    // The count by hand: refits whose quantile at every period of the list is finite.
    auto byHand = [&](const std::vector<double>& periods) {
        int m = 0;
        for (const ParameterSet& refit : s.Of(kLogNormal).CountedRefits) {
            bool valid = true;
            for (double T : periods) {
                const double x = std::exp(DistributionQuantile(kLogNormal, refit, 1.0 - 1.0 / T));
                valid = valid && std::isfinite(x);
            }
            m += valid;
        }
        return m;
    };
    const ReturnPeriodTable dam = MakeReturnPeriodTable(*r, &s, {10000}, 0.0);
    EXPECT_LT(dam.IntervalSamples[kLogNormal - 1], seven);
    EXPECT_EQ(dam.IntervalSamples[kLogNormal - 1], byHand({10000}));
    const ReturnPeriodTable drainage = MakeReturnPeriodTable(*r, &s, {1.5, 25}, 0.0);
    EXPECT_GT(drainage.IntervalSamples[kLogNormal - 1], seven);
    EXPECT_EQ(drainage.IntervalSamples[kLogNormal - 1], byHand({1.5, 25}));
    // j = ceil(0.05 m) of the sorted refitted quantiles.
    std::vector<double> q;
    for (const ParameterSet& refit : s.Of(kLogNormal).CountedRefits) {
        const double x = std::exp(DistributionQuantile(kLogNormal, refit, 1.0 - 1.0 / 10000));
        if (std::isfinite(x)) q.push_back(x);
    }
    std::sort(q.begin(), q.end());
    const std::size_t j = (q.size() + 19) / 20;
    EXPECT_EQ(dam.Intervals[kLogNormal - 1][0].Lower, q[j - 1]);
    EXPECT_EQ(dam.Intervals[kLogNormal - 1][0].Upper, q[q.size() - j]);
    // The seven keep their own count.
    EXPECT_EQ(IntervalSamples(s, kLogNormal), seven);
}

}  // namespace
