// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-bench: times the complete calculation on fixed samples, on one thread
// and on every hardware thread side by side, and against a vectorised
// NumPy/SciPy program doing the same work (bench/peer.py) where Python with
// NumPy and SciPy is installed.
//
// Writes deterministic samples of n = 8, 30, 100, 1000 and 10000 values drawn
// from a GEV and a LogPearson III (fitted by L-moments to typical river
// figures, drawn through the program's own generator and quantile
// functions) as data files, then for each file:
//   - CalculateAll in this process: median wall time and CPU time;
//   - the batch tool as a whole process (zarn-cli --data F --json /dev/null),
//     and the peer, median wall time, with the batch tool's peak memory;
// then a batch of 200 stations of 50 values through zarn-cli --batch, and the
// split of one calculation between the simulations of the eight distributions.
//
// Then the regional row: a region of 60 stations (about 4,000 values) through
// zarn-cli --region with 10,000 simulated regions and no accuracy
// simulation, side by side with a plain Fortran program of the same
// statistics (bench/regional_peer.f90, built where a Fortran compiler is
// found), and with the accuracy simulation of 10,000 regions.
//
// Then the Bulletin 17C row: a station of 70 systematic years, a historical
// period of 100 years under a perception threshold with two historic peaks,
// three interval years and MGBT, weighted skew and 95 % limits: AnalyseB17c
// in this process and zarn-cli --b17c as a whole process.
//
//   zarn-bench [--out FOLDER] [--quick] [--no-split] [--no-peer] [--threads N] [--regional] [--b17c]
//     --regional  the regional row alone
//     --b17c      the Bulletin 17C row alone
//     --out       where the data files go (default: bench-data beside the program)
//     --quick     one run of each (a smoke test, not a measurement)
//     --no-split  skip the per-distribution split
//     --no-peer   skip the NumPy/SciPy peer
//     --threads   the "all threads" column (default: hardware threads)
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/b17c.h"
#include "analysis/calculation.h"
#include "files/errors.h"
#include "analysis/ema.h"
#include "analysis/estimation.h"
#include "analysis/fittests.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "analysis/simulation.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

constexpr int kSizes[] = {8, 30, 100, 1000, 10000};
// Seed of the benchmark samples: any state other than the simulations' own.
constexpr std::int64_t kSampleSeed = 20240601;
// The batch figure: stations of this many values.
constexpr int kBatchStations = 200;
constexpr int kBatchValues = 50;

struct Family {
    const char* Name;
    int Index;              // distribution the sample is drawn from
    LMomentSet Moments;     // L-moments it is fitted to (of ln x for LogPearson III)
};

// A skewed annual-maximum discharge (m3/s) and the logarithms of another.
// The GEV (shape about -0.19) is bounded below near 150, so every value is
// positive, as the logarithms need.
constexpr Family kFamilies[] = {
    {"gev", kGEV, {1000.0, 120.0, 0.30, 0.0}},
    {"lp3", kLogPearson3, {6.8, 0.30, 0.05, 0.0}},
};

struct Options {
    fs::path Folder;
    bool Quick = false;
    bool Split = true;
    bool Peer = true;
    bool RegionalOnly = false;
    bool B17cOnly = false;  // --b17c: the Bulletin 17C row alone
    int Threads = 0;
};

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU time of this process: unlike the wall time, it does not grow when
// other work shares the machine.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

double Median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

int RunsFor(int n, const Options& o) {
    if (o.Quick) return 1;
    if (n <= 100) return 9;
    if (n <= 1000) return 5;
    return 3;
}

// Writes n values of the family, one per line, with 10 significant digits.
std::string WriteSample(const fs::path& path, const Family& family, int n, std::int64_t seed) {
    ParameterSet p{};
    EstimateParameters(family.Index, family.Moments, p);
    std::vector<double> u(n);
    std::int64_t state = seed;
    UniformSeries(state, n, u.data());
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) {
        std::perror(path.c_str());
        std::exit(1);
    }
    for (double ui : u) {
        double x = DistributionQuantile(family.Index, p, ui);
        if (family.Index == kLogNormal || family.Index == kLogPearson3) x = std::exp(x);
        std::fprintf(out, "%.10g\n", x);
    }
    std::fclose(out);
    return path.string();
}

struct ProcessFigures {
    double Wall = NAN;       // median wall time, s
    double PeakMb = NAN;     // largest maximum resident set, MB
    bool Ok = true;
};

// Runs `argv` `runs` times as a child process (output to /dev/null).
ProcessFigures TimeProcess(const std::vector<std::string>& argv, int runs) {
    ProcessFigures f;
    std::vector<double> walls;
    double peak = 0;
    for (int run = 0; run < runs; ++run) {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::fflush(stdout);  // else the child's freopen writes our buffer again
        std::fflush(stderr);
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            // A child whose output cannot be silenced is not timed: it fails.
            if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) _exit(126);
            execv(args[0], args.data());
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        walls.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        peak = std::max(peak, usage.ru_maxrss / 1024.0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) f.Ok = false;
    }
    f.Wall = Median(walls);
    f.PeakMb = peak;
    return f;
}

fs::path ProgramFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

// The Python that has NumPy and SciPy, or "" (the system's first: the
// Debian packages python3-numpy and python3-scipy install there).
std::string PeerPython() {
    for (const char* python : {"/usr/bin/python3", "/usr/local/bin/python3"}) {
        if (::access(python, X_OK) != 0) continue;
        const std::string check = std::string(python) + " -c 'import numpy, scipy' >/dev/null 2>&1";
        if (std::system(check.c_str()) == 0) return python;
    }
    return {};
}

void PrintSplit(const std::string& path) {
    auto r = std::make_unique<AnalysisRecord>();
    CalculateAll(*r, "bench", "", "", path, {1, nullptr});
    static const char* const kNames[] = {"Normal", "LogNormal", "Gumbel", "Exponential",
                                         "Pearson III", "LogPearson III", "GEV", "GPA"};
    std::printf("    simulations per distribution, one thread:\n");
    for (int index = 1; index <= kDistributionCount; ++index) {
        const double t = Seconds([&] { SimulateDistribution(index, r->SampleSize, ParametersOf(*r, index)); });
        std::printf("      %-15s %9.4f s\n", kNames[index - 1], t);
    }
}

// 200 stations of 50 values in a folder, through the batch tool on one
// thread and on all of them. Skipped when the batch tool has no --batch.
void PrintBatch(const Options& o, const std::string& cli, int threads) {
    const fs::path stations = o.Folder / "batch";
    fs::create_directories(stations);
    for (int s = 0; s < kBatchStations; ++s) {
        char name[32];
        std::snprintf(name, sizeof name, "station-%03d.dat", s + 1);
        WriteSample(stations / name, kFamilies[s % 2], kBatchValues, kSampleSeed + 7919 * (s + 1));
    }
    const fs::path out = o.Folder / "batch-out";
    const int runs = o.Quick ? 1 : 3;
    auto batch = [&](int t) {
        fs::remove_all(out);
        return TimeProcess({cli, "--batch", stations.string(), "--out", out.string(), "--threads", std::to_string(t)},
                           runs);
    };
    const ProcessFigures one = batch(1);
    if (!one.Ok) {
        std::printf("\nbatch: zarn-cli --batch failed or is not available\n");
        return;
    }
    const ProcessFigures all = batch(threads);
    std::printf("\nbatch of %d stations of %d values (zarn-cli --batch, whole process, median of %d):\n",
                kBatchStations, kBatchValues, runs);
    std::printf("  1 thread %.3f s, %d threads %.3f s, speed-up %.2f, peak memory %.1f MB\n", one.Wall, threads,
                all.Wall, one.Wall / all.Wall, all.PeakMb);
}

// The regional row: 60 stations of 40 to 94 values (GEV and LogPearson III
// alternately, as the single samples), through zarn-cli --region and the
// Fortran peer, each with 10,000 simulated regions.
void PrintRegional(const Options& o, const std::string& cli, int threads) {
    constexpr int kStations = 60;
    constexpr int kSimulated = 10000;
    const fs::path folder = o.Folder / "region";
    fs::create_directories(folder);
    const fs::path peerInput = o.Folder / "region-peer.txt";
    FILE* peerFile = std::fopen(peerInput.c_str(), "w");
    if (peerFile == nullptr) return;
    std::fprintf(peerFile, "%d %d %d\n", kStations, kSimulated, 748932582);
    int total = 0;
    for (int s = 0; s < kStations; ++s) {
        char name[32];
        std::snprintf(name, sizeof name, "station-%02d.dat", s + 1);
        const int n = 40 + (s * 37) % 55;
        total += n;
        const std::string path = WriteSample(folder / name, kFamilies[s % 2], n, kSampleSeed + 104729 * (s + 1));
        std::vector<double> values(n);
        FILE* in = std::fopen(path.c_str(), "r");
        for (double& v : values)
            if (std::fscanf(in, "%lf", &v) != 1) v = NAN;
        std::fclose(in);
        std::fprintf(peerFile, "%d\n", n);
        for (double v : values) std::fprintf(peerFile, "%.10g\n", v);
    }
    std::fclose(peerFile);
    const int runs = o.Quick ? 1 : 3;
    const std::string nsim = std::to_string(o.Quick ? 1000 : kSimulated);
    auto region = [&](int t, const char* accuracy) {
        return TimeProcess({cli, "--region", folder.string(), "--nsim", nsim, "--nrep", nsim, "--accuracy", accuracy,
                            "--json", "/dev/null", "--threads", std::to_string(t)},
                           runs);
    };
    const ProcessFigures one = region(1, "none");
    if (!one.Ok) {
        std::printf("\nregion: zarn-cli --region failed or is not available\n");
        return;
    }
    const ProcessFigures all = region(threads, "none");
    const ProcessFigures accuracy = region(threads, "auto");
    std::printf("\nregion of %d stations, %d values, %s simulated regions (zarn-cli --region, whole process, median of %d):\n",
                kStations, total, nsim.c_str(), runs);
    std::printf("  --accuracy none: 1 thread %.3f s, %d threads %.3f s, peak memory %.1f MB\n", one.Wall, threads,
                all.Wall, all.PeakMb);
    std::printf("  with the accuracy simulation (%s regions), %d threads: %.3f s, peak memory %.1f MB\n", nsim.c_str(),
                threads, accuracy.Wall, accuracy.PeakMb);
#ifdef ZARN_REGIONAL_PEER
    if (!o.Quick) {
        const ProcessFigures peer = TimeProcess({ZARN_REGIONAL_PEER, peerInput.string()}, runs);
        std::printf("  Fortran peer (bench/regional_peer.f90, gfortran -O2, 1 thread): %.3f s; zarn-cli is %.2f times "
                    "faster on %d threads, %.2f on 1\n",
                    peer.Wall, peer.Wall / all.Wall, threads, peer.Wall / one.Wall);
    }
#else
    std::printf("  Fortran peer: not built (no Fortran compiler)\n");
#endif
}

Options Parse(int argc, char** argv) {
    Options o;
    o.Folder = ProgramFolder() / "bench-data";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) o.Folder = argv[++i];
        else if (arg == "--quick") o.Quick = true;
        else if (arg == "--no-split") o.Split = false;
        else if (arg == "--no-peer") o.Peer = false;
        else if (arg == "--regional") o.RegionalOnly = true;
        else if (arg == "--b17c") o.B17cOnly = true;
        else if (arg == "--threads" && i + 1 < argc) o.Threads = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: zarn-bench [--out FOLDER] [--quick] [--no-split] [--no-peer] [--threads N] [--regional] [--b17c]\n");
            std::exit(2);
        }
    }
    return o;
}

// The Bulletin 17C station: log-Pearson III years (mean 4, sd 0.25, skew
// 0.2 in log10) from a fixed seed, as a year;value table.
HistoricalRecord B17cStation() {
    std::mt19937_64 random(kSampleSeed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    auto flow = [&](double aep) { return std::pow(10.0, 4.0 + 0.25 * P3FrequencyFactor(0.2, aep)); };
    HistoricalRecord r;
    r.Observations.push_back({1862, flow(0.004), flow(0.004), true});
    r.Observations.push_back({1913, flow(0.008), flow(0.008), true});
    for (int year = 1950; year < 2020; ++year) {
        const double q = flow(uniform(random));
        if (year % 25 == 3) r.Observations.push_back({year, q * 0.8, q * 1.3, false});  // interval years
        else r.Observations.push_back({year, q, q, false});
    }
    r.Thresholds.push_back({1850, 1949, flow(0.01), INFINITY});
    return r;
}

void PrintB17c(const Options& o, const std::string& cli) {
    const HistoricalRecord station = B17cStation();
    B17cOptions options;
    options.Skew = SkewOption::Weighted;
    options.RegionalSkew = 0;
    options.RegionalSkewSE = 0.55;
    options.Confidence = 0.95;
    const int runs = o.Quick ? 1 : 21;
    std::vector<double> times;
    B17cResult r;
    for (int run = 0; run < runs; ++run) times.push_back(Seconds([&] { r = AnalyseB17c(station, options); }));
    const fs::path table = o.Folder / "b17c-station.txt";
    std::FILE* out = std::fopen(table.c_str(), "w");
    if (!out) throw std::runtime_error("cannot write " + table.string());
    for (const auto& v : station.Observations) {
        if (v.Low == v.High) std::fprintf(out, "%d;%.10g", v.Year, v.Low);
        else std::fprintf(out, "%d;%.10g-%.10g", v.Year, v.Low, v.High);
        std::fprintf(out, v.Historical ? ";h\n" : "\n");
    }
    std::fclose(out);
    char threshold[64];
    std::snprintf(threshold, sizeof threshold, "1850-1949:%.10g", station.Thresholds[0].Low);
    const ProcessFigures cliRun = TimeProcess({cli, "--data", table.string(), "--b17c", "--threshold", threshold,
                                               "--skew", "weighted", "--regional-skew", "0", "--regional-skew-se",
                                               "0.55", "--confidence", "0.95", "--json", "/dev/null"},
                                              o.Quick ? 1 : 5);
    std::printf("\nBulletin 17C station (70 systematic years, 100 historical, 3 intervals, weighted skew, 95 %% limits):\n");
    std::printf("  AnalyseB17c %.4f s (median of %d, %s, %d EMA iterations); zarn-cli --b17c %.3f s%s, peak memory %.1f MB\n",
                Median(times), runs, r.Ok ? "ok" : r.Failure.c_str(), r.Iterations, cliRun.Wall,
                cliRun.Ok ? "" : " (failed)", cliRun.PeakMb);
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);
    fs::create_directories(o.Folder);
    const int threads = ResolveThreadCount(o.Threads);
    const std::string cli = (ProgramFolder() / "zarn-cli").string();
    const std::string python = o.Peer ? PeerPython() : std::string();
    const std::string peer = (fs::path(ZARN_SOURCE_DIR) / "bench" / "peer.py").string();
    std::printf("data files in %s; %d hardware threads; peer: %s\n", o.Folder.c_str(), threads,
                python.empty() ? "not run (no Python with NumPy and SciPy)" : (python + " " + peer).c_str());
    std::printf("\n%-12s %-25s %-25s %-26s %-9s %-10s\n", "", "CalculateAll, 1 thread", "CalculateAll, all threads",
                "zarn-cli: 1 thread / all", "peer", "zarn-cli");
    std::printf("%-12s %-25s %-25s %-26s %-9s %-10s\n", "sample", "wall (CPU)", "wall (CPU)", "wall", "wall",
                "peak MB");

    try {
        if (o.RegionalOnly) {
            PrintRegional(o, cli, threads);
            return 0;
        }
        if (o.B17cOnly) {
            PrintB17c(o, cli);
            return 0;
        }
        for (const Family& family : kFamilies) {
            for (int n : kSizes) {
                const fs::path path = o.Folder / (std::string(family.Name) + "-" + std::to_string(n) + ".dat");
                WriteSample(path, family, n, kSampleSeed);
                const int runs = RunsFor(n, o);
                double wall[2], cpu[2];
                for (int variant = 0; variant < 2; ++variant) {
                    std::vector<double> times, cpuTimes;
                    for (int run = 0; run < runs; ++run) {
                        auto r = std::make_unique<AnalysisRecord>();
                        const double cpuStart = CpuSeconds();
                        times.push_back(Seconds(
                            [&] { CalculateAll(*r, "bench", "", "", path.string(), {variant == 0 ? 1 : threads, nullptr}); }));
                        cpuTimes.push_back(CpuSeconds() - cpuStart);
                    }
                    wall[variant] = Median(times);
                    cpu[variant] = Median(cpuTimes);
                }
                const ProcessFigures one =
                    TimeProcess({cli, "--data", path.string(), "--json", "/dev/null", "--threads", "1"}, runs);
                const ProcessFigures all = TimeProcess(
                    {cli, "--data", path.string(), "--json", "/dev/null", "--threads", std::to_string(threads)}, runs);
                ProcessFigures peerFigures;
                if (!python.empty()) peerFigures = TimeProcess({python, peer, path.string()}, n >= 10000 ? 1 : runs);
                char sample[32];
                std::snprintf(sample, sizeof sample, "%s n=%d", family.Name, n);
                std::printf("%-12s %8.4f s (%7.4f s)     %8.4f s (%7.4f s)     %8.4f s / %8.4f s     %7.3f s %6.1f\n",
                            sample, wall[0], cpu[0], wall[1], cpu[1], one.Wall, all.Wall, peerFigures.Wall, all.PeakMb);
                std::fflush(stdout);
            }
        }
        if (o.Split) {
            std::printf("\nsplit of the GEV sample of 1000 values:\n");
            PrintSplit((o.Folder / "gev-1000.dat").string());
        }
        PrintBatch(o, cli, threads);
        PrintRegional(o, cli, threads);
        PrintB17c(o, cli);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zarn-bench: %s\n", e.what());
        return 1;
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\npeak memory of zarn-bench (max resident set): %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
