// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency chart: the observed annual maxima at their plotting positions
// against the fitted curves, on probability paper, with the 90 % confidence
// band of one distribution and the finite bounds of the fitted distributions.
// Pure functions of the record (no Qt): the window, the batch chart tool and
// the tests share them.
//
//   ProbabilityPaper          Gumbel, normal, or logarithmic return period
//   PaperCoordinate           horizontal coordinate of a non-exceedance probability F
//   PlottingFormula           (i - a) / (n + 1 - 2a): Weibull, Blom, Cunnane, Gringorten, Hazen
//   EmpiricalProbability      F of the i-th smallest of n values by a formula
//   DistributionColour        one colour per fitted distribution
//   HighestCorrelation        the distribution with the highest probability-plot R
//   LinearScale / NiceScale   an axis range on round ticks
//   FrequencyChart            every series of the chart and the axes' ranges
//   ClipPolyline              the pieces of a line inside a range of values
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/record.h"
#include "analysis/simulation.h"
#include "views/lines.h"

namespace zarn {

enum class ProbabilityPaper {
    Gumbel,           // reduced variate y = -ln(-ln F), labelled in return periods
    Normal,           // standard normal variate z = Phi^-1(F), labelled in return periods
    LogReturnPeriod,  // T = 1 / (1 - F) itself, drawn on a logarithmic axis
};

// The horizontal coordinate of F on the paper (T itself on the logarithmic
// return-period paper, whose axis takes the logarithm).
double PaperCoordinate(ProbabilityPaper paper, double F);

enum class PlottingFormula { Weibull, Blom, Cunnane, Gringorten, Hazen };
// The constant a of (i - a) / (n + 1 - 2a): 0, 0.375, 0.4, 0.44, 0.5.
double PlottingConstant(PlottingFormula formula);
double EmpiricalProbability(PlottingFormula formula, int i, int n);


struct Rgb {
    int R, G, B;
};
// Okabe and Ito's colour-blind-safe palette, widened to eight.
Rgb DistributionColour(int index);

// The index (1..8) of the largest finite R of the probability-plot
// correlation test; 1 when none is finite.
int HighestCorrelation(const AnalysisRecord& r);

// A linear axis from Low to High in Steps steps of Step, labelled with
// Decimals decimals.
struct LinearScale {
    double Low, High, Step;
    int Steps;
    int Decimals;
};
// [low, high] widened to round ticks (1, 2 or 5 times a power of ten), about
// `steps` of them; a single value gets a band around it.
LinearScale NiceScale(double low, double high, int steps = 6);

struct FrequencyPoint {
    double F;           // non-exceedance probability
    double Coordinate;  // PaperCoordinate of F
    double Value;       // in the units of the sample
};

struct FrequencyCurve {
    int Index;  // DistributionIndex
    std::vector<FrequencyPoint> Points;
};

struct BoundLine {
    int Index;
    bool Upper;
    double Value;  // in the units of the sample
};

struct PaperTick {
    double ReturnPeriod;
    double Coordinate;
    int Level = 0;  // 0 the decades, then 5, 50, ..., then 20, 200, ..., then 1.01, 1.1, 1.5
};

struct FrequencyChartOptions {
    ProbabilityPaper Paper = ProbabilityPaper::Gumbel;
    PlottingFormula Positions = PlottingFormula::Cunnane;
    std::array<bool, kDistributionCount> Shown{};  // Shown[index - 1]
    int BandIndex = 0;                             // 0: no band
    bool Bounds = true;
    bool LogValues = false;  // values on a logarithmic axis: non-positive values are left out
    // The study's return periods, marked on each shown curve (the axis
    // reaches the longest of them).
    std::vector<double> MarkedPeriods;
    // Zero annual maxima set aside from the series (years without flow):
    // plotted at the bottom of the value axis at their plotting positions
    // among all the years; the curves and band start above p0 = z/(n + z).
    int ZeroCount = 0;
};

// A curve's quantile at one of the study's return periods.
struct MarkedQuantile {
    int Index;
    double ReturnPeriod;
    FrequencyPoint Point;
};

struct FrequencyChartData {
    std::vector<FrequencyPoint> Observed;  // ascending, the positive values
    std::vector<FrequencyPoint> Zeros;     // the years without flow, Value the bottom of the axis
    std::vector<MarkedQuantile> Marked;    // shown distributions in index order, then the periods in order
    std::vector<FrequencyCurve> Curves;    // the shown distributions in index order
    std::vector<FrequencyPoint> BandLower, BandUpper;
    std::vector<BoundLine> Bounds;         // the shown distributions' bounds inside the value range
    std::vector<PaperTick> Ticks;          // return periods labelled on the Gumbel and normal papers, ascending
    double CoordinateLow = 0, CoordinateHigh = 1;
    // The value axis: linear on round ticks, or whole decades when LogValues.
    LinearScale Values{0, 1, 1, 1, 0};
};

// The return periods of the horizontal axis span at least 1.01 to 1000 years,
// every observed point and the marked periods. The curves are drawn at about
// 120 return periods evenly spaced in log T, at T = 2 ... 1000 (where they
// take exactly the report's quantiles) and at the marked periods. With zeros
// the curves are the adjusted quantiles (returnperiods.h), drawn from p0 up.
// The band (BandAt) is drawn when `simulations` is not null and was
// simulated from r, at BandReturnPeriods and at every period of the curves
// above its first, so it reaches the longest period drawn. A point whose
// quantile faults is left out.
FrequencyChartData FrequencyChart(const AnalysisRecord& r, const SimulationSummary* simulations,
                                  const FrequencyChartOptions& options);

// The pieces of the polyline (x, y) whose y lie in [low, high]: a segment
// that crosses a limit is cut where it crosses (interpolated along x, or
// along log x when logX, as the axis draws it). The charts draw lines
// clipped by hand: an SVG file keeps no clipping.
std::vector<ChartPoints> ClipPolyline(const ChartPoints& points, double low, double high, bool logX);

}  // namespace zarn
