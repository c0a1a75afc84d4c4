// zarn-bench: times the complete calculation on fixed samples.
//
// Writes deterministic samples of n = 30, 100, 1000 and 10000 values drawn
// from a GEV and a LogPearson III (fitted by L-moments to typical river
// figures, drawn through the program's own generator and quantile
// functions) as data files, so the batch tool can be timed on the same files;
// then times CalculateAll on each (median wall time of several runs), splits
// one run into its steps, and prints the peak memory.
//
//   zarn-bench [--out FOLDER] [--quick] [--no-split]
//     --out       where the data files go (default: bench-data beside the program)
//     --quick     one run per file (a smoke test, not a measurement)
//     --no-split  skip the step-by-step split
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/datafile.h"
#include "analysis/errors.h"
#include "analysis/estimation.h"
#include "analysis/fittests.h"
#include "analysis/quantiles.h"
#include "analysis/ranktests.h"
#include "analysis/record.h"
#include "analysis/simulation.h"
#include "analysis/statistics.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

constexpr int kSizes[] = {30, 100, 1000, 10000};
// Seed of the benchmark samples: any state other than the simulations' own.
constexpr std::int64_t kSampleSeed = 20240601;

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

AnalysisRecord gRecord;

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
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

int RunsFor(int n, bool quick) {
    if (quick) return 1;
    if (n <= 100) return 9;
    if (n <= 1000) return 5;
    return 3;
}

// Writes n values of the family, one per line, with 10 significant digits.
std::string WriteSample(const fs::path& folder, const Family& family, int n) {
    ParameterSet p{};
    EstimateParameters(family.Index, family.Moments, p);
    std::vector<double> u(n);
    std::int64_t state = kSampleSeed;
    UniformSeries(state, n, u.data());
    const fs::path path = folder / (std::string(family.Name) + "-" + std::to_string(n) + ".dat");
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

// One step as the driver runs it: flags cleared before, checked after.
double TimedStep(const std::function<void()>& step) {
    return Seconds([&] {
        FloatingPointCheck check;
        step();
        check.Raise();
    });
}

// The driver's steps one by one on gRecord, then the simulations of each
// distribution on their own.
void PrintSplit(const std::string& path) {
    AnalysisRecord& r = gRecord;
    std::memset(&r, 0, sizeof r);
    struct Row {
        const char* name;
        double seconds;
    };
    std::vector<Row> rows;
    rows.push_back({"read data file", TimedStep([&] { r.SampleSize = ReadDataFile(path, r.Sample); })});
    const int n = r.SampleSize;
    rows.push_back({"logarithms", TimedStep([&] { LogTransform(r.Sample, n, r.LogSample); })});
    rows.push_back({"descriptive statistics", TimedStep([&] {
        DescriptiveStatistics(r.Sample, n, r.Minimum, r.Maximum, r.Mean, r.StdDev, r.Skewness);
        DescriptiveStatistics(r.LogSample, n, r.LogMinimum, r.LogMaximum, r.LogMean, r.LogStdDev, r.LogSkewness);
    })});
    rows.push_back({"L-moments", TimedStep([&] {
        r.LMoments = SampleLMoments(r.Sample, n);
        r.LogLMoments = SampleLMoments(r.LogSample, n);
    })});
    rows.push_back({"histogram", TimedStep([&] {
        r.ClassCount = BuildHistogram(r.Sample, n, r.Minimum, r.Maximum, r.ClassCentre, r.ClassFrequency);
    })});
    rows.push_back({"estimation", TimedStep([&] { EstimateAllDistributions(r); })});
    rows.push_back({"Kendall", TimedStep([&] { KendallTest(r); })});
    rows.push_back({"Mann-Kendall", TimedStep([&] { MannKendallTest(r); })});
    rows.push_back({"Grubbs-Beck", TimedStep([&] { GrubbsBeckTest(r); })});
    rows.push_back({"skewness outliers", TimedStep([&] { SkewnessOutlierTest(r); })});
    SimulationSummary simulations;
    rows.push_back({"simulations, one thread", TimedStep([&] { simulations = SimulateAll(r, {1, nullptr}); })});
    rows.push_back({"variance test", TimedStep([&] { VarianceTest(r, simulations); })});
    rows.push_back({"goodness of fit", TimedStep([&] { GoodnessOfFit(r, simulations); })});
    double total = 0;
    for (const Row& row : rows) total += row.seconds;
    std::printf("    step split of one run (total %.3f s):\n", total);
    for (const Row& row : rows)
        std::printf("      %-38s %9.4f s  %5.1f %%\n", row.name, row.seconds, 100 * row.seconds / total);

    static const char* const kNames[] = {"Normal", "LogNormal", "Gumbel", "Exponential",
                                         "Pearson III", "LogPearson III", "GEV", "GPA"};
    std::printf("    simulations per distribution (joint / the two separate ones):\n");
    for (int index = 1; index <= kDistributionCount; ++index) {
        const ParameterSet p = ParametersOf(r, index);
        const int k = index <= kExponential ? 3 : 4;
        const double joint = TimedStep([&] { SimulateDistribution(index, n, p); });
        const double separate = TimedStep([&] {
            SimulatedRatioStdDev(index, n, p, k);
            SimulatedCriticalR(index, n, p);
        });
        std::printf("      %-15s %9.4f s  %9.4f s\n", kNames[index - 1], joint, separate);
    }
}

fs::path DefaultFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (error ? fs::current_path() : self.parent_path()) / "bench-data";
}

}  // namespace

int main(int argc, char** argv) {
    fs::path folder = DefaultFolder();
    bool quick = false;
    bool split = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) folder = argv[++i];
        else if (arg == "--quick") quick = true;
        else if (arg == "--no-split") split = false;
        else {
            std::fprintf(stderr, "usage: zarn-bench [--out FOLDER] [--quick] [--no-split]\n");
            return 2;
        }
    }
    fs::create_directories(folder);
    std::printf("data files in %s\n", folder.c_str());

    try {
        for (const Family& family : kFamilies) {
            for (int n : kSizes) {
                const std::string path = WriteSample(folder, family, n);
                std::vector<double> times;
                std::vector<double> cpuTimes;
                for (int run = 0; run < RunsFor(n, quick); ++run) {
                    std::memset(&gRecord, 0, sizeof gRecord);
                    const double cpuStart = CpuSeconds();
                    times.push_back(Seconds([&] { CalculateAll(gRecord, "bench", "", "", path); }));
                    cpuTimes.push_back(CpuSeconds() - cpuStart);
                }
                std::printf("%s n = %5d: CalculateAll median %.4f s wall (min %.4f, max %.4f), %.4f s CPU, %zu runs\n",
                            family.Name, n, Median(times), *std::min_element(times.begin(), times.end()),
                            *std::max_element(times.begin(), times.end()), Median(cpuTimes), times.size());
                if (split) PrintSplit(path);
                std::fflush(stdout);
            }
        }
    } catch (const ZarnError& e) {
        std::fprintf(stderr, "zarn-bench: %s\n", e.what());
        return 1;
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory (max resident set): %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
