// SPDX-License-Identifier: GPL-3.0-or-later
// What the result windows show, built from a record filled by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "views/lines.h"

namespace zarn {
namespace {

std::unique_ptr<AnalysisRecord> EmptyRecord() { return std::make_unique<AnalysisRecord>(); }

// A record with a five-value sample and the statistics the windows print.
std::unique_ptr<AnalysisRecord> SmallRecord() {
    auto r = EmptyRecord();
    const double sample[] = {50.0, 10.0, 40.0, 20.0, 30.0};
    r->SampleSize = 5;
    for (int i = 0; i < 5; ++i) r->Sample[i] = sample[i];
    r->Maximum = 12345.6;
    r->Minimum = 1234.56;
    r->Mean = 1234.5678;
    r->StdDev = 0.012345;
    r->Skewness = -0.7333333;
    r->LogMaximum = 1.959964;
    r->KendallTau = -0.7333333;
    r->KendallZLimit = 1.959964;
    r->LMoments = {10000.0, 0.0, -0.00001, 0.5};
    return r;
}

TEST(EstatisticasLines, TwentyLinesWithRegionalSeparator) {
    auto r = SmallRecord();
    r->SampleSize = 25;
    const auto lines = EstatisticasLines(*r, ',');
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "Estatísticas descritivas:");
    EXPECT_EQ(lines[1], "  Tamanho da amostra : 25");
    EXPECT_EQ(lines[2], "  Máximo : 1,235E0004");   // 12345.6: exponent form
    EXPECT_EQ(lines[3], "  Mínimo : 1235,0000");     // 1234.56: 4 significant digits, padded
    EXPECT_EQ(lines[4], "  Média : 1235,0000");      // 1234.5678
    EXPECT_EQ(lines[5], "  Desvio padrão : 0,0123"); // 0.012345
    EXPECT_EQ(lines[6], "  Assimetria : -0,7333");
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(lines[8], "Estatísticas dos logaritmos:");
    EXPECT_EQ(lines[9], "  Máximo : 1,9600");
    EXPECT_EQ(lines[14], "");
    EXPECT_EQ(lines[15], "Momentos-L amostrais:");
    EXPECT_EQ(lines[16], "  l1 : 1E0004");
    EXPECT_EQ(lines[17], "  l2 : 0,0000");
    EXPECT_EQ(lines[18], "  t3 : 0,0000");  // rounds to zero: no sign
    EXPECT_EQ(lines[19], "  t4 : 0,5000");
    EXPECT_EQ(EstatisticasLines(*r, '.')[4], "  Média : 1235.0000");
}

TEST(HistogramPoints, OnePairPerClassAndNeverPastTheArrays) {
    auto r = EmptyRecord();
    r->ClassCount = 3;
    const double centres[] = {1.5, 2.5, 3.5}, frequencies[] = {0.2, 0.5, 0.3};
    for (int i = 0; i < 3; ++i) {
        r->ClassCentre[i] = centres[i];
        r->ClassFrequency[i] = frequencies[i];
    }
    const ChartPoints bars = HistogramPoints(*r);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[1], std::make_pair(2.5, 0.5));

    // Counts from a damaged project file.
    r->ClassCount = -4;
    EXPECT_TRUE(HistogramPoints(*r).empty());
    r->ClassCount = 2'000'000'000;
    EXPECT_EQ(HistogramPoints(*r).size(), static_cast<size_t>(kSampleCapacity));
    r->SampleSize = -1;
    EXPECT_TRUE(SamplePoints(*r).empty());
    EXPECT_TRUE(ProbabilityPlot(*r, kNormal).Observed.empty());
    r->SampleSize = 123456;
    EXPECT_EQ(SamplePoints(*r).size(), static_cast<size_t>(kSampleCapacity));
}

TEST(SamplePoints, FileOrderNumberedFromOne) {
    auto r = SmallRecord();
    const ChartPoints points = SamplePoints(*r);
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points.front(), std::make_pair(1.0, 50.0));
    EXPECT_EQ(points.back(), std::make_pair(5.0, 30.0));
}

TEST(TesteLines, ValuesAndNegativeVerdictsWithoutFlags) {
    auto r = SmallRecord();
    const auto lines = TesteLines(*r, ',');
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[1], "  Coef. Corr. Kendall : -0,7333");
    EXPECT_EQ(lines[3], "  Valor limiar de | Z |  : 1,9600");  // two blanks before the colon
    EXPECT_EQ(lines[9], "  Valor limiar de | U | : 0,0000");   // one blank
    EXPECT_EQ(lines[16], "    Max : 1,235E0004");
    EXPECT_EQ(lines[22], "    Min : 1235,0000");
    EXPECT_EQ(lines[5], "  Z < | Z | => dados independentes");
    EXPECT_EQ(lines[11], "  U < | U | => dados homogeneos");
    EXPECT_EQ(lines[18], "    Max < LS => não ha outlier");
    EXPECT_EQ(lines[24], "    Min > LI => não ha outlier");
    EXPECT_EQ(lines[28],
              "    não há outlier - a retirada do máximo amostral não resultou em uma mudança significativa da "
              "assimetria.");
    EXPECT_EQ(lines[31],
              "    não há outlier - a retirada do mínimo amostral não resultou em uma mudança significativa da "
              "assimetria.");
    // Headings without a value end with a colon and a blank.
    for (int i : {14, 20, 27, 30}) EXPECT_EQ(lines[i].substr(lines[i].size() - 2), ": ") << i;
}

TEST(TesteLines, EachFlagChangesOnlyItsVerdict) {
    const struct {
        std::uint8_t Bit;
        int Line;  // 0-based
        const char* Text;
    } cases[] = {
        {FlagDependent, 5, "  Z > | Z | => dados dependentes"},
        {FlagNonHomogeneous, 11, "  U > | U | => dados não homogeneos"},
        {FlagHighOutlierGB, 18, "    Max > LS => há outlier"},
        {FlagLowOutlierGB, 24, "    Min < LI => há outlier"},
        {FlagHighOutlierSkew, 28,
         "    há outlier - a retirada do máximo amostral resultou em uma mudança significativa da assimetria."},
        {FlagLowOutlierSkew, 31,
         "    há outlier - a retirada do mínimo amostral resultou em uma mudança significativa da assimetria."},
    };
    auto r = SmallRecord();
    const auto clear = TesteLines(*r, '.');
    for (const auto& c : cases) {
        r->TestFlags = c.Bit;
        const auto lines = TesteLines(*r, '.');
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(lines[i], i == c.Line ? std::string(c.Text) : clear[i]) << "bit " << int(c.Bit) << " line " << i;
    }
    // Bits 0 and 7 carry no verdict.
    r->TestFlags = 0x81;
    EXPECT_EQ(TesteLines(*r, '.'), clear);
}

TEST(ParaLines, FortyLinesWithTwoAndThreeParameters) {
    auto r = EmptyRecord();
    for (int i = 1; i <= 8; ++i) ParametersOf(*r, i) = {i * 100.5, i * 0.25, -0.1 * i};
    const auto lines = ParaLines(*r, ',');
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(lines[0], "Distribuições de 2 Parâmetros:");
    EXPECT_EQ(lines[2], "=> Distribuição Normal");
    EXPECT_EQ(lines[3], "      Posição : 100,5000");
    EXPECT_EQ(lines[4], "      Escala : 0,2500");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "=> Distribuição LogNormal");
    EXPECT_EQ(lines[14], "=> Distribuição Exponencial");
    EXPECT_EQ(lines[18], "Distribuições de 3 Parâmetros:");
    EXPECT_EQ(lines[20], "=> Distribuição Person-III");
    EXPECT_EQ(lines[23], "      Forma : -0,5000");
    EXPECT_EQ(lines[25], "=> Distribuição LogPerson-III");
    EXPECT_EQ(lines[35], "=> Distribuição GPA");
    EXPECT_EQ(lines[36], "      Posição : 804,0000");
    EXPECT_EQ(lines[38], "      Forma : -0,8000");
    EXPECT_EQ(lines[39], "");
}

// First return period of the probability plot: rank 1 of n by the plotting
// position of each distribution, T = 1 / (1 - F).
TEST(ProbabilityPlot, PointsAndFirstReturnPeriodForEachDistribution) {
    auto r = SmallRecord();
    for (int i = 1; i <= 8; ++i) ParametersOf(*r, i) = {3.0, 1.0, 0.1};
    const int n = 5;
    const double blom = 1 / (1 - (1 - 0.375) / (n + 0.25));
    const double gringorten = 1 / (1 - (1 - 0.44) / (n + 0.12));
    const double cunnane = 1 / (1 - (1 - 0.4) / (n + 0.2));
    const double expected[9] = {0, blom, blom, gringorten, gringorten, blom, blom, cunnane, cunnane};
    const char* titles[9] = {"",
                             "DISTRIBUIÇÃO NORMAL",
                             "DISTRIBUIÇÃO LOGNORMAL",
                             "DISTRIBUIÇÃO GUMBEL",
                             "DISTRIBUIÇÃO EXPONENCIAL",
                             "DISTRIBUIÇÃO PEARSON-III",
                             "DISTRIBUIÇÃO LOGPEARSON-III",
                             "DISTRIBUIÇÃO GEV",
                             "DISTRIBUIÇÃO GPA"};
    for (int index = 1; index <= 8; ++index) {
        const ProbabilityPlotData plot = ProbabilityPlot(*r, index);
        EXPECT_EQ(plot.Title, titles[index]);
        ASSERT_EQ(plot.Observed.size(), 5u) << index;
        ASSERT_EQ(plot.Expected.size(), 5u) << index;
        EXPECT_DOUBLE_EQ(plot.Observed[0].second, expected[index]) << index;
        for (int i = 0; i < n; ++i) {
            // Observed values ascending, both series at the same return periods.
            EXPECT_EQ(plot.Observed[i].first, 10.0 * (i + 1)) << index;
            EXPECT_EQ(plot.Expected[i].second, plot.Observed[i].second) << index;
            if (i > 0) {
                EXPECT_GT(plot.Observed[i].second, plot.Observed[i - 1].second) << index;
            }
        }
    }
}

TEST(ProbabilityPlot, ExpectedQuantilesInTheUnitsOfTheSample) {
    auto r = SmallRecord();
    ParametersOf(*r, kNormal) = {30.0, 15.0, 0};
    ParametersOf(*r, kLogNormal) = {std::log(30.0), 0.5, 0};
    ParametersOf(*r, kGumbel) = {25.0, 10.0, 0};

    // Rank 3 of 5 by Blom is F = 0.5: the median of the fit.
    EXPECT_NEAR(ProbabilityPlot(*r, kNormal).Expected[2].first, 30.0, 1e-12);
    // LogNormal: exp of the log-space quantile, so exp(mu) at the median,
    // beside the observed values themselves (not their logarithms).
    const ProbabilityPlotData log = ProbabilityPlot(*r, kLogNormal);
    EXPECT_NEAR(log.Expected[2].first, 30.0, 1e-9);
    EXPECT_EQ(log.Observed[0].first, 10.0);
    EXPECT_GT(log.Expected[0].first, 0.0);
    // Gumbel identity: x(F) = xi - alpha ln(-ln F), F of rank 1 by Gringorten.
    const double F = (1 - 0.44) / (5 + 0.12);
    EXPECT_NEAR(ProbabilityPlot(*r, kGumbel).Expected[0].first, 25.0 - 10.0 * std::log(-std::log(F)), 1e-9);
}

TEST(ProbabilityPlot, QuantileFaultsAreDrawnAsZeroOrExpOfZero) {
    auto r = SmallRecord();  // every Scale 0: each quantile fails with 0
    for (const auto& [q, T] : ProbabilityPlot(*r, kNormal).Expected) EXPECT_EQ(q, 0.0);
    for (const auto& [q, T] : ProbabilityPlot(*r, kLogPearson3).Expected) EXPECT_EQ(q, 1.0);
}

TEST(ProbabilityPlot, NothingToDrawForAnEmptySampleOrAnUnknownIndex) {
    auto r = EmptyRecord();
    const ProbabilityPlotData empty = ProbabilityPlot(*r, kGEV);
    EXPECT_EQ(empty.Title, "DISTRIBUIÇÃO GEV");
    EXPECT_TRUE(empty.Observed.empty() && empty.Expected.empty());

    r = SmallRecord();
    for (int index : {0, 9, 255, -1}) {
        const ProbabilityPlotData plot = ProbabilityPlot(*r, index);
        EXPECT_TRUE(plot.Title.empty()) << index;
        EXPECT_TRUE(plot.Observed.empty() && plot.Expected.empty()) << index;
    }
}

}  // namespace
}  // namespace zarn
