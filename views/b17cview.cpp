// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/b17cview.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "analysis/b17cproject.h"
#include "analysis/mgbt.h"
#include "analysis/special.h"
#include "views/frequencychart.h"

namespace zarn {

namespace {

// Two AEPs closer than this (relative) are the same row.
constexpr double kSameAep = 1e-9;
// The chart's curve also passes through these AEPs, in the frequent range
// the table leaves out.
constexpr double kChartAeps[] = {0.995, 0.99, 0.95, 0.9, 0.8, 0.7, 0.6, 0.3};
// AEPs labelled on the probability axis.
// (at least 0.25 apart in z, so that their labels do not run together)
constexpr double kTickAeps[] = {0.99, 0.9, 0.5, 0.2, 0.1, 0.04, 0.01, 0.002};
// Room beside the outermost point or curve on the probability axis (in z).
constexpr double kCoordinatePad = 0.15;
// Digits of a flow the user edits: enough to read back what was typed.
constexpr int kEditedDigits = 10;

bool SameAep(double a, double b) { return std::fabs(a - b) <= kSameAep * std::max(a, b); }

double Coordinate(double aep) { return NormalQuantile(1.0 - aep); }

bool Listed(const std::vector<double>& aeps, double aep) {
    return std::any_of(aeps.begin(), aeps.end(), [aep](double a) { return SameAep(a, aep); });
}

std::vector<double> WantedAeps(const std::vector<double>& returnPeriods) {
    std::vector<double> aeps = B17cTableAeps();
    for (double T : returnPeriods)
        if (std::isfinite(T) && T > 1 && !Listed(aeps, 1 / T)) aeps.push_back(1 / T);
    return aeps;
}

// A log-space statistic with a fixed number of decimals (no grouping: they are small).
std::string Fixed(double v, int decimals, const NumberStyle& style) {
    if (!std::isfinite(v)) return FormatNumber(v, style);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    std::string text = buffer;
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);  // no "-0,0000"
    for (char& c : text)
        if (c == '.') c = style.DecimalSeparator;
    return text;
}

std::string Count(int n) { return std::to_string(n); }

}  // namespace

const std::vector<double>& B17cTableAeps() {
    static const std::vector<double> aeps{0.5, 0.2, 0.1, 0.04, 0.02, 0.01, 0.005, 0.002};
    return aeps;
}

B17cOptions B17cAnalysisOptions(const B17cOptions& kept, const std::vector<double>& returnPeriods) {
    B17cOptions o = kept;
    o.Aep = WantedAeps(returnPeriods);
    for (double a : kChartAeps)
        if (!Listed(o.Aep, a)) o.Aep.push_back(a);
    return o;
}

std::vector<std::pair<std::string, std::string>> B17cSummaryRows(const B17cResult& r, const B17cOptions& o,
                                                                 const NumberStyle& style) {
    std::vector<std::pair<std::string, std::string>> rows;
    auto add = [&rows](std::string name, std::string value) { rows.emplace_back(std::move(name), std::move(value)); };
    add("Anos sistemáticos", Count(r.SystematicYears));
    add("Anos históricos", Count(r.HistoricalYears));
    add("Anos com intervalo ou censura", Count(r.CensoredYears));
    add("Média dos log10", Fixed(r.Mean, 4, style));
    add("Desvio padrão dos log10", Fixed(r.StandardDeviation, 4, style));
    add("Assimetria da estação (EMA)", Fixed(r.StationSkew, 4, style));
    switch (o.Skew) {
        case SkewOption::Station: add("Assimetria adotada", Fixed(r.Skew, 4, style) + " (da estação)"); break;
        case SkewOption::Regional:
            add("Assimetria regional", Fixed(o.RegionalSkew, 4, style));
            add("Assimetria adotada", Fixed(r.Skew, 4, style) + " (regional)");
            break;
        case SkewOption::Weighted: {
            add("Assimetria regional", Fixed(o.RegionalSkew, 4, style) + " (EP " + Fixed(o.RegionalSkewSE, 3, style) + ")");
            add("EQM da assimetria da estação", Fixed(r.SkewMse, 4, style));
            add("EQM da assimetria regional", Fixed(r.RegionalSkewMse, 4, style));
            const double sum = r.SkewMse + r.RegionalSkewMse;
            if (sum > 0) add("Peso da estação", Fixed(r.RegionalSkewMse / sum, 3, style));
            add("Assimetria adotada", Fixed(r.Skew, 4, style) + " (ponderada)");
            break;
        }
    }
    const char* method = o.LowOutliers == LowOutlierMethod::MultipleGrubbsBeck ? "Grubbs-Beck múltiplo"
                         : o.LowOutliers == LowOutlierMethod::GrubbsBeck       ? "Grubbs-Beck"
                         : o.LowOutliers == LowOutlierMethod::None             ? "nenhum"
                                                                               : "valor dado";
    add("Teste de atípicos baixos", method);
    NumberStyle flows = style;
    flows.Significant = 5;
    add("Limiar de atípicos baixos", r.LowOutlierThreshold > 0 ? FormatNumber(r.LowOutlierThreshold, flows) : "nenhum");
    add("Atípicos baixos", Count(r.LowOutliers));
    return rows;
}

std::vector<std::vector<std::string>> B17cQuantileRows(const B17cResult& r, const std::vector<double>& returnPeriods,
                                                       const NumberStyle& style) {
    const std::vector<double> wanted = WantedAeps(returnPeriods);
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < r.Aep.size() && k < r.Quantiles.size(); ++k)
        if (Listed(wanted, r.Aep[k])) order.push_back(k);
    std::sort(order.begin(), order.end(), [&r](std::size_t a, std::size_t b) { return r.Aep[a] > r.Aep[b]; });
    NumberStyle probability = style;
    probability.Significant = 4;
    std::vector<std::vector<std::string>> rows;
    for (std::size_t k : order) {
        std::vector<std::string> row{FormatNumber(r.Aep[k], probability), FormatNumber(1 / r.Aep[k], style)};
        const double lower = k < r.Lower.size() ? r.Lower[k] : NAN;
        const double upper = k < r.Upper.size() ? r.Upper[k] : NAN;
        for (std::string& text : FormatCompared({r.Quantiles[k], lower, upper}, style)) row.push_back(std::move(text));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string ObservationText(const FloodObservation& o, const NumberStyle& style) {
    NumberStyle s = style;
    s.Significant = kEditedDigits;
    if (o.Low == o.High) return FormatNumber(o.Low, s);
    if (std::isinf(o.High)) return "> " + FormatNumber(o.Low, s);
    if (o.Low == 0) return "< " + FormatNumber(o.High, s);
    return FormatNumber(o.Low, s) + " - " + FormatNumber(o.High, s);
}

namespace {

// One flow in the style's notation: group marks dropped, the decimal mark read.
bool ParseFlow(std::string text, const NumberStyle& style, double& v) {
    // A thousands separator is taken only between groups of three digits
    // before the decimal mark ("41.000", "1.262,9"); anywhere else
    // ("1262.9" in the Portuguese style) the value is refused, never read
    // as another number.
    std::string plain;
    int digitsInGroup = 0;
    bool grouped = false, decimal = false;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;
        if (style.GroupSeparator != 0 && c == style.GroupSeparator) {
            if (decimal || digitsInGroup == 0 || digitsInGroup > 3 || (grouped && digitsInGroup != 3)) return false;
            grouped = true;
            digitsInGroup = 0;
            continue;
        }
        if (c == style.DecimalSeparator) {
            if (grouped && digitsInGroup != 3) return false;
            decimal = true;
            plain += '.';
            continue;
        }
        if (c >= '0' && c <= '9' && !decimal) ++digitsInGroup;
        plain += c;
    }
    if (grouped && !decimal && digitsInGroup != 3) return false;
    if (plain.empty()) return false;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    return ec == std::errc() && end == plain.data() + plain.size() && std::isfinite(v) && v >= 0;
}

}  // namespace

std::string ParseObservation(const std::string& text, const NumberStyle& style, double& low, double& high) {
    std::string t = text;
    const auto first = t.find_first_not_of(" \t");
    if (first == std::string::npos) return "Informe a vazão do ano.";
    t = t.substr(first);
    const std::string refusal = "\"" + text + "\" não é uma vazão: escreva um valor (1234" +
                                std::string(1, style.DecimalSeparator) + "5), \"< Q\", \"> Q\" ou \"mínimo - máximo\".";
    double a = 0, b = 0;
    if (t[0] == '<') {
        if (!ParseFlow(t.substr(1), style, b) || b <= 0) return refusal;
        low = 0;
        high = b;
        return "";
    }
    if (t[0] == '>') {
        if (!ParseFlow(t.substr(1), style, a)) return refusal;
        low = a;
        high = INFINITY;
        return "";
    }
    const auto dash = t.find('-');
    if (dash != std::string::npos) {
        if (!ParseFlow(t.substr(0, dash), style, a) || !ParseFlow(t.substr(dash + 1), style, b)) return refusal;
        if (b < a) return "No intervalo \"" + text + "\" o mínimo passa do máximo.";
        low = a;
        high = b;
        return "";
    }
    if (!ParseFlow(t, style, a)) return refusal;
    low = high = a;
    return "";
}

B17cChartData B17cChart(const HistoricalRecord& record, const B17cResult& result) {
    B17cChartData chart;
    HistoricalRecord used = record;
    if (!result.Thresholds.empty()) used.Thresholds = result.Thresholds;
    const std::vector<double> aep = HistoricalPlottingPositions(used, 0.0);
    double lowest = INFINITY, highest = 0;
    auto span = [&](double v) {
        if (std::isfinite(v) && v > 0) {
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    };
    double cLow = Coordinate(0.995), cHigh = Coordinate(0.002);
    for (std::size_t k = 0; k < record.Observations.size() && k < aep.size(); ++k) {
        const FloodObservation& o = record.Observations[k];
        if (!std::isfinite(aep[k]) || aep[k] <= 0 || aep[k] >= 1) continue;
        B17cChartPoint p{o.Year, aep[k], Coordinate(aep[k]), o.Low, o.High,
                         o.Low == o.High && o.High < result.LowOutlierThreshold, o.Historical};
        cLow = std::min(cLow, p.Coordinate);
        cHigh = std::max(cHigh, p.Coordinate);
        if (o.Low == o.High) {
            span(o.Low);
            chart.Points.push_back(p);
        } else {
            span(o.Low);
            span(o.High);
            chart.Intervals.push_back(p);
        }
    }
    // The user's thresholds as the analysis used them, raised to the
    // low-outlier threshold (the systematic years' [0, inf) shades nothing).
    for (const PerceptionThreshold& t : record.Thresholds) {
        const double low = std::max(t.Low, result.LowOutlierThreshold);
        if (low > 0 && t.High > low) {
            chart.Thresholds.push_back({t.First, t.Last, low, t.High});
            span(low);
        }
    }
    std::vector<std::size_t> order(result.Aep.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return result.Aep[a] > result.Aep[b]; });
    for (std::size_t k : order) {
        if (k >= result.Quantiles.size()) continue;
        const double x = Coordinate(result.Aep[k]);
        auto add = [&](B17cChartLine& line, const std::vector<double>& values) {
            if (k < values.size() && std::isfinite(values[k]) && values[k] > 0) {
                line.Points.emplace_back(x, values[k]);
                span(values[k]);
            }
        };
        add(chart.Curve, result.Quantiles);
        add(chart.Lower, result.Lower);
        add(chart.Upper, result.Upper);
    }
    chart.CoordinateLow = cLow - kCoordinatePad;
    chart.CoordinateHigh = cHigh + kCoordinatePad;
    for (double a : kTickAeps) {
        const double c = Coordinate(a);
        if (c >= chart.CoordinateLow && c <= chart.CoordinateHigh) chart.Ticks.emplace_back(a, c);
    }
    if (std::isfinite(lowest)) {
        chart.FlowLow = std::pow(10.0, std::floor(std::log10(lowest)));
        chart.FlowHigh = std::pow(10.0, std::ceil(std::log10(highest)));
        if (chart.FlowHigh <= chart.FlowLow) chart.FlowHigh = chart.FlowLow * 10;
    }
    return chart;
}

RecordChartData RecordChart(const HistoricalRecord& record) {
    RecordChartData chart;
    int first = 0, last = 0;
    double highest = 0;
    bool any = false;
    auto years = [&](int a, int b) {
        first = any ? std::min(first, a) : a;
        last = any ? std::max(last, b) : b;
        any = true;
    };
    for (const FloodObservation& o : record.Observations) {
        years(o.Year, o.Year);
        if (o.Low == o.High) (o.Historical ? chart.HistoricalPoints : chart.Points).emplace_back(o.Year, o.Low);
        else chart.Intervals.push_back(o);
        highest = std::max(highest, std::isfinite(o.High) ? o.High : o.Low);
    }
    for (const PerceptionThreshold& t : record.Thresholds) {
        years(t.First, t.Last);
        chart.Thresholds.push_back({t.First, t.Last, t.Low, t.High});
        highest = std::max(highest, std::isfinite(t.High) ? t.High : t.Low);
    }
    chart.FirstYear = any ? first - 1 : 0;
    chart.LastYear = any ? last + 1 : 1;
    chart.FlowHigh = NiceScale(0, highest > 0 ? highest * 1.05 : 1).High;
    return chart;
}

}  // namespace zarn
