// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/calculation.h"

#include <cstring>
#include <vector>

#include "files/datafile.h"
#include "files/errors.h"
#include "analysis/estimation.h"
#include "analysis/fittests.h"
#include "files/format.h"
#include "analysis/membership.h"
#include "analysis/ranktests.h"
#include "analysis/statistics.h"
#include "files/textcodec.h"

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

// The refusals of a series without variation; `values` names what was
// looked at ("valores" or "valores positivos").
void RefuseUniform(const double* values, int n, const DataFileSource& source, const std::string& valuesName);

// True for a token that is zero as written ("0", "0.00", "-0", "0e3"): a year
// without flow. A tiny value that only underflows to zero ("1e-400") is not.
bool WrittenAsZero(const std::string& token) {
    const std::string mantissa = token.substr(0, token.find_first_of("eE"));
    return mantissa.find_first_not_of("+-0.") == std::string::npos;
}

}  // namespace

void RefuseUnanalysable(const double* values, int n, const DataFileSource& source) {
    if (n < kMinimumSampleSize) {
        const std::string read = n == 0 ? std::string("não tem nenhum valor") : "tem apenas " + Count(n, "valor", "valores");
        throw ZarnError("O arquivo de dados " + read + ": a análise precisa de pelo menos " +
                        std::to_string(kMinimumSampleSize) + " valores");
    }
    int zeros = 0;
    for (int i = 0; i < n; ++i) {
        if (values[i] > 0) continue;
        if (values[i] == 0 && (i >= static_cast<int>(source.Tokens.size()) || WrittenAsZero(source.Tokens[i]))) {
            ++zeros;
            continue;
        }
        const std::string line = i < static_cast<int>(source.Lines.size()) ? std::to_string(source.Lines[i]) : "?";
        const std::string value = i < static_cast<int>(source.Tokens.size()) ? source.Tokens[i] : "";
        throw ZarnError("O valor da linha " + line + " do arquivo de dados é " + value +
                        ": a análise trabalha com os logaritmos dos valores, por isso todo valor deve ser "
                        "maior que zero");
    }
    if (zeros == 0) {
        RefuseUniform(values, n, source, "valores");
        return;
    }
    const int positive = n - zeros;
    if (positive < kMinimumSampleSize)
        throw ZarnError("O arquivo de dados tem " + Count(n, "valor", "valores") + ", dos quais " +
                        Count(zeros, "é zero", "são zero") + (zeros == 1 ? " (ano sem vazão): " : " (anos sem vazão): ") +
                        (positive == 0 ? std::string("não resta nenhum valor positivo")
                                       : "resta" + std::string(positive == 1 ? " " : "m ") +
                                             Count(positive, "valor positivo", "valores positivos")) +
                        ", e a análise precisa de pelo menos " + std::to_string(kMinimumSampleSize));
    // The rest is asked of the positive values, named by their own lines.
    std::vector<double> kept;
    DataFileSource keptSource;
    for (int i = 0; i < n; ++i) {
        if (values[i] == 0) continue;
        kept.push_back(values[i]);
        if (i < static_cast<int>(source.Lines.size())) keptSource.Lines.push_back(source.Lines[i]);
        if (i < static_cast<int>(source.Tokens.size())) keptSource.Tokens.push_back(source.Tokens[i]);
    }
    RefuseUniform(kept.data(), positive, keptSource, "valores positivos");
}

namespace {

void RefuseUniform(const double* values, int n, const DataFileSource& source, const std::string& valuesName) {
    // How many values differ from the first, and where the first of them is.
    int differing = 0;
    int other = -1;
    for (int i = 1; i < n; ++i) {
        if (values[i] == values[0]) continue;
        ++differing;
        if (other < 0) other = i;
    }
    if (differing == 0)
        throw ZarnError("Todos os " + std::to_string(n) + " " + valuesName + " do arquivo de dados são iguais (" +
                        source.Tokens.at(0) + "): uma série sem variação não pode ser analisada");
    // All but one equal: either the first value is the odd one out (every
    // other value equals the second) or exactly one value differs from it.
    int odd = -1;
    if (differing == 1) {
        odd = other;
    } else if (differing == n - 1) {
        bool restEqual = true;
        for (int i = 2; i < n && restEqual; ++i) restEqual = values[i] == values[1];
        if (restEqual) odd = 0;
    }
    if (odd >= 0) {
        const int common = odd == 0 ? 1 : 0;
        throw ZarnError("Todos os " + valuesName + " do arquivo de dados são iguais (" + source.Tokens.at(common) +
                        "), exceto o da linha " + std::to_string(source.Lines.at(odd)) + " (" +
                        source.Tokens.at(odd) +
                        "): sem variação nos demais valores, o teste de outliers pela assimetria não pode ser "
                        "calculado");
    }
}

}  // namespace

void CalculateAll(AnalysisRecord& r, const std::string& title, const std::string& location,
                  const std::string& comment, const std::string& dataFileName, const SimulationOptions& options,
                  SimulationSummary* simulations, ZeroYears* zeroYears) {
    CalculationProgress* progress = options.Progress;
    auto stage = [&](CalculationStage s) {
        if (progress == nullptr) return;
        progress->ThrowIfCancelled();
        progress->SetStage(s);
    };

    // 1. The four texts, each cut to 255 characters.
    stage(CalculationStage::Reading);
    SetText(r.Title, title);
    SetText(r.Location, location);
    SetText(r.Comment, comment);
    SetText(r.DataFileName, Utf8ToWindows1252(dataFileName));

    // 2. The sample, read under the full path the user chose (the record
    // keeps only its first 255 characters, which may name another file).
    // Elements beyond n are cleared so that no leftover of an earlier
    // sample is saved with the project. A sample that cannot be analysed is
    // refused here, before any calculation.
    RunStep([&] {
        DataFileSource source;
        const int n = ReadDataFile(dataFileName, r.Sample, &source);
        r.SampleSize = n;
        std::memset(r.Sample + n, 0, sizeof(double) * (kSampleCapacity - n));
        RefuseUnanalysable(r.Sample, n, source);
        // Years without flow are set aside: the analysis is that of the
        // positive values in file order (Bulletin 17B, appendix 5).
        int kept = 0;
        for (int i = 0; i < n; ++i)
            if (r.Sample[i] != 0) r.Sample[kept++] = r.Sample[i];
        std::memset(r.Sample + kept, 0, sizeof(double) * (kSampleCapacity - kept));
        r.SampleSize = kept;
        if (zeroYears != nullptr) *zeroYears = ZeroYears{n - kept, n};
    });

    // 3. The probability plot starts with the Normal distribution.
    r.PlotDistribution = kNormal;

    stage(CalculationStage::Statistics);
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

    // 14, 15. Goodness-of-fit tests. The simulations of the eight
    // distributions run first, together; they settle their own faults.
    stage(CalculationStage::Simulations);
    SimulationSummary local;
    SimulationSummary& simulated = simulations != nullptr ? *simulations : local;
    simulated = SimulateAll(r, options);
    stage(CalculationStage::Finishing);
    RunStep([&] { VarianceTest(r, simulated); });
    RunStep([&] { GoodnessOfFit(r, simulated); });
    // 16. Parsimony of each two-parameter distribution against its
    // three-parameter relative.
    RunStep([&] { ParsimonyStep(r); });
    if (progress != nullptr) progress->SetStage(CalculationStage::Done);
}

}  // namespace zarn
