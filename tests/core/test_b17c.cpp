// SPDX-License-Identifier: GPL-3.0-or-later
// The Bulletin 17C analysis: Pearson III truncated moments, EMA, its
// covariance and limits, the analysis's conventions, the readers and the
// command line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

// tanh-sinh's debug check that no abscissa rounds onto an end of the range
// fires on these narrow truncated intervals in a build without NDEBUG; the
// integrand is finite at the ends, so the reference values do not depend on it.
#define BOOST_DISABLE_ASSERTS
#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/special_functions/gamma.hpp>

#include "analysis/b17c.h"
#include "analysis/ema.h"
#include "analysis/historical.h"

namespace zarn {
namespace {

constexpr double kInf = INFINITY;

// The Pearson III density of X (Boost's gamma density of (X - tau)/beta).
double P3Density(const P3Moments& p, double x) {
    if (p.Skew == 0) return std::exp(-0.5 * std::pow((x - p.Mean) / p.Sd, 2)) / (p.Sd * std::sqrt(2 * M_PI));
    const double alpha = 4 / (p.Skew * p.Skew), beta = p.Sd * p.Skew / 2, y = (x - p.Mean) / beta + alpha;
    return y > 0 ? boost::math::gamma_p_derivative(alpha, y) / std::fabs(beta) : 0.0;
}

// Moments of X in (lo, hi) by tanh-sinh quadrature of the
// density (to the support's ends, or 40 sd away), for comparison.
std::array<double, 7> QuadratureMoments(const P3Moments& p, double lo, double hi, double centre) {
    lo = std::max({lo, p.Mean - 40 * p.Sd, p.Skew > 0 ? p.Mean - 2 * p.Sd / p.Skew : -kInf});
    hi = std::min({hi, p.Mean + 40 * p.Sd, p.Skew < 0 ? p.Mean - 2 * p.Sd / p.Skew : kInf});
    std::array<double, 7> s{};
    boost::math::quadrature::tanh_sinh<double> integrator;
    for (int k = 0; k <= 6; ++k)
        s[k] = integrator.integrate([&](double x) { return std::pow(x - centre, k) * P3Density(p, x); }, lo, hi);
    for (int k = 1; k <= 6; ++k) s[k] /= s[0];
    return s;
}

TEST(P3TruncatedMoments, AgreeWithQuadratureAcrossSkews) {
    for (const double g : {-2.0, -0.5, 0.0, 0.3, 1.2, 1.9}) {  // shape 4/g^2 > 1: a bounded density
        SCOPED_TRACE("skew " + std::to_string(g));
        const P3Moments p{3.0, 0.25, g};
        for (const auto& [lo, hi] : {std::pair{2.8, 3.4}, std::pair{-kInf, 3.1}, std::pair{3.2, kInf}}) {
            const auto m = P3TruncatedMoments(p, lo, hi, 3.05, 6);
            const auto s = QuadratureMoments(p, lo, hi, 3.05);
            EXPECT_NEAR(m[0], s[0], 1e-10);
            for (int k = 1; k <= 6; ++k) EXPECT_NEAR(m[k], s[k], 1e-8 * std::fabs(s[k]) + 1e-14) << "order " << k;
        }
    }
}

TEST(P3TruncatedMoments, WholeLineGivesTheDistributionsMomentsAndSkewIsContinuousAtZero) {
    for (const double g : {-1.5, 0.0, 0.8, 2.5}) {
        const P3Moments p{2.0, 0.4, g};
        const auto m = P3TruncatedMoments(p, -kInf, kInf, p.Mean, 3);
        EXPECT_NEAR(m[0], 1, 1e-12);
        EXPECT_NEAR(m[1], 0, 1e-12);
        EXPECT_NEAR(m[2], 0.16, 1e-12);
        EXPECT_NEAR(m[3], g * 0.064, 1e-10);
    }
    // Either side of the switch to the normal recurrence, and far beyond it:
    // the skew's own first-order effect, nothing more.
    const auto a = P3TruncatedMoments({2.0, 0.4, 0.0}, -kInf, 2.3, 2.0, 3);
    for (const double g : {6e-5, -6e-5, 1e-3}) {
        const auto b = P3TruncatedMoments({2.0, 0.4, g}, -kInf, 2.3, 2.0, 3);
        for (int k = 0; k <= 3; ++k) EXPECT_NEAR(a[k], b[k], std::fabs(g)) << g;
    }
    // An interval beyond a bounded distribution's end: the end itself.
    const auto beyond = P3TruncatedMoments({2.0, 0.4, 2.0}, -kInf, 1.0, 0.0, 2);  // lower bound is 1.6
    EXPECT_EQ(beyond[0], 0);
    EXPECT_NEAR(beyond[1], 1.6, 1e-12);
}

std::vector<double> Logs(const std::vector<double>& flows) {
    std::vector<double> x;
    for (const double q : flows) x.push_back(std::log10(q));
    return x;
}

// Sample moments with the usual corrections n/(n-1) and n^2/((n-1)(n-2)).
P3Moments SampleMoments(const std::vector<double>& x) {
    const double n = static_cast<double>(x.size());
    double mean = 0, s2 = 0, s3 = 0;
    for (const double v : x) mean += v / n;
    for (const double v : x) s2 += (v - mean) * (v - mean), s3 += std::pow(v - mean, 3);
    const double sd = std::sqrt(s2 / (n - 1));
    return {mean, sd, n * s3 / ((n - 1) * (n - 2) * sd * sd * sd)};
}

const std::vector<double> kPeaks = {19000, 9400, 31900, 2260, 18200, 14000, 12500, 4320, 15800, 23600,
                                    11500, 17700, 21300, 18300, 29400, 18100, 26300, 29900, 10400, 102000};

TEST(Ema, CompleteRecordGivesTheSampleMomentsAndTheirAsymptoticVariance) {
    EmaData d;
    d.Exact = Logs(kPeaks);
    d.Thresholds = {{-kInf, static_cast<int>(kPeaks.size())}};
    const EmaFit f = FitEma(d);
    const P3Moments s = SampleMoments(d.Exact);
    ASSERT_TRUE(f.Ok);
    EXPECT_NEAR(f.Moments.Mean, s.Mean, 1e-12);
    EXPECT_NEAR(f.Moments.Sd, s.Sd, 1e-12);
    EXPECT_NEAR(f.Moments.Skew, s.Skew, 1e-12);
    // Var of a moment skew from n Pearson III years: 6/n (1 + 3/2 g^2 + 5/16 g^4).
    const auto c = EmaCovariance(d, f.Moments);
    const double g = f.Moments.Skew, n = static_cast<double>(kPeaks.size());
    ASSERT_TRUE(c.Ok);
    EXPECT_NEAR(c.V[2][2], 6 / n * (1 + 1.5 * g * g + 5.0 / 16 * std::pow(g, 4)), 1e-5);
    EXPECT_NEAR(c.V[0][0], s.Sd * s.Sd / n, 1e-9);
    // So the record length EMA gives a complete record is n.
    EXPECT_NEAR(EmaRecordLength(g, c.V[2][2]), n, 1e-6);
}

// The converged EMA moments solve the method's own equations (Cohn, Lane
// and Baier 1997; Bulletin 17C, Appendix 7): every censored or interval year
// enters through its conditional expected moments under the fitted curve,
// taken here by quadrature, and the bias corrections count the exact years.
// With a regional skew, the skew is the inverse-MSE mix of the at-site skew
// of those equations and the regional one.
TEST(Ema, ConvergedMomentsSolveTheExpectedMomentEquations) {
    EmaData d;
    d.Exact = Logs(kPeaks);
    d.Exact.push_back(std::log10(150000.0));  // two historic peaks known exactly
    d.Exact.push_back(std::log10(88000.0));
    d.Intervals = {{-kInf, std::log10(60000.0), 70},  // historical years below the threshold
                   {std::log10(20000.0), std::log10(40000.0), 1},
                   {std::log10(50000.0), kInf, 1}};
    for (const SkewPrior& prior : {SkewPrior{}, SkewPrior{-0.3, 0.4, nullptr}}) {
        SCOPED_TRACE("weight " + std::to_string(prior.Weight));
        const EmaFit f = FitEma(d, prior);
        ASSERT_TRUE(f.Ok);
        const P3Moments& p = f.Moments;
        const double m = static_cast<double>(d.Exact.size());
        double n = m, s1 = 0, s2 = 0, s3 = 0;
        for (const double x : d.Exact) s1 += x, s2 += std::pow(x - p.Mean, 2), s3 += std::pow(x - p.Mean, 3);
        for (const auto& c : d.Intervals) {
            const auto e = QuadratureMoments(p, c.Low, c.High, p.Mean);
            n += c.Count;
            s1 += c.Count * (p.Mean + e[1]);
            s2 += c.Count * e[2];
            s3 += c.Count * e[3];
        }
        const double sd = std::sqrt(m / (m - 1) * s2 / n);
        const double siteSkew = m * m / ((m - 1) * (m - 2)) * s3 / n / std::pow(sd, 3);
        EXPECT_NEAR(p.Mean, s1 / n, 1e-9);
        EXPECT_NEAR(p.Sd, sd, 1e-9);
        EXPECT_NEAR(f.SiteSkew, siteSkew, 1e-8);
        EXPECT_NEAR(p.Skew, prior.Weight * siteSkew + (1 - prior.Weight) * prior.Regional, 1e-8);
    }
}

TEST(Ema, RecoversTheDistributionFromAHeavilyCensoredLargeSample) {
    // 20000 Pearson III years at evenly spaced probabilities; those below
    // the threshold (about 60 %) are known only to be below it.
    const P3Moments truth{3.5, 0.3, 0.6};
    const double threshold = truth.Mean + 0.1 * truth.Sd;
    EmaData d;
    int below = 0;
    for (int i = 0; i < 20000; ++i) {
        const double x = truth.Mean + truth.Sd * P3FrequencyFactor(truth.Skew, (i + 0.5) / 20000);
        if (x < threshold) ++below;
        else d.Exact.push_back(x);
    }
    d.Intervals = {{-kInf, threshold, below}};
    d.Thresholds = {{threshold, 20000}};
    const EmaFit f = FitEma(d);
    ASSERT_TRUE(f.Ok);
    EXPECT_NEAR(f.Moments.Mean, truth.Mean, 2e-3);
    EXPECT_NEAR(f.Moments.Sd, truth.Sd, 2e-3);
    EXPECT_NEAR(f.Moments.Skew, truth.Skew, 3e-2);
    // Censoring loses information: every variance exceeds the complete sample's.
    const auto c = EmaCovariance(d, f.Moments);
    ASSERT_TRUE(c.Ok);
    EXPECT_GT(c.V[2][2], 6 / 20000.0 * (1 + 1.5 * 0.36 + 5.0 / 16 * 0.1296));
}

TEST(QuantileLimits, NormalCompleteRecordIsTheNonCentralTIntervalAndWidensWithConfidence) {
    // n = 10 normal years: the 0.01 quantile's 90 % limits as a non-central
    // t gives them (values from Boost's non_central_t, checked by the
    // classical one-sided tolerance factor 3.981 for n = 10, p = 0.99, 95 %).
    const P3Moments p{3.0, 0.3, 0.0};
    const double n = 10;
    std::array<std::array<double, 3>, 3> v{};
    v[0][0] = 0.09 / n;
    v[1][1] = 0.09 / (2 * n);
    const LogLimits l90 = QuantileLimits(p, v, 0.01, 0.90);
    EXPECT_NEAR((l90.Upper - p.Mean) / p.Sd, 3.981, 2e-3);
    const LogLimits l95 = QuantileLimits(p, v, 0.01, 0.95);
    EXPECT_LT(l95.Lower, l90.Lower);
    EXPECT_GT(l95.Upper, l90.Upper);
    const double q = p.Mean + P3FrequencyFactor(0, 0.01) * p.Sd;
    EXPECT_LT(l90.Lower, q);
    EXPECT_GT(l90.Upper, q);
}

TEST(QuantileLimits, CoverNearTheirLevelWithAHistoricalPeriod) {
    // 400 records of 40 systematic years and 100 historical years above the
    // 20-year flood, from a known Pearson III: the 90 % limits of the 100-year
    // flood hold it about 90 % of the time (binomial sd 1.5 %).
    const P3Moments truth{3.5, 0.3, 0.4};
    const double threshold = truth.Mean + truth.Sd * P3FrequencyFactor(truth.Skew, 0.05);
    const double q100 = truth.Mean + truth.Sd * P3FrequencyFactor(truth.Skew, 0.01);
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> uniform(0, 1);
    auto draw = [&] { return truth.Mean + truth.Sd * P3FrequencyFactor(truth.Skew, uniform(random)); };
    int fitted = 0, inside = 0;
    for (int r = 0; r < 400; ++r) {
        EmaData d;
        int below = 0;
        for (int i = 0; i < 40; ++i) d.Exact.push_back(draw());
        for (int i = 0; i < 100; ++i) {
            const double x = draw();
            if (x > threshold) d.Exact.push_back(x);
            else ++below;
        }
        d.Intervals = {{-kInf, threshold, below}};
        d.Thresholds = {{-kInf, 40}, {threshold, 100}};
        const EmaFit f = FitEma(d);
        const auto c = EmaCovariance(d, f.Moments);
        if (!f.Ok || !c.Ok) continue;
        ++fitted;
        const LogLimits l = QuantileLimits(f.Moments, c.V, 0.01, 0.90);
        if (l.Lower < q100 && q100 < l.Upper) ++inside;
    }
    EXPECT_GE(fitted, 395);
    EXPECT_NEAR(inside / static_cast<double>(fitted), 0.90, 0.05);
}

HistoricalRecord Systematic(const std::vector<double>& flows, int first) {
    HistoricalRecord r;
    for (std::size_t i = 0; i < flows.size(); ++i)
        r.Observations.push_back({first + static_cast<int>(i), flows[i], flows[i], false});
    return r;
}

TEST(AnalyseB17c, CompleteRecordWithoutLowOutliersIsTheSampleLogPearsonFit) {
    B17cOptions o;
    o.LowOutliers = LowOutlierMethod::None;
    o.Aep = {1.0 / 30};
    const B17cResult r = AnalyseB17c(Systematic(kPeaks, 1950), o);
    ASSERT_TRUE(r.Ok) << r.Failure;
    const P3Moments s = SampleMoments(Logs(kPeaks));
    EXPECT_NEAR(r.Mean, s.Mean, 1e-10);
    EXPECT_NEAR(r.Skew, s.Skew, 1e-10);
    EXPECT_EQ(r.StationSkew, r.Skew);
    ASSERT_EQ(r.Aep.size(), 9u);  // the eight and 1/30, descending
    EXPECT_EQ(r.Aep.front(), 0.5);
    EXPECT_NEAR(r.Aep[4], 1.0 / 30, 1e-15);
    EXPECT_NEAR(r.Quantiles[0], std::pow(10, s.Mean + s.Sd * P3FrequencyFactor(s.Skew, 0.5)), 1e-6);
    ASSERT_EQ(r.Thresholds.size(), 1u);
    EXPECT_EQ(r.Thresholds[0].First, 1950);
    EXPECT_EQ(r.Thresholds[0].Low, 0);
    EXPECT_EQ(r.SystematicYears, 20);
    EXPECT_EQ(r.CensoredYears, 0);
    // Weighted: the inverse-MSE average of Bulletin 17B, the station's MSE
    // Griffis and Stedinger's for 20 years; the mean and sd do not move.
    o.Skew = SkewOption::Weighted;
    o.RegionalSkew = -0.1;
    o.RegionalSkewSE = 0.55;
    const B17cResult w = AnalyseB17c(Systematic(kPeaks, 1950), o);
    ASSERT_TRUE(w.Ok) << w.Failure;
    const double mse = SkewMse(s.Skew, 20);
    EXPECT_NEAR(w.SkewMse, mse, 1e-9);
    EXPECT_NEAR(w.Skew, (0.3025 * s.Skew - 0.1 * mse) / (0.3025 + mse), 1e-9);
    EXPECT_NEAR(w.Mean, s.Mean, 1e-12);
    EXPECT_NEAR(w.StandardDeviation, s.Sd, 1e-12);
}

TEST(AnalyseB17c, LowOutliersAreRecodedAndThresholdsRaised) {
    HistoricalRecord rec = Systematic(kPeaks, 1950);
    rec.Thresholds.push_back({1945, 1949, 3000, kInf});  // below the low-outlier threshold: raised
    B17cOptions o;
    o.LowOutliers = LowOutlierMethod::UserThreshold;
    o.UserThreshold = 12000;
    const B17cResult r = AnalyseB17c(rec, o);
    ASSERT_TRUE(r.Ok) << r.Failure;
    EXPECT_EQ(r.LowOutlierThreshold, 12000);
    EXPECT_EQ(r.LowOutliers, 5);  // 9400, 2260, 4320, 11500, 10400
    ASSERT_EQ(r.Thresholds.size(), 1u);  // 1945-1969 at [12000, inf) in one run
    EXPECT_EQ(r.Thresholds[0].First, 1945);
    EXPECT_EQ(r.Thresholds[0].Last, 1969);
    EXPECT_EQ(r.Thresholds[0].Low, 12000);
    EXPECT_EQ(r.CensoredYears, 10);
    EXPECT_EQ(r.HistoricalYears, 5);
    // The bias corrections count the exact years: 15 here, not 25.
    EmaData d;
    for (const double q : kPeaks)
        if (q >= 12000) d.Exact.push_back(std::log10(q));
    d.Intervals = {{-kInf, std::log10(12000.0), 10}};
    const EmaFit f = FitEma(d);
    EXPECT_NEAR(r.Mean, f.Moments.Mean, 1e-12);
    EXPECT_NEAR(r.Skew, f.Moments.Skew, 1e-12);
    // A threshold of 0 finds nothing and recodes nothing.
    o.UserThreshold = 0;
    const B17cResult none = AnalyseB17c(rec, o);
    EXPECT_EQ(none.LowOutliers, 0);
    EXPECT_EQ(none.CensoredYears, 5);
}

TEST(AnalyseB17c, GapsAndUncoveredHistoricPeaksAreLeftOut) {
    HistoricalRecord rec = Systematic(kPeaks, 1950);
    rec.Observations.push_back({1890, 90000, 90000, true});   // no threshold covers it
    rec.Observations.push_back({1980, 8000, 8000, false});    // after a ten-year gap
    const B17cResult r = AnalyseB17c(rec, {});
    ASSERT_TRUE(r.Ok) << r.Failure;
    EXPECT_EQ(r.SystematicYears, 21);
    EXPECT_EQ(r.HistoricalYears, 0);
    ASSERT_EQ(r.LeftOutYears, std::vector<int>{1890});
    ASSERT_EQ(r.Thresholds.size(), 2u);
    EXPECT_EQ(r.Thresholds[1].First, 1980);
}

TEST(AnalyseB17c, WeightedSkewLiesBetweenStationAndRegionalWithInverseMseWeights) {
    HistoricalRecord rec = Systematic(kPeaks, 1950);
    rec.Observations.push_back({1900, 150000, 150000, true});
    rec.Thresholds.push_back({1890, 1949, 60000, kInf});
    B17cOptions o;
    o.Skew = SkewOption::Weighted;
    o.RegionalSkew = -0.3;
    o.RegionalSkewSE = 0.55;
    const B17cResult w = AnalyseB17c(rec, o);
    ASSERT_TRUE(w.Ok) << w.Failure;
    EXPECT_NEAR(w.RegionalSkewMse, 0.3025, 1e-12);
    EXPECT_NEAR(w.SkewWeight, w.RegionalSkewMse / (w.RegionalSkewMse + w.SkewMse), 1e-12);
    EXPECT_LT(w.Skew, w.StationSkew);
    EXPECT_GT(w.Skew, o.RegionalSkew);
    o.Skew = SkewOption::Regional;
    const B17cResult g = AnalyseB17c(rec, o);
    ASSERT_TRUE(g.Ok);
    EXPECT_DOUBLE_EQ(g.Skew, -0.3);
    EXPECT_NEAR(g.StationSkew, w.StationSkew, 1e-12);
    o.Skew = SkewOption::Weighted;
    o.RegionalSkewSE = 0;
    EXPECT_FALSE(AnalyseB17c(rec, o).Ok);
}

TEST(AnalyseB17c, HeavyLowCensoringNeedsTheRegionalSkew) {
    // 19 years of 4320 and more and six below 3000: the EMA moments of the
    // station alone diverge (no Pearson III fits them), so the station skew
    // is refused rather than reported; a weighted skew converges.
    HistoricalRecord rec = Systematic(kPeaks, 1950);
    for (int y = 1940; y < 1946; ++y) rec.Observations.push_back({y, 1000.0 + y - 1940, 1000.0 + y - 1940, false});
    B17cOptions o;
    o.LowOutliers = LowOutlierMethod::UserThreshold;
    o.UserThreshold = 3000;
    const B17cResult s = AnalyseB17c(rec, o);
    EXPECT_FALSE(s.Ok);
    EXPECT_NE(s.Failure.find("ponderada"), std::string::npos);
    o.Skew = SkewOption::Weighted;
    o.RegionalSkewSE = 0.3;
    const B17cResult w = AnalyseB17c(rec, o);
    ASSERT_TRUE(w.Ok) << w.Failure;
    EXPECT_EQ(w.LowOutliers, 7);
    EXPECT_NEAR(w.Skew, w.SkewWeight * w.StationSkew, 1e-9);  // regional skew 0
}

TEST(AnalyseB17c, RefusesWhatCannotBeAnalysed) {
    B17cOptions o;
    HistoricalRecord twice = Systematic({100, 200, 300, 400}, 2000);
    twice.Observations[1].Year = 2000;
    EXPECT_FALSE(AnalyseB17c(twice, o).Ok);
    EXPECT_FALSE(AnalyseB17c(Systematic({100, 200}, 2000), o).Ok);
    HistoricalRecord wrong = Systematic({100, 200, 300, 400}, 2000);
    wrong.Observations[2] = {2002, 500, 300, false};
    EXPECT_NE(AnalyseB17c(wrong, o).Failure.find("2002"), std::string::npos);
    o.Confidence = 1.5;
    EXPECT_FALSE(AnalyseB17c(Systematic(kPeaks, 1950), o).Ok);
}

TEST(HistoricalReaders, PeakFileWaterYearsCodesAndRowsWithoutDischarge) {
    const std::string text =
        "# a comment\n"
        "agency_cd\tsite_no\tpeak_dt\tpeak_tm\tpeak_va\tpeak_cd\n"
        "5s\t15s\t10d\t6s\t8s\t33s\n"
        "USGS\t1\t1874-00-00\t\t\t\n"
        "USGS\t1\t1902-03-01\t\t50000\t7\n"
        "USGS\t1\t1950-11-02\t\t1200\t4\n"
        "USGS\t1\t1952-04-02\t\t30000\t2,8\n"
        "USGS\t1\t1952-12-02\t\t9000\t\n";
    const HistoricalReading r = ParseHistoricalRecord(text);
    ASSERT_TRUE(r.Ok) << r.Failure;
    const auto& o = r.Record.Observations;
    ASSERT_EQ(o.size(), 4u);
    EXPECT_TRUE(o[0].Historical);
    EXPECT_EQ(o[0].Low, 50000);
    EXPECT_EQ(o[1].Year, 1951);  // November belongs to the next water year
    EXPECT_EQ(o[1].Low, 0);
    EXPECT_EQ(o[1].High, 1200);
    EXPECT_EQ(o[2].Low, 30000);
    EXPECT_TRUE(std::isinf(o[2].High));
    EXPECT_EQ(o[3].Year, 1953);
    EXPECT_FALSE(ParsePeakFile("agency_cd\tsite_no\n").Ok);
}

TEST(HistoricalReaders, TableValuesIntervalsThresholdsAndFaults) {
    const HistoricalReading r = ParseHistoricalRecord(
        "ano;vazão\n# comentário\n1850;>400;h\nlimiar;1840-1899;300;inf\n1901;120,5\n1902;<50\n1903;80-95\n1904;\n");
    ASSERT_TRUE(r.Ok) << r.Failure;
    const auto& o = r.Record.Observations;
    ASSERT_EQ(o.size(), 4u);
    EXPECT_TRUE(o[0].Historical);
    EXPECT_EQ(o[0].Low, 400);
    EXPECT_TRUE(std::isinf(o[0].High));
    EXPECT_EQ(o[1].Low, 120.5);
    EXPECT_EQ(o[2].High, 50);
    EXPECT_EQ(o[3].Low, 80);
    EXPECT_EQ(o[3].High, 95);
    ASSERT_EQ(r.Record.Thresholds.size(), 1u);
    EXPECT_EQ(r.Record.Thresholds[0].Last, 1899);
    const HistoricalReading commas = ParseHistoricalTable("1901,12.5\n1902 13,5\n");
    ASSERT_TRUE(commas.Ok) << commas.Failure;
    EXPECT_EQ(commas.Record.Observations[1].Low, 13.5);
    for (const char* bad : {"1901;12\n1901;13\n", "1901;-5\n", "1901;1.234,5\n", "1901;12\nxx;3\n", "1901;90-80\n"})
        EXPECT_FALSE(ParseHistoricalTable(bad).Ok) << bad;
    EXPECT_NE(ParseHistoricalTable("1901;12\n1902;abc\n").Failure.find("linha 2"), std::string::npos);
}

std::string RunCli(const std::string& arguments, int& status) {
    const std::string out = ::testing::TempDir() + "b17c_out.json";
    std::remove(out.c_str());
    status = std::system((std::string(ZARN_CLI) + " " + arguments + " --json " + out + " 2>/dev/null").c_str());
    std::ifstream in(out);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(B17cCommandLine, PeakFileWithThresholdIntervalAndWeightedSkew) {
    const std::string peaks = std::string(ZARN_TEST_DATA) + "/import/USGS02482550.txt";
    int status = 0;
    const std::string json = RunCli("--data " + peaks + " --b17c --threshold 1874-1937:40000:inf --interval 1902:45000:inf"
                                 " --low-outliers none --skew weighted --regional-skew -0.1 --regional-skew-se 0.55"
                                 " --confidence 0.95", status);
    ASSERT_EQ(status, 0);
    for (const char* key : {"\"B17C\"", "\"Mean\"", "\"StandardDeviation\"", "\"Skew\"", "\"StationSkew\"",
                            "\"LowOutlierThreshold\"", "\"LowOutliers\"", "\"LowOutlierPValues\"", "\"Thresholds\"",
                            "\"AEP\"", "\"Quantiles\"", "\"Lower\"", "\"Upper\""})
        EXPECT_NE(json.find(key), std::string::npos) << key;
    EXPECT_NE(json.find("1874,\n        1937,\n        40000,\n        null"), std::string::npos) << json;
    RunCli("--data " + peaks + " --b17c --threshold 1937-1874:10", status);
    EXPECT_NE(status, 0);
}

}  // namespace
}  // namespace zarn
