// SPDX-License-Identifier: GPL-3.0-or-later
// The distributions of regional frequency analysis, in Hosking and Wallis's
// (1997, appendix A) parametrisations, fitted by L-moments to the ratios
// (l1, l2, t3, t4, t5). GEV, PE3 and GPA are fitted by the at-site estimators
// (estimation.h); this header adds the others and what the regional analysis
// asks of all six.
//
//   LMomentRatios       l1, l2, t3, t4, t5
//   RegionalFamily      GLO, GEV, GNO, PE3, GPA, WAK (and the kappa)
//   RegionalFit         a family and its parameters (up to five)
//   FitGLO / QuantileGLO        generalized logistic (A.7)
//   FitGNO / QuantileGNO        generalized normal (A.8)
//   FitKappa / QuantileKappa / LMomentsKappa   four-parameter kappa (A.10; Hosking 1994)
//   FitWakeby / QuantileWakeby / LMomentsWakeby  Wakeby (A.11; Greenwood et al. 1979)
//   FitRegional         the fit of any family
//   RegionalQuantile    x(F) of a fit
//   RegionalTau4        the L-kurtosis of a fit
//   Tau4GNO / Tau4PE3   the L-kurtosis of the generalized normal and Pearson III
#pragma once

#include <array>
#include <string_view>

namespace zarn {

struct LMomentRatios {
    double L1 = 0, L2 = 0, T3 = 0, T4 = 0, T5 = 0;
};

enum class RegionalFamily : int { GLO, GEV, GNO, PE3, GPA, WAK, KAP };
// The five three-parameter candidates, in the order the results list them.
constexpr std::array<RegionalFamily, 5> kCandidateFamilies = {RegionalFamily::GLO, RegionalFamily::GEV,
                                                              RegionalFamily::GNO, RegionalFamily::PE3,
                                                              RegionalFamily::GPA};
// "GLO", "GEV", "GNO", "PE3", "GPA", "WAK", "KAP".
std::string_view FamilyName(RegionalFamily family);
// The family of a lower-case or upper-case name; false when there is none.
bool FamilyFromName(std::string_view name, RegionalFamily& family);

struct RegionalFit {
    RegionalFamily Family = RegionalFamily::GLO;
    // GLO, GEV, GNO, GPA: xi, alpha, k. PE3: mu, sigma, gamma.
    // WAK: xi, alpha, beta, gamma, delta. KAP: xi, alpha, k, h.
    std::array<double, 5> P{};
    // Wakeby: 0 fitted with xi free; 1 with xi = 0; 2 a GPA (delta = 0).
    // Kappa: 1 when the GLO (h = -1) stands in for it.
    int Fallback = 0;
    int ParameterCount() const;
};

// Each Fit* sets CalcError to 0 on entry and returns false with CalcError 1
// when the ratios are outside the family's range (l2 <= 0, |t3| >= 1, or as
// stated); the fit is then not written.

// GLO: k = -t3, alpha = l2 sin(k pi) / (k pi), xi = l1 - alpha (1/k - pi / sin(k pi)).
bool FitGLO(const LMomentRatios& m, RegionalFit& fit);
// x(F) = xi + alpha (1 - ((1 - F) / F)^k) / k.
double QuantileGLO(const std::array<double, 5>& p, double F);

// GNO: k from t3 by the rational function of A.8 (|t3| < 0.95).
bool FitGNO(const LMomentRatios& m, RegionalFit& fit);
// x(F) = xi + alpha (1 - exp(-k y)) / k, y the standard normal quantile of F.
double QuantileGNO(const std::array<double, 5>& p, double F);

// Kappa by Newton-Raphson on (k, h) for t3, t4 (Hosking 1994). CalcError 2
// when t4 is above the generalized logistic line (1 + 5 t3^2) / 6 or no
// solution was found: the fit is not written.
bool FitKappa(const LMomentRatios& m, RegionalFit& fit);
// x(F) = xi + alpha (1 - ((1 - F^h) / h)^k) / k (the GEV for h = 0).
double QuantileKappa(const std::array<double, 5>& p, double F);
// l1, l2, t3, t4 of the kappa; false where they do not exist
// (k <= -1, or h < 0 and k h <= -1).
bool LMomentsKappa(const std::array<double, 5>& p, LMomentRatios& m);

// Wakeby from l1..l5: xi free, else xi = 0, else the GPA; fit.Fallback says which.
bool FitWakeby(const LMomentRatios& m, RegionalFit& fit);
// x(F) = xi + alpha (1 - (1 - F)^beta) / beta - gamma (1 - (1 - F)^-delta) / delta.
double QuantileWakeby(const std::array<double, 5>& p, double F);
LMomentRatios LMomentsWakeby(const std::array<double, 5>& p);

bool FitRegional(RegionalFamily family, const LMomentRatios& m, RegionalFit& fit);
double RegionalQuantile(const RegionalFit& fit, double F);
double RegionalTau4(const RegionalFit& fit);

// L-kurtosis of the generalized normal with shape k and of the Pearson III
// with skewness gamma, by quadrature (absolute error below 1e-9).
double Tau4GNO(double k);
double Tau4PE3(double gamma);

}  // namespace zarn
