// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/ratiodiagram.h"

#include <algorithm>
#include <cmath>

#include "analysis/fittests.h"
#include "files/format.h"

namespace zarn {

namespace {

// The t3 axis spans at least this range (the usual window of flood series).
constexpr double kT3AxisLow = -0.1;
constexpr double kT3AxisHigh = 0.6;
// Room beside a sample point that lies near the edge.
constexpr double kPointMargin = 0.05;
// Steps of the curves over the t3 axis.
constexpr int kCurveSteps = 200;

bool Finite(const RatioPoint& p) { return std::isfinite(p.T3) && std::isfinite(p.T4); }

}  // namespace

std::vector<RatioReference> RatioReferences() {
    return {
        {"Normal", {0.0, 0.1226}},
        {"Gumbel", {0.1699, 0.1504}},
        {"Exponencial", {1.0 / 3.0, 1.0 / 6.0}},
    };
}

FamilyDistances ClosestFamily(const RatioPoint& point) {
    FamilyDistances result;
    if (!Finite(point)) return result;
    double nearest = 0;
    for (std::size_t f = 0; f < kRatioFamilies.size(); ++f) {
        const double d = std::fabs(point.T4 - Tau4Polynomial(kRatioFamilies[f], point.T3));
        result.Distances[f] = d;
        if (result.Closest == 0 || d < nearest) {
            result.Closest = kRatioFamilies[f];
            nearest = d;
        }
    }
    return result;
}

RatioDiagramData RatioDiagram(const AnalysisRecord& r) {
    RatioDiagramData diagram;
    diagram.Sample = {r.LMoments.T3, r.LMoments.T4};
    diagram.Logs = {r.LogLMoments.T3, r.LogLMoments.T4};
    diagram.SampleFamily = ClosestFamily(diagram.Sample);
    diagram.LogsFamily = ClosestFamily(diagram.Logs);
    diagram.References = RatioReferences();

    double low = kT3AxisLow, high = kT3AxisHigh;
    for (const RatioPoint& p : {diagram.Sample, diagram.Logs}) {
        if (!Finite(p)) continue;
        low = std::min(low, p.T3 - kPointMargin);
        high = std::max(high, p.T3 + kPointMargin);
    }
    // L-skewness lies in (-1, 1).
    diagram.T3Axis = NiceScale(std::max(low, -1.0), std::min(high, 1.0), 7);

    double t4Low = 0, t4High = 0;
    auto take = [&](const RatioPoint& p) {
        t4Low = std::min(t4Low, p.T4);
        t4High = std::max(t4High, p.T4);
    };
    const double first = diagram.T3Axis.Low, last = diagram.T3Axis.High;
    for (int k = 0; k <= kCurveSteps; ++k) {
        const double t3 = k == kCurveSteps ? last : first + (last - first) * k / kCurveSteps;
        for (std::size_t f = 0; f < kRatioFamilies.size(); ++f) {
            const RatioPoint p{t3, Tau4Polynomial(kRatioFamilies[f], t3)};
            diagram.Curves[f].push_back(p);
            take(p);
        }
        diagram.LowerLimit.push_back({t3, (5 * t3 * t3 - 1) / 4});
    }
    for (const RatioReference& reference : diagram.References) take(reference.Point);
    for (const RatioPoint& p : {diagram.Sample, diagram.Logs})
        if (Finite(p)) {
            take({p.T3, p.T4 - kPointMargin / 2});
            take({p.T3, p.T4 + kPointMargin / 2});
        }
    diagram.T4Axis = NiceScale(t4Low, t4High, 6);
    return diagram;
}

std::vector<std::string> RatioDiagramLines(const RatioDiagramData& diagram, char sep) {
    auto f = [sep](double v) { return Fixed4(v, sep); };
    std::vector<std::string> lines;
    auto section = [&](const char* heading, const RatioPoint& p, const FamilyDistances& d, bool logs) {
        lines.push_back(heading);
        lines.push_back("  t3 : " + f(p.T3));
        lines.push_back("  t4 : " + f(p.T4));
        if (d.Closest == 0) {
            lines.push_back("  Razões indefinidas: nenhuma família indicada.");
            return;
        }
        lines.push_back("  Distância vertical às curvas:");
        for (std::size_t k = 0; k < kRatioFamilies.size(); ++k)
            lines.push_back("    " + DistributionName(kRatioFamilies[k]) + " : " + f(d.Distances[k]));
        std::string closest = DistributionName(d.Closest);
        // Pearson III fitted to the logarithms is the LogPearson III of the values.
        if (logs && d.Closest == kPearson3) closest += " (LogPearson III)";
        lines.push_back("  Família mais próxima : " + closest);
    };
    section("Amostra:", diagram.Sample, diagram.SampleFamily, false);
    lines.push_back("");
    section("Logaritmos da amostra:", diagram.Logs, diagram.LogsFamily, true);
    return lines;
}

}  // namespace zarn
