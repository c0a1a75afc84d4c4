// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/membership.h"

#include <algorithm>
#include <cmath>

namespace zarn {

// SFunction: 0 up to a, 2((x-a)/(c-a))^2 up to the midpoint, 1 - 2((x-c)/(c-a))^2
// up to c, 1 from c on (Zadeh 1975); when c <= a, 1 from c on and 0 below.
double SFunction(double x, double a, double c) {
    if (!std::isfinite(x) || !std::isfinite(a) || !std::isfinite(c)) return 0.0;
    if (c <= a) return x >= c ? 1.0 : 0.0;
    if (x <= a) return 0.0;
    if (x >= c) return 1.0;
    const double width = c - a;
    if (x <= (a + c) / 2) {
        const double t = (x - a) / width;
        return 2 * t * t;
    }
    const double t = (x - c) / width;
    return 1 - 2 * t * t;
}

double ZMembership(double absZ) {
    if (!std::isfinite(absZ)) return 0.0;
    return 1 - SFunction(absZ, kZMembershipFrom, kZMembershipTo);
}

double RMembership(double R, double R90) { return SFunction(R, 2 * R90 - 1, 1.0); }

double FitDegree(const AnalysisRecord& r, int index) {
    const FitResult& fit = FitTestOf(r, index);
    return std::min(ZMembership(VarianceTestZOf(r, index)), RMembership(fit.R, fit.R90));
}

void ParsimonyStep(AnalysisRecord& r) {
    // Pairs k = 1..4: Normal/Pearson III, LogNormal/LogPearson III, Gumbel/GEV,
    // Exponential/GPA; the two-parameter member is index k.
    for (int k = 1; k <= 4; ++k) {
        r.ParsimonyValue[k - 1] = FitDegree(r, k);
        r.ParsimonyLimit[k - 1] = kParsimonyLimit;
    }
}

}  // namespace zarn
