// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/returnperiods.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "files/errors.h"

namespace zarn {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A finite decimal number written with "." or, when `comma` is allowed, ",".
bool ReadPeriod(std::string_view text, bool comma, double& v) {
    std::string t(text);
    if (comma)
        for (char& c : t)
            if (c == ',') c = '.';
    if (t.empty() || t.find_first_not_of("+-.0123456789eE") != std::string::npos) return false;
    const char* begin = t.data() + (t[0] == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(begin, t.data() + t.size(), v);
    return ec == std::errc() && end == t.data() + t.size() && std::isfinite(v);
}

// The shortest decimal text of v that reads back to v.
std::string PeriodText(double v, char decimalSeparator) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    std::string s = ec == std::errc() ? std::string(buffer, end) : std::string("?");
    for (char& c : s)
        if (c == '.') c = decimalSeparator;
    return s;
}

}  // namespace

std::vector<double> StandardReturnPeriods() { return std::vector<double>(std::begin(kReturnPeriods), std::end(kReturnPeriods)); }

std::string ParseReturnPeriods(const std::string& text, std::vector<double>& periods) {
    const bool semicolons = text.find(';') != std::string::npos;
    const char separator = semicolons ? ';' : ',';
    std::vector<double> read;
    std::string_view rest = text;
    if (Trimmed(rest).empty()) return "Informe pelo menos um período de retorno (em anos, maior que 1)";
    for (;;) {
        const auto at = rest.find(separator);
        const std::string_view item = Trimmed(rest.substr(0, at));
        double T = 0.0;
        if (item.empty()) return "A lista de períodos de retorno tem um item vazio";
        if (!ReadPeriod(item, semicolons, T))
            return "\"" + std::string(item) + "\" não é um período de retorno: escreva números (em anos)";
        if (!(T > 1.0))
            return "O período de retorno " + std::string(item) +
                   " não é aceito: todo período de retorno deve ser maior que 1 ano";
        read.push_back(T);
        if (at == std::string_view::npos) break;
        rest.remove_prefix(at + 1);
    }
    if (static_cast<int>(read.size()) > kMaxReturnPeriods)
        return "A lista tem " + std::to_string(read.size()) + " períodos de retorno: o máximo é " +
               std::to_string(kMaxReturnPeriods);
    periods = std::move(read);
    return "";
}

bool AcceptableReturnPeriods(const std::vector<double>& periods) {
    if (periods.empty() || static_cast<int>(periods.size()) > kMaxReturnPeriods) return false;
    for (double T : periods)
        if (!(T > 1.0) || !std::isfinite(T)) return false;
    return true;
}

std::vector<double> StudyReturnPeriods(const ProjectSettings& settings) {
    if (settings.ReturnPeriods && AcceptableReturnPeriods(*settings.ReturnPeriods)) return *settings.ReturnPeriods;
    return StandardReturnPeriods();
}

void SetStudy(ProjectSettings& settings, const std::vector<double>& periods, int zeros) {
    if (periods == StandardReturnPeriods()) settings.ReturnPeriods.reset();
    else settings.ReturnPeriods = periods;
    if (zeros > 0) settings.ZeroCount = zeros;
    else settings.ZeroCount.reset();
}

ProjectStudy ReadProjectStudy(const AnalysisRecord& r, const std::string& projectPath) {
    const ProjectSettings settings = ReadProjectSettings(projectPath);
    return ProjectStudy{StudyReturnPeriods(settings), ProjectZeroYears(r, settings)};
}

std::string FormatReturnPeriods(const std::vector<double>& periods, char decimalSeparator) {
    const std::string separator = decimalSeparator == ',' ? "; " : ", ";
    std::string s;
    for (std::size_t i = 0; i < periods.size(); ++i) s += (i > 0 ? separator : "") + PeriodText(periods[i], decimalSeparator);
    return s;
}

double ReturnPeriodProbability(double T) {
    for (int t = 0; t < kReturnPeriodCount; ++t)
        if (T == kReturnPeriods[t]) return kReturnPeriodProbabilities[t];
    return 1.0 - 1.0 / T;
}

ZeroYears ProjectZeroYears(const AnalysisRecord& r, const ProjectSettings& settings) {
    const int zeros = settings.ZeroCount.value_or(0);
    return ZeroYears{zeros, r.SampleSize + zeros};
}

void KeepStudySettings(const std::string& projectPath, int zeros, const std::vector<double>* periods) {
    ProjectSettings settings = ReadProjectSettings(projectPath);
    const bool existed = settings.Variable || settings.Unit || settings.ReturnPeriods || settings.ZeroCount ||
                         !settings.Other.empty();
    const bool ownPeriods = periods != nullptr && *periods != StandardReturnPeriods();
    if (!existed && zeros == 0 && !ownPeriods) return;
    settings.ZeroCount = zeros;
    if (periods != nullptr) settings.ReturnPeriods = *periods;
    WriteProjectSettings(projectPath, settings);
}

bool ConditionalProbability(double F, double p0, double& conditional) {
    if (p0 == 0.0) {  // no zeros: the plain analysis, to the bit
        conditional = F;
        return true;
    }
    if (F <= p0) return false;
    conditional = (F - p0) / (1.0 - p0);
    return true;
}

double AdjustedQuantile(const AnalysisRecord& r, int index, double F, double p0) {
    double Fc = 0.0;
    if (!ConditionalProbability(F, p0, Fc)) return 0.0;
    const double x = DistributionQuantile(index, ParametersOf(r, index), Fc);
    return IsLogDistribution(index) ? std::exp(x) : x;
}

ReturnPeriodTable MakeReturnPeriodTable(const AnalysisRecord& r, const SimulationSummary* simulations,
                                        const std::vector<double>& periods, double p0, QuantileFaults faults) {
    FloatingPointFlagsKept kept;
    ReturnPeriodTable table;
    table.Periods = periods;
    table.ZeroProbability = p0;
    const std::size_t k = periods.size();
    // The conditional probabilities of the periods above p0, where the
    // refits are read; a dry period has quantile and limits 0.
    std::vector<double> conditional(k, kNaN);
    std::vector<bool> wet(k, false);
    for (std::size_t t = 0; t < k; ++t) {
        const double F = ReturnPeriodProbability(periods[t]);
        table.Probabilities.push_back(F);
        double Fc = 0.0;
        wet[t] = ConditionalProbability(F, p0, Fc);
        if (wet[t]) conditional[t] = Fc;
    }
    const bool simulated = simulations != nullptr && simulations->Matches(r);
    for (int d = 1; d <= kDistributionCount; ++d) {
        auto& quantiles = table.Quantiles[d - 1];
        for (std::size_t t = 0; t < k; ++t) {
            FloatingPointCheck check;
            quantiles.push_back(AdjustedQuantile(r, d, table.Probabilities[t], p0));
            if (faults == QuantileFaults::Raise) check.Raise();
        }
        // Each refit counted for the seven periods' rule counts for this list
        // when all of its quantiles at the list are valid (finite, no
        // CalcError, no fault).
        std::vector<std::vector<double>> values(k);
        int counted = 0;
        if (simulated) {
            std::vector<double> x(k, 0.0);
            for (const ParameterSet& refit : simulations->Of(d).CountedRefits) {
                bool valid = true;
                for (std::size_t t = 0; t < k && valid; ++t)
                    if (wet[t]) valid = CleanQuantile(d, refit, conditional[t], x[t]);
                if (!valid) continue;
                ++counted;
                for (std::size_t t = 0; t < k; ++t)
                    if (wet[t]) values[t].push_back(x[t]);
            }
        }
        table.IntervalSamples[d - 1] = counted;
        auto& limits = table.Intervals[d - 1];
        for (std::size_t t = 0; t < k; ++t) {
            if (!simulated) limits.push_back({kNaN, kNaN});
            else if (!wet[t]) limits.push_back({0.0, 0.0});
            else limits.push_back(PercentileInterval(std::move(values[t])));
        }
    }
    return table;
}

}  // namespace zarn
