// SPDX-License-Identifier: GPL-3.0-or-later
// Bulletin 17C analysis of a historical flood record (b17c.h).
#include "analysis/b17c.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "analysis/ema.h"
#include "analysis/mgbt.h"

namespace zarn {

const std::vector<double> kB17cStandardAeps = {0.5, 0.2, 0.1, 0.04, 0.02, 0.01, 0.005, 0.002};

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// A threshold may span at most this many years (a typing slip such as
// 1850-18500 must not fill the memory).
constexpr int kMaxThresholdYears = 5000;
// AEPs closer than this are the same one.
constexpr double kSameAep = 1e-12;

double Log10OrMinusInf(double q) { return q > 0 ? std::log10(q) : -kInf; }

B17cResult Fail(std::string text) {
    B17cResult r;
    r.Failure = std::move(text);
    return r;
}

struct Bounds {
    double Low = 0;
    double High = kInf;
    bool operator==(const Bounds& o) const { return Low == o.Low && High == o.High; }
};

// The low-outlier threshold and its p-values by the chosen method, on the
// systematic record's point values.
LowOutlierTest LowOutliers(const std::vector<double>& flows, const B17cOptions& o) {
    switch (o.LowOutliers) {
    case LowOutlierMethod::MultipleGrubbsBeck: return MultipleGrubbsBeck(flows);
    case LowOutlierMethod::GrubbsBeck: return SingleGrubbsBeck(flows);
    case LowOutlierMethod::UserThreshold: {
        LowOutlierTest t;
        t.Threshold = o.UserThreshold;
        return t;
    }
    case LowOutlierMethod::None: break;
    }
    return {};
}

std::string CheckOptions(const B17cOptions& o) {
    if (!(o.Confidence > 0 && o.Confidence < 1)) return "O nível de confiança deve estar entre 0 e 1.";
    if (o.LowOutliers == LowOutlierMethod::UserThreshold && !(o.UserThreshold >= 0 && std::isfinite(o.UserThreshold)))
        return "O limiar de outliers baixos deve ser uma vazão não negativa.";
    if (o.Skew != SkewOption::Station && !std::isfinite(o.RegionalSkew)) return "Assimetria regional inválida.";
    if (o.Skew == SkewOption::Weighted && !(o.RegionalSkewSE > 0 && std::isfinite(o.RegionalSkewSE)))
        return "A assimetria ponderada precisa do erro padrão (positivo) da assimetria regional.";
    if (o.Skew == SkewOption::Regional && !(o.RegionalSkewSE >= 0 && std::isfinite(o.RegionalSkewSE)))
        return "Erro padrão da assimetria regional inválido.";
    for (const double a : o.Aep)
        if (!(a > 0 && a < 1)) return "Probabilidade anual de excedência fora de (0, 1).";
    return {};
}

// The record as EMA sees it, and what the result reports of it.
struct Prepared {
    EmaData Data;
    std::map<int, Bounds> Years;  // the threshold of every year in the analysis, as used
    int Systematic = 0, Historical = 0, Censored = 0, LowOutliers = 0;
    std::vector<int> LeftOut;
};

// Every year's threshold: the systematic years [0, inf), the user's
// thresholds over them (a later one over an earlier one), all raised to the
// low-outlier threshold.
std::map<int, Bounds> YearThresholds(const HistoricalRecord& record, double lot) {
    std::map<int, Bounds> years;
    for (const auto& o : record.Observations)
        if (!o.Historical) years[o.Year] = {};
    for (const auto& t : record.Thresholds)
        for (int y = t.First; y <= t.Last; ++y) years[y] = {t.Low, t.High};
    for (auto& [year, b] : years) b.Low = std::max(b.Low, lot);
    return years;
}

Prepared Prepare(const HistoricalRecord& record, double lot) {
    Prepared p;
    p.Years = YearThresholds(record, lot);
    std::map<int, const FloodObservation*> obs;
    for (const auto& o : record.Observations) obs[o.Year] = &o;
    // A zero flow with no low-outlier threshold is read as below the
    // smallest positive point value (its logarithm does not exist).
    double smallest = kInf;
    for (const auto& o : record.Observations)
        if (o.Low == o.High && o.Low > 0) smallest = std::min(smallest, o.Low);
    std::map<std::pair<double, double>, int> intervals;
    std::map<double, int> thresholds;
    for (const auto& [year, b] : p.Years) {
        const auto it = obs.find(year);
        const FloodObservation* o = it == obs.end() ? nullptr : it->second;
        double low = 0, high = 0;
        if (o && o->Low == o->High && o->Low >= lot && o->Low > 0) {
            p.Data.Exact.push_back(std::log10(o->Low));
        } else {
            if (o && o->Low == o->High) {  // a low outlier or a zero
                low = 0;
                high = lot > 0 ? lot : smallest;
                if (!o->Historical && lot > 0) ++p.LowOutliers;
            } else if (o) {
                low = o->Low;
                high = o->High;
            } else if (b.Low > 0) {  // no flood above the threshold that year
                low = 0;
                high = b.Low;
            } else {
                continue;  // no information
            }
            ++intervals[{Log10OrMinusInf(low), high == kInf ? kInf : Log10OrMinusInf(high)}];
            ++p.Censored;
        }
        ++thresholds[Log10OrMinusInf(b.Low)];
        if (o && !o->Historical) ++p.Systematic;
        else ++p.Historical;
    }
    for (const auto& o : record.Observations)
        if (!p.Years.count(o.Year)) p.LeftOut.push_back(o.Year);
    for (const auto& [range, count] : intervals) p.Data.Intervals.push_back({range.first, range.second, count});
    for (const auto& [low, count] : thresholds) p.Data.Thresholds.push_back({low, count});
    // Years left without information are not in the analysis.
    for (auto it = p.Years.begin(); it != p.Years.end();) {
        const bool known = obs.count(it->first) || it->second.Low > 0;
        it = known ? std::next(it) : p.Years.erase(it);
    }
    return p;
}

// Runs of consecutive years with the same threshold.
std::vector<PerceptionThreshold> ThresholdRuns(const std::map<int, Bounds>& years) {
    std::vector<PerceptionThreshold> out;
    for (const auto& [year, b] : years) {
        if (!out.empty() && out.back().Last + 1 == year && out.back().Low == b.Low && out.back().High == b.High)
            out.back().Last = year;
        else
            out.push_back({year, year, b.Low, b.High});
    }
    return out;
}

std::vector<double> AepList(const std::vector<double>& extra) {
    std::vector<double> a = kB17cStandardAeps;
    a.insert(a.end(), extra.begin(), extra.end());
    std::sort(a.begin(), a.end(), std::greater<>());
    a.erase(std::unique(a.begin(), a.end(), [](double x, double y) { return std::fabs(x - y) < kSameAep; }), a.end());
    return a;
}

// The quantiles at the AEPs and their limits from the covariance at the
// adopted moments; a regional share of the skew brings the regional skew's
// error in its place (w^2 Var + (1-w)^2 MSE_G).
void Quantiles(const EmaData& data, const P3Moments& m, const B17cOptions& options, B17cResult& r) {
    EmaCovarianceResult cov = EmaCovariance(data, m);
    const double w = r.SkewWeight;
    if (cov.Ok && w < 1) {
        const double skewVariance = cov.V[2][2];
        for (int i = 0; i < 2; ++i) cov.V[i][2] = cov.V[2][i] = w * cov.V[i][2];
        cov.V[2][2] = w * w * skewVariance + (1 - w) * (1 - w) * r.RegionalSkewMse;
    }
    r.Aep = AepList(options.Aep);
    for (const double aep : r.Aep) {
        const double x = m.Mean + P3FrequencyFactor(m.Skew, aep) * m.Sd;
        r.Quantiles.push_back(std::pow(10.0, x));
        if (cov.Ok) {
            const LogLimits l = QuantileLimits(m, cov.V, aep, options.Confidence);
            r.Lower.push_back(std::pow(10.0, l.Lower));
            r.Upper.push_back(std::pow(10.0, l.Upper));
        } else {
            r.Lower.push_back(std::nan(""));
            r.Upper.push_back(std::nan(""));
        }
    }
}

}  // namespace

// AnalyseB17c: the low-outlier test on the systematic point values; the low
// outliers recoded as [0, threshold] and every perception threshold raised
// to it; EMA with the station skew; then, for a weighted or regional skew,
// EMA again with the skew drawn to the regional one at every step, weights
// inverse to the mean square errors (Bulletin 17C, Appendix 7); the quantiles
// and their limits from the EMA covariance.
B17cResult AnalyseB17c(const HistoricalRecord& input, const B17cOptions& options) {
    HistoricalRecord record = input;
    std::stable_sort(record.Observations.begin(), record.Observations.end(),
                     [](const auto& a, const auto& b) { return a.Year < b.Year; });
    if (std::string e = CheckHistoricalRecord(record); !e.empty()) return Fail(e);
    if (std::string e = CheckOptions(options); !e.empty()) return Fail(e);
    for (const auto& t : record.Thresholds)
        if (t.Last - t.First >= kMaxThresholdYears)
            return Fail("Limiar de percepção longo demais: " + std::to_string(t.First) + "-" + std::to_string(t.Last) + ".");

    std::vector<double> systematic;
    for (const auto& o : record.Observations)
        if (!o.Historical && o.Low == o.High) systematic.push_back(o.Low);
    const LowOutlierTest test = LowOutliers(systematic, options);
    const double lot = test.Threshold > 0 ? test.Threshold : 0.0;

    Prepared p = Prepare(record, lot);
    B17cResult r;
    r.Confidence = options.Confidence;
    r.LowOutlierThreshold = lot;
    r.LowOutlierPValues = test.PValues;
    r.LowOutliers = p.LowOutliers;
    r.Thresholds = ThresholdRuns(p.Years);
    r.SystematicYears = p.Systematic;
    r.HistoricalYears = p.Historical;
    r.CensoredYears = p.Censored;
    r.LeftOutYears = p.LeftOut;
    if (p.Data.Exact.size() < 3) {
        r.Failure = "São necessários pelo menos 3 anos de vazão conhecida (sem contar os outliers baixos).";
        return r;
    }
    if (std::all_of(p.Data.Exact.begin(), p.Data.Exact.end(), [&](double x) { return x == p.Data.Exact[0]; })) {
        r.Failure = "As vazões conhecidas são todas iguais: não há dispersão a ajustar.";
        return r;
    }
    // The station skew's mean square error at some moments and at-site skew:
    // Griffis and Stedinger's with the record length the EMA variance is worth.
    const double regionalMse = options.RegionalSkewSE * options.RegionalSkewSE;
    double lastMse = NAN;
    auto stationMse = [&](const P3Moments& at, double siteSkew) {
        const EmaCovarianceResult c = EmaCovariance(p.Data, at);
        lastMse = c.Ok ? SkewMse(siteSkew, EmaRecordLength(at.Skew, c.V[2][2])) : NAN;
        return lastMse;
    };
    const EmaFit station = FitEma(p.Data);
    EmaFit fit = station;
    if (options.Skew == SkewOption::Station) {
        if (!station.Ok) {
            r.Failure = "O algoritmo dos momentos esperados (EMA) não converge com a assimetria da estação: os anos "
                        "censurados não admitem um ajuste; use a assimetria ponderada ou a regional.";
            return r;
        }
    } else {
        // Bulletin 17C, Appendix 7: the skew weighted at every step, the
        // station's weight from its MSE at that step's moments.
        SkewPrior prior{options.RegionalSkew, 0, nullptr};
        if (options.Skew == SkewOption::Weighted)
            prior.WeightAt = [&](const P3Moments& at, double siteSkew) {
                const double mse = stationMse(at, siteSkew);
                return mse > 0 ? regionalMse / (regionalMse + mse) : 0.0;
            };
        fit = FitEma(p.Data, prior);
        if (!fit.Ok) {
            r.Failure = "O algoritmo dos momentos esperados (EMA) não convergiu com a assimetria regional.";
            return r;
        }
        r.RegionalSkewMse = regionalMse;
        r.SkewWeight = fit.Weight;
    }
    // The station skew: that of EMA with the station skew alone, or, where
    // that does not converge, the at-site skew of the adopted fit.
    r.StationSkew = station.Ok ? station.Moments.Skew : fit.SiteSkew;
    if (options.Skew == SkewOption::Weighted) r.SkewMse = lastMse;
    else if (station.Ok) r.SkewMse = stationMse(station.Moments, station.Moments.Skew);
    else r.SkewMse = stationMse(fit.Moments, fit.SiteSkew);
    const P3Moments& m = fit.Moments;
    r.Mean = m.Mean;
    r.StandardDeviation = m.Sd;
    r.Skew = m.Skew;
    r.Iterations = fit.Iterations;

    Quantiles(p.Data, m, options, r);
    r.Ok = true;
    return r;
}

}  // namespace zarn
