// SPDX-License-Identifier: GPL-3.0-or-later
// What the Bulletin 17C windows and the study show, as pure functions of the
// flood record and the analysis (no Qt). Texts are UTF-8, numbers in the
// caller's NumberStyle.
//
//   B17cAnalysisOptions  the kept options with the AEPs the windows tabulate and draw
//   B17cSummaryRows      (name, value) rows: moments, skews, low outliers, years
//   B17cQuantileRows     AEP, T, quantile and limits, one row per AEP of the table
//   ObservationText      a year's value as typed: "1234", "< 500", "> 900", "300-800"
//   ParseObservation     the inverse, or a Portuguese refusal
//   B17cChart            the frequency chart on log-probability paper
//   RecordChart          the record against time with its perception thresholds
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "analysis/b17c.h"
#include "analysis/historical.h"
#include "files/numbertext.h"

namespace zarn {

// The AEPs every table lists (0.5 ... 0.002); the chart draws the curve
// through these and a few more in the frequent range.
const std::vector<double>& B17cTableAeps();

// `kept` with Aep set to the study's return periods as 1/T and the chart's AEPs.
B17cOptions B17cAnalysisOptions(const B17cOptions& kept, const std::vector<double>& returnPeriods);

std::vector<std::pair<std::string, std::string>> B17cSummaryRows(const B17cResult& result, const B17cOptions& options,
                                                                 const NumberStyle& style);

// The rows at the AEPs of the table and the study's return periods (1/T),
// AEP descending: AEP, T (years), quantile, lower limit, upper limit.
std::vector<std::vector<std::string>> B17cQuantileRows(const B17cResult& result,
                                                       const std::vector<double>& returnPeriods,
                                                       const NumberStyle& style);

std::string ObservationText(const FloodObservation& o, const NumberStyle& style);
// "1234,5" or "1234.5", "< Q", "> Q", "LOW-HIGH" (blanks allowed); decimal
// mark as the style's, the other mark refused where it would be ambiguous.
// Returns "" and fills low/high, or the refusal.
std::string ParseObservation(const std::string& text, const NumberStyle& style, double& low, double& high);

struct B17cChartPoint {
    int Year = 0;
    double Aep = 0;         // plotting position (exceedance probability)
    double Coordinate = 0;  // standard normal variate of 1 - Aep
    double Low = 0, High = 0;
    bool LowOutlier = false;
    bool Historical = false;  // outside the systematic record
};

struct B17cChartLine {
    std::vector<std::pair<double, double>> Points;  // (coordinate, flow)
};

struct B17cBand {
    int First = 0, Last = 0;
    double Low = 0, High = 0;  // High may be infinite: the band reaches the top of the axis
};

struct B17cChartData {
    std::vector<B17cChartPoint> Points;     // point values at their plotting positions
    std::vector<B17cChartPoint> Intervals;  // interval and censored years: bars from Low to High
    std::vector<B17cBand> Thresholds;       // the user's thresholds above zero, raised to the low-outlier threshold
    B17cChartLine Curve, Lower, Upper;      // the fitted log-Pearson III and its limits
    std::vector<std::pair<double, double>> Ticks;  // (AEP, coordinate) labelled on the axis
    double CoordinateLow = -2.5, CoordinateHigh = 3.1;
    double FlowLow = 1, FlowHigh = 10;      // whole decades of the logarithmic axis
};

// Plotting positions by Hirsch and Stedinger (1987) over the thresholds the
// analysis used; years without a position are left out.
B17cChartData B17cChart(const HistoricalRecord& record, const B17cResult& result);

struct RecordChartData {
    std::vector<std::pair<int, double>> Points;       // (year, flow) of the systematic point values
    std::vector<std::pair<int, double>> HistoricalPoints;  // and of the historical ones
    std::vector<FloodObservation> Intervals;           // drawn as bars; High may be infinite
    std::vector<B17cBand> Thresholds;                  // the user's thresholds
    int FirstYear = 0, LastYear = 1;
    double FlowHigh = 1;                               // top of the linear axis (infinite bars end there)
};
RecordChartData RecordChart(const HistoricalRecord& record);

}  // namespace zarn
