// SPDX-License-Identifier: GPL-3.0-or-later
// Regional frequency analysis: the distributions' fits, discordancy, the
// published Cascades region, simulations' reproducibility and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "files/errors.h"
#include "regional/regional.h"
#include "regional/regionaldist.h"
#include "regional/regionallanes.h"
#include "analysis/progress.h"
#include "analysis/special.h"

using namespace zarn;

namespace {

// Hosking and Wallis (1997), table 3.4, as tests/data/regional/cascades-lmoments.csv gives it.
std::vector<RegionSite> Cascades(std::vector<double>* publishedD = nullptr) {
    std::ifstream in(ZARN_TEST_DATA "/regional/cascades-lmoments.csv");
    std::string line;
    std::getline(in, line);  // header
    std::vector<RegionSite> sites;
    while (std::getline(in, line)) {
        std::stringstream row(line);
        std::string cell[8];
        for (auto& c : cell) std::getline(row, c, ',');
        RegionSite s;
        s.Name = cell[0];
        s.N = std::stoi(cell[1]);
        for (int r = 0; r < 5; ++r) s.LMoments[r] = std::stod(cell[2 + r]);
        if (publishedD != nullptr) publishedD->push_back(std::stod(cell[7]));
        sites.push_back(s);
    }
    return sites;
}

// Relative closeness of a to b.
void ExpectNear(double a, double b, double relative, const char* what) {
    EXPECT_NEAR(a, b, relative * std::max(1.0, std::fabs(b))) << what;
}

// The L-moments of a quantile function by Gauss-Legendre-free quadrature:
// the midpoint rule in F after F = 1 - (1 - s)^4 near the tail is overkill
// here, so the round trips compare the fits with the distributions' own
// closed-form L-moments instead (LMomentsKappa, LMomentsWakeby).

}  // namespace

TEST(RegionalDistributions, KappaRoundTripsAcrossItsRange) {
    // (k, h) across the kappa's range: GPA-like h = 1, GEV h = 0, near the GLO h = -0.9, long tails.
    const double cases[][2] = {{0.1, 1.0}, {-0.2, 0.5}, {0.3, 0.0}, {-0.1, -0.5}, {0.2, -0.9},
                               {0.8, 2.0}, {-0.4, 0.1}, {0.05, -0.3}, {0.5, 3.0}};
    for (const auto& c : cases) {
        const std::array<double, 5> p{2.0, 0.7, c[0], c[1], 0.0};
        LMomentRatios m;
        ASSERT_TRUE(LMomentsKappa(p, m)) << c[0] << " " << c[1];
        RegionalFit fit;
        ASSERT_TRUE(FitKappa(m, fit)) << c[0] << " " << c[1];
        for (int j = 0; j < 4; ++j) ExpectNear(fit.P[j], p[j], 1e-7, "kappa parameter");
        // The quantile function at h = 0 is the GEV, at F = exp(-1) exactly xi.
        if (c[1] == 0.0) ExpectNear(QuantileKappa(p, std::exp(-1.0)), p[0], 1e-14, "GEV at exp(-1)");
    }
}

TEST(RegionalDistributions, KappaRefusesAboveTheLogisticLine) {
    // t4 above (1 + 5 t3^2) / 6: the analysis falls back to the GLO.
    RegionalFit fit;
    EXPECT_FALSE(FitKappa(LMomentRatios{1, 0.2, 0.1, 0.25, 0}, fit));
    EXPECT_EQ(CalcError, 2);
    std::vector<RegionSite> sites = {{"a", "", 30, {10, 0.3, 0.1, 0.30, 0.1}, 0},
                                     {"b", "", 30, {20, 0.3, 0.12, 0.28, 0.1}, 0}};
    RegionOptions o;
    o.NSim = 50;
    o.Accuracy = false;
    const RegionalResult r = AnalyseRegion(sites, o);
    EXPECT_TRUE(r.KappaFallback);
    EXPECT_EQ(r.Kappa.P[3], -1.0);
    RegionalFit glo;
    FitGLO(LMomentRatios{1, r.Regional[1], r.Regional[2], r.Regional[3], 0}, glo);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(r.Kappa.P[j], glo.P[j]);
    // With h = -1 the kappa's quantile function is the GLO's.
    EXPECT_NEAR(QuantileKappa(r.Kappa.P, 0.99), QuantileGLO(glo.P, 0.99), 1e-12);
}

TEST(RegionalDistributions, WakebyRoundTripsAndEachFallback) {
    // Free xi: a Wakeby with both tails.
    {
        const std::array<double, 5> p{0.5, 2.0, 7.0, 0.25, -0.25};
        RegionalFit fit;
        ASSERT_TRUE(FitWakeby(LMomentsWakeby(p), fit));
        EXPECT_EQ(fit.Fallback, 0);
        for (int j = 0; j < 5; ++j) ExpectNear(fit.P[j], p[j], 1e-8, "Wakeby");
        const double F = 0.9;
        ExpectNear(QuantileWakeby(fit.P, F), QuantileWakeby(p, F), 1e-10, "Wakeby quantile");
    }
    // Ratios that no Wakeby with free xi matches, but one with xi = 0 does:
    // its own L-moments with t5 moved off the xi-free solution.
    {
        const std::array<double, 5> p{0.0, 1.5, 4.0, 0.4, 0.2};
        LMomentRatios m = LMomentsWakeby(p);
        RegionalFit fit;
        ASSERT_TRUE(FitWakeby(m, fit));
        for (int j = 0; j < 5; ++j) ExpectNear(fit.P[j], p[j], 1e-8, "Wakeby xi = 0");
        m.T5 = -0.5;  // far from any xi-free Wakeby
        ASSERT_TRUE(FitWakeby(m, fit));
        EXPECT_EQ(fit.Fallback, 1);
        EXPECT_EQ(fit.P[0], 0.0);
        const LMomentRatios back = LMomentsWakeby(fit.P);
        ExpectNear(back.L1, m.L1, 1e-10, "xi = 0 keeps l1");
        ExpectNear(back.L2, m.L2, 1e-10, "xi = 0 keeps l2");
        ExpectNear(back.T3, m.T3, 1e-10, "xi = 0 keeps t3");
        ExpectNear(back.T4, m.T4, 1e-10, "xi = 0 keeps t4");
    }
    // Neither: the GPA from l1, l2, t3 (delta = gamma = 0).
    {
        RegionalFit fit;
        ASSERT_TRUE(FitWakeby(LMomentRatios{1.0, 0.3, 0.5, 0.05, 0.4}, fit));
        EXPECT_EQ(fit.Fallback, 2);
        EXPECT_EQ(fit.P[3], 0.0);
        EXPECT_EQ(fit.P[4], 0.0);
        const LMomentRatios back = LMomentsWakeby(fit.P);
        ExpectNear(back.L1, 1.0, 1e-12, "GPA l1");
        ExpectNear(back.L2, 0.3, 1e-12, "GPA l2");
        ExpectNear(back.T3, 0.5, 1e-12, "GPA t3");
    }
}

TEST(RegionalDistributions, ThreeParameterFitsRoundTrip) {
    // Each candidate fitted to ratios, then its own t3 recovered from the
    // quantile function: x at F = 0.5 of the GLO is xi (its median), the GNO's too.
    for (double t3 : {-0.3, -0.05, 0.0, 0.02, 0.2, 0.45}) {
        const LMomentRatios m{1.0, 0.25, t3, 0.15, 0.0};
        RegionalFit glo, gno;
        ASSERT_TRUE(FitGLO(m, glo));
        ASSERT_TRUE(FitGNO(m, gno));
        EXPECT_NEAR(QuantileGLO(glo.P, 0.5), glo.P[0], 1e-14);
        EXPECT_NEAR(QuantileGNO(gno.P, 0.5), gno.P[0], 1e-14);
        // GLO: tau4 (1 + 5 k^2) / 6 with k = -t3.
        EXPECT_NEAR(RegionalTau4(glo), (1 + 5 * t3 * t3) / 6, 1e-15);
    }
    // The GNO at k = 0 and the PE3 at gamma = 0 are the normal: tau4 = 30 / pi atan(sqrt 2) - 9.
    const double normal = 30.0 / M_PI * std::atan(std::sqrt(2.0)) - 9.0;
    EXPECT_NEAR(Tau4GNO(0.0), normal, 1e-12);
    EXPECT_NEAR(Tau4PE3(1e-3), normal, 1e-6);
    // PE3 with gamma = 2 is the exponential: tau4 = 1/6 (Hosking and Wallis 1997, A.9).
    EXPECT_NEAR(Tau4PE3(2.0), 1.0 / 6.0, 1e-10);
    EXPECT_NEAR(Tau4PE3(-2.0), 1.0 / 6.0, 1e-10);
    // GNO with shape k is the three-parameter lognormal with sigma = |k|:
    // at k = -1, tau4 from Hosking's table (A.8 polynomial): 0.1898 (4 decimals).
    EXPECT_NEAR(Tau4GNO(-1.0), Tau4GNO(1.0), 1e-12);
}

TEST(RegionalAnalysis, CascadesRegionMatchesThePublishedMethod) {
    std::vector<double> published;
    std::vector<RegionSite> sites = Cascades(&published);
    ASSERT_EQ(sites.size(), 19u);
    std::vector<double> d;
    ASSERT_TRUE(Discordancy(sites, d));
    double sum = 0;
    for (std::size_t i = 0; i < d.size(); ++i) {
        EXPECT_NEAR(d[i], published[i], 1e-4) << sites[i].Name;
        sum += d[i];
    }
    EXPECT_NEAR(sum, 19.0, 1e-10);  // the D_i sum to N

    RegionOptions o;
    o.NSim = 2000;
    o.Accuracy = false;
    const RegionalResult r = AnalyseRegion(sites, o);
    const double regional[] = {1, 0.110298, 0.027859, 0.136613, 0.012228};
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(r.Regional[j], regional[j], 1e-6);
    EXPECT_EQ(r.DCritical, 3.0);
    EXPECT_FALSE(r.KappaFallback);
    const double kappa[] = {0.954162, 0.153271, 0.123595, -0.295491};
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(r.Kappa.P[j], kappa[j], 2e-6);
    const double V[] = {0.010438, 0.033923, 0.040468};
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(r.V[j], V[j], 1e-6);
    const double params[5][3] = {{0.994947, 0.110158, -0.027859},
                                 {0.927039, 0.189502, 0.234365},
                                 {0.994429, 0.195234, -0.057028},
                                 {1.000000, 0.195678, 0.170991},
                                 {0.681063, 0.603296, 0.891584}};
    ASSERT_EQ(r.Candidates.size(), 5u);
    for (int c = 0; c < 5; ++c)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(r.Candidates[c].Fit.P[j], params[c][j], 2e-6) << c << " " << j;
    const double wakeby[] = {0.567683, 2.002605, 7.330113, 0.243781, -0.270280};
    EXPECT_EQ(r.Wakeby.Fallback, 0);
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(r.Wakeby.P[j], wakeby[j], 1e-5 * std::max(1.0, std::fabs(wakeby[j])));
    // H and Z within Monte Carlo error of 10,000 simulated regions (2,000 here).
    const double H[] = {0.57, -1.42, -2.29};
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(r.H[j], H[j], 0.2) << "H" << j + 1;
    const double Z[] = {3.47, -2.85, -1.48, -1.52, -14.58};
    for (int c = 0; c < 5; ++c) EXPECT_NEAR(r.Candidates[c].Z, Z[c], 0.3 + 0.02 * std::fabs(Z[c])) << c;
    EXPECT_EQ(r.Chosen, RegionalFamily::GNO);
}

TEST(RegionalDistributions, PearsonKurtosisIsContinuousWhereItsQuadratureChanges) {
    // Shape 100 (gamma = 0.2) is where the quadrature hands over to the trapezoidal rule.
    EXPECT_NEAR(Tau4PE3(0.2 - 1e-9), Tau4PE3(0.2 + 1e-9), 1e-9);
    // tau4 grows with |gamma| between the normal's 0.1226 and the exponential's 1/6.
    EXPECT_LT(Tau4PE3(0.5), Tau4PE3(1.0));
    EXPECT_LT(Tau4PE3(1.0), 1.0 / 6.0);
}

namespace {

RegionalResult Small(int threads, double correlation, RegionalFamily family = RegionalFamily::GEV) {
    RegionOptions o;
    o.NSim = 300;
    o.NRep = 400;
    o.Threads = threads;
    o.Correlation = correlation;
    o.AccuracyAuto = false;
    o.AccuracyFamily = family;
    return AnalyseRegion(Cascades(), o);
}

}  // namespace

TEST(RegionalAnalysis, SimulationsGiveTheSameBitsOnAnyThreadCount) {
    for (double correlation : {0.0, 0.4}) {
        const RegionalResult one = Small(1, correlation), three = Small(3, correlation);
        EXPECT_EQ(std::memcmp(one.H.data(), three.H.data(), sizeof one.H), 0);
        EXPECT_EQ(one.Sigma4, three.Sigma4);
        ASSERT_TRUE(one.Accuracy && three.Accuracy);
        EXPECT_EQ(std::memcmp(one.Accuracy->RelativeRMSE.data(), three.Accuracy->RelativeRMSE.data(),
                              sizeof one.Accuracy->RelativeRMSE), 0);
        EXPECT_EQ(one.Accuracy->Sites[7].Upper, three.Accuracy->Sites[7].Upper);
    }
}

TEST(RegionalAnalysis, AccuracyBoundsAndCorrelation) {
    const RegionalResult independent = Small(0, 0.0), correlated = Small(0, 0.6);
    const AccuracyResult& a = *independent.Accuracy;
    for (int t = 0; t < kRegionalPeriodCount; ++t) {
        // 90 % bounds around the estimate; a site's error is at least the growth curve's.
        EXPECT_LT(a.Lower[t], a.Quantiles[t]);
        EXPECT_GT(a.Upper[t], a.Quantiles[t]);
        EXPECT_GT(a.Sites[0].RMSE[t] / a.Sites[0].Quantiles[t], a.RelativeRMSE[t]);
    }
    // Correlated sites carry less information: the 100-year error grows.
    EXPECT_GT(correlated.Accuracy->RelativeRMSE[4], 1.2 * a.RelativeRMSE[4]);
    // The Wakeby's simulation needs t5 of every simulated site.
    const RegionalResult wakeby = Small(0, 0.0, RegionalFamily::WAK);
    EXPECT_GT(wakeby.Accuracy->Replicates, 300);
    EXPECT_GT(wakeby.Accuracy->RelativeRMSE[4], 0.0);
}

TEST(RegionalAnalysis, DiscordancyEdgesAndRefusals) {
    std::vector<RegionSite> three = {{"a", "", 20, {1, 0.2, 0.1, 0.1, 0}, 0},
                                     {"b", "", 20, {1, 0.3, 0.2, 0.15, 0}, 0},
                                     {"c", "", 20, {1, 0.25, 0.0, 0.2, 0}, 0}};
    std::vector<double> d;
    ASSERT_TRUE(Discordancy(three, d));
    for (double v : d) EXPECT_EQ(v, 1.0);  // N <= 3
    // Sites whose ratios lie on one line: the matrix is singular, D is not given.
    std::vector<RegionSite> line;
    for (int i = 0; i < 5; ++i) line.push_back({"s", "", 20, {1, 0.2 + 0.01 * i, 0.1 + 0.02 * i, 0.1 + 0.03 * i, 0}, 0});
    EXPECT_FALSE(Discordancy(line, d));
    RegionOptions o;
    o.NSim = 20;
    o.Accuracy = false;
    const RegionalResult r = AnalyseRegion(line, o);
    EXPECT_FALSE(r.D[0].has_value());
    EXPECT_FALSE(r.DNotGivenReason.empty());
    EXPECT_EQ(DiscordancyCritical(4), 3.0);
    EXPECT_EQ(DiscordancyCritical(9), 2.3287);
    EXPECT_EQ(DiscordancyCritical(15), 3.0);

    EXPECT_THROW(AnalyseRegion({three[0]}, o), ZarnError);
    o.UngaugedArea = 100;  // no areas: no regression to carry the index flood
    EXPECT_THROW(AnalyseRegion(three, o), ZarnError);
    for (int i = 0; i < 3; ++i) three[i].Area = 100.0 * (i + 1) * (i + 2);
    const RegionalResult u = AnalyseRegion(three, o);
    ASSERT_TRUE(u.Regression && u.Ungauged);
    EXPECT_EQ(u.Regression->Sites.size(), 3u);
    // Every site has l1 = 1: the index flood does not depend on area.
    EXPECT_NEAR(u.Regression->B, 0.0, 1e-12);
    EXPECT_NEAR(u.Ungauged->IndexFlood, 1.0, 1e-12);
}

TEST(RegionalAnalysis, ProgressCountsTheRegionsAndCancelStops) {
    CalculationProgress progress;
    RegionOptions o;
    o.NSim = 40;
    o.NRep = 60;
    o.Progress = &progress;
    AnalyseRegion(Cascades(), o);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 1.0);
    EXPECT_EQ(DescribeProgress(progress).find("Simulando regiões"), 0u);
    CalculationProgress cancelled;
    cancelled.RequestCancel();
    o.Progress = &cancelled;
    EXPECT_THROW(AnalyseRegion(Cascades(), o), CalculationCancelled);
}

TEST(RegionalDistributions, QuantileLanesAgreeWithTheQuantileFunctions) {
    std::vector<double> u;
    for (int j = 1; j < 200; ++j) u.push_back(j / 200.0);
    std::vector<double> x(u.size());
    const RegionalFit fits[] = {
        {RegionalFamily::KAP, {0.95, 0.15, 0.12, -0.3, 0}, 0}, {RegionalFamily::GLO, {1.0, 0.11, -0.03, 0, 0}, 0},
        {RegionalFamily::GEV, {0.93, 0.19, 0.23, 0, 0}, 0},    {RegionalFamily::GPA, {0.68, 0.6, 0.89, 0, 0}, 0},
        {RegionalFamily::WAK, {0.57, 2.0, 7.3, 0.24, -0.27}, 0}, {RegionalFamily::PE3, {1.0, 0.2, 0.17, 0, 0}, 0},
        {RegionalFamily::PE3, {1.0, 0.2, -1.1, 0, 0}, 0},      {RegionalFamily::GNO, {0.99, 0.2, -0.06, 0, 0}, 0}};
    for (const RegionalFit& fit : fits) {
        RegionalQuantiles(fit, u.data(), x.data(), static_cast<int>(u.size()));
        for (std::size_t j = 0; j < u.size(); ++j)
            EXPECT_NEAR(x[j], RegionalQuantile(fit, u[j]), 1e-13 * std::max(1.0, std::fabs(x[j])))
                << FamilyName(fit.Family) << " at " << u[j];
    }
}
