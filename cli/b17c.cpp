// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/b17c.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "files/errors.h"
#include "analysis/historical.h"
#include "analysis/returnperiods.h"
#include "cli/json.h"
#include "cli/outputs.h"
#include "cli/study.h"
#include "files/filerules.h"

namespace zarn {

const char* const kB17cUsage =
    "       zarn-cli --data PEAKS --b17c [--threshold FIRST-LAST:LOW[:HIGH]]... [--interval YEAR:LOW:HIGH]...\n"
    "                [--low-outliers mgbt|gbt|none|VALUE] [--skew station|weighted|regional]\n"
    "                [--regional-skew G] [--regional-skew-se SE] [--confidence 0.90|0.95]\n"
    "                [--return-periods T1,T2,...] [--json OUT] [--report OUT] [--study OUT.pdf]\n"
    "       PEAKS is a USGS annual peak file or a table of year;value (<Q, >Q, LOW-HIGH); HIGH may be inf\n";

namespace {

[[noreturn]] void Fault(const std::string& text) { throw B17cUsageError{text}; }

// A whole decimal number ("inf" when allowed).
bool Number(const std::string& text, double& v, bool infinity = false) {
    if (infinity && (text == "inf" || text == "INF" || text == "Inf")) {
        v = INFINITY;
        return true;
    }
    if (text.empty() || text.size() > 60) return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno == 0 && std::isfinite(v);
}

bool Year(const std::string& text, int& year) {
    double v;
    if (!Number(text, v) || v != std::floor(v) || v < 1 || v > 9999) return false;
    year = static_cast<int>(v);
    return true;
}

std::vector<std::string> Split(const std::string& text, char c) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(c, start);
        out.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return out;
        start = end + 1;
    }
}

PerceptionThreshold ParseThreshold(const std::string& v) {
    const auto parts = Split(v, ':');
    PerceptionThreshold t;
    const auto years = parts.empty() ? std::vector<std::string>() : Split(parts[0], '-');
    if (parts.size() < 2 || parts.size() > 3 || years.size() != 2 || !Year(years[0], t.First) ||
        !Year(years[1], t.Last) || t.First > t.Last || !Number(parts[1], t.Low) || t.Low < 0 ||
        (parts.size() == 3 && (!Number(parts[2], t.High, true) || t.High < t.Low)))
        Fault("--threshold takes FIRST-LAST:LOW[:HIGH] (HIGH may be inf), not " + v);
    return t;
}

FloodObservation ParseInterval(const std::string& v) {
    const auto parts = Split(v, ':');
    FloodObservation o;
    if (parts.size() != 3 || !Year(parts[0], o.Year) || !Number(parts[1], o.Low) || o.Low < 0 ||
        !Number(parts[2], o.High, true) || o.High < o.Low || o.High == 0)
        Fault("--interval takes YEAR:LOW:HIGH (HIGH may be inf), not " + v);
    return o;
}

void NumberArray(JsonWriter& w, const std::vector<double>& v) {
    w.BeginArray();
    for (const double x : v) w.Number(x);
    w.EndArray();
}

std::string Fixed(double v, int decimals) {
    if (!std::isfinite(v)) return v > 0 ? "inf" : "-";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

std::string Flow(double v) {
    if (!std::isfinite(v)) return std::isnan(v) ? "-" : "inf";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, v >= 100 ? "%.0f" : "%.3g", v);
    return buffer;
}

}  // namespace

B17cCommand ParseB17cCommand(int argc, char** argv) {
    B17cCommand c;
    bool b17c = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--b17c") {
            b17c = true;
            continue;
        }
        if (i + 1 >= argc) Fault(arg + " needs a value");
        const std::string v = argv[++i];
        double x;
        if (arg == "--data") c.Data = v;
        else if (arg == "--json") c.Json = v;
        else if (arg == "--report") c.Report = v;
        else if (arg == "--study") c.Study = v;
        else if (arg == "--threshold") c.Thresholds.push_back(ParseThreshold(v));
        else if (arg == "--interval") c.Intervals.push_back(ParseInterval(v));
        else if (arg == "--low-outliers") {
            auto& o = c.Options;
            if (v == "mgbt") o.LowOutliers = LowOutlierMethod::MultipleGrubbsBeck;
            else if (v == "gbt") o.LowOutliers = LowOutlierMethod::GrubbsBeck;
            else if (v == "none") o.LowOutliers = LowOutlierMethod::None;
            else if (Number(v, x) && x >= 0) {
                o.LowOutliers = LowOutlierMethod::UserThreshold;
                o.UserThreshold = x;
            } else Fault("--low-outliers takes mgbt, gbt, none or a flow");
        } else if (arg == "--skew") {
            if (v == "station") c.Options.Skew = SkewOption::Station;
            else if (v == "weighted") c.Options.Skew = SkewOption::Weighted;
            else if (v == "regional") c.Options.Skew = SkewOption::Regional;
            else Fault("--skew takes station, weighted or regional");
        } else if (arg == "--regional-skew") {
            if (!Number(v, c.Options.RegionalSkew)) Fault("--regional-skew takes a number");
        } else if (arg == "--regional-skew-se") {
            if (!Number(v, c.Options.RegionalSkewSE) || c.Options.RegionalSkewSE < 0)
                Fault("--regional-skew-se takes a non-negative number");
        } else if (arg == "--confidence") {
            if (!Number(v, c.Options.Confidence) || !(c.Options.Confidence > 0 && c.Options.Confidence < 1))
                Fault("--confidence takes a level between 0 and 1 (0.90, 0.95)");
        } else if (arg == "--return-periods") {
            std::vector<double> periods;
            if (const std::string e = ParseReturnPeriods(v, periods); !e.empty()) Fault("--return-periods: " + e);
            for (const double t : periods) c.Options.Aep.push_back(1 / t);
            c.ReturnPeriods = periods;
        } else Fault("unknown argument " + arg + " with --b17c");
    }
    if (!b17c) Fault("--b17c missing");
    if (c.Data.empty()) Fault("--b17c needs --data PEAKS");
    if (c.Options.Skew == SkewOption::Weighted && !(c.Options.RegionalSkewSE > 0))
        Fault("--skew weighted needs --regional-skew and --regional-skew-se");
    if (c.Json.empty() && c.Report.empty() && c.Study.empty()) c.Report = "-";
    return c;
}

// ApplyB17cArguments: a --threshold adds to the file's thresholds; an
// --interval replaces the year's value, or adds the year (inside the span of
// the systematic record it belongs to it, outside it is historical).
void ApplyB17cArguments(const B17cCommand& c, HistoricalRecord& record) {
    record.Thresholds.insert(record.Thresholds.end(), c.Thresholds.begin(), c.Thresholds.end());
    int first = 0, last = -1;
    for (const auto& o : record.Observations)
        if (!o.Historical) {
            if (last < first) first = o.Year;
            last = o.Year;
        }
    auto& obs = record.Observations;
    for (FloodObservation v : c.Intervals) {
        const auto it = std::find_if(obs.begin(), obs.end(), [&](const auto& o) { return o.Year == v.Year; });
        if (it != obs.end()) {
            v.Historical = it->Historical;
            *it = v;
        } else {
            v.Historical = !(v.Year >= first && v.Year <= last);
            obs.push_back(v);
        }
    }
    std::stable_sort(obs.begin(), obs.end(), [](const auto& a, const auto& b) { return a.Year < b.Year; });
}

std::string B17cJson(const B17cResult& r) {
    JsonWriter w;
    w.BeginObject();
    w.Key("B17C");
    w.BeginObject();
    w.Key("Mean"); w.Number(r.Mean);
    w.Key("StandardDeviation"); w.Number(r.StandardDeviation);
    w.Key("Skew"); w.Number(r.Skew);
    w.Key("StationSkew"); w.Number(r.StationSkew);
    w.Key("SkewMse"); w.Number(r.SkewMse);
    w.Key("RegionalSkewMse"); w.Number(r.RegionalSkewMse);
    w.Key("SkewWeight"); w.Number(r.SkewWeight);
    w.Key("LowOutlierThreshold"); w.Number(r.LowOutlierThreshold);
    w.Key("LowOutliers"); w.Integer(r.LowOutliers);
    w.Key("LowOutlierPValues"); NumberArray(w, r.LowOutlierPValues);
    w.Key("Thresholds");
    w.BeginArray();
    for (const auto& t : r.Thresholds) {
        w.BeginArray();
        w.Integer(t.First);
        w.Integer(t.Last);
        w.Number(t.Low);
        if (std::isinf(t.High)) w.Null();
        else w.Number(t.High);
        w.EndArray();
    }
    w.EndArray();
    w.Key("SystematicYears"); w.Integer(r.SystematicYears);
    w.Key("HistoricalYears"); w.Integer(r.HistoricalYears);
    w.Key("CensoredYears"); w.Integer(r.CensoredYears);
    w.Key("LeftOutYears");
    w.BeginArray();
    for (const int y : r.LeftOutYears) w.Integer(y);
    w.EndArray();
    w.Key("Confidence"); w.Number(r.Confidence);
    w.Key("AEP"); NumberArray(w, r.Aep);
    w.Key("Quantiles"); NumberArray(w, r.Quantiles);
    w.Key("Lower"); NumberArray(w, r.Lower);
    w.Key("Upper"); NumberArray(w, r.Upper);
    w.EndObject();
    w.EndObject();
    return w.Text() + "\n";
}

std::vector<std::string> B17cReportLines(const B17cResult& r) {
    std::vector<std::string> l;
    l.push_back("ANÁLISE B17C (log-Pearson III pelo algoritmo dos momentos esperados, EMA)");
    l.push_back("");
    l.push_back("Anos sistemáticos: " + std::to_string(r.SystematicYears) + "   históricos: " +
                std::to_string(r.HistoricalYears) + "   censurados ou em intervalo: " + std::to_string(r.CensoredYears));
    l.push_back("Limiares de percepção (anos: mínimo - máximo):");
    for (const auto& t : r.Thresholds)
        l.push_back("  " + std::to_string(t.First) + "-" + std::to_string(t.Last) + ": " + Flow(t.Low) + " - " + Flow(t.High));
    l.push_back("Outliers baixos: " + std::to_string(r.LowOutliers) + " abaixo de " + Flow(r.LowOutlierThreshold));
    l.push_back("");
    l.push_back("Momentos dos logaritmos decimais: média " + Fixed(r.Mean, 4) + "   desvio padrão " +
                Fixed(r.StandardDeviation, 4) + "   assimetria adotada " + Fixed(r.Skew, 4));
    l.push_back("Assimetria da estação " + Fixed(r.StationSkew, 4) + " (EQM " + Fixed(r.SkewMse, 4) + ")" +
                (r.SkewWeight < 1 ? "   EQM regional " + Fixed(r.RegionalSkewMse, 4) + "   peso da estação " +
                                        Fixed(r.SkewWeight, 3)
                                  : std::string()));
    l.push_back("");
    l.push_back("  PAE        TR (anos)   Vazão        Limite inferior  Limite superior (" +
                Fixed(100 * r.Confidence, 0) + " %)");
    for (std::size_t i = 0; i < r.Aep.size(); ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-10s %-11s %-12s %-16s %s", Fixed(r.Aep[i], 4).c_str(),
                      Fixed(1 / r.Aep[i], 1).c_str(), Flow(r.Quantiles[i]).c_str(), Flow(r.Lower[i]).c_str(),
                      Flow(r.Upper[i]).c_str());
        l.push_back(line);
    }
    return l;
}

int RunB17c(const B17cCommand& c) {
    // No output may replace the peak file nor another output (files/filerules.h).
    OutputRule rule;
    rule.Input(c.Data);
    for (const std::string* out : {&c.Json, &c.Report, &c.Study}) rule.Output(*out);
    rule.Check();
    HistoricalReading reading = ReadHistoricalFile(c.Data);
    if (!reading.Ok) throw ZarnError(reading.Failure);
    ApplyB17cArguments(c, reading.Record);
    const B17cResult r = AnalyseB17c(reading.Record, c.Options);
    if (!r.Ok) throw ZarnError(r.Failure);
    if (!r.LeftOutYears.empty()) {
        std::string years;
        for (const int y : r.LeftOutYears) years += (years.empty() ? "" : ", ") + std::to_string(y);
        std::fprintf(stderr, "Anos fora do registro sistemático sem limiar de percepção, deixados de fora: %s\n",
                     years.c_str());
    }
    if (!c.Json.empty()) WriteOut(c.Json, B17cJson(r));
    if (!c.Report.empty()) {
        std::string text;
        for (const auto& line : B17cReportLines(r)) text += line + "\n";
        WriteOut(c.Report, text);
    }
    if (!c.Study.empty()) {
        const std::vector<double> periods = c.ReturnPeriods.empty() ? StandardReturnPeriods() : c.ReturnPeriods;
        return WriteB17cStudy(reading.Record, c.Options, std::filesystem::path(c.Data).stem().string(), c.Study, periods);
    }
    return 0;
}

}  // namespace zarn
