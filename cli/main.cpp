// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-cli: the analysis without windows. Calculates from a data file (or
// loads a project file) and writes the record as JSON, the report, the fact
// file, the project file and what the result windows show.
#include <cerrno>
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
#include "files/errors.h"
#include "analysis/intervals.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "files/projectsettings.h"
#include "analysis/returnperiods.h"
#include "analysis/simulation.h"
#include "analysis/projectfile.h"
#include "cli/advice.h"
#include "cli/b17c.h"
#include "cli/batch.h"
#include "cli/region.h"
#include "cli/import.h"
#include "cli/json.h"
#include "cli/outputs.h"
#include "cli/study.h"
#include "rules/advisor.h"
#include "cli/terminal.h"
#include "views/lines.h"
#include "views/report.h"
#include "rules/factfile.h"
#include "zarn/about.h"
#include "files/textcodec.h"

namespace zarn {
namespace {

constexpr const char* kUsage =
    "usage: zarn-cli (--data FILE | --open PROJECT) [--title T] [--location L] [--comment C]\n"
    "                [--json OUT] [--report OUT] [--facts OUT] [--project OUT] [--dialogs OUT] [--advice OUT]\n"
    "                [--decimal-separator C] [--plot-distribution N] [--threads N] [--raw] [--rules FILE]\n"
    "                [--study OUT.pdf] [--return-periods T1,T2,...]\n"
    "       zarn-cli --batch INPUT --out DIR [--threads N] [--rules FILE] [--return-periods T1,T2,...]\n"
    "       zarn-cli --help | --version\n"
    "       OUT is a path, or - for standard output; INPUT a folder of data files or a\n"
    "       text file listing them; --raw writes the report and the fact file to a\n"
    "       terminal as their files hold them (Windows-1252, CR LF)\n";

// More threads than this gain nothing (the simulations share out 400 chunks).
constexpr int kMaxThreads = 256;

struct Options {
    std::string Data, Open, Title, Location, Comment;
    std::string Json, Report, Facts, Project, Dialogs, Advice;
    std::string Study;  // the study as a PDF, drawn by zarn-charts
    char DecimalSeparator = '.';
    int PlotDistribution = 0;  // 0: the record's PlotDistribution
    int Threads = 0;           // 0: the machine's hardware threads
    // --return-periods: the JSON's UserReturnPeriods and the batch's
    // summary columns; empty: the seven of the report.
    std::vector<double> ReturnPeriods;
    bool Raw = false;          // --report - and --facts - keep the file's bytes on a terminal
    std::string Batch;         // --batch INPUT; its folder is the import's --out
    std::string Rules;         // --rules FILE: the rule base of the advice
    bool ImportOptionsGiven = false;  // an import argument other than --out
    ImportCommand Import;
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
            std::fputs(kRegionUsage, stdout);
            std::fputs(kB17cUsage, stdout);
            std::fputs(kImportUsage, stdout);
            std::exit(0);
        }
        if (arg == "--version") {
            std::fputs(VersionText("zarn-cli").c_str(), stdout);
            std::exit(0);
        }
        if (arg == "--raw") {
            o.Raw = true;
            continue;
        }
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
            return argv[++i];
        };
        if (arg == "--batch") {
            o.Batch = value();
        } else if (arg == "--return-periods") {
            if (const std::string e = ParseReturnPeriods(value(), o.ReturnPeriods); !e.empty())
                throw UsageError{"--return-periods: " + e};
        } else if (arg == "--rules") {
            o.Rules = value();
        } else if (IsImportArgument(arg)) {
            if (arg != "--out") o.ImportOptionsGiven = true;
            if (const std::string e = TakeImportArgument(arg, value(), o.Import); !e.empty()) throw UsageError{e};
        } else if (arg == "--data") o.Data = value();
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
        else if (arg == "--study") o.Study = value();
        else if (arg == "--decimal-separator") {
            const std::string v = value();
            if (v.size() != 1) throw UsageError{"--decimal-separator takes one character"};
            o.DecimalSeparator = v[0];
        } else if (arg == "--plot-distribution") {
            const std::string v = value();
            if (v.size() != 1 || v[0] < '1' || v[0] > '8') throw UsageError{"--plot-distribution takes 1 to 8"};
            o.PlotDistribution = v[0] - '0';
        } else if (arg == "--threads") {
            const std::string v = value();
            char* end = nullptr;
            const long threads = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || threads < 1 || threads > kMaxThreads)
                throw UsageError{"--threads takes 1 to " + std::to_string(kMaxThreads)};
            o.Threads = static_cast<int>(threads);
        } else {
            throw UsageError{"unknown argument " + arg};
        }
    }
    const bool outputs = !o.Data.empty() || !o.Open.empty() || !o.Json.empty() || !o.Report.empty() ||
                         !o.Facts.empty() || !o.Project.empty() || !o.Dialogs.empty() || !o.Advice.empty() ||
                         !o.Study.empty();
    if (!o.Batch.empty()) {
        // Files the batch imports take the importer's defaults.
        if (o.Import.Out.empty()) throw UsageError{"--batch needs --out DIR"};
        if (outputs || o.ImportOptionsGiven)
            throw UsageError{"--batch writes its own files: it goes with --out, --threads, --rules and --return-periods alone"};
        return o;
    }
    if (o.Import.Given) {
        if (outputs) throw UsageError{"--import goes without --data, --open and their outputs"};
        if (const std::string e = CheckImportCommand(o.Import); !e.empty()) throw UsageError{e};
        return o;
    }
    if (o.Data.empty() == o.Open.empty()) throw UsageError{"give one of --data and --open"};
    if (!o.Open.empty() && (!o.Title.empty() || !o.Location.empty() || !o.Comment.empty()))
        throw UsageError{"--title, --location and --comment go with --data"};
    return o;
}

int Run(const Options& o) {
    // No output may replace the data or the project it comes from, nor
    // another output of the same run.
    const std::vector<std::string> outputs = {o.Json, o.Report, o.Facts, o.Project, o.Dialogs, o.Advice};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].empty()) continue;
        RefuseSameFile(outputs[i], o.Data.empty() ? o.Open : o.Data);
        for (std::size_t k = 0; k < i; ++k)
            if (outputs[k] == outputs[i] && outputs[i] != "-")
                throw ZarnError("Duas saídas com o mesmo nome \"" + Utf8Text(outputs[i]) + "\": nada foi gravado.");
    }
    auto record = std::make_unique<AnalysisRecord>();
    AnalysisRecord& r = *record;
    const SimulationOptions simulation{o.Threads, nullptr};
    SimulationSummary simulations;
    ZeroYears zeros;
    std::vector<double> periods = o.ReturnPeriods.empty() ? StandardReturnPeriods() : o.ReturnPeriods;
    if (!o.Data.empty()) {
        r.TestFlags = 0;
        CalculateAll(r, Utf8ToWindows1252(o.Title), Utf8ToWindows1252(o.Location),
                     Utf8ToWindows1252(o.Comment), o.Data, simulation, &simulations, &zeros);
    } else {
        ReadProjectFile(r, o.Open);
        const ProjectStudy study = ReadProjectStudy(r, o.Open);
        zeros = study.Zeros;
        if (o.ReturnPeriods.empty()) periods = study.ReturnPeriods;  // the project's own list
    }
    if (!o.Json.empty()) {
        // A project file keeps no simulations: they are run again from its
        // parameters and sample size, which gives the same numbers.
        if (!simulations.Matches(r)) simulations = SimulateAll(r, simulation);
        WriteOut(o.Json, RecordJson(r, simulations, zeros, periods));
    }
    if (!o.Dialogs.empty()) WriteOut(o.Dialogs, DialogsJson(r, o.DecimalSeparator, o.PlotDistribution, zeros));
    // The same bytes as the windows' report, fact file and project file,
    // each written whole or not at all (standard output as --raw asks).
    if (!o.Report.empty()) {
        const std::vector<std::string> lines = ReportLines(r, zeros);
        WriteOut(o.Report, o.Report == "-" ? StandardOutputLines(lines, o.Raw) : JoinCrLf(lines));
    }
    if (!o.Facts.empty())
        WriteOut(o.Facts, o.Facts == "-" ? StandardOutputLines(FactFileLines(r), o.Raw) : JoinCrLf(FactFileLines(r)));
    if (!o.Advice.empty()) WriteOut(o.Advice, AdviceJson(r, ToolSession(o.Rules), zeros));
    if (!o.Project.empty()) {
        WriteOut(o.Project, std::string(reinterpret_cast<const char*>(&r), sizeof r));
        // The zeros set aside and the periods asked for go beside it.
        if (o.Project != "-") KeepStudySettings(o.Project, zeros.Zeros, &periods);
    }
    if (!o.Data.empty()) PrintDataFileWarnings(o.Data);
    if (!o.Study.empty()) return WriteStudy(r, o.Study, o.Open, o.Rules, zeros.Zeros, periods);
    return 0;
}

}  // namespace
}  // namespace zarn

int main(int argc, char** argv) {
    // The regional analysis has options of its own (cli/region.h).
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--region") != 0) continue;
        try {
            return zarn::RunRegion(zarn::ParseRegionCommand(argc, argv));
        } catch (const zarn::RegionUsageError& e) {
            std::fprintf(stderr, "zarn-cli: %s\nusage: zarn-cli --region INPUT ...\n%s", e.Text.c_str(), zarn::kRegionUsage);
            return 2;
        } catch (const std::bad_alloc&) {
            std::fputs("Memória insuficiente\n", stderr);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        return 1;
    }
    // The Bulletin 17C analysis of a historical record has options of its own (cli/b17c.h).
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--b17c") != 0) continue;
        try {
            return zarn::RunB17c(zarn::ParseB17cCommand(argc, argv));
        } catch (const zarn::B17cUsageError& e) {
            std::fprintf(stderr, "zarn-cli: %s\nusage:\n%s", e.Text.c_str(), zarn::kB17cUsage);
            return 2;
        } catch (const std::bad_alloc&) {
            std::fputs("Memória insuficiente\n", stderr);
        } catch (const zarn::FileError& e) {
            std::fprintf(stderr, "%s\n", zarn::FileErrorMessage(e).c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        return 1;
    }
    zarn::Options options;
    try {
        options = zarn::ParseArguments(argc, argv);
    } catch (const zarn::UsageError& e) {
        std::fprintf(stderr, "zarn-cli: %s\n%s%s%s", e.Text.c_str(), zarn::kUsage, zarn::kRegionUsage, zarn::kImportUsage);
        return 2;
    }
    try {
        if (!options.Batch.empty())
            return zarn::RunBatch(
                {options.Batch, options.Import.Out, options.Threads, options.Rules, options.ReturnPeriods});
        return options.Import.Given ? zarn::RunImport(options.Import) : zarn::Run(options);
    } catch (const std::bad_alloc&) {
        std::fputs("Memória insuficiente\n", stderr);
    } catch (const zarn::FileError& e) {
        std::fprintf(stderr, "%s\n", zarn::FileErrorMessage(e).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
