// SPDX-License-Identifier: GPL-3.0-or-later
// The Expected Moments Algorithm for the Pearson type III distribution of
// log10 flows (Cohn, Lane and Baier 1997; Bulletin 17C, England et al. 2018,
// Appendix 7) and the asymptotic covariance of its estimates (Cohn, Lane and
// Stedinger 2001).
//
//   P3Moments              mean, standard deviation and skew of log10 flows
//   P3TruncatedMoments     mass and moments about a centre of X in [low, high]
//   P3FrequencyFactor      K with X = mean + K sd exceeded with probability aep
//   EmaData                exact years, interval years, and the thresholds for the variance
//   FitEma                 the moments, with the skew optionally drawn to a regional value
//   EmaCovariance          covariance of (mean, sd, skew) by the sandwich of the moment equations
//   SkewMse                Griffis and Stedinger (2009) mean square error of a skew of n years
//   EmaRecordLength        the record length a skew's EMA variance is worth
//   QuantileLimits         confidence limits of one quantile from the covariance
#pragma once

#include <array>
#include <functional>
#include <vector>

namespace zarn {

struct P3Moments {
    double Mean = 0;
    double Sd = 0;
    double Skew = 0;
};

// Highest order P3TruncatedMoments returns (the variance needs order 6).
constexpr int kMaxMomentOrder = 6;

// out[0] = P(low < X < high); out[k] = E[(X - centre)^k | low < X < high],
// k = 1..order; low may be -inf and high +inf. When the interval holds no
// mass the moments are those of its end nearest the distribution's support.
std::array<double, kMaxMomentOrder + 1> P3TruncatedMoments(const P3Moments& p, double low, double high,
                                                           double centre, int order);

// The frequency factor of the Pearson type III distribution (gamma quantile;
// the normal quantile when the skew is nearly zero).
double P3FrequencyFactor(double skew, double aep);

// A class of years whose log10 flood lies in [Low, High] (Low may be -inf,
// High +inf), Count years of it.
struct EmaInterval {
    double Low = 0;
    double High = 0;
    int Count = 1;
};

// A perception threshold (log10 of its lower bound, -inf when every flood is
// seen) and the number of years it governs; used for the variance only.
struct EmaThreshold {
    double Low = 0;
    int Years = 0;
};

struct EmaData {
    std::vector<double> Exact;           // log10 of the years known exactly
    std::vector<EmaInterval> Intervals;  // the censored and interval years
    std::vector<EmaThreshold> Thresholds;
};

// The skew is drawn to Regional at every step: skew = w * at-site skew +
// (1 - w) * Regional, w = Weight (1: the station skew; 0: the regional
// skew), or WeightAt(the step's moments, the step's at-site skew) when set.
struct SkewPrior {
    double Regional = 0;
    double Weight = 1;
    std::function<double(const P3Moments&, double)> WeightAt;
};

struct EmaFit {
    bool Ok = false;
    int Iterations = 0;
    P3Moments Moments;
    double SiteSkew = 0;  // the at-site skew of the last step, before the regional share
    double Weight = 1;    // the station's weight in the last step
};

// Needs at least 3 exact years. The bias corrections count the exact years
// only: c2 = m / (m - 1), c3 = m^2 / ((m - 1)(m - 2)).
EmaFit FitEma(const EmaData& data, const SkewPrior& prior = {});

// Covariance of (mean, sd, skew) of the station fit at p, by the sandwich of
// the moment equations over the thresholds of data (Cohn, Lane and Stedinger
// 2001). Ok false when the equations are singular.
struct EmaCovarianceResult {
    bool Ok = false;
    std::array<std::array<double, 3>, 3> V{};
};
EmaCovarianceResult EmaCovariance(const EmaData& data, const P3Moments& p);

// Griffis and Stedinger (2009) mean square error of a skew g from n years.
double SkewMse(double g, double n);
// The record length that gives a skew g the asymptotic variance of the
// covariance: n = 6 (1 + 3/2 g^2 + 5/16 g^4) / Var (n years of a complete
// record give n).
double EmaRecordLength(double g, double skewVariance);

// Confidence limits of log10 quantile mean + K(skew) sd at aep with the
// covariance v (mean, sd, skew): the non-central t of the normal case with
// the record length that gives the quantile its variance.
struct LogLimits {
    double Lower = 0;
    double Upper = 0;
};
LogLimits QuantileLimits(const P3Moments& p, const std::array<std::array<double, 3>, 3>& v, double aep,
                         double confidence);

}  // namespace zarn
