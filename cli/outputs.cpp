// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/outputs.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#include "files/errors.h"
#include "files/filewrite.h"
#include "analysis/intervals.h"
#include "analysis/quantiles.h"
#include "cli/json.h"
#include "views/lines.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

void WriteParameters(JsonWriter& w, const ParameterSet& p) {
    w.BeginObject();
    w.Key("Position"); w.Number(p.Position);
    w.Key("Scale"); w.Number(p.Scale);
    w.Key("Shape"); w.Number(p.Shape);
    w.EndObject();
}

void WriteLMoments(JsonWriter& w, const LMomentSet& m) {
    w.BeginObject();
    w.Key("L1"); w.Number(m.L1);
    w.Key("L2"); w.Number(m.L2);
    w.Key("T3"); w.Number(m.T3);
    w.Key("T4"); w.Number(m.T4);
    w.EndObject();
}

// [[lower, upper], ...]
void WriteIntervals(JsonWriter& w, const QuantileInterval* limits, std::size_t n) {
    w.BeginArray();
    for (std::size_t i = 0; i < n; ++i) {
        w.BeginArray();
        w.Number(limits[i].Lower);
        w.Number(limits[i].Upper);
        w.EndArray();
    }
    w.EndArray();
}

void WriteNumbers(JsonWriter& w, const double* x, int n) {
    w.BeginArray();
    for (int i = 0; i < n; ++i) w.Number(x[i]);
    w.EndArray();
}

// Counts as stored, limited to the arrays (a loaded project was checked).
int Clamp(int n) { return n < 0 ? 0 : (n > kSampleCapacity ? kSampleCapacity : n); }

void WriteLines(JsonWriter& w, const std::vector<std::string>& lines) {
    w.BeginArray();
    for (const auto& l : lines) w.String(l);
    w.EndArray();
}

void WritePoints(JsonWriter& w, const ChartPoints& points) {
    w.BeginArray();
    for (const auto& [x, y] : points) {
        w.BeginArray();
        w.Number(x);
        w.Number(y);
        w.EndArray();
    }
    w.EndArray();
}

}  // namespace

// Writes `bytes` to the path, or to standard output for "-".

// Where the system's words would be English runtime texts, the batch tool
// says what happened in Portuguese; the runtime's text follows in brackets.
std::string FileErrorWords(int code, const std::string& path) {
    switch (code) {
        case ENOENT: {
            const auto slash = path.find_last_of('/');
            struct stat st {};
            const bool folder = slash == std::string::npos ||
                                (::stat(slash == 0 ? "/" : path.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode));
            return folder ? "o arquivo não existe" : "a pasta do arquivo não existe";
        }
        case ENOTDIR: return "uma parte do caminho não é uma pasta";
        case EACCES:
        case EPERM: return "sem permissão de acesso";
        case EISDIR: return "é uma pasta, não um arquivo";
        case EROFS: return "o disco é somente para leitura";
        case EMFILE:
        case ENFILE: return "há arquivos abertos demais";
        case ENOSPC:
        case EDQUOT: return "o disco está cheio";
        case ENAMETOOLONG: return "o nome é longo demais para o sistema de arquivos";
        case ELOOP: return "os links simbólicos do caminho formam um laço (ou são demais)";
        case EIO: return "erro de leitura ou gravação no disco";
        default: break;
    }
    return "erro do sistema número " + std::to_string(code);
}

std::string FileErrorMessage(const FileError& e) {
    return "Arquivo \"" + Utf8Text(e.Path) + "\": " + FileErrorWords(e.Code, e.Path) + " (" + e.what() + ")";
}

std::string Utf8Text(const std::string& text) { return IsValidUtf8(text) ? text : Windows1252ToUtf8(text); }

void WriteOut(const std::string& out, const std::string& bytes) {
    if (out == "-") {
        // A failed write to standard output (a full disk, a closed pipe) is
        // an error like any other: it must not end with exit code 0.
        errno = 0;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
        if (std::fflush(stdout) != 0 || !ok || std::ferror(stdout)) RaiseFileError(errno != 0 ? errno : EIO, out);
        return;
    }
    ReplaceFileContents(out, bytes, [&](WriteStage, int code) { return FileErrorText(code, out); },
                        LinkAtTarget::Replace);
}

void RefuseSameFile(const std::string& output, const std::string& input) {
    if (output == "-" || input.empty()) return;
    struct stat in {}, out {};
    if (::stat(input.c_str(), &in) != 0 || ::stat(output.c_str(), &out) != 0) return;
    if (in.st_dev == out.st_dev && in.st_ino == out.st_ino)
        throw ZarnError("A saída \"" + Utf8Text(output) + "\" é o próprio arquivo de entrada \"" + Utf8Text(input) +
                        "\": nada foi gravado, para não o destruir. Escolha outro nome para a saída.");
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) {
        s += l;
        s += "\r\n";
    }
    return s;
}

std::string RecordJson(const AnalysisRecord& r, const SimulationSummary& simulations, const ZeroYears& zeros,
                       const std::vector<double>& periods) {
    JsonWriter w;
    w.BeginObject();
    w.Key("TestFlags"); w.Integer(r.TestFlags);
    w.Key("PlotDistribution"); w.Integer(r.PlotDistribution);
    w.Key("Title"); w.String(Windows1252ToUtf8(TextOf(r.Title)));
    w.Key("Location"); w.String(Windows1252ToUtf8(TextOf(r.Location)));
    w.Key("Comment"); w.String(Windows1252ToUtf8(TextOf(r.Comment)));
    w.Key("DataFileName"); w.String(Windows1252ToUtf8(TextOf(r.DataFileName)));
    const std::pair<const char*, double> scalars[] = {
        {"Mean", r.Mean}, {"StdDev", r.StdDev}, {"LogMean", r.LogMean}, {"LogStdDev", r.LogStdDev},
        {"Skewness", r.Skewness}, {"LogSkewness", r.LogSkewness}, {"Minimum", r.Minimum},
        {"Maximum", r.Maximum}, {"LogMinimum", r.LogMinimum}, {"LogMaximum", r.LogMaximum},
        {"SkewnessWithoutMinimum", r.SkewnessWithoutMinimum},
        {"SkewnessWithoutMaximum", r.SkewnessWithoutMaximum},
    };
    for (const auto& [key, v] : scalars) {
        w.Key(key);
        w.Number(v);
    }
    w.Key("LMoments"); WriteLMoments(w, r.LMoments);
    w.Key("LogLMoments"); WriteLMoments(w, r.LogLMoments);
    w.Key("SampleSize"); w.Integer(r.SampleSize);
    w.Key("ClassCount"); w.Integer(r.ClassCount);
    w.Key("Sample"); WriteNumbers(w, r.Sample, Clamp(r.SampleSize));
    w.Key("LogSample"); WriteNumbers(w, r.LogSample, Clamp(r.SampleSize));
    w.Key("ClassFrequency"); WriteNumbers(w, r.ClassFrequency, Clamp(r.ClassCount));
    w.Key("ClassCentre"); WriteNumbers(w, r.ClassCentre, Clamp(r.ClassCount));
    w.Key("Parameters");
    w.BeginArray();
    for (const auto& p : r.Parameters) WriteParameters(w, p);
    w.EndArray();
    w.Key("FitTest");
    w.BeginArray();
    for (const auto& f : r.FitTest) {
        w.BeginObject();
        w.Key("R"); w.Number(f.R);
        w.Key("R90"); w.Number(f.R90);
        w.EndObject();
    }
    w.EndArray();
    const std::pair<const char*, double> tests[] = {
        {"KendallTau", r.KendallTau}, {"KendallS", r.KendallS}, {"KendallZ", r.KendallZ},
        {"KendallZLimit", r.KendallZLimit}, {"KendallVarS", r.KendallVarS},
        {"MannKendallS", r.MannKendallS}, {"MannKendallVarS", r.MannKendallVarS},
        {"MannKendallU", r.MannKendallU}, {"MannKendallULimit", r.MannKendallULimit},
        {"GrubbsBeckUpper", r.GrubbsBeckUpper}, {"GrubbsBeckLower", r.GrubbsBeckLower},
    };
    for (const auto& [key, v] : tests) {
        w.Key(key);
        w.Number(v);
    }
    w.Key("VarianceTestZ"); WriteNumbers(w, r.VarianceTestZ, kDistributionCount);
    w.Key("ParsimonyValue"); WriteNumbers(w, r.ParsimonyValue, 4);
    w.Key("ParsimonyLimit"); WriteNumbers(w, r.ParsimonyLimit, 4);
    // Quantiles for T = 2 ... 1000, computed as the report computes them.
    w.Key("Quantiles");
    w.BeginArray();
    for (int d = 1; d <= kDistributionCount; ++d) {
        w.BeginArray();
        for (int t = 0; t < kReturnPeriodCount; ++t) {
            FloatingPointCheck check;
            const double q = ReturnPeriodQuantile(r, d, t);
            check.Raise();
            w.Number(q);
        }
        w.EndArray();
    }
    w.EndArray();
    // What the simulations gave beyond the record: the replicates each one
    // completed ([critical-R simulation, variance-test simulation]), and the
    // 90 % confidence limits of the quantiles with the replicates they rest on.
    w.Key("SimulatedSamples");
    w.BeginArray();
    for (int d = 1; d <= kDistributionCount; ++d) {
        w.BeginArray();
        w.Integer(simulations.Of(d).CriticalRSamples);
        w.Integer(simulations.Of(d).RatioSamples);
        w.EndArray();
    }
    w.EndArray();
    w.Key("QuantileIntervals");
    w.BeginArray();
    for (int d = 1; d <= kDistributionCount; ++d) {
        const auto limits = ReturnPeriodIntervals(simulations, d);
        WriteIntervals(w, limits.data(), limits.size());
    }
    w.EndArray();
    w.Key("IntervalSamples");
    w.BeginArray();
    for (int d = 1; d <= kDistributionCount; ++d) w.Integer(IntervalSamples(simulations, d));
    w.EndArray();
    // The years without flow set aside, and the quantiles at the asked
    // return periods with the zeros taken back in (p0 = ZeroCount / years).
    w.Key("ZeroCount"); w.Integer(zeros.Zeros);
    w.Key("ZeroProbability"); w.Number(zeros.Probability());
    const ReturnPeriodTable table = MakeReturnPeriodTable(r, &simulations, periods, zeros.Probability());
    w.Key("UserReturnPeriods");
    w.BeginObject();
    w.Key("ReturnPeriods"); WriteNumbers(w, table.Periods.data(), static_cast<int>(table.Periods.size()));
    w.Key("Quantiles");
    w.BeginArray();
    for (const auto& q : table.Quantiles) WriteNumbers(w, q.data(), static_cast<int>(q.size()));
    w.EndArray();
    w.Key("Intervals");
    w.BeginArray();
    for (const auto& limits : table.Intervals) WriteIntervals(w, limits.data(), limits.size());
    w.EndArray();
    w.Key("IntervalSamples");
    w.BeginArray();
    for (int m : table.IntervalSamples) w.Integer(m);
    w.EndArray();
    w.EndObject();
    w.EndObject();
    return w.Text() + "\n";
}

// What the result windows show, built by the functions the windows use.

std::string DialogsJson(const AnalysisRecord& r, char separator, int plotDistribution, const ZeroYears& zeros) {
    JsonWriter w;
    w.BeginObject();
    w.Key("Statistics"); WriteLines(w, EstatisticasLines(r, separator, zeros));
    w.Key("Histogram"); WritePoints(w, HistogramPoints(r));
    w.Key("Tests"); WriteLines(w, TesteLines(r, separator));
    w.Key("Parameters"); WriteLines(w, ParaLines(r, separator));
    const int index = plotDistribution != 0 ? plotDistribution : r.PlotDistribution;
    FloatingPointCheck check;
    const ProbabilityPlotData plot = ProbabilityPlot(r, index);
    check.Raise();
    w.Key("ProbabilityPlot");
    w.BeginObject();
    w.Key("Distribution"); w.Integer(index);
    w.Key("Title"); w.String(plot.Title);
    w.Key("Observed"); WritePoints(w, plot.Observed);
    w.Key("Expected"); WritePoints(w, plot.Expected);
    w.EndObject();
    w.EndObject();
    return w.Text() + "\n";
}

}  // namespace zarn
