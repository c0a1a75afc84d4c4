// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/frequencychart.h"

#include <algorithm>
#include <cmath>

#include "files/errors.h"
#include "analysis/intervals.h"
#include "analysis/quantiles.h"
#include "analysis/returnperiods.h"
#include "analysis/special.h"
#include "analysis/statistics.h"
#include "views/lines.h"

namespace zarn {

namespace {

// The horizontal axis spans at least these return periods.
constexpr double kShortestReturnPeriod = 1.01;
constexpr double kLongestReturnPeriod = 1000.0;
// Return periods evenly spaced in log T at which each curve is drawn (the
// report's seven are added).
constexpr int kCurveSteps = 120;
// Room left beside the outermost points on the Gumbel and normal papers,
// as a fraction of the span.
constexpr double kCoordinateMargin = 0.02;
// Return periods that may be labelled on the Gumbel and normal papers, the
// most wanted first: a tick closer than kTickSpacing of the axis to one
// labelled before it is left out (on normal paper 200 and 500 years crowd
// 100 and 1000).
constexpr double kTickReturnPeriods[] = {2,   10,   100,  1000, 10000, 100000, 5,   50,    500,  5000,
                                         50000, 20, 200, 2000, 20000, 1.01,  1.1, 1.5};
constexpr double kTickSpacing = 0.055;


// Inverse of PaperCoordinate on the Gumbel and normal papers' ranges, only
// to tell which return periods fall inside; T itself on the log paper.
double ReturnPeriodOfCoordinate(ProbabilityPaper paper, double c) {
    switch (paper) {
        case ProbabilityPaper::Gumbel: return 1.0 / (1.0 - std::exp(-std::exp(-c)));
        case ProbabilityPaper::Normal: return 1.0 / (1.0 - 0.5 * (1.0 + std::erf(c / std::sqrt(2.0))));
        case ProbabilityPaper::LogReturnPeriod: return c;
    }
    return c;
}

}  // namespace

double PaperCoordinate(ProbabilityPaper paper, double F) {
    switch (paper) {
        case ProbabilityPaper::Gumbel: return -std::log(-std::log(F));
        case ProbabilityPaper::Normal: return NormalQuantile(F);
        case ProbabilityPaper::LogReturnPeriod: return 1.0 / (1.0 - F);
    }
    return F;
}

double PlottingConstant(PlottingFormula formula) {
    switch (formula) {
        case PlottingFormula::Weibull: return 0.0;
        case PlottingFormula::Blom: return 0.375;
        case PlottingFormula::Cunnane: return 0.4;
        case PlottingFormula::Gringorten: return 0.44;
        case PlottingFormula::Hazen: return 0.5;
    }
    return 0.4;
}

double EmpiricalProbability(PlottingFormula formula, int i, int n) {
    const double a = PlottingConstant(formula);
    return (i - a) / (n + 1 - 2 * a);
}

Rgb DistributionColour(int index) {
    static const Rgb kColours[kDistributionCount] = {
        {0, 114, 178},   // Normal: blue
        {86, 180, 233},  // LogNormal: sky blue
        {0, 158, 115},   // Gumbel: bluish green
        {170, 150, 0},   // Exponential: dark yellow
        {213, 94, 0},    // Pearson III: vermillion
        {230, 159, 0},   // LogPearson III: orange
        {204, 121, 167}, // GEV: reddish purple
        {96, 96, 96},    // GPA: dark grey
    };
    if (index < 1 || index > kDistributionCount) return {0, 0, 0};
    return kColours[index - 1];
}

int HighestCorrelation(const AnalysisRecord& r) {
    int best = 0;
    for (int index = 1; index <= kDistributionCount; ++index) {
        const double R = FitTestOf(r, index).R;
        if (std::isfinite(R) && (best == 0 || R > FitTestOf(r, best).R)) best = index;
    }
    return best == 0 ? kNormal : best;
}

LinearScale NiceScale(double low, double high, int steps) {
    if (!std::isfinite(low) || !std::isfinite(high)) return {0, 1, 0.2, 5, 1};
    if (low > high) std::swap(low, high);
    if (low == high) {
        const double pad = low == 0 ? 1.0 : std::fabs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    const double rough = (high - low) / std::max(steps, 1);
    const int power = static_cast<int>(std::floor(std::log10(rough)));
    const double decade = std::pow(10.0, power);
    double step = decade * 10;
    for (double factor : {1.0, 2.0, 5.0})
        if (decade * factor >= rough) {
            step = decade * factor;
            break;
        }
    const double first = std::floor(low / step) * step, last = std::ceil(high / step) * step;
    const int count = static_cast<int>(std::lround((last - first) / step));
    // As many decimals as the step needs (0.1 one, 0.25 never: steps are 1, 2, 5).
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    return {first, last, step, std::max(count, 1), decimals};
}

FrequencyChartData FrequencyChart(const AnalysisRecord& r, const SimulationSummary* simulations,
                                  const FrequencyChartOptions& options) {
    FloatingPointFlagsKept kept;
    FrequencyChartData chart;
    const ProbabilityPaper paper = options.Paper;
    auto usable = [&options](double value) { return std::isfinite(value) && (!options.LogValues || value > 0); };

    // Observed values at their plotting positions among all the years, the
    // zeros (years without flow) first.
    const int n = StoredCount(r.SampleSize);
    const int zeros = std::max(options.ZeroCount, 0);
    const int years = n + zeros;
    const double p0 = ZeroYears{zeros, years}.Probability();
    std::vector<double> ascending(r.Sample, r.Sample + n);
    if (n > 0) SortAscending(ascending.data(), n);
    double lowF = NonExceedance(kShortestReturnPeriod), highF = NonExceedance(kLongestReturnPeriod);
    for (double T : options.MarkedPeriods)
        if (T > 1 && std::isfinite(T)) highF = std::max(highF, NonExceedance(T));
    for (int i = 1; i <= years; ++i) {
        const double F = EmpiricalProbability(options.Positions, i, years);
        lowF = std::min(lowF, F);
        highF = std::max(highF, F);
        if (i <= zeros) chart.Zeros.push_back({F, PaperCoordinate(paper, F), 0.0});
        else if (usable(ascending[i - zeros - 1]))
            chart.Observed.push_back({F, PaperCoordinate(paper, F), ascending[i - zeros - 1]});
    }

    // The horizontal range.
    const double lowT = 1.0 / (1.0 - lowF), highT = 1.0 / (1.0 - highF);
    if (paper == ProbabilityPaper::LogReturnPeriod) {
        chart.CoordinateLow = 1.0;
        chart.CoordinateHigh = std::pow(10.0, std::ceil(std::log10(highT)));
    } else {
        const double first = PaperCoordinate(paper, lowF), last = PaperCoordinate(paper, highF);
        const double margin = (last - first) * kCoordinateMargin;
        chart.CoordinateLow = first - margin;
        chart.CoordinateHigh = last + margin;
        const double tLow = ReturnPeriodOfCoordinate(paper, chart.CoordinateLow);
        const double tHigh = ReturnPeriodOfCoordinate(paper, chart.CoordinateHigh);
        const double spacing = (chart.CoordinateHigh - chart.CoordinateLow) * kTickSpacing;
        for (double T : kTickReturnPeriods) {
            if (T < tLow || T > tHigh) continue;
            const double c = PaperCoordinate(paper, NonExceedance(T));
            const bool crowded = std::any_of(chart.Ticks.begin(), chart.Ticks.end(),
                                             [&](const PaperTick& t) { return std::fabs(t.Coordinate - c) < spacing; });
            if (!crowded) chart.Ticks.push_back({T, c});
        }
        std::sort(chart.Ticks.begin(), chart.Ticks.end(),
                  [](const PaperTick& a, const PaperTick& b) { return a.ReturnPeriod < b.ReturnPeriod; });
    }

    // The probabilities of the curves: evenly spaced in log T, and the
    // report's seven.
    std::vector<double> probabilities;
    for (int k = 0; k <= kCurveSteps; ++k) {
        const double T = std::exp(std::log(lowT) + (std::log(highT) - std::log(lowT)) * k / kCurveSteps);
        probabilities.push_back(1.0 - 1.0 / T);
    }
    for (double F : kReturnPeriodProbabilities) probabilities.push_back(F);
    for (double T : options.MarkedPeriods)
        if (T > 1 && std::isfinite(T)) probabilities.push_back(NonExceedance(T));
    std::sort(probabilities.begin(), probabilities.end());
    probabilities.erase(std::unique(probabilities.begin(), probabilities.end()), probabilities.end());

    // The curve of the positive values' distribution at F, taken back to all
    // the years: false at and below p0 (a dry year), as where it faults.
    auto adjusted = [&](int index, double F, double& value) {
        double conditional = 0;
        return F > 0 && F < 1 && ConditionalProbability(F, p0, conditional) &&
               CleanQuantile(index, ParametersOf(r, index), conditional, value) && usable(value);
    };
    for (int index = 1; index <= kDistributionCount; ++index) {
        if (!options.Shown[index - 1]) continue;
        FrequencyCurve curve{index, {}};
        for (double F : probabilities) {
            double value = 0;
            if (adjusted(index, F, value)) curve.Points.push_back({F, PaperCoordinate(paper, F), value});
        }
        chart.Curves.push_back(std::move(curve));
        for (double T : options.MarkedPeriods) {
            double value = 0;
            const double F = T > 1 && std::isfinite(T) ? NonExceedance(T) : 0.0;
            if (adjusted(index, F, value)) chart.Marked.push_back({index, T, {F, PaperCoordinate(paper, F), value}});
        }
    }

    // The confidence band of one distribution.
    if (simulations && options.BandIndex >= 1 && options.BandIndex <= kDistributionCount &&
        simulations->Matches(r)) {
        // The band's grid, reaching the longest marked period.
        std::vector<double> periods = BandReturnPeriods();
        for (double T : options.MarkedPeriods)
            if (std::isfinite(T) && T > periods.back()) periods.push_back(T);
        std::sort(periods.begin(), periods.end());
        periods.erase(std::unique(periods.begin(), periods.end()), periods.end());
        for (double T : periods) {
            const double F = NonExceedance(T);
            double conditional = 0;
            if (!ConditionalProbability(F, p0, conditional)) continue;
            const QuantileInterval limits = BandAt(*simulations, options.BandIndex, conditional);
            if (!usable(limits.Lower) || !usable(limits.Upper)) continue;
            const double c = PaperCoordinate(paper, F);
            chart.BandLower.push_back({F, c, limits.Lower});
            chart.BandUpper.push_back({F, c, limits.Upper});
        }
    }

    // The value axis covers everything drawn.
    bool any = false;
    double low = 0, high = 1;
    auto take = [&](const std::vector<FrequencyPoint>& points) {
        for (const FrequencyPoint& p : points) {
            if (!any) low = high = p.Value;
            low = std::min(low, p.Value);
            high = std::max(high, p.Value);
            any = true;
        }
    };
    take(chart.Observed);
    for (const FrequencyCurve& curve : chart.Curves) take(curve.Points);
    take(chart.BandLower);
    take(chart.BandUpper);
    if (options.LogValues) {
        if (!any) {
            low = 1;
            high = 10;
        }
        const int first = static_cast<int>(std::floor(std::log10(low)));
        int last = static_cast<int>(std::ceil(std::log10(high)));
        if (last <= first) last = first + 1;
        chart.Values = {std::pow(10.0, first), std::pow(10.0, last), 10.0, last - first, 0};
    } else {
        // Annual maxima are positive: a curve that runs below zero at the
        // shortest return periods does not pull the axis below it.
        if (low < 0 && (chart.Observed.empty() || chart.Observed.front().Value >= 0)) low = 0;
        if (!chart.Zeros.empty()) low = std::min(low, 0.0);
        chart.Values = NiceScale(low, high);
    }
    for (FrequencyPoint& zero : chart.Zeros) zero.Value = chart.Values.Low;

    // Bounds of the shown distributions that fall inside the value axis.
    if (options.Bounds) {
        for (int index = 1; index <= kDistributionCount; ++index) {
            if (!options.Shown[index - 1]) continue;
            const ParameterSet& p = ParametersOf(r, index);
            for (bool upper : {false, true}) {
                double bound = 0;
                FloatingPointCheck::Clear();
                if (!(upper ? UpperBound(index, p, bound) : LowerBound(index, p, bound))) continue;
                if (IsLogDistribution(index)) bound = std::exp(bound);
                if (FloatingPointCheck::Faulted() || !usable(bound)) continue;
                if (bound >= chart.Values.Low && bound <= chart.Values.High) chart.Bounds.push_back({index, upper, bound});
            }
        }
    }
    return chart;
}

std::vector<ChartPoints> ClipPolyline(const ChartPoints& points, double low, double high, bool logX) {
    std::vector<ChartPoints> pieces;
    ChartPoints piece;
    auto inside = [&](double y) { return y >= low && y <= high; };
    // The point of segment a-b where y reaches `limit`.
    auto cut = [&](const std::pair<double, double>& a, const std::pair<double, double>& b, double limit) {
        const double t = (limit - a.second) / (b.second - a.second);
        const double x = logX ? std::exp(std::log(a.first) + t * (std::log(b.first) - std::log(a.first)))
                              : a.first + t * (b.first - a.first);
        return std::make_pair(x, limit);
    };
    for (std::size_t k = 0; k < points.size(); ++k) {
        const auto& p = points[k];
        const bool in = inside(p.second);
        if (k > 0) {
            const auto& q = points[k - 1];
            const bool wasIn = inside(q.second);
            if (wasIn && !in) {  // leaving: the piece ends on the limit
                const double limit = p.second < low ? low : high;
                if (q.second != limit) piece.push_back(cut(q, p, limit));
                pieces.push_back(std::move(piece));
                piece.clear();
            } else if (!wasIn && in) {  // entering: it starts on the limit
                const double limit = q.second < low ? low : high;
                if (p.second != limit) piece.push_back(cut(q, p, limit));
            } else if (!wasIn && !in && (q.second < low) != (p.second < low)) {
                // Over the whole range within one segment: the part between the limits.
                const double first = q.second < low ? low : high, second = q.second < low ? high : low;
                pieces.push_back({cut(q, p, first), cut(q, p, second)});
            }
        }
        if (in) piece.push_back(p);
    }
    if (!piece.empty()) pieces.push_back(std::move(piece));
    return pieces;
}

}  // namespace zarn
