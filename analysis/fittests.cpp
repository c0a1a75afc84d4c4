// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/fittests.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "files/errors.h"
#include "analysis/estimation.h"
#include "analysis/quantiles.h"
#include "analysis/simulation.h"
#include "analysis/special.h"
#include "analysis/statistics.h"

namespace zarn {

namespace {

// Lehmer's multiplicative congruential generator (Park and Miller 1988).
constexpr std::int64_t kMultiplier = 16807;
constexpr std::int64_t kModulus = 2147483647;  // 2^31 - 1

// Coefficients A0..A8 of tau4 as a polynomial in tau3 (Hosking 1991).
constexpr int kTau4Degree = 8;
constexpr double kTau4Pearson3[kTau4Degree + 1] = {0.1224, 0, 0.30115, 0, 0.95812, 0, -0.57488, 0, 0.19383};
constexpr double kTau4GEV[kTau4Degree + 1] = {0.10701, 0.1109, 0.84838, -0.06669, 0.00567, -0.04208, 0.03763, 0, 0};
constexpr double kTau4GPA[kTau4Degree + 1] = {0, 0.20196, 0.95924, -0.20096, 0.04061, 0, 0, 0, 0};

// L-skewness of the Gumbel and of the exponential distribution.
constexpr double kGumbelTau3 = 0.1699;
constexpr double kExponentialTau3 = 0.3333333333333333;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Member(const LMomentSet& m, int k) {
    switch (k) {
    case 1: return m.L1;
    case 2: return m.L2;
    case 3: return m.T3;
    case 4: return m.T4;
    default: return 0.0;
    }
}

// R of the ascending series against the quantiles q of the same length.
double CorrelationWithQuantiles(int n, const double* ascending, const double* q) {
    const double yMean = SampleMean(ascending, n);
    const double qMean = SampleMean(q, n);
    return CorrelationCoefficient(n, ascending, q, yMean, qMean);
}

// Draws n uniforms (the stream advances by n whatever follows) and maps them
// through the fitted distribution. False when a fault was flagged.
bool DrawSample(int index, int n, const ParameterSet& p, std::int64_t& state, double* u, double* x) {
    UniformSeries(state, n, u);
    FloatingPointCheck::Clear();
    for (int j = 0; j < n; ++j) x[j] = DistributionQuantile(index, p, u[j]);
    return !FloatingPointCheck::Faulted();
}

}  // namespace

double PlottingPosition(int index, int i, int n) {
    switch (index) {
    case kNormal:
    case kLogNormal:
    case kPearson3:
    case kLogPearson3:
        return (i - 0.375) / (n + 0.25);  // Blom (1958)
    case kGumbel:
    case kExponential:
        return (i - 0.44) / (n + 0.12);  // Gringorten (1963)
    case kGEV:
    case kGPA:
        return (i - 0.4) / (n + 0.2);  // Cunnane (1978)
    default:
        return 0.0;
    }
}

double CorrelationCoefficient(int n, const double* x, const double* y, double xMean, double yMean) {
    double sxy = 0.0;
    double sxx = 0.0;
    double syy = 0.0;
    for (int j = 0; j < n; ++j) {
        const double dx = x[j] - xMean;
        const double dy = y[j] - yMean;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    return sxy / std::sqrt(sxx * syy);
}

void PlottingPositionQuantiles(int index, int n, const ParameterSet& p, double* F, double* q) {
    for (int i = 1; i <= n; ++i) {
        const double position = PlottingPosition(index, i, n);
        if (F) F[i - 1] = position;
        q[i - 1] = DistributionQuantile(index, p, position);
    }
}

double ProbabilityPlotCorrelation(int index, int n, const double* ascending, const ParameterSet& p) {
    std::vector<double> q(n > 0 ? n : 0);
    PlottingPositionQuantiles(index, n, p, nullptr, q.data());
    return CorrelationWithQuantiles(n, ascending, q.data());
}

void UniformSeries(std::int64_t& state, int n, double* u) {
    // 16807 * s < 2^46: the product is exact in 64 bits; u is never 0 or 1.
    for (int j = 0; j < n; ++j) {
        state = (kMultiplier * state) % kModulus;
        u[j] = static_cast<double>(state) / static_cast<double>(kModulus);
    }
}

double SimulatedCriticalR(const AnalysisRecord& r, int index) {
    return SimulatedCriticalR(index, r.SampleSize, ParametersOf(r, index));
}

double SimulatedCriticalR(int index, int n, const ParameterSet& p, int* completed,
                          std::vector<std::array<double, 7>>* intervals) {
    FloatingPointFlagsKept kept;
    std::vector<double> u(n), x(n), correlations;
    std::int64_t state = kSimulationSeed;
    // When the estimator writes nothing for a replicate, the previous
    // replicate's parameters stay; the first replicate starts from zero.
    ParameterSet refit{0.0, 0.0, 0.0};
    for (int rep = 0; rep < kReplicates; ++rep) {
        if (!DrawSample(index, n, p, state, u.data(), x.data())) continue;
        const LMomentSet moments = SampleLMoments(x.data(), n);
        if (FloatingPointCheck::Faulted()) continue;
        const bool written = EstimateParameters(index, moments, refit);
        const int refitCode = CalcError;
        if (FloatingPointCheck::Faulted()) continue;
        SortAscending(x.data(), n);
        const double R = ProbabilityPlotCorrelation(index, n, x.data(), refit);
        if (FloatingPointCheck::Faulted()) continue;
        correlations.push_back(R);

        if (intervals == nullptr || !written || refitCode != 0) continue;
        std::array<double, 7> q{};
        bool counted = true;
        for (int t = 0; t < kReturnPeriodCount && counted; ++t) {
            q[t] = DistributionQuantile(index, refit, kReturnPeriodProbabilities[t]);
            if (CalcError != 0) counted = false;
            if (IsLogDistribution(index)) q[t] = std::exp(q[t]);
            if (FloatingPointCheck::Faulted() || !std::isfinite(q[t])) counted = false;
        }
        if (counted) intervals->push_back(q);
    }
    const int m = static_cast<int>(correlations.size());
    if (completed != nullptr) *completed = m;
    if (m < 2) return kNaN;
    SortAscending(correlations.data(), m);
    return correlations[(m + 9) / 10 - 1];  // the ceil(m/10)-th smallest: 50th of 500
}

double RealPower(double x, int m) {
    double result = 1.0;
    for (int i = 0; i < m; ++i) result *= x;
    return result;
}

double Tau4Polynomial(int index, double t) {
    const double* a = nullptr;
    switch (index) {
    case kPearson3:
    case kLogPearson3: a = kTau4Pearson3; break;
    case kGEV: a = kTau4GEV; break;
    case kGPA: a = kTau4GPA; break;
    default: return 0.0;
    }
    double tau4 = 0.0;
    for (int m = 0; m <= kTau4Degree; ++m) tau4 += a[m] * RealPower(t, m);
    return tau4;
}

double TheoreticalRatio(const AnalysisRecord& r, int index) {
    switch (index) {
    case kNormal:
    case kLogNormal: return 0.0;
    case kGumbel: return kGumbelTau3;
    case kExponential: return kExponentialTau3;
    case kPearson3: return Tau4Polynomial(index, r.LMoments.T3);
    case kLogPearson3: return Tau4Polynomial(index, r.LogLMoments.T3);
    case kGEV:
    case kGPA: return Tau4Polynomial(index, r.LMoments.T3);
    default: return 0.0;
    }
}

double SimulatedRatioStdDev(int index, int n, const ParameterSet& p, int k, int* completed) {
    FloatingPointFlagsKept kept;
    std::vector<double> u(n), x(n), ratios;
    std::int64_t state = kSimulationSeed;
    for (int rep = 0; rep < kReplicates; ++rep) {
        if (!DrawSample(index, n, p, state, u.data(), x.data())) continue;
        const double ratio = Member(SampleLMoments(x.data(), n), k);
        if (FloatingPointCheck::Faulted()) continue;
        ratios.push_back(ratio);
    }
    const int m = static_cast<int>(ratios.size());
    if (completed != nullptr) *completed = m;
    if (m < 2) return kNaN;
    return SampleStdDev(ratios.data(), m, SampleMean(ratios.data(), m));
}

void VarianceTest(AnalysisRecord& r, const SimulationSummary& simulations) {
    for (int index = 1; index <= kDistributionCount; ++index) {
        // Two-parameter distributions are judged on t3, the others on t4.
        const int k = index <= kExponential ? 3 : 4;
        const LMomentSet& sample = IsLogDistribution(index) ? r.LogLMoments : r.LMoments;
        const double theoretical = TheoreticalRatio(r, index);
        // A NaN deviation (fewer than 2 samples completed) gives a NaN |Z| quietly.
        VarianceTestZOf(r, index) = std::fabs((theoretical - Member(sample, k)) / simulations.Of(index).RatioStdDev);
        FloatingPointCheck::RaiseIfFaulted();
    }
}

void GoodnessOfFit(AnalysisRecord& r, const SimulationSummary& simulations) {
    const int n = r.SampleSize;
    std::vector<double> sorted(r.Sample, r.Sample + n);
    std::vector<double> sortedLog(r.LogSample, r.LogSample + n);
    SortAscending(sorted.data(), n);
    SortAscending(sortedLog.data(), n);

    for (int index = 1; index <= kDistributionCount; ++index) {
        FitResult& fit = FitTestOf(r, index);
        fit.R = ProbabilityPlotCorrelation(index, n, IsLogDistribution(index) ? sortedLog.data() : sorted.data(),
                                           ParametersOf(r, index));
        FloatingPointCheck::RaiseIfFaulted();
        fit.R90 = simulations.Of(index).CriticalR;
    }
}

}  // namespace zarn
