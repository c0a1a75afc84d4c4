// SPDX-License-Identifier: GPL-3.0-or-later
// What the result windows show, as pure functions of the record, so the
// windows, the batch tool and the tests share one source. Texts are UTF-8.
//
//   ZeroYearLines          the zeros set aside and p0, for a series with zeros
//   EstatisticasLines      the 20 lines of the descriptive statistics window,
//                          after the zero lines of a series with zeros
//   HistogramPoints        (class centre, relative frequency), ClassCount of them
//   NonParametricTestLines the 32 lines of the non-parametric tests, numbers
//                          written by the caller's format (the window and the report)
//   TesteLines             those lines with Fixed4, as the tests window shows them
//   SamplePoints           (i, x_i) in file order, for the time plot
//   SeriesPoints           the same with the years without flow back at
//                          their places, at 0 (the positives alone when
//                          their places are not known)
//   ParaLines              the 40 lines of the parameter window
//   ProbabilityPlotTitle   the chart title of distribution 1..8, empty otherwise
//   ProbabilityPlot        observed (x, T) and expected (q, T) points and the title
//   NonExceedance          F of a return period T (the report's constants at its seven T)
//   ProbabilityPlotBand    the 90 % confidence limits (limit, T) of the probability plot
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "analysis/simulation.h"

namespace zarn {

using ChartPoints = std::vector<std::pair<double, double>>;

// Empty without zeros; else three lines: the zeros, p0 and the positive
// values (the caller writes the heading).
std::vector<std::string> ZeroYearLines(const ZeroYears& zeros, const std::function<std::string(double)>& number);
std::vector<std::string> EstatisticasLines(const AnalysisRecord& r, char decimalSeparator, const ZeroYears& zeros = {});
ChartPoints HistogramPoints(const AnalysisRecord& r);
using NumberText = std::function<std::string(double)>;
std::vector<std::string> NonParametricTestLines(const AnalysisRecord& r, const NumberText& number);
std::vector<std::string> TesteLines(const AnalysisRecord& r, char decimalSeparator);
ChartPoints SamplePoints(const AnalysisRecord& r);
ChartPoints SeriesPoints(const AnalysisRecord& r, const ZeroYears& zeros);
std::vector<std::string> ParaLines(const AnalysisRecord& r, char decimalSeparator);

struct ProbabilityPlotData {
    std::string Title;       // "DISTRIBUIÇÃO NORMAL", ...; empty for an index outside 1..8
    ChartPoints Observed;    // (y_i, T_i)
    ChartPoints Expected;    // (q_i, T_i), exp taken for indexes 2 and 6
};
std::string ProbabilityPlotTitle(int index);
// No points for an empty sample or an index outside 1..8.
ProbabilityPlotData ProbabilityPlot(const AnalysisRecord& r, int index);

// 1 - 1/T; at T = 2, 5, 10, 50, 100, 200 and 1000 the report's probabilities
// 0.5 ... 0.999 themselves, so a chart and the report meet at the same values.
double NonExceedance(double T);

struct ProbabilityPlotBandData {
    ChartPoints Lower;  // (lower limit, T)
    ChartPoints Upper;  // (upper limit, T)
};
// The 90 % confidence limits of distribution `index` at BandReturnPeriods(),
// in the probability plot's coordinates (value, return period), from the
// refits in `s` (BandAt). A return period whose limits are undefined (fewer
// than 2 refits) is left out; nothing for invalid simulations or an index
// outside 1..8.
ProbabilityPlotBandData ProbabilityPlotBand(const SimulationSummary& s, int index);

}  // namespace zarn
