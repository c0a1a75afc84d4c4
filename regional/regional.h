// SPDX-License-Identifier: GPL-3.0-or-later
// Regional frequency analysis by the index-flood method with L-moments
// (Hosking and Wallis 1997, chapters 3 to 6): site L-moments, discordancy,
// heterogeneity, goodness of fit of the candidates, the regional growth
// curve, its accuracy by simulation, and the index flood of ungauged sites
// by regression on drainage area.
//
// The simulations draw from Lehmer's generator (simulation.h) from a seed:
// simulated region r starts r * (draws per region) draws after it, so each
// region is the same whatever thread runs it, and every result is the same,
// bit for bit, for any thread count.
//
//   RegionSite            a site: name, record length, L-moment ratios, area
//   SiteLMomentsOf        l1, t, t3, t4, t5 of a series
//   RegionOptions         simulations, seed, accuracy, correlation, threads
//   RegionalResult        everything the analysis gives
//   DiscordancyCritical   the 10 % critical value of D for N sites (table 3.1)
//   Discordancy           D_i of every site (H&W 3.2)
//   AnalyseRegion         the whole analysis; throws ZarnError (Portuguese) on refusal
//   UngaugedSite          index flood and quantiles of a site known by its area
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/progress.h"
#include "regional/regionaldist.h"

namespace zarn {

// Return periods of the growth curves and of the accuracy tables.
constexpr std::array<double, 7> kRegionalReturnPeriods = {2, 5, 10, 50, 100, 200, 1000};
constexpr int kRegionalPeriodCount = 7;
// Sites need this many values.
constexpr int kRegionalMinimumRecord = 4;
// |Z| up to this: an acceptable candidate (90 % level).
constexpr double kAcceptableZ = 1.64;

struct RegionSite {
    std::string Name;
    std::string File;
    int N = 0;
    // l1, t = l2 / l1 (the L-CV), t3, t4, t5.
    std::array<double, 5> LMoments{};
    // Drainage area in km2; 0 when not given.
    double Area = 0;
};

// l1, t, t3, t4, t5 of x[0..n-1] from the unbiased probability-weighted
// moments b_0..b_4 (b_0..b_3 as the at-site analysis computes them), with
// l5 = 70 b4 - 140 b3 + 90 b2 - 20 b1 + b0.
std::array<double, 5> SiteLMomentsOf(const double* x, int n);

struct RegionOptions {
    int NSim = 1000;
    int NRep = 10000;
    std::int64_t Seed = 0;  // 0: kRegionalSeed
    // The accuracy simulation: "auto" (the chosen distribution), "none", or a family.
    bool Accuracy = true;
    bool AccuracyAuto = true;
    RegionalFamily AccuracyFamily = RegionalFamily::GLO;
    double Correlation = 0;  // equal correlation between sites in the accuracy simulation
    double UngaugedArea = 0;  // > 0: the ungauged site's drainage area
    int Threads = 0;
    CalculationProgress* Progress = nullptr;
};

// The fixed default seed of the regional simulations.
constexpr std::int64_t kRegionalSeed = 748932582;

struct CandidateResult {
    RegionalFit Fit;
    double Tau4 = 0;
    double Z = 0;
    bool Acceptable = false;
    std::array<double, kRegionalPeriodCount> GrowthCurve{};
};

struct AccuracyResult {
    RegionalFamily Family = RegionalFamily::GLO;
    RegionalFit Fit;
    double Correlation = 0;
    int Replicates = 0;  // simulated regions whose refit succeeded
    std::array<double, kRegionalPeriodCount> Quantiles{};  // the data's growth curve
    std::array<double, kRegionalPeriodCount> RelativeRMSE{}, Lower{}, Upper{};
    struct Site {
        std::array<double, kRegionalPeriodCount> Quantiles{}, RMSE{}, Lower{}, Upper{};
    };
    std::vector<Site> Sites;
};

struct RegressionResult {
    double A = 0, B = 0, R2 = 0, StandardError = 0;
    std::vector<std::string> Sites;
};

struct UngaugedResult {
    double Area = 0;
    double IndexFlood = 0;
    std::array<double, kRegionalPeriodCount> Quantiles{}, Lower{}, Upper{};
    bool HasBounds = false;
};

struct RegionalResult {
    std::vector<RegionSite> Sites;
    std::vector<std::string> Warnings;  // sites left out, and why
    int NSim = 0, NRep = 0;
    std::int64_t Seed = 0;
    std::vector<std::optional<double>> D;  // empty optional: A singular
    std::string DNotGivenReason;
    double DCritical = 0;
    std::vector<bool> Discordant;
    std::array<double, 5> Regional{};  // 1, t^R, t3^R, t4^R, t5^R
    RegionalFit Kappa;
    bool KappaFallback = false;
    std::string KappaFallbackReason;
    std::array<double, 3> V{}, SimulatedMeanV{}, SimulatedSdV{}, H{};
    double B4 = 0, Sigma4 = 0;
    std::string Heterogeneity;  // the Portuguese verdict from H1
    std::vector<CandidateResult> Candidates;  // GLO, GEV, GNO, PE3, GPA (those that could be fitted)
    RegionalFit Wakeby;
    std::array<double, kRegionalPeriodCount> WakebyGrowthCurve{};
    RegionalFamily Chosen = RegionalFamily::WAK;
    std::string ChosenReason;
    std::optional<AccuracyResult> Accuracy;
    std::optional<RegressionResult> Regression;
    std::optional<UngaugedResult> Ungauged;

    const CandidateResult* Candidate(RegionalFamily family) const;
    // The growth curve of family (a candidate or the Wakeby) at the return periods.
    std::array<double, kRegionalPeriodCount> GrowthCurveOf(RegionalFamily family) const;
};

double DiscordancyCritical(int sites);
// D_i; false when the matrix of sums of squares cannot be inverted.
bool Discordancy(const std::vector<RegionSite>& sites, std::vector<double>& d);

// The analysis of sites with their L-moments given (sites shorter than
// kRegionalMinimumRecord must have been left out by the caller). Throws
// ZarnError on refusal (fewer than 2 sites, options out of range) and
// CalculationCancelled when options.Progress asks to stop.
RegionalResult AnalyseRegion(std::vector<RegionSite> sites, const RegionOptions& options);

// The ungauged site of drainage area `area` from the result's regression;
// ZarnError when there is no regression.
UngaugedResult UngaugedSite(const RegionalResult& r, double area);

}  // namespace zarn
