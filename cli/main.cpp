// zarn-cli: the analysis without windows. Calculates from a data file (or
// loads a project file) and writes the record as JSON, the report, the fact
// file, the project file and what the result windows show.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/errors.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "analysis/projectfile.h"
#include "cli/advice.h"
#include "cli/json.h"
#include "dialogs/lines.h"
#include "dialogs/report.h"
#include "rules/factfile.h"

namespace zarn {
namespace {

constexpr const char* kUsage =
    "usage: zarn-cli (--data FILE | --open PROJECT) [--title T] [--location L] [--comment C]\n"
    "                [--json OUT] [--report OUT] [--facts OUT] [--project OUT] [--dialogs OUT] [--advice OUT]\n"
    "                [--decimal-separator C] [--plot-distribution N]\n"
    "       OUT is a path, or - for standard output\n";

struct Options {
    std::string Data, Open, Title, Location, Comment;
    std::string Json, Report, Facts, Project, Dialogs, Advice;
    char DecimalSeparator = '.';
    int PlotDistribution = 0;  // 0: the record's PlotDistribution
};

struct UsageError {
    std::string Text;
};

Options ParseArguments(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
            return argv[++i];
        };
        if (arg == "--data") o.Data = value();
        else if (arg == "--open") o.Open = value();
        else if (arg == "--title") o.Title = value();
        else if (arg == "--location") o.Location = value();
        else if (arg == "--comment") o.Comment = value();
        else if (arg == "--json") o.Json = value();
        else if (arg == "--report") o.Report = value();
        else if (arg == "--facts") o.Facts = value();
        else if (arg == "--project") o.Project = value();
        else if (arg == "--dialogs") o.Dialogs = value();
        else if (arg == "--advice") o.Advice = value();
        else if (arg == "--decimal-separator") {
            const std::string v = value();
            if (v.size() != 1) throw UsageError{"--decimal-separator takes one character"};
            o.DecimalSeparator = v[0];
        } else if (arg == "--plot-distribution") {
            const std::string v = value();
            if (v.size() != 1 || v[0] < '1' || v[0] > '8') throw UsageError{"--plot-distribution takes 1 to 8"};
            o.PlotDistribution = v[0] - '0';
        } else {
            throw UsageError{"unknown argument " + arg};
        }
    }
    if (o.Data.empty() == o.Open.empty()) throw UsageError{"give one of --data and --open"};
    if (!o.Open.empty() && (!o.Title.empty() || !o.Location.empty() || !o.Comment.empty()))
        throw UsageError{"--title, --location and --comment go with --data"};
    return o;
}

// Writes `bytes` to the path, or to standard output for "-".
void WriteOut(const std::string& out, const std::string& bytes) {
    if (out == "-") {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
        return;
    }
    std::FILE* f = std::fopen(out.c_str(), "wb");
    if (f == nullptr) RaiseFileError(errno, out);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int err = errno;
    if (std::fclose(f) != 0 || !ok) RaiseFileError(ok ? errno : err, out);
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) {
        s += l;
        s += "\r\n";
    }
    return s;
}

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

void WriteNumbers(JsonWriter& w, const double* x, int n) {
    w.BeginArray();
    for (int i = 0; i < n; ++i) w.Number(x[i]);
    w.EndArray();
}

// Counts as stored, limited to the arrays (a loaded project was checked).
int Clamp(int n) { return n < 0 ? 0 : (n > kSampleCapacity ? kSampleCapacity : n); }

std::string RecordJson(const AnalysisRecord& r) {
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
    w.EndObject();
    return w.Text() + "\n";
}

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

// What the result windows show, built by the functions the windows use.
std::string DialogsJson(const AnalysisRecord& r, char separator, int plotDistribution) {
    JsonWriter w;
    w.BeginObject();
    w.Key("Statistics"); WriteLines(w, EstatisticasLines(r, separator));
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

int Run(const Options& o) {
    auto record = std::make_unique<AnalysisRecord>();
    AnalysisRecord& r = *record;
    if (!o.Data.empty()) {
        r.TestFlags = 0;
        CalculateAll(r, Utf8ToWindows1252(o.Title), Utf8ToWindows1252(o.Location),
                     Utf8ToWindows1252(o.Comment), o.Data);
    } else {
        ReadProjectFile(r, o.Open);
    }
    if (!o.Json.empty()) WriteOut(o.Json, RecordJson(r));
    if (!o.Dialogs.empty()) WriteOut(o.Dialogs, DialogsJson(r, o.DecimalSeparator, o.PlotDistribution));
    if (!o.Report.empty()) {
        const std::vector<std::string> lines = ReportLines(r);
        if (o.Report == "-") WriteOut("-", JoinCrLf(lines));
        else SaveReport(lines, o.Report);
    }
    if (!o.Facts.empty()) {
        if (o.Facts == "-") WriteOut("-", JoinCrLf(FactFileLines(r)));
        else WriteFactFile(r, o.Facts);
    }
    if (!o.Advice.empty()) WriteOut(o.Advice, AdviceJson(r));
    if (!o.Project.empty()) {
        if (o.Project == "-") WriteOut("-", std::string(reinterpret_cast<const char*>(&r), sizeof r));
        else WriteProjectFile(r, o.Project);
    }
    return 0;
}

}  // namespace
}  // namespace zarn

int main(int argc, char** argv) {
    zarn::Options options;
    try {
        options = zarn::ParseArguments(argc, argv);
    } catch (const zarn::UsageError& e) {
        std::fprintf(stderr, "zarn-cli: %s\n%s", e.Text.c_str(), zarn::kUsage);
        return 2;
    }
    try {
        return zarn::Run(options);
    } catch (const std::bad_alloc&) {
        std::fputs("Memória insuficiente\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
