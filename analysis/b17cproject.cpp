// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/b17cproject.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string_view>

namespace zarn {

namespace {

constexpr std::string_view kPrefix = "b17c_";
constexpr const char* kYearKey = "b17c_ano";
constexpr const char* kThresholdKey = "b17c_limiar";
constexpr const char* kLowOutlierKey = "b17c_atipicos";
constexpr const char* kUserThresholdKey = "b17c_limiar_atipicos";
constexpr const char* kSkewKey = "b17c_assimetria";
constexpr const char* kRegionalSkewKey = "b17c_assimetria_regional";
constexpr const char* kRegionalSkewSeKey = "b17c_ep_assimetria_regional";
constexpr const char* kConfidenceKey = "b17c_confianca";
constexpr const char* kInfinity = "inf";
constexpr std::string_view kHistoricalMark = "h";

// Shortest text that reads back to the same double; "inf" for +infinity.
std::string Number(double v) {
    if (std::isinf(v) && v > 0) return kInfinity;
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, end) : std::string("nan");
}

bool ReadNumber(std::string_view text, double& v) {
    if (text == kInfinity) {
        v = INFINITY;
        return true;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(v);
}

bool ReadInt(std::string_view text, int& v) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    while (true) {
        const auto semicolon = text.find(';');
        fields.push_back(text.substr(0, semicolon));
        if (semicolon == std::string_view::npos) return fields;
        text.remove_prefix(semicolon + 1);
    }
}

// A flow range as the analysis takes it: 0 <= Low <= High, Low finite.
bool ValidRange(double low, double high) { return low >= 0 && high >= low && std::isfinite(low); }

// "YEAR;LOW;HIGH", then ";h" for a year outside the systematic record.
bool ReadYear(std::string_view text, FloodObservation& o) {
    const auto f = Fields(text);
    if (f.size() == 4 && f[3] != kHistoricalMark) return false;
    o.Historical = f.size() == 4;
    return (f.size() == 3 || f.size() == 4) && ReadInt(f[0], o.Year) && ReadNumber(f[1], o.Low) &&
           ReadNumber(f[2], o.High) && ValidRange(o.Low, o.High);
}

bool ReadThreshold(std::string_view text, PerceptionThreshold& t) {
    const auto f = Fields(text);
    return f.size() == 4 && ReadInt(f[0], t.First) && ReadInt(f[1], t.Last) && t.First <= t.Last &&
           ReadNumber(f[2], t.Low) && ReadNumber(f[3], t.High) && ValidRange(t.Low, t.High);
}

const std::map<std::string, LowOutlierMethod>& LowOutlierKeys() {
    static const std::map<std::string, LowOutlierMethod> keys{{"mgbt", LowOutlierMethod::MultipleGrubbsBeck},
                                                              {"gb", LowOutlierMethod::GrubbsBeck},
                                                              {"nenhum", LowOutlierMethod::None},
                                                              {"valor", LowOutlierMethod::UserThreshold}};
    return keys;
}

const std::map<std::string, SkewOption>& SkewKeys() {
    static const std::map<std::string, SkewOption> keys{
        {"estacao", SkewOption::Station}, {"ponderada", SkewOption::Weighted}, {"regional", SkewOption::Regional}};
    return keys;
}

bool DefaultOptions(const B17cOptions& o) {
    const B17cOptions d;
    return o.LowOutliers == d.LowOutliers && o.UserThreshold == d.UserThreshold && o.Skew == d.Skew &&
           o.RegionalSkew == d.RegionalSkew && o.RegionalSkewSE == d.RegionalSkewSE && o.Confidence == d.Confidence;
}

}  // namespace

const char* LowOutlierMethodKey(LowOutlierMethod method) {
    for (const auto& [key, m] : LowOutlierKeys())
        if (m == method) return key.c_str();
    return "mgbt";
}

const char* SkewOptionKey(SkewOption option) {
    for (const auto& [key, s] : SkewKeys())
        if (s == option) return key.c_str();
    return "estacao";
}

bool HasHistoricalInformation(const HistoricalRecord& record) {
    if (!record.Thresholds.empty()) return true;
    return std::any_of(record.Observations.begin(), record.Observations.end(),
                       [](const FloodObservation& o) { return o.Historical || o.Low != o.High; });
}

B17cProject ReadB17cProject(const ProjectSettings& settings) {
    B17cProject p;
    std::map<int, FloodObservation> years;  // a year given twice: the last line counts
    for (const auto& [key, value] : settings.Other) {
        if (key.compare(0, kPrefix.size(), kPrefix) != 0) continue;
        p.Present = true;
        double v = 0;
        if (key == kYearKey) {
            FloodObservation o;
            if (ReadYear(value, o)) years[o.Year] = o;
        } else if (key == kThresholdKey) {
            PerceptionThreshold t;
            if (ReadThreshold(value, t)) p.Record.Thresholds.push_back(t);
        } else if (key == kLowOutlierKey) {
            const auto it = LowOutlierKeys().find(value);
            if (it != LowOutlierKeys().end()) p.Options.LowOutliers = it->second;
        } else if (key == kUserThresholdKey) {
            if (ReadNumber(value, v) && std::isfinite(v) && v >= 0) p.Options.UserThreshold = v;
        } else if (key == kSkewKey) {
            const auto it = SkewKeys().find(value);
            if (it != SkewKeys().end()) p.Options.Skew = it->second;
        } else if (key == kRegionalSkewKey) {
            if (ReadNumber(value, v) && std::isfinite(v)) p.Options.RegionalSkew = v;
        } else if (key == kRegionalSkewSeKey) {
            if (ReadNumber(value, v) && std::isfinite(v) && v >= 0) p.Options.RegionalSkewSE = v;
        } else if (key == kConfidenceKey) {
            if (ReadNumber(value, v) && v > 0 && v < 1) p.Options.Confidence = v;
        }
    }
    for (const auto& [year, o] : years) p.Record.Observations.push_back(o);
    return p;
}

void SetB17cProject(ProjectSettings& settings, const B17cProject& project) {
    auto& other = settings.Other;
    other.erase(std::remove_if(other.begin(), other.end(),
                               [](const auto& kv) { return kv.first.compare(0, kPrefix.size(), kPrefix) == 0; }),
                other.end());
    const HistoricalRecord& r = project.Record;
    const B17cOptions& o = project.Options;
    if (r.Observations.empty() && r.Thresholds.empty() && DefaultOptions(o)) return;
    for (const FloodObservation& y : r.Observations)
        other.emplace_back(kYearKey, std::to_string(y.Year) + ";" + Number(y.Low) + ";" + Number(y.High) +
                                         (y.Historical ? ";" + std::string(kHistoricalMark) : ""));
    for (const PerceptionThreshold& t : r.Thresholds)
        other.emplace_back(kThresholdKey, std::to_string(t.First) + ";" + std::to_string(t.Last) + ";" +
                                              Number(t.Low) + ";" + Number(t.High));
    other.emplace_back(kLowOutlierKey, LowOutlierMethodKey(o.LowOutliers));
    if (o.LowOutliers == LowOutlierMethod::UserThreshold) other.emplace_back(kUserThresholdKey, Number(o.UserThreshold));
    other.emplace_back(kSkewKey, SkewOptionKey(o.Skew));
    if (o.Skew != SkewOption::Station) {
        other.emplace_back(kRegionalSkewKey, Number(o.RegionalSkew));
        if (o.Skew == SkewOption::Weighted) other.emplace_back(kRegionalSkewSeKey, Number(o.RegionalSkewSE));
    }
    other.emplace_back(kConfidenceKey, Number(o.Confidence));
}

std::vector<FloodObservation> SystematicRecord(const AnalysisRecord& r, int firstYear) {
    std::vector<FloodObservation> years;
    const int n = StoredCount(r.SampleSize);
    for (int i = 1; i <= n; ++i) years.push_back({firstYear + i - 1, r.Sample[i - 1], r.Sample[i - 1]});
    return years;
}

}  // namespace zarn
