// SPDX-License-Identifier: GPL-3.0-or-later
// The Bulletin 17C record and options in the project's side file, and what
// the windows make of them: the values typed for a year, the rows of the
// quantile table and the points of the charts.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/b17cproject.h"
#include "files/projectsettings.h"
#include "views/b17cview.h"

using namespace zarn;

namespace {

B17cProject Example() {
    B17cProject p;
    p.Record.Observations = {{1864, 41000, 41000, true}, {1890, 30000, INFINITY, true}, {1893, 20000, 20000},
                             {1894, 0, 1500}, {1895, 2500.5, 9000}};
    p.Record.Thresholds = {{1864, 1892, 30000, INFINITY}, {1880, 1885, 100, 5e5}};
    p.Options.LowOutliers = LowOutlierMethod::UserThreshold;
    p.Options.UserThreshold = 1234.5;
    p.Options.Skew = SkewOption::Weighted;
    p.Options.RegionalSkew = -0.1;
    p.Options.RegionalSkewSE = 0.302;
    p.Options.Confidence = 0.95;
    return p;
}

void ExpectSame(const B17cProject& a, const B17cProject& b) {
    ASSERT_EQ(a.Record.Observations.size(), b.Record.Observations.size());
    for (std::size_t k = 0; k < a.Record.Observations.size(); ++k) {
        EXPECT_EQ(a.Record.Observations[k].Year, b.Record.Observations[k].Year);
        EXPECT_EQ(a.Record.Observations[k].Low, b.Record.Observations[k].Low);
        EXPECT_EQ(a.Record.Observations[k].High, b.Record.Observations[k].High);
        EXPECT_EQ(a.Record.Observations[k].Historical, b.Record.Observations[k].Historical);
    }
    ASSERT_EQ(a.Record.Thresholds.size(), b.Record.Thresholds.size());
    for (std::size_t k = 0; k < a.Record.Thresholds.size(); ++k) {
        EXPECT_EQ(a.Record.Thresholds[k].First, b.Record.Thresholds[k].First);
        EXPECT_EQ(a.Record.Thresholds[k].Last, b.Record.Thresholds[k].Last);
        EXPECT_EQ(a.Record.Thresholds[k].Low, b.Record.Thresholds[k].Low);
        EXPECT_EQ(a.Record.Thresholds[k].High, b.Record.Thresholds[k].High);
    }
    EXPECT_EQ(a.Options.LowOutliers, b.Options.LowOutliers);
    EXPECT_EQ(a.Options.UserThreshold, b.Options.UserThreshold);
    EXPECT_EQ(a.Options.Skew, b.Options.Skew);
    EXPECT_EQ(a.Options.RegionalSkew, b.Options.RegionalSkew);
    EXPECT_EQ(a.Options.RegionalSkewSE, b.Options.RegionalSkewSE);
    EXPECT_EQ(a.Options.Confidence, b.Options.Confidence);
}

}  // namespace

TEST(B17cProjectSettings, RoundTripThroughTheSideFileTextKeepingOtherKeysInOrder) {
    ProjectSettings s;
    s.Unit = "m³/s";
    s.Other = {{"chave_futura", "a=b"}, {"b17c_ano", "1700;1;1"}, {"outra", "x"}};
    SetB17cProject(s, Example());
    const ProjectSettings back = ParseProjectSettings(FormatProjectSettings(s));
    const B17cProject read = ReadB17cProject(back);
    EXPECT_TRUE(read.Present);
    ExpectSame(read, Example());  // the old 1700 line was replaced, not kept
    ASSERT_GE(back.Other.size(), 2u);
    EXPECT_EQ(back.Other[0], (std::pair<std::string, std::string>{"chave_futura", "a=b"}));
    EXPECT_EQ(back.Other[1], (std::pair<std::string, std::string>{"outra", "x"}));
    EXPECT_EQ(*back.Unit, "m³/s");
    EXPECT_NE(FormatProjectSettings(s).find("b17c_limiar=1864;1892;30000;inf\n"), std::string::npos);
}

TEST(B17cProjectSettings, NothingWrittenForAnEmptyRecordWithDefaultOptions) {
    ProjectSettings s;
    s.Other = {{"b17c_ano", "1900;5;5"}, {"outra", "x"}};
    SetB17cProject(s, B17cProject{});
    ASSERT_EQ(s.Other.size(), 1u);
    EXPECT_EQ(s.Other[0].first, "outra");
    EXPECT_FALSE(ReadB17cProject(s).Present);
}

TEST(B17cProjectSettings, LinesThatCannotBeReadAreDroppedNotGuessed) {
    const ProjectSettings s = ParseProjectSettings(
        "b17c_ano=1900;10;5\n"          // low above high
        "b17c_ano=1901;-3;-3\n"         // negative flow
        "b17c_ano=19x2;4;4\n"           // not a year
        "b17c_ano=1903;inf;inf\n"       // no finite low
        "b17c_ano=1905;7;7;x\n"         // an unknown mark
        "b17c_ano=1904;7;7\n"
        "b17c_ano=1904;8;8\n"           // the year again: the last line counts
        "b17c_limiar=1890;1880;5;inf\n" // years reversed
        "b17c_atipicos=talvez\n"
        "b17c_confianca=1.5\n"
        "b17c_ep_assimetria_regional=-1\n");
    const B17cProject p = ReadB17cProject(s);
    EXPECT_TRUE(p.Present);
    ASSERT_EQ(p.Record.Observations.size(), 1u);
    EXPECT_EQ(p.Record.Observations[0].Year, 1904);
    EXPECT_EQ(p.Record.Observations[0].Low, 8);
    EXPECT_TRUE(p.Record.Thresholds.empty());
    const B17cOptions defaults;
    EXPECT_EQ(p.Options.LowOutliers, defaults.LowOutliers);
    EXPECT_EQ(p.Options.Confidence, defaults.Confidence);
    EXPECT_EQ(p.Options.RegionalSkewSE, defaults.RegionalSkewSE);
}

TEST(B17cProjectSettings, HistoricalInformationMeansThresholdsOrIntervals) {
    HistoricalRecord r;
    EXPECT_FALSE(HasHistoricalInformation(r));
    r.Observations = {{1990, 5, 5}, {1991, 6, 6}};
    EXPECT_FALSE(HasHistoricalInformation(r));  // a plain systematic record
    r.Observations.push_back({1992, 0, 3});
    EXPECT_TRUE(HasHistoricalInformation(r));
    r.Observations.back() = {1880, 9, 9, true};
    EXPECT_TRUE(HasHistoricalInformation(r));
    r.Observations.pop_back();
    r.Thresholds.push_back({1900, 1989, 100});
    EXPECT_TRUE(HasHistoricalInformation(r));
}

TEST(B17cProjectSettings, TheProjectSeriesTakesConsecutiveYearsInFileOrder) {
    auto r = std::make_unique<AnalysisRecord>();
    r->SampleSize = 3;
    r->Sample[0] = 10;
    r->Sample[1] = 30;
    r->Sample[2] = 20;
    const auto years = SystematicRecord(*r, 1950);
    ASSERT_EQ(years.size(), 3u);
    EXPECT_EQ(years[2].Year, 1952);
    EXPECT_EQ(years[1].Low, 30);
    EXPECT_EQ(years[1].High, 30);
}

TEST(B17cTypedValues, EachFormReadsBackInBothNotations) {
    const FloodObservation cases[] = {{0, 1262.9, 1262.9}, {0, 0, 500}, {0, 900, INFINITY}, {0, 300.25, 80000}, {0, 0, 0}};
    for (const char decimal : {',', '.'}) {
        const NumberStyle style = StyleFor(decimal);
        for (const FloodObservation& o : cases) {
            const std::string text = ObservationText(o, style);
            double low = -1, high = -1;
            EXPECT_EQ(ParseObservation(text, style, low, high), "") << text;
            EXPECT_EQ(low, o.Low) << text;
            EXPECT_EQ(high, o.High) << text;
        }
    }
    EXPECT_EQ(ObservationText({0, 12345.5, 12345.5}, StyleFor(',')), "12.345,5");
    EXPECT_EQ(ObservationText({0, 0, 500}, StyleFor(',')), "< 500");
}

TEST(B17cTypedValues, RefusalsSayWhatIsWrong) {
    const NumberStyle style = StyleFor(',');
    double low = 0, high = 0;
    EXPECT_NE(ParseObservation("", style, low, high), "");
    EXPECT_NE(ParseObservation("abc", style, low, high), "");
    EXPECT_NE(ParseObservation("< 0", style, low, high), "");  // "less than nothing" is no interval
    EXPECT_NE(ParseObservation("-5", style, low, high), "");
    EXPECT_NE(ParseObservation("9000 - 300", style, low, high).find("mínimo passa do máximo"), std::string::npos);
    EXPECT_EQ(ParseObservation(" 1.262,9 ", style, low, high), "");
    EXPECT_EQ(low, 1262.9);
    EXPECT_EQ(ParseObservation("41.000", style, low, high), "");
    EXPECT_EQ(low, 41000);
    // A point that cannot be a thousands separator is refused, never read as
    // 12629 (the flood of record typed in the other notation).
    for (const char* typed : {"1262.9", "1.26", "12.34.567", "1.2345", "1.262,9.5"})
        EXPECT_NE(ParseObservation(typed, style, low, high), "") << typed;
}

TEST(B17cTables, QuantileRowsAreTheTableAepsAndTheStudyPeriodsDescending) {
    B17cResult r;
    r.Ok = true;
    // As an analysis with the chart's AEPs too; 0.001 from a 1000-year period.
    r.Aep = {0.995, 0.9, 0.5, 0.3, 0.2, 0.1, 0.04, 0.02, 0.01, 0.005, 0.002, 0.001};
    for (double a : r.Aep) {
        r.Quantiles.push_back(1000 / a);
        r.Lower.push_back(900 / a);
        r.Upper.push_back(1200 / a);
    }
    const auto rows = B17cQuantileRows(r, {2, 100, 1000}, StyleFor(','));
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows.front()[0], "0,5");
    EXPECT_EQ(rows.front()[1], "2");
    EXPECT_EQ(rows.back()[0], "0,001");
    EXPECT_EQ(rows.back()[1], "1000");
    EXPECT_EQ(rows.back()[2], "1.000.000");
    EXPECT_EQ(rows[5][0], "0,01");
    EXPECT_EQ(rows[5][3], "90.000");

    const B17cOptions o = B17cAnalysisOptions(B17cOptions{}, {2, 25, 1000});
    for (double a : {0.5, 0.2, 0.1, 0.04, 0.02, 0.01, 0.005, 0.002, 0.001, 0.995})
        EXPECT_EQ(std::count(o.Aep.begin(), o.Aep.end(), a), 1) << a;  // each once, 1/25 = 0.04 not twice
}

TEST(B17cTables, SummaryNamesTheSkewWeighting) {
    B17cResult r;
    r.Mean = 3.5;
    r.StandardDeviation = 0.25;
    r.StationSkew = 0.4;
    r.Skew = 0.2;
    r.SkewMse = 0.1;
    r.RegionalSkewMse = 0.1;
    r.LowOutlierThreshold = 1234.5;
    r.LowOutliers = 2;
    B17cOptions o;
    o.Skew = SkewOption::Weighted;
    o.RegionalSkew = 0;
    o.RegionalSkewSE = std::sqrt(0.1);
    const auto rows = B17cSummaryRows(r, o, StyleFor(','));
    auto value = [&rows](const std::string& name) {
        for (const auto& [n, v] : rows)
            if (n == name) return v;
        return std::string("(ausente)");
    };
    EXPECT_EQ(value("Média dos log10"), "3,5000");
    EXPECT_EQ(value("Peso da estação"), "0,500");
    EXPECT_EQ(value("Assimetria adotada"), "0,2000 (ponderada)");
    EXPECT_EQ(value("Limiar de atípicos baixos"), "1234,5");
    EXPECT_EQ(value("Atípicos baixos"), "2");
}

TEST(B17cCharts, RecordChartSpansYearsAndThresholdsAndCapsOpenBars) {
    HistoricalRecord r;
    r.Observations = {{1864, 41000, 41000}, {1900, 5000, INFINITY}, {1950, 0, 800}};
    r.Thresholds = {{1850, 1892, 30000, INFINITY}};
    const RecordChartData d = RecordChart(r);
    EXPECT_EQ(d.FirstYear, 1849);
    EXPECT_EQ(d.LastYear, 1951);
    EXPECT_EQ(d.Points.size(), 1u);
    EXPECT_EQ(d.Intervals.size(), 2u);
    EXPECT_GE(d.FlowHigh, 41000);
    EXPECT_TRUE(std::isfinite(d.FlowHigh));
}
