// SPDX-License-Identifier: GPL-3.0-or-later
// The L-moment ratio diagram: the sample's L-skewness and L-kurtosis (t3, t4),
// and those of its logarithms, against the tau4(tau3) curves of the
// three-parameter families the analysis fits and the points of the
// two-parameter ones (Hosking and Wallis 1997, 2.5). Pure functions of the
// record (no Qt).
//
//   RatioFamilies     GEV, GPA, Pearson III: the families drawn as curves
//   RatioReference    a two-parameter distribution's fixed (tau3, tau4)
//   ClosestFamily     the family whose curve lies nearest above or below a point
//   RatioDiagram      every series of the diagram and the axes' ranges
//   RatioDiagramLines what the window writes beside it: the points, their
//                     distances to the curves and the closest family
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/record.h"
#include "views/frequencychart.h"

namespace zarn {

// DistributionIndex of the families drawn as curves, in legend order.
constexpr std::array<int, 3> kRatioFamilies = {kGEV, kGPA, kPearson3};

struct RatioPoint {
    double T3, T4;
};

struct RatioReference {
    std::string Name;  // "Normal", "Gumbel", "Exponencial"
    RatioPoint Point;
};
// Normal (0, 0.1226), Gumbel (0.1699, 0.1504), Exponential (1/3, 1/6).
std::vector<RatioReference> RatioReferences();

struct FamilyDistances {
    // |t4 - Tau4Polynomial(family, t3)| in the order of kRatioFamilies.
    std::array<double, 3> Distances{};
    // The family (DistributionIndex) with the smallest distance; 0 when the
    // point is not finite.
    int Closest = 0;
};
FamilyDistances ClosestFamily(const RatioPoint& point);

struct RatioDiagramData {
    // Tau4Polynomial of each family over the t3 axis, in kRatioFamilies order.
    std::array<std::vector<RatioPoint>, 3> Curves;
    // The lower limit of t4 for any distribution, (5 t3^2 - 1) / 4.
    std::vector<RatioPoint> LowerLimit;
    std::vector<RatioReference> References;
    RatioPoint Sample{}, Logs{};  // (t3, t4) of LMoments and of LogLMoments
    FamilyDistances SampleFamily, LogsFamily;
    LinearScale T3Axis{}, T4Axis{};
};

// The t3 axis spans at least -0.1 to 0.6 and both points; the t4 axis the
// points and the curves over it, on round ticks.
RatioDiagramData RatioDiagram(const AnalysisRecord& r);

// Numbers in Fixed4 with the caller's decimal separator; texts in UTF-8.
std::vector<std::string> RatioDiagramLines(const RatioDiagramData& diagram, char decimalSeparator);

}  // namespace zarn
