// SPDX-License-Identifier: GPL-3.0-or-later
// Log-Pearson type III flood frequency by Bulletin 17C (England et al. 2018):
// the Expected Moments Algorithm over historical and censored years (Cohn,
// Lane and Baier 1997), a low-outlier test, the station, weighted or regional
// skew, and the EMA confidence intervals of the quantiles (Cohn, Lane and
// Stedinger 2001).
//
//   B17cOptions     the low-outlier method, the skew, the confidence level, extra AEPs
//   B17cResult      moments of log10 flows, low outliers, thresholds, quantiles and limits
//   AnalyseB17c     the whole analysis of one record
#pragma once

#include <string>
#include <vector>

#include "analysis/historical.h"

namespace zarn {

enum class LowOutlierMethod { MultipleGrubbsBeck, GrubbsBeck, None, UserThreshold };
enum class SkewOption { Station, Weighted, Regional };

struct B17cOptions {
    LowOutlierMethod LowOutliers = LowOutlierMethod::MultipleGrubbsBeck;
    double UserThreshold = 0;
    SkewOption Skew = SkewOption::Station;
    double RegionalSkew = 0;
    double RegionalSkewSE = 0;  // standard error of the regional skew
    double Confidence = 0.90;
    std::vector<double> Aep;    // extra AEPs (the study's return periods, as 1/T)
};

struct B17cResult {
    bool Ok = false;
    std::string Failure;  // Portuguese reason when !Ok
    double Mean = 0, StandardDeviation = 0, Skew = 0, StationSkew = 0;  // of log10 flows; Skew is the one used
    double SkewMse = 0, RegionalSkewMse = 0;                           // when weighted
    double LowOutlierThreshold = 0;
    int LowOutliers = 0;
    std::vector<double> LowOutlierPValues;
    std::vector<PerceptionThreshold> Thresholds;  // as used (after raising to the low-outlier threshold)
    std::vector<double> Aep, Quantiles, Lower, Upper;  // AEPs sorted descending (0.5 first), flows
    int SystematicYears = 0, HistoricalYears = 0, CensoredYears = 0;
    double Confidence = 0.90;       // of Lower and Upper
    double SkewWeight = 1;          // weight of the station skew in Skew (1 station, 0 regional)
    int Iterations = 0;             // of the EMA that gave the moments
    std::vector<int> LeftOutYears;  // observations outside the systematic record no threshold covers
};

// The AEPs every analysis reports, beside the options' own.
extern const std::vector<double> kB17cStandardAeps;

B17cResult AnalyseB17c(const HistoricalRecord& record, const B17cOptions& options);

}  // namespace zarn
