// SPDX-License-Identifier: GPL-3.0-or-later
// What the charts draw: the probability plot's band, the frequency chart on
// probability paper and the L-moment ratio diagram, from real analyses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>

#include "analysis/calculation.h"
#include "analysis/fittests.h"
#include "analysis/intervals.h"
#include "analysis/quantiles.h"
#include "views/frequencychart.h"
#include "views/lines.h"
#include "views/ratiodiagram.h"

namespace zarn {
namespace {

struct Analysis {
    std::unique_ptr<AnalysisRecord> Record = std::make_unique<AnalysisRecord>();
    SimulationSummary Simulations;
};

// The analysis of a bundled example, with its simulations, computed once.
const Analysis& Example(const std::string& name) {
    static std::map<std::string, std::unique_ptr<Analysis>> cache;
    auto& slot = cache[name];
    if (!slot) {
        slot = std::make_unique<Analysis>();
        CalculateAll(*slot->Record, "", "", "", std::string(ZARN_EXAMPLES) + "/" + name, {}, &slot->Simulations);
    }
    return *slot;
}

const Analysis& Ocmulgee() { return Example("ocmulgee-river-macon.dat"); }

FrequencyChartOptions AllShown(ProbabilityPaper paper) {
    FrequencyChartOptions options;
    options.Paper = paper;
    options.Shown.fill(true);
    return options;
}

constexpr ProbabilityPaper kPapers[] = {ProbabilityPaper::Gumbel, ProbabilityPaper::Normal,
                                        ProbabilityPaper::LogReturnPeriod};

TEST(ProbabilityPlotBand, EqualsBandAtEveryReturnPeriodAndTheReportsIntervals) {
    const Analysis& a = Ocmulgee();
    for (int index = 1; index <= kDistributionCount; ++index) {
        const ProbabilityPlotBandData band = ProbabilityPlotBand(a.Simulations, index);
        const std::vector<double> periods = BandReturnPeriods();
        ASSERT_EQ(band.Lower.size(), periods.size()) << index;
        ASSERT_EQ(band.Upper.size(), periods.size()) << index;
        for (std::size_t k = 0; k < periods.size(); ++k) {
            const QuantileInterval expected = BandAt(a.Simulations, index, NonExceedance(periods[k]));
            EXPECT_EQ(band.Lower[k], std::make_pair(expected.Lower, periods[k]));
            EXPECT_EQ(band.Upper[k], std::make_pair(expected.Upper, periods[k]));
            EXPECT_LT(band.Lower[k].first, band.Upper[k].first);
        }
        // At T = 2 ... 1000 the very limits of the interval table.
        const auto table = ReturnPeriodIntervals(a.Simulations, index);
        for (int t = 0; t < kReturnPeriodCount; ++t) {
            const auto at = std::find_if(band.Lower.begin(), band.Lower.end(),
                                         [&](const auto& p) { return p.second == kReturnPeriods[t]; });
            ASSERT_NE(at, band.Lower.end());
            const std::size_t k = at - band.Lower.begin();
            EXPECT_EQ(band.Lower[k].first, table[t].Lower);
            EXPECT_EQ(band.Upper[k].first, table[t].Upper);
        }
    }
}

TEST(ProbabilityPlotBand, NothingWithoutSimulationsOrForADamagedIndex) {
    EXPECT_TRUE(ProbabilityPlotBand(SimulationSummary{}, kGEV).Lower.empty());
    EXPECT_TRUE(ProbabilityPlotBand(Ocmulgee().Simulations, 0).Lower.empty());
    EXPECT_TRUE(ProbabilityPlotBand(Ocmulgee().Simulations, 9).Upper.empty());
}

TEST(NonExceedance, TheReportsConstantsAtItsSevenReturnPeriods) {
    for (int t = 0; t < kReturnPeriodCount; ++t) EXPECT_EQ(NonExceedance(kReturnPeriods[t]), kReturnPeriodProbabilities[t]);
    EXPECT_DOUBLE_EQ(NonExceedance(4.0), 0.75);
}

TEST(PlottingFormulas, EachIsIMinusAOverNPlusOneMinusTwoA) {
    const int n = 40;
    EXPECT_DOUBLE_EQ(EmpiricalProbability(PlottingFormula::Weibull, 1, n), 1.0 / 41);
    EXPECT_DOUBLE_EQ(EmpiricalProbability(PlottingFormula::Cunnane, 1, n), 0.6 / 40.2);
    EXPECT_DOUBLE_EQ(EmpiricalProbability(PlottingFormula::Gringorten, n, n), (n - 0.44) / (n + 0.12));
    EXPECT_DOUBLE_EQ(EmpiricalProbability(PlottingFormula::Hazen, 3, n), 2.5 / n);
    // Blom is the probability plot's formula for the normal family.
    for (int i = 1; i <= n; ++i)
        EXPECT_DOUBLE_EQ(EmpiricalProbability(PlottingFormula::Blom, i, n), PlottingPosition(kNormal, i, n));
}

TEST(PaperCoordinate, GumbelNormalAndReturnPeriod) {
    EXPECT_NEAR(PaperCoordinate(ProbabilityPaper::Gumbel, std::exp(-1.0)), 0.0, 1e-15);  // -ln(-ln e^-1) = 0
    EXPECT_NEAR(PaperCoordinate(ProbabilityPaper::Gumbel, 0.99), 4.600149226776579, 1e-12);
    EXPECT_EQ(PaperCoordinate(ProbabilityPaper::Normal, 0.5), 0.0);
    EXPECT_NEAR(PaperCoordinate(ProbabilityPaper::Normal, 0.975), 1.959963984540054, 1e-12);
    EXPECT_NEAR(PaperCoordinate(ProbabilityPaper::LogReturnPeriod, 0.99), 100.0, 1e-9);
}

TEST(FrequencyChart, CurvesPassThroughTheReportsQuantilesOnEveryPaper) {
    for (const char* name : {"ocmulgee-river-macon.dat", "potomac-river-point-of-rocks.dat", "tees-dent-bank.dat"}) {
        const AnalysisRecord& r = *Example(name).Record;
        for (ProbabilityPaper paper : kPapers) {
            const FrequencyChartData chart = FrequencyChart(r, nullptr, AllShown(paper));
            ASSERT_EQ(chart.Curves.size(), 8u);
            for (const FrequencyCurve& curve : chart.Curves) {
                for (int t = 0; t < kReturnPeriodCount; ++t) {
                    const double F = kReturnPeriodProbabilities[t];
                    const auto at = std::find_if(curve.Points.begin(), curve.Points.end(),
                                                 [F](const FrequencyPoint& p) { return p.F == F; });
                    ASSERT_NE(at, curve.Points.end()) << name << " " << curve.Index << " T=" << kReturnPeriods[t];
                    EXPECT_EQ(at->Value, ReturnPeriodQuantile(r, curve.Index, t)) << name << " " << curve.Index;
                    EXPECT_EQ(at->Coordinate, PaperCoordinate(paper, F));
                }
                // A quantile function rises with F; the points are in order of F.
                for (std::size_t k = 1; k < curve.Points.size(); ++k) {
                    EXPECT_GT(curve.Points[k].F, curve.Points[k - 1].F);
                    EXPECT_GE(curve.Points[k].Value, curve.Points[k - 1].Value) << name << " " << curve.Index;
                }
                EXPECT_GT(curve.Points.size(), 100u);
            }
        }
    }
}

TEST(FrequencyChart, ObservedValuesAtTheChosenPlottingPositions) {
    const AnalysisRecord& r = *Ocmulgee().Record;
    FrequencyChartOptions options;
    options.Positions = PlottingFormula::Gringorten;
    const FrequencyChartData chart = FrequencyChart(r, nullptr, options);
    ASSERT_EQ(chart.Observed.size(), 40u);
    EXPECT_EQ(chart.Observed.front().Value, r.Minimum);
    EXPECT_EQ(chart.Observed.back().Value, r.Maximum);
    for (int i = 1; i <= 40; ++i) {
        const FrequencyPoint& p = chart.Observed[i - 1];
        EXPECT_DOUBLE_EQ(p.F, (i - 0.44) / 40.12);
        EXPECT_EQ(p.Coordinate, PaperCoordinate(ProbabilityPaper::Gumbel, p.F));
        if (i > 1) {
            EXPECT_GE(p.Value, chart.Observed[i - 2].Value);
        }
    }
    EXPECT_TRUE(chart.Curves.empty());  // none shown
}

TEST(FrequencyChart, AxesSpanOneToAThousandYearsAndEveryPoint) {
    for (const char* name : {"ocmulgee-river-macon.dat", "potomac-river-point-of-rocks.dat"}) {
        const AnalysisRecord& r = *Example(name).Record;
        for (ProbabilityPaper paper : kPapers) {
            const FrequencyChartData chart = FrequencyChart(r, nullptr, AllShown(paper));
            auto inside = [&](double c) { return c >= chart.CoordinateLow && c <= chart.CoordinateHigh; };
            EXPECT_TRUE(inside(PaperCoordinate(paper, NonExceedance(1.01)))) << name;
            EXPECT_TRUE(inside(PaperCoordinate(paper, NonExceedance(1000)))) << name;
            for (const FrequencyPoint& p : chart.Observed) EXPECT_TRUE(inside(p.Coordinate));
            for (const FrequencyPoint& p : chart.Observed) {
                EXPECT_GE(p.Value, chart.Values.Low);
                EXPECT_LE(p.Value, chart.Values.High);
            }
            if (paper == ProbabilityPaper::LogReturnPeriod) {
                EXPECT_EQ(chart.CoordinateLow, 1.0);
                EXPECT_EQ(chart.CoordinateHigh, 1000.0);
                EXPECT_TRUE(chart.Ticks.empty());  // the logarithmic axis labels its decades
                continue;
            }
            // Labelled return periods: ascending, inside, 2, 10 and 100 always
            // among them, never crowding each other.
            std::vector<double> labelled;
            for (const PaperTick& tick : chart.Ticks) {
                EXPECT_TRUE(inside(tick.Coordinate));
                EXPECT_EQ(tick.Coordinate, PaperCoordinate(paper, NonExceedance(tick.ReturnPeriod)));
                if (!labelled.empty()) {
                    EXPECT_GT(tick.ReturnPeriod, labelled.back());
                }
                labelled.push_back(tick.ReturnPeriod);
            }
            for (double must : {2.0, 10.0, 100.0, 1000.0})
                EXPECT_NE(std::find(labelled.begin(), labelled.end(), must), labelled.end()) << must;
            for (std::size_t k = 1; k < chart.Ticks.size(); ++k)
                EXPECT_GT(chart.Ticks[k].Coordinate - chart.Ticks[k - 1].Coordinate,
                          0.05 * (chart.CoordinateHigh - chart.CoordinateLow));
        }
    }
}

TEST(FrequencyChart, TheBandOfOneDistributionEqualsBandAt) {
    const Analysis& a = Ocmulgee();
    FrequencyChartOptions options = AllShown(ProbabilityPaper::Normal);
    options.BandIndex = kLogPearson3;
    const FrequencyChartData chart = FrequencyChart(*a.Record, &a.Simulations, options);
    ASSERT_EQ(chart.BandLower.size(), chart.BandUpper.size());
    for (std::size_t k = 0; k < chart.BandLower.size(); ++k) {
        const double F = chart.BandLower[k].F;
        const QuantileInterval limits = BandAt(a.Simulations, kLogPearson3, F);
        EXPECT_EQ(chart.BandLower[k].Value, limits.Lower);
        EXPECT_EQ(chart.BandUpper[k].Value, limits.Upper);
        EXPECT_EQ(chart.BandUpper[k].Coordinate, PaperCoordinate(ProbabilityPaper::Normal, F));
        EXPECT_LE(chart.BandUpper[k].Value, chart.Values.High);
    }
    // Every period of the probability plot's band is among them.
    for (double T : BandReturnPeriods())
        EXPECT_TRUE(std::any_of(chart.BandLower.begin(), chart.BandLower.end(), [&](const FrequencyPoint& p) {
            return std::fabs(1.0 / (1.0 - p.F) - T) < 1e-6 * T;
        })) << T;
    // No band without simulations, or with simulations of another analysis.
    EXPECT_TRUE(FrequencyChart(*a.Record, nullptr, options).BandLower.empty());
    EXPECT_TRUE(FrequencyChart(*Example("tees-dent-bank.dat").Record, &a.Simulations, options).BandLower.empty());
    options.BandIndex = 0;
    EXPECT_TRUE(FrequencyChart(*a.Record, &a.Simulations, options).BandUpper.empty());
}

// A study asking for 10,000 years: the band reaches it, at as many periods
// above 1,000 years as the curve has there, so it bends with the curve
// instead of running as a chord from 1,000 years.
TEST(FrequencyChart, TheBandFollowsTheCurveToTheLongestPeriodDrawn) {
    const Analysis& a = Ocmulgee();
    FrequencyChartOptions options = AllShown(ProbabilityPaper::Gumbel);
    options.BandIndex = kGEV;
    options.MarkedPeriods = {2, 100, 10000};
    const FrequencyChartData chart = FrequencyChart(*a.Record, &a.Simulations, options);
    ASSERT_FALSE(chart.BandUpper.empty());
    EXPECT_NEAR(1.0 / (1.0 - chart.BandUpper.back().F), 10000.0, 1e-6);
    const FrequencyCurve& gev = *std::find_if(chart.Curves.begin(), chart.Curves.end(),
                                              [](const FrequencyCurve& c) { return c.Index == kGEV; });
    auto above1000 = [](const std::vector<FrequencyPoint>& points) {
        return std::count_if(points.begin(), points.end(), [](const FrequencyPoint& p) { return p.F > 0.999 + 1e-12; });
    };
    EXPECT_GE(above1000(chart.BandUpper), above1000(gev.Points));
    EXPECT_GE(above1000(chart.BandUpper), 15);
    // No corner: from one short step to the next the slope changes by less
    // than half (the band's percentiles of the refits bend a little where
    // another refit takes the 5th place; a coarse grid turned sharply).
    for (std::size_t k = 2; k < chart.BandUpper.size(); ++k) {
        const FrequencyPoint &p = chart.BandUpper[k - 2], &q = chart.BandUpper[k - 1], &r = chart.BandUpper[k];
        if (p.F < 0.99) continue;
        const double before = (q.Value - p.Value) / (q.Coordinate - p.Coordinate);
        const double after = (r.Value - q.Value) / (r.Coordinate - q.Coordinate);
        EXPECT_NEAR(after / before, 1.0, 0.5) << 1.0 / (1.0 - q.F);
    }
}

TEST(FrequencyChart, BoundsOfTheShownDistributionsInsideTheValueAxisOnly) {
    auto r = std::make_unique<AnalysisRecord>(*Ocmulgee().Record);
    // GPA with k > 0: bounded below at xi and above at xi + alpha / k.
    ParametersOf(*r, kGPA) = {5.0, 60.0, 0.6};
    // Exponential bounded below far below the data: outside the axis.
    ParametersOf(*r, kExponential) = {-500.0, 24.0, 0.0};
    FrequencyChartOptions options = AllShown(ProbabilityPaper::Gumbel);
    const FrequencyChartData chart = FrequencyChart(*r, nullptr, options);
    auto has = [&](int index, bool upper) {
        return std::any_of(chart.Bounds.begin(), chart.Bounds.end(),
                           [&](const BoundLine& b) { return b.Index == index && b.Upper == upper; });
    };
    EXPECT_TRUE(has(kGPA, false));
    EXPECT_TRUE(has(kGPA, true));
    EXPECT_FALSE(has(kExponential, false));
    EXPECT_FALSE(has(kNormal, false) || has(kGumbel, true));  // unbounded
    for (const BoundLine& b : chart.Bounds) {
        EXPECT_GE(b.Value, chart.Values.Low);
        EXPECT_LE(b.Value, chart.Values.High);
        double expected = 0;
        ASSERT_TRUE(b.Upper ? UpperBound(b.Index, ParametersOf(*r, b.Index), expected)
                            : LowerBound(b.Index, ParametersOf(*r, b.Index), expected));
        if (b.Index == kLogNormal || b.Index == kLogPearson3) expected = std::exp(expected);
        EXPECT_EQ(b.Value, expected);
    }
    const auto gpa = std::find_if(chart.Bounds.begin(), chart.Bounds.end(),
                                  [](const BoundLine& b) { return b.Index == kGPA && b.Upper; });
    EXPECT_DOUBLE_EQ(gpa->Value, 105.0);
    // Hidden distributions draw no bound; "Limites" unchecked draws none.
    options.Shown.fill(false);
    options.Shown[kGEV - 1] = true;
    const FrequencyChartData gevOnly = FrequencyChart(*r, nullptr, options);
    EXPECT_FALSE(std::any_of(gevOnly.Bounds.begin(), gevOnly.Bounds.end(),
                             [](const BoundLine& b) { return b.Index == kGPA; }));
    options = AllShown(ProbabilityPaper::Gumbel);
    options.Bounds = false;
    EXPECT_TRUE(FrequencyChart(*r, nullptr, options).Bounds.empty());
}

TEST(FrequencyChart, LogarithmicValuesLeaveOutWhatIsNotPositive) {
    auto r = std::make_unique<AnalysisRecord>(*Ocmulgee().Record);
    ParametersOf(*r, kNormal) = {10.0, 30.0, 0.0};  // negative below T of about 1.5
    FrequencyChartOptions options = AllShown(ProbabilityPaper::Gumbel);
    options.LogValues = true;
    const FrequencyChartData chart = FrequencyChart(*r, nullptr, options);
    for (const FrequencyCurve& curve : chart.Curves)
        for (const FrequencyPoint& p : curve.Points) EXPECT_GT(p.Value, 0) << curve.Index;
    // Whole decades.
    EXPECT_EQ(std::log10(chart.Values.Low), std::floor(std::log10(chart.Values.Low)));
    EXPECT_EQ(std::log10(chart.Values.High), std::floor(std::log10(chart.Values.High)));
    // On a linear axis the same curve runs below zero, yet the axis starts at 0.
    options.LogValues = false;
    EXPECT_EQ(FrequencyChart(*r, nullptr, options).Values.Low, 0.0);
}

TEST(FrequencyChart, AFaultingQuantileLeavesItsPointOut) {
    auto r = std::make_unique<AnalysisRecord>(*Ocmulgee().Record);
    ParametersOf(*r, kGumbel) = {26.0, -1.0, 0.0};  // scale <= 0: every quantile faults
    FrequencyChartOptions options;
    options.Shown[kGumbel - 1] = true;
    const FrequencyChartData chart = FrequencyChart(*r, nullptr, options);
    ASSERT_EQ(chart.Curves.size(), 1u);
    EXPECT_TRUE(chart.Curves[0].Points.empty());
    EXPECT_EQ(chart.Observed.size(), 40u);
}

TEST(ClipPolyline, PiecesInsideTheRangeCutWhereTheyCross) {
    // A parabola dipping below the range: two pieces, each ending on the limit.
    ChartPoints parabola;
    for (int k = -4; k <= 4; ++k) parabola.emplace_back(k, k * k);  // y from 0 to 16
    const auto pieces = ClipPolyline(parabola, 4, 100, false);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].front(), std::make_pair(-4.0, 16.0));
    EXPECT_EQ(pieces[0].back(), std::make_pair(-2.0, 4.0));  // the point (-2, 4) itself
    EXPECT_EQ(pieces[1].front(), std::make_pair(2.0, 4.0));
    // A rising line entering at y = 0 between x = 1 and 2, cut there.
    const auto rising = ClipPolyline({{1, -10}, {2, 10}, {3, 30}}, 0, 20, false);
    ASSERT_EQ(rising.size(), 1u);
    EXPECT_EQ(rising[0], ChartPoints({{1.5, 0}, {2, 10}, {2.5, 20}}));
    // On a logarithmic x axis the cut is interpolated in log x.
    const auto logCut = ClipPolyline({{1, -1}, {100, 1}}, 0, 5, true);
    ASSERT_EQ(logCut.size(), 1u);
    EXPECT_NEAR(logCut[0][0].first, 10.0, 1e-12);
    // A segment jumping over the whole range keeps the part between the limits.
    const auto jump = ClipPolyline({{0, -10}, {1, 10}}, -1, 1, false);
    ASSERT_EQ(jump.size(), 1u);
    EXPECT_EQ(jump[0], ChartPoints({{0.45, -1}, {0.55, 1}}));
    EXPECT_TRUE(ClipPolyline({{0, 50}, {1, 60}}, 0, 20, false).empty());
}

TEST(NiceScale, RoundTicksAroundTheRange) {
    const LinearScale a = NiceScale(0, 263);
    EXPECT_EQ(a.Low, 0);
    EXPECT_EQ(a.High, 300);
    EXPECT_EQ(a.Step, 50);
    EXPECT_EQ(a.Steps, 6);
    EXPECT_EQ(a.Decimals, 0);
    const LinearScale b = NiceScale(-0.104, 0.46);
    EXPECT_DOUBLE_EQ(b.Step, 0.1);
    EXPECT_LE(b.Low, -0.104);
    EXPECT_GE(b.High, 0.46);
    EXPECT_EQ(b.Decimals, 1);
    const LinearScale c = NiceScale(5, 5);  // one value: a band around it
    EXPECT_LT(c.Low, 5);
    EXPECT_GT(c.High, 5);
}

TEST(HighestCorrelation, TheLargestFiniteR) {
    auto r = std::make_unique<AnalysisRecord>();
    for (int i = 1; i <= kDistributionCount; ++i) FitTestOf(*r, i).R = 0.9 + 0.001 * i;
    FitTestOf(*r, kGEV).R = 0.999;
    FitTestOf(*r, kGPA).R = std::nan("");
    EXPECT_EQ(HighestCorrelation(*r), kGEV);
    for (int i = 1; i <= kDistributionCount; ++i) FitTestOf(*r, i).R = std::nan("");
    EXPECT_EQ(HighestCorrelation(*r), kNormal);
}

TEST(RatioDiagram, CurvesAreTheTau4Polynomials) {
    const RatioDiagramData diagram = RatioDiagram(*Ocmulgee().Record);
    for (std::size_t f = 0; f < kRatioFamilies.size(); ++f) {
        ASSERT_GT(diagram.Curves[f].size(), 100u);
        EXPECT_EQ(diagram.Curves[f].front().T3, diagram.T3Axis.Low);
        EXPECT_EQ(diagram.Curves[f].back().T3, diagram.T3Axis.High);
        for (const RatioPoint& p : diagram.Curves[f]) EXPECT_EQ(p.T4, Tau4Polynomial(kRatioFamilies[f], p.T3));
    }
    for (const RatioPoint& p : diagram.LowerLimit) EXPECT_DOUBLE_EQ(p.T4, (5 * p.T3 * p.T3 - 1) / 4);
    // The polynomials' own published values at t3 = 0 (Hosking 1991).
    EXPECT_DOUBLE_EQ(Tau4Polynomial(kGEV, 0), 0.10701);
    EXPECT_DOUBLE_EQ(Tau4Polynomial(kPearson3, 0), 0.1224);
    EXPECT_DOUBLE_EQ(Tau4Polynomial(kGPA, 0), 0.0);
    const std::vector<RatioReference> references = RatioReferences();
    ASSERT_EQ(references.size(), 3u);
    EXPECT_EQ(references[0].Name, "Normal");
    EXPECT_EQ(references[0].Point.T4, 0.1226);
    EXPECT_EQ(references[1].Point.T3, 0.1699);
    EXPECT_EQ(references[1].Point.T4, 0.1504);
    EXPECT_EQ(references[2].Point.T3, 1.0 / 3.0);
    EXPECT_EQ(references[2].Point.T4, 1.0 / 6.0);
}

TEST(RatioDiagram, PointsAndTheirClosestFamilies) {
    const AnalysisRecord& r = *Ocmulgee().Record;
    const RatioDiagramData diagram = RatioDiagram(r);
    EXPECT_EQ(diagram.Sample.T3, r.LMoments.T3);
    EXPECT_EQ(diagram.Logs.T4, r.LogLMoments.T4);
    for (const RatioPoint& p : {diagram.Sample, diagram.Logs}) {
        EXPECT_GT(p.T3, diagram.T3Axis.Low);
        EXPECT_LT(p.T3, diagram.T3Axis.High);
        EXPECT_GT(p.T4, diagram.T4Axis.Low);
        EXPECT_LT(p.T4, diagram.T4Axis.High);
    }
    // A point on a curve is closest to that family, at distance zero.
    for (int family : kRatioFamilies) {
        const FamilyDistances d = ClosestFamily({0.25, Tau4Polynomial(family, 0.25)});
        EXPECT_EQ(d.Closest, family);
    }
    const FamilyDistances between = ClosestFamily({0.2, 0.16});
    EXPECT_DOUBLE_EQ(between.Distances[0], std::fabs(0.16 - Tau4Polynomial(kGEV, 0.2)));
    EXPECT_DOUBLE_EQ(between.Distances[2], std::fabs(0.16 - Tau4Polynomial(kPearson3, 0.2)));
    EXPECT_EQ(ClosestFamily({std::nan(""), 0.1}).Closest, 0);
    EXPECT_EQ(diagram.SampleFamily.Closest, ClosestFamily(diagram.Sample).Closest);
}

TEST(RatioDiagramLines, PointsDistancesAndTheClosestFamilyNamed) {
    RatioDiagramData diagram;
    diagram.Sample = {0.25, Tau4Polynomial(kGPA, 0.25) + 0.001};
    diagram.Logs = {-0.1, Tau4Polynomial(kPearson3, -0.1)};
    diagram.SampleFamily = ClosestFamily(diagram.Sample);
    diagram.LogsFamily = ClosestFamily(diagram.Logs);
    const std::vector<std::string> lines = RatioDiagramLines(diagram, ',');
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "Amostra:");
    EXPECT_EQ(lines[1], "  t3 : 0,2500");
    EXPECT_EQ(lines[5], "    GPA : 0,0010");
    EXPECT_EQ(lines[7], "  Família mais próxima : GPA");
    EXPECT_EQ(lines[9], "Logaritmos da amostra:");
    EXPECT_EQ(lines[16], "  Família mais próxima : Pearson III (LogPearson III)");
    // Undefined ratios name no family.
    diagram.Logs = {std::nan(""), std::nan("")};
    diagram.LogsFamily = ClosestFamily(diagram.Logs);
    EXPECT_EQ(RatioDiagramLines(diagram, '.').back(), "  Razões indefinidas: nenhuma família indicada.");
}

}  // namespace
}  // namespace zarn
