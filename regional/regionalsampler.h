// SPDX-License-Identifier: GPL-3.0-or-later
// The quantile function of a regional fit as the simulations draw from it:
// the same values as RegionalQuantile, the Pearson III by an interpolation
// table of the gamma quantile built once per simulation (the general gamma
// quantile, a Newton iteration on the incomplete gamma integral per value,
// made the Pearson III accuracy simulation eight times as slow as the GEV's).
//
//   GammaQuantileTable   the standard gamma quantile of one shape a over
//                        logit(F) in [-22, 22] by cubic Hermite interpolation,
//                        checked against the exact quantile at every interval's
//                        midpoint when built (within 1e-13 relative)
//   ExactGammaQuantile   the standard gamma quantile to full precision (the
//                        inverse of the regularised incomplete gamma integral)
//   RegionalSampler      x = RegionalQuantile(fit, u) of many u at once
//   SimulationQuantile   x(F) of a refitted simulated region, the Pearson III's
//                        gamma quantile to full precision by Halley's iteration
#pragma once

#include <optional>
#include <vector>

#include "regional/regionaldist.h"

namespace zarn {

// The standard gamma quantile of shape a (scale 1) at F; F <= 0.5 through
// P(a, x) = F, above through Q(a, x) = 1 - F so that the upper tail keeps its digits.
double ExactGammaQuantile(double a, double F);

// RegionalQuantile(fit, F), the Pearson III's through its gamma quantile
// solved to full precision by Halley's iteration on the incomplete gamma
// integral (a few steps from the Wilson-Hilferty start, where the general
// gamma quantile takes a Newton iteration with a fresh ln Gamma per shape).
double SimulationQuantile(const RegionalFit& fit, double F);

class GammaQuantileTable {
public:
    explicit GammaQuantileTable(double shape);
    // False when no step down to 1/512 in logit(F) reached the accuracy
    // (every value then comes from ExactGammaQuantile).
    bool Valid() const { return !G.empty(); }
    // The standardised quantile (Q - a) / sqrt(a) at F.
    double Deviate(double F) const;
    // The quantile Q at F.
    double Quantile(double F) const;
    // z[j] = Deviate(F[j]) (Deviate(1 - F[j]) with complement) at w[j] the
    // logit of that probability, for j < n (w from the logit lanes).
    void Deviates(const double* w, const double* F, double* z, int n, bool complement = false) const;
    // Intervals of the table (for the tests).
    int Intervals() const { return static_cast<int>(G.size()) - 1; }

private:
    // g at node w_i = First + i Step, and its first two derivatives in w: ln Q (shapes
    // below kStandardFrom, whose lower tail runs to 0 as a power of F) or
    // (Q - a) / sqrt(a) (larger shapes, nearly normal, where ln Q would lose
    // the digits of Q - a).
    bool Build(double step);
    // False when w lies outside the table.
    bool Interpolate(double F, double& g) const;
    double NodeValue(double w, double& first, double& second) const;
    double Hermite(int interval, double t) const;
    // g at w; false outside the table.
    bool AtLogit(double w, double& g) const;
    double A = 1, RootA = 1;
    bool LogScale = true;
    double First = 0, Step = 0;
    std::vector<double> G, Slope, Curvature;
    // The interpolant of interval i, G[i] + t (C[5i] + t (C[5i + 1] + ... + t C[5i + 4])).
    std::vector<double> C;
};

class RegionalSampler {
public:
    explicit RegionalSampler(const RegionalFit& fit);
    void Quantiles(const double* u, double* x, int n) const;
    double Quantile(double F) const;

private:
    RegionalFit Fit;
    std::optional<GammaQuantileTable> Gamma;  // the Pearson III's, |gamma| >= 1e-6
};

}  // namespace zarn
