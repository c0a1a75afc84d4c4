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
#include "regional/regionalsampler.h"
#include "analysis/progress.h"
#include "analysis/simulation.h"
#include "analysis/special.h"
#include "views/regionallines.h"

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

TEST(RegionalDistributions, GEVIsTheExactLMomentSolution) {
    // k, alpha, xi and the 1,000-year quantile for l1 = 1, l2 = 0.25, solved
    // to 35 digits by python3 + mpmath 1.3 (findroot on
    // t3 = 2 (1 - 3^-k) / (1 - 2^-k) - 3, then Hosking and Wallis 1997, A.5),
    // rounded to 17. The at-site polynomial is off by up to 3e-6 in k here.
    struct Case {
        double T3, K, Alpha, Xi, Q1000;
    };
    const Case cases[] = {
        {-0.9, 4.1055902133998764511, 0.038680883445550157671, 1.255996353201992128, 1.2654178690949529789},
        {-0.5, 1.4946403940688676395, 0.43734729287464720653, 1.0949079843172164036, 1.3875087544509833398},
        {-0.2, 0.68084783782142647358, 0.49986132092962967082, 0.93036282727707869532, 1.657878700062848941},
        {0.0, 0.28377552616996779592, 0.44141743807696452711, 0.84456161881458445805, 2.180994381113246758},
        {0.027859, 0.23436572816172283418, 0.42951989037026597587, 0.83462777666446606073, 2.3042045509694969394},
        {0.1, 0.11189497450865134315, 0.39596077877730796676, 0.81125727888366375948, 2.7162071058879974172},
        {0.3, -0.19281434131450358283, 0.29155270405728704124, 0.76373144387323860704, 4.9793228340413135934},
        {0.5, -0.45744624399490275071, 0.18719949804515968196, 0.73918198599027420011, 9.9727727010006269172},
        {0.8, -0.79962394689806202906, 0.058909428238891340413, 0.73612885925951071102, 19.11249047415674582},
        {0.95, -0.95167113080354617872, 0.012633817834282869005, 0.74564146279285934269, 10.23522688833027543},
    };
    for (const Case& c : cases) {
        RegionalFit fit;
        ASSERT_TRUE(FitRegional(RegionalFamily::GEV, LMomentRatios{1.0, 0.25, c.T3, 0, 0}, fit)) << c.T3;
        EXPECT_NEAR(fit.P[2], c.K, 1e-14 * std::max(1.0, std::fabs(c.K))) << c.T3;
        EXPECT_NEAR(fit.P[1], c.Alpha, 1e-13 * c.Alpha) << c.T3;
        EXPECT_NEAR(fit.P[0], c.Xi, 1e-14) << c.T3;
        EXPECT_NEAR(RegionalQuantile(fit, 1 - 1.0 / 1000), c.Q1000, 1e-13 * c.Q1000) << c.T3;
    }
    // Through the Gumbel's t3 = ln(9/8) / ln 2 the fit and its quantiles move
    // smoothly: k crosses 0 with no step, the quantile keeps its digits.
    const double gumbel = std::log(9.0 / 8.0) / std::log(2.0);
    double previousK = 1, previousQ = 0;
    for (double dt = -1e-6; dt <= 1e-6; dt += 2.5e-7) {
        RegionalFit fit;
        ASSERT_TRUE(FitRegional(RegionalFamily::GEV, LMomentRatios{1.0, 0.25, gumbel + dt, 0, 0}, fit));
        EXPECT_LT(fit.P[2], previousK);
        EXPECT_NEAR(fit.P[2], -dt / 0.6426469917022902, 1e-5 * std::fabs(dt) + 1e-15);  // dt3/dk at k = 0
        const double q = RegionalQuantile(fit, 0.999);
        EXPECT_GT(q, previousQ);
        previousK = fit.P[2];
        previousQ = q;
    }
    RegionalFit gumbelFit;
    ASSERT_TRUE(FitRegional(RegionalFamily::GEV, LMomentRatios{1.0, 0.25, gumbel, 0, 0}, gumbelFit));
    EXPECT_NEAR(RegionalQuantile(gumbelFit, 0.999), 1 + 0.25 / std::log(2.0) * (-std::log(-std::log(0.999)) - 0.5772156649015329), 1e-13);
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
        const RegionalResult pe3One = Small(1, correlation, RegionalFamily::PE3),
                             pe3Three = Small(3, correlation, RegionalFamily::PE3);
        EXPECT_EQ(std::memcmp(pe3One.Accuracy->RelativeRMSE.data(), pe3Three.Accuracy->RelativeRMSE.data(),
                              sizeof pe3One.Accuracy->RelativeRMSE), 0);
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

TEST(RegionalDistributions, GammaQuantileTableKeepsTwelveDigits) {
    // Shapes 4 / gamma^2 from gamma = 9 (a = 0.05, the lower tail below 1e-100)
    // to gamma = 0.002 (a = 1e6, nearly normal), either side of the switch to
    // the standardised deviate at a = 100; F over the generator's whole range
    // (4.7e-10 to 1 - 4.7e-10) and beyond the table into the exact fallback.
    std::vector<double> probabilities = {1e-12, 1.0 / 2147483647, 1e-9, 1e-6, 0.5, 1 - 1e-9, 1 - 1.0 / 2147483647};
    for (int i = 1; i < 4000; ++i) probabilities.push_back(i / 4000.0 + 1.0 / 9973);
    for (double a : {0.05, 0.3, 1.0, 2.5, 17.0, 99.9, 100.0, 1e4, 1e6}) {
        const GammaQuantileTable table(a);
        ASSERT_TRUE(table.Valid()) << a;
        double worst = 0, worstDeviate = 0;
        for (double F : probabilities) {
            if (F >= 1) continue;
            const double exact = ExactGammaQuantile(a, F);
            if (!(exact > 0)) continue;
            worst = std::max(worst, std::fabs(table.Quantile(F) - exact) / exact);
            const double z = (exact - a) / std::sqrt(a);
            worstDeviate = std::max(worstDeviate, std::fabs(table.Deviate(F) - z) / std::max(1.0, std::fabs(z)));
        }
        EXPECT_LT(worst, 1e-12) << "a = " << a;
        EXPECT_LT(worstDeviate, 1e-12 + 1e-15 * std::sqrt(a)) << "a = " << a;
    }
    // The simulations' Pearson III agrees with the distribution's own quantile
    // (the at-site gamma quantile, itself good to about 1e-10), mirrored for gamma < 0.
    for (double gamma : {1.3, -0.4, 0.05}) {
        const RegionalFit fit{RegionalFamily::PE3, {1.0, 0.3, gamma, 0, 0}, 0};
        const RegionalSampler sampler(fit);
        std::vector<double> u = {1e-6, 0.01, 0.3, 0.5, 0.9, 0.999, 1 - 1e-7, 1e-11}, x(u.size());
        sampler.Quantiles(u.data(), x.data(), static_cast<int>(u.size()));  // in lanes, and past the table
        for (std::size_t j = 0; j < u.size(); ++j) {
            const double F = u[j];
            if (F > 1e-10)  // beyond, the at-site gamma quantile loses digits in the upper tail
                EXPECT_NEAR(sampler.Quantile(F), RegionalQuantile(fit, F), 1e-9) << gamma << " " << F;
            EXPECT_NEAR(x[j], sampler.Quantile(F), 1e-12) << gamma << " " << F;
            // The refitted growth curves' quantile, by Halley's iteration, to full precision.
            const double a = 4 / (gamma * gamma), exact = gamma > 0 ? ExactGammaQuantile(a, F)
                                                                     : ExactGammaQuantile(a, 1 - F);
            const double expected = 1.0 + (gamma > 0 ? 0.3 : -0.3) * (exact - a) / std::sqrt(a);
            EXPECT_NEAR(SimulationQuantile(fit, F), expected, 1e-13) << gamma << " " << F;
        }
    }
}

TEST(RegionalAnalysis, MultiplesAndNeighboursOfASeedGiveUnrelatedStreams) {
    // Unmixed, Lehmer's stream for seed 2s is 2u mod 1 of the stream for s
    // (correlation 0.5) and seed s + 1 starts beside s.
    auto stream = [](std::int64_t seed) {
        std::vector<double> u;
        std::int64_t state = RegionalStreamStart(seed);
        for (int j = 0; j < 4000; ++j) {
            state = JumpAhead(state, 1);
            u.push_back(state / 2147483647.0);
        }
        return u;
    };
    auto correlation = [](const std::vector<double>& a, const std::vector<double>& b) {
        double sa = 0, sb = 0, sab = 0, saa = 0, sbb = 0;
        const double n = static_cast<double>(a.size());
        for (std::size_t j = 0; j < a.size(); ++j) {
            sa += a[j], sb += b[j], sab += a[j] * b[j], saa += a[j] * a[j], sbb += b[j] * b[j];
        }
        return (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
    };
    for (std::int64_t s : {1, 7, 748932582}) {
        const std::vector<double> base = stream(s);
        for (std::int64_t other : {2 * s, 4 * s, s + 1}) {
            if (other >= 2147483647) continue;
            EXPECT_LT(std::fabs(correlation(base, stream(other))), 0.07) << s << " " << other;  // 4.4 sigma of 4,000 pairs
        }
        EXPECT_GE(RegionalStreamStart(s), 1);
        EXPECT_LT(RegionalStreamStart(s), 2147483647);
    }
}

// The ratio diagram leaves room around every point (a site at t4 = 0.397
// is not on the border) and writes the numbers of sites that lie almost on
// top of each other in places apart.
TEST(RegionalDiagramView, RoomAroundThePointsAndNumbersApart) {
    RegionalResult r;
    const double points[][2] = {{0.05, 0.397}, {0.02, 0.15}, {0.021, 0.151}, {0.019, 0.149},
                                {0.022, 0.15}, {0.02, 0.152}, {-0.099, 0.12}};
    for (const auto& p : points) {
        RegionSite site;
        site.LMoments = {1, 0.2, p[0], p[1], 0};
        r.Sites.push_back(site);
        r.Discordant.push_back(false);
    }
    r.Regional = {1, 0.2, 0.02, 0.16, 0};
    const RegionalDiagramData d = RegionalDiagram(r);
    const double width = d.T3Max - d.T3Min, height = d.T4Max - d.T4Min;
    for (const RatioPoint& p : d.Sites) {
        EXPECT_GE(p.T3 - d.T3Min, 0.02) << p.T3;
        EXPECT_GE(d.T3Max - p.T3, 0.02) << p.T3;
        EXPECT_GE(p.T4 - d.T4Min, 0.02) << p.T4;
        EXPECT_GE(d.T4Max - p.T4, 0.02) << p.T4;
    }
    ASSERT_EQ(d.LabelAnchors.size(), d.Sites.size());
    // Two one-digit numbers are apart when their anchors differ by a digit's
    // width across or a line's height up or down (in fractions of the plot).
    for (std::size_t i = 0; i < d.LabelAnchors.size(); ++i)
        for (std::size_t j = i + 1; j < d.LabelAnchors.size(); ++j) {
            const double across = std::fabs(d.LabelAnchors[i].T3 - d.LabelAnchors[j].T3) / width;
            const double up = std::fabs(d.LabelAnchors[i].T4 - d.LabelAnchors[j].T4) / height;
            EXPECT_TRUE(across > 0.02 || up > 0.04) << i + 1 << " and " << j + 1;
        }
}
