#include "analysis/calculation.h"

#include <cstring>

#include "analysis/datafile.h"
#include "analysis/errors.h"
#include "analysis/estimation.h"
#include "analysis/fittests.h"
#include "analysis/ranktests.h"
#include "analysis/statistics.h"

namespace zarn {

namespace {

// Runs one step with the IEEE flags cleared before it and checked after it:
// an invalid operation, a division by zero or an overflow ends the
// calculation with its text, so no non-finite value survives as a result.
template <typename Step>
void RunStep(Step&& step) {
    FloatingPointCheck check;
    step();
    check.Raise();
}

}  // namespace

void CalculateAll(AnalysisRecord& r, const std::string& title, const std::string& location,
                  const std::string& comment, const std::string& dataFileName) {
    // 1. The four texts, each cut to 255 characters.
    SetText(r.Title, title);
    SetText(r.Location, location);
    SetText(r.Comment, comment);
    SetText(r.DataFileName, Utf8ToWindows1252(dataFileName));

    // 2. The sample, read under the full path the user chose (the record
    // keeps only its first 255 characters, which may name another file).
    // Elements beyond n are cleared so that no leftover of an earlier
    // sample is saved with the project.
    RunStep([&] {
        const int n = ReadDataFile(dataFileName, r.Sample);
        r.SampleSize = n;
        std::memset(r.Sample + n, 0, sizeof(double) * (kSampleCapacity - n));
    });

    // 3. The probability plot starts with the Normal distribution.
    r.PlotDistribution = kNormal;

    const int n = r.SampleSize;
    // 4. Logarithms.
    RunStep([&] {
        LogTransform(r.Sample, n, r.LogSample);
        std::memset(r.LogSample + n, 0, sizeof(double) * (kSampleCapacity - n));
    });
    // 5, 6. Descriptive statistics of the sample and of its logarithms.
    RunStep([&] { DescriptiveStatistics(r.Sample, n, r.Minimum, r.Maximum, r.Mean, r.StdDev, r.Skewness); });
    RunStep([&] {
        DescriptiveStatistics(r.LogSample, n, r.LogMinimum, r.LogMaximum, r.LogMean, r.LogStdDev,
                              r.LogSkewness);
    });
    // 7. L-moments.
    RunStep([&] {
        r.LMoments = SampleLMoments(r.Sample, n);
        r.LogLMoments = SampleLMoments(r.LogSample, n);
    });
    // 8. Histogram between the minimum and the maximum.
    RunStep([&] {
        r.ClassCount = BuildHistogram(r.Sample, n, r.Minimum, r.Maximum, r.ClassCentre, r.ClassFrequency);
        const int k = r.ClassCount;
        std::memset(r.ClassCentre + k, 0, sizeof(double) * (kSampleCapacity - k));
        std::memset(r.ClassFrequency + k, 0, sizeof(double) * (kSampleCapacity - k));
    });
    // 9. Parameters of the eight distributions.
    RunStep([&] { EstimateAllDistributions(r); });
    // 10-13. Non-parametric tests.
    RunStep([&] { KendallTest(r); });
    RunStep([&] { MannKendallTest(r); });
    RunStep([&] { GrubbsBeckTest(r); });
    RunStep([&] { SkewnessOutlierTest(r); });
    // 14, 15. Goodness-of-fit tests.
    RunStep([&] { VarianceTest(r); });
    RunStep([&] { GoodnessOfFit(r); });
}

}  // namespace zarn
