// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "analysis/calculation.h"
#include "files/errors.h"
#include "platform/datawarnings.h"
#include "files/filewrite.h"
#include "files/format.h"
#include "import/importer.h"
#include "analysis/intervals.h"
#include "analysis/projectfile.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "analysis/simulation.h"
#include "cli/advice.h"
#include "cli/import.h"
#include "cli/outputs.h"
#include "views/report.h"
#include "platform/session.h"
#include "rules/advisor.h"
#include "rules/factfile.h"

namespace fs = std::filesystem;

namespace zarn {

namespace {

const char* const kCodes[kDistributionCount] = {"normal", "lognormal", "gumbel", "exponential",
                                                "pearson3", "logpearson3", "gev", "gpa"};

// The six verdict bits of TestFlags in the order of the tests.
constexpr std::uint8_t kVerdicts[] = {FlagDependent,     FlagNonHomogeneous,  FlagHighOutlierGB,
                                      FlagLowOutlierGB,  FlagHighOutlierSkew, FlagLowOutlierSkew};

// What the summary keeps of one station.
struct StationRow {
    bool Ok = false;
    std::string Error;
    std::string Warnings;  // the data-file warnings, joined
    int N = 0;
    ZeroYears Zeros;
    double Mean = NAN, StdDev = NAN, Skewness = NAN;
    std::uint8_t Flags = 0;
    int Recommended = 0;  // 0: none
    AdviceStatus Status = AdviceStatus::Rejected;  // the recommended distribution's status
    std::string RuleBaseProblem;  // why the user's rule base was not used
    std::vector<double> Quantiles;  // at the batch's return periods
    std::vector<QuantileInterval> Limits;
    double R[kDistributionCount] = {}, R90[kDistributionCount] = {}, Z[kDistributionCount] = {};
};

bool EndsWith(const std::string& name, const char* extension) {
    const std::size_t length = std::strlen(extension);
    if (name.size() < length) return false;
    std::string tail = name.substr(name.size() - length);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == extension;
}

bool EndsWithDat(const std::string& name) { return EndsWith(name, ".dat"); }

bool Importable(const std::string& path) { return IsImportableFile(path); }

// The file's name without its last extension.
std::string StemOf(const std::string& path) {
    const fs::path p(path);
    const std::string stem = p.stem().string();
    return stem.empty() ? p.filename().string() : stem;
}

// The longest output name: NAME and its longest suffix (".advice.json") must
// fit the file system's 255 bytes a name.
constexpr std::size_t kMaxStationName = 200;

// The stem cut to kMaxStationName bytes, at a whole UTF-8 character.
std::string ShortStem(const std::string& stem) {
    if (stem.size() <= kMaxStationName) return stem;
    std::size_t cut = kMaxStationName;
    while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
    return stem.substr(0, cut);
}

// One output name per station, unique across the batch: a stem only one
// station has is its name; of the stations sharing a stem, the first keeps
// it and the others get "-2", "-3", ..., skipping every name another station
// already has or will have (dup-2.dat, dup.csv and dup.dat give dup-2, dup
// and dup-3). Deterministic: the stations come in a fixed order.
void NameStations(std::vector<BatchStation>& stations) {
    std::map<std::string, int> count;
    for (const BatchStation& s : stations) ++count[ShortStem(StemOf(s.Path))];
    std::set<std::string> taken;
    for (const auto& [stem, n] : count) taken.insert(stem);
    std::set<std::string> given;
    for (BatchStation& s : stations) {
        const std::string stem = ShortStem(StemOf(s.Path));
        if (!given.count(stem)) {
            s.Name = stem;
        } else {
            int k = 2;
            while (taken.count(stem + "-" + std::to_string(k))) ++k;
            s.Name = stem + "-" + std::to_string(k);
            taken.insert(s.Name);
        }
        given.insert(s.Name);
    }
}

// The analysis of one station and its files, as single runs would write them.
StationRow RunStation(const BatchStation& station, const std::string& out, int threads, const Session& session,
                      const std::vector<double>& periods) {
    StationRow row;
    if (!station.Fault.empty()) {
        row.Error = station.Fault;
        return row;
    }
    try {
        const std::string base = out + "/" + station.Name;
        // A download is imported with the importer's defaults first, as
        // zarn-cli --import FILE --out NAME.dat would.
        std::string data = station.Path;
        if (station.Import) {
            data = base + ".dat";
            const ImportResult imported = ImportSeries(station.Path, ImportOptions{});
            if (imported.Kept.empty()) WriteImportedDataFile(imported, data);  // throws: nothing kept
            WriteOut(data, ImportedDataText(imported));
        }
        auto r = std::make_unique<AnalysisRecord>();
        SimulationSummary simulations;
        r->TestFlags = 0;
        ZeroYears zeros;
        CalculateAll(*r, "", "", "", data, {threads, nullptr}, &simulations, &zeros);
        WriteOut(base + ".json", RecordJson(*r, simulations, zeros, periods));
        WriteOut(base + ".txt", JoinCrLf(ReportLines(*r, zeros)));
        WriteOut(base + ".clp", JoinCrLf(FactFileLines(*r)));
        WriteOut(base + ".prj", std::string(reinterpret_cast<const char*>(r.get()), sizeof *r));
        KeepStudySettings(base + ".prj", zeros.Zeros, nullptr);
        const Advice advice = Advise(*r, session, zeros);
        WriteOut(base + ".advice.json", AdviceJson(advice));
        row.RuleBaseProblem = advice.RuleBaseProblem;
        row.Recommended = advice.Recommended;
        for (const DistributionAdvice& d : advice.Ranking)
            if (d.Index == advice.Recommended) row.Status = d.Status;

        for (const DataFileWarning& warning : InspectDataFile(data))
            row.Warnings += (row.Warnings.empty() ? "" : " | ") + DataFileWarningText(warning, kImporterHint);
        row.N = r->SampleSize;
        row.Zeros = zeros;
        row.Mean = r->Mean;
        row.StdDev = r->StdDev;
        row.Skewness = r->Skewness;
        row.Flags = r->TestFlags;
        for (int d = 1; d <= kDistributionCount; ++d) {
            row.R[d - 1] = FitTestOf(*r, d).R;
            row.R90[d - 1] = FitTestOf(*r, d).R90;
            row.Z[d - 1] = VarianceTestZOf(*r, d);
        }
        if (row.Recommended > 0) {
            const ReturnPeriodTable table = MakeReturnPeriodTable(*r, &simulations, periods, zeros.Probability());
            row.Quantiles = table.Quantiles[row.Recommended - 1];
            row.Limits = table.Intervals[row.Recommended - 1];
        }
        row.Ok = true;
    } catch (const std::bad_alloc&) {
        row.Error = "Memória insuficiente";
    } catch (const FileError& e) {
        row.Error = FileErrorMessage(e);
    } catch (const std::exception& e) {
        row.Error = e.what();
    }
    return row;
}

// "m:ss" or "h:mm:ss".
std::string Clock(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

// Stations done of total, failures, elapsed and remaining time on standard
// error: one line rewritten in place on a terminal, a line per station otherwise.
class ProgressLine {
public:
    explicit ProgressLine(int total) : total_(total), terminal_(::isatty(2) != 0) {}

    void StationDone(const BatchStation& station, const StationRow& row) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++done_;
        if (!row.Ok) ++failed_;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double remaining = elapsed / done_ * (total_ - done_);
        const std::string counts = std::to_string(done_) + "/" + std::to_string(total_) + " estações, " +
                                   std::to_string(failed_) + " com erro, " +
                                   Clock(elapsed) + " decorridos, ~" + Clock(remaining) + " restantes";
        if (terminal_) {
            std::fprintf(stderr, "\r%s   ", counts.c_str());
        } else {
            std::fprintf(stderr, "%s: %s | %s\n", station.Name.c_str(), row.Ok ? "ok" : ("erro: " + row.Error).c_str(),
                         counts.c_str());
        }
        std::fflush(stderr);
    }
    void Finish() {
        if (terminal_ && done_ > 0) std::fputc('\n', stderr);
    }

private:
    std::mutex mutex_;
    const int total_;
    const bool terminal_;
    int done_ = 0;
    int failed_ = 0;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

struct CsvStyle {
    char Separator;
    char Decimal;
    bool Portuguese;  // headers and verdicts in Portuguese, and a byte-order mark
};

std::string SummaryCsv(const std::vector<BatchStation>& stations, const std::vector<StationRow>& rows,
                       const std::vector<double>& periods, CsvStyle style) {
    const std::string sep(1, style.Separator);
    std::vector<std::string> header;
    if (style.Portuguese) {
        header = {"Arquivo", "n", "Anos sem vazão", "Média", "Desvio padrão", "Assimetria", "Dependência (Kendall)",
                  "Não homogeneidade (Mann-Kendall)", "Outlier alto (Grubbs-Beck)", "Outlier baixo (Grubbs-Beck)",
                  "Outlier alto (assimetria)", "Outlier baixo (assimetria)", "Distribuição recomendada", "Situação"};
        for (double T : periods) {
            const std::string q = "Q" + FormatReturnPeriods({T}, style.Decimal);
            header.push_back(q);
            header.push_back(q + " limite inferior (5 %)");
            header.push_back(q + " limite superior (95 %)");
        }
        for (int d = 1; d <= kDistributionCount; ++d) {
            header.push_back("R " + DistributionName(d));
            header.push_back("R90 " + DistributionName(d));
            header.push_back("|Z| " + DistributionName(d));
        }
        header.push_back("Avisos");
        header.push_back("Erro");
    } else {
        header = {"file", "n", "zero_years", "mean", "std_dev", "skewness", "dependent", "non_homogeneous", "high_outlier_gb",
                  "low_outlier_gb", "high_outlier_skew", "low_outlier_skew", "recommended", "status"};
        for (double T : periods) {
            const std::string q = "q" + FormatReturnPeriods({T}, style.Decimal);
            header.push_back(q);
            header.push_back(q + "_lower_5");
            header.push_back(q + "_upper_95");
        }
        for (const char* code : kCodes) {
            header.push_back(std::string("r_") + code);
            header.push_back(std::string("r90_") + code);
            header.push_back(std::string("z_") + code);
        }
        header.push_back("warnings");
        header.push_back("error");
    }
    std::string csv = style.Portuguese ? "\xEF\xBB\xBF" : "";
    for (std::size_t i = 0; i < header.size(); ++i) csv += (i ? sep : "") + CsvText(header[i], style.Separator);
    csv += "\r\n";

    auto number = [&](double v) { return sep + CsvNumber(v, style.Decimal); };
    for (std::size_t s = 0; s < rows.size(); ++s) {
        const StationRow& row = rows[s];
        csv += CsvText(stations[s].Path, style.Separator);
        if (row.Ok) {
            csv += sep + std::to_string(row.N) + sep + std::to_string(row.Zeros.Zeros) + number(row.Mean) + number(row.StdDev) + number(row.Skewness);
            for (std::uint8_t bit : kVerdicts) {
                const bool set = (row.Flags & bit) != 0;
                csv += sep + (style.Portuguese ? (set ? "sim" : "não") : (set ? "1" : "0"));
            }
            // Without a recommendation every distribution was rejected.
            const bool any = row.Recommended > 0;
            csv += sep + (any ? CsvText(DistributionName(row.Recommended), style.Separator) : "");
            csv += sep + (any ? CsvText(style.Portuguese ? StatusName(row.Status) : StatusKey(row.Status), style.Separator)
                              : std::string(style.Portuguese ? "todas rejeitadas" : "all-rejected"));
            for (std::size_t t = 0; t < periods.size(); ++t) {
                csv += any ? number(row.Quantiles[t]) + number(row.Limits[t].Lower) + number(row.Limits[t].Upper)
                           : sep + sep + sep;
            }
            for (int d = 0; d < kDistributionCount; ++d) csv += number(row.R[d]) + number(row.R90[d]) + number(row.Z[d]);
            csv += sep + CsvText(row.Warnings, style.Separator) + sep;
        } else {
            // A station that failed: its file, empty cells, and the error text.
            const std::size_t empty = header.size() - 2;
            csv += std::string(empty, style.Separator) + sep + CsvText(row.Error, style.Separator);
        }
        csv += "\r\n";
    }
    return csv;
}

// The folder `path` names, resolved (links, "..") as far as it exists.
fs::path Resolved(const fs::path& path) {
    std::error_code ignored;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(path, ignored), ignored);
    return resolved.empty() ? path : resolved;
}

// True when `inner` is `outer` or lies inside it.
bool IsWithin(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end()) return true;  // a trailing "/"
        if (i == inner.end() || *i != *o) return false;
    }
    return true;
}

// The output folder may not be an input folder or lie inside one: the
// batch would replace a user's data file or summary by its own outputs, and
// a second run would take the outputs as stations.
void RefuseOutputAmongInputs(const BatchOptions& options, const std::vector<BatchStation>& stations) {
    const fs::path out = Resolved(options.Out);
    std::set<fs::path> folders;
    struct stat st {};
    if (::stat(options.Input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) folders.insert(Resolved(options.Input));
    for (const BatchStation& s : stations) {
        const fs::path folder = fs::path(s.Path).parent_path();
        folders.insert(Resolved(folder.empty() ? fs::path(".") : folder));
    }
    for (const fs::path& folder : folders)
        if (IsWithin(out, folder))
            throw ZarnError("A pasta de saída \"" + Utf8Text(options.Out) + "\" é a pasta dos dados \"" +
                            Utf8Text(folder.string()) + "\" ou fica dentro dela: nada foi gravado, para não " +
                            "substituir arquivos do usuário. Escolha uma pasta de saída fora dela.");
}

}  // namespace


std::vector<BatchStation> BatchStations(const std::string& input) {
    struct stat st {};
    if (::stat(input.c_str(), &st) != 0) RaiseFileError(errno, input);
    std::vector<BatchStation> stations;
    if (S_ISDIR(st.st_mode)) {
        // Every entry is looked at on its own: one that cannot be (a dangling
        // link, a loop of links, a name the system refuses) is a failed row,
        // never the end of the batch.
        std::vector<std::pair<std::string, std::string>> names;  // name, fault
        std::error_code error;
        fs::directory_iterator entries(input, error);
        if (error) RaiseFileError(error.value(), input);
        for (; entries != fs::directory_iterator(); entries.increment(error)) {
            if (error) RaiseFileError(error.value(), input);
            std::error_code status;
            const bool regular = entries->is_regular_file(status);
            const std::string name = entries->path().filename().string();
            std::error_code ignored;
            if (status && status.value() == ENOENT && entries->is_symlink(ignored))
                names.push_back({name, "Arquivo \"" + Utf8Text(entries->path().string()) +
                                           "\": é um link simbólico para um arquivo que não existe"});
            else if (status)
                names.push_back({name, FileErrorMessage(FileError(FileErrorText(status.value(), entries->path()),
                                                                  status.value(), entries->path()))});
            else if (regular) names.push_back({name, {}});
        }
        std::sort(names.begin(), names.end());
        const std::string folder = input.back() == '/' ? input : input + "/";
        for (const auto& [name, fault] : names) {
            if (!fault.empty()) stations.push_back({folder + name, {}, false, fault});
            else if (EndsWithDat(name)) stations.push_back({folder + name, {}, false, {}});
            else if (Importable(folder + name)) stations.push_back({folder + name, {}, true, {}});
        }
    } else if (EndsWithDat(input) || Importable(input)) {
        stations.push_back({input, {}, !EndsWithDat(input), {}});  // one station: a batch of one
    } else {
        // A list of paths, relative ones taken from the list's folder.
        std::ifstream list(input);
        if (!list) RaiseFileError(errno != 0 ? errno : EACCES, input);
        const fs::path folder = fs::path(input).parent_path();
        std::string line;
        while (std::getline(list, line)) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
            std::size_t start = line.find_first_not_of(" \t");
            if (start == std::string::npos || line[start] == '#') continue;
            const std::string path = line.substr(start);
            const std::string full = fs::path(path).is_absolute() || folder.empty() ? path : (folder / path).string();
            stations.push_back({full, {}, !EndsWithDat(full), {}});
        }
    }
    NameStations(stations);
    return stations;
}

int RunBatch(const BatchOptions& options) {
    const std::vector<BatchStation> stations = BatchStations(options.Input);
    RefuseOutputAmongInputs(options, stations);
    const Session session = ToolSession(options.RuleBase);
    std::error_code error;
    fs::create_directories(options.Out, error);
    if (error || !fs::is_directory(options.Out)) RaiseFileError(error ? error.value() : ENOTDIR, options.Out);
    if (stations.empty()) {
        std::fprintf(stderr, "Nenhum arquivo de dados (.dat) nem arquivo a importar em \"%s\"\n", options.Input.c_str());
        return 1;
    }

    // Stations share the threads: one analysis per thread, or, with fewer
    // stations than threads, the threads of each analysis shared out.
    const int threads = std::max(1, std::min(ResolveThreadCount(options.Threads), static_cast<int>(stations.size())));
    const int perStation = std::max(1, ResolveThreadCount(options.Threads) / static_cast<int>(stations.size()));
    const std::vector<double> periods = options.ReturnPeriods.empty() ? StandardReturnPeriods() : options.ReturnPeriods;
    std::vector<StationRow> rows(stations.size());
    ProgressLine progress(static_cast<int>(stations.size()));
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t s = next++; s < stations.size(); s = next++) {
            rows[s] = RunStation(stations[s], options.Out, perStation, session, periods);
            progress.StationDone(stations[s], rows[s]);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    progress.Finish();

    WriteOut(options.Out + "/resumo.csv", SummaryCsv(stations, rows, periods, {';', ',', true}));
    WriteOut(options.Out + "/summary.csv", SummaryCsv(stations, rows, periods, {',', '.', false}));
    for (const StationRow& row : rows) {
        if (row.RuleBaseProblem.empty()) continue;
        std::fprintf(stderr, "%s\n", row.RuleBaseProblem.c_str());  // the same for every station: once
        break;
    }
    const auto failed = std::count_if(rows.begin(), rows.end(), [](const StationRow& r) { return !r.Ok; });
    std::fprintf(stderr, "%zu estações analisadas, %ld com erro; resumo em %s/resumo.csv\n", rows.size(),
                 static_cast<long>(failed), options.Out.c_str());
    return failed == 0 ? 0 : 1;
}

}  // namespace zarn
