// What the result windows show, as pure functions of the record, so the
// windows, the batch tool and the tests share one source. Texts are UTF-8.
//
//   EstatisticasLines      the 20 lines of the descriptive statistics window
//   HistogramPoints        (class centre, relative frequency), ClassCount of them
//   NonParametricTestLines the 32 lines of the non-parametric tests, numbers
//                          written by the caller's format (the window and the report)
//   TesteLines             those lines with Fixed4, as the tests window shows them
//   SamplePoints           (i, x_i) in file order, for the time plot
//   ParaLines              the 40 lines of the parameter window
//   ProbabilityPlotTitle   the chart title of distribution 1..8, empty otherwise
//   ProbabilityPlot        observed (x, T) and expected (q, T) points and the title
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/record.h"

namespace zarn {

using ChartPoints = std::vector<std::pair<double, double>>;

std::vector<std::string> EstatisticasLines(const AnalysisRecord& r, char decimalSeparator);
ChartPoints HistogramPoints(const AnalysisRecord& r);
using NumberText = std::function<std::string(double)>;
std::vector<std::string> NonParametricTestLines(const AnalysisRecord& r, const NumberText& number);
std::vector<std::string> TesteLines(const AnalysisRecord& r, char decimalSeparator);
ChartPoints SamplePoints(const AnalysisRecord& r);
std::vector<std::string> ParaLines(const AnalysisRecord& r, char decimalSeparator);

struct ProbabilityPlotData {
    std::string Title;       // "DISTRIBUIÇÃO NORMAL", ...; empty for an index outside 1..8
    ChartPoints Observed;    // (y_i, T_i)
    ChartPoints Expected;    // (q_i, T_i), exp taken for indexes 2 and 6
};
std::string ProbabilityPlotTitle(int index);
// No points for an empty sample or an index outside 1..8.
ProbabilityPlotData ProbabilityPlot(const AnalysisRecord& r, int index);

}  // namespace zarn
