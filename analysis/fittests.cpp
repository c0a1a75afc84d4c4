#include "analysis/fittests.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/errors.h"
#include "analysis/estimation.h"
#include "analysis/quantiles.h"
#include "analysis/statistics.h"

namespace zarn {

namespace {

// Lehmer's multiplicative congruential generator (Park and Miller 1988).
constexpr std::int64_t kMultiplier = 16807;
constexpr std::int64_t kModulus = 2147483647;  // 2^31 - 1
// R90 is the 50th smallest of the 500 simulated R (0.1 x 500).
constexpr int kCriticalRank = 50;
// Quantiles computed between two looks at the IEEE flags inside a simulated
// sample: bounds the work done with a NaN parameter before the fault stops it.
constexpr int kFaultCheckInterval = 64;

// Simulated samples of at least this many values are sorted by radix.
constexpr int kRadixSortFrom = 2000;
constexpr int kRadixBits = 8;
constexpr int kRadixBuckets = 1 << kRadixBits;
constexpr int kRadixPasses = 64 / kRadixBits;

// Coefficients A0..A8 of tau4 as a polynomial in tau3 (Hosking 1991).
constexpr int kTau4Degree = 8;
constexpr double kTau4Pearson3[kTau4Degree + 1] = {0.1224, 0, 0.30115, 0, 0.95812, 0, -0.57488, 0, 0.19383};
constexpr double kTau4GEV[kTau4Degree + 1] = {0.10701, 0.1109, 0.84838, -0.06669, 0.00567, -0.04208, 0.03763, 0, 0};
constexpr double kTau4GPA[kTau4Degree + 1] = {0, 0.20196, 0.95924, -0.20096, 0.04061, 0, 0, 0, 0};

// L-skewness of the Gumbel and of the exponential distribution.
constexpr double kGumbelTau3 = 0.1699;
constexpr double kExponentialTau3 = 0.3333333333333333;

// Work arrays of the simulations: fixed, so no replicate allocates.
double gUniforms[kSampleCapacity];
double gSimulated[kSampleCapacity];
double gDescending[kSampleCapacity];
double gQuantiles[kSampleCapacity];
double gSortedSample[kSampleCapacity];
double gSortedLogSample[kSampleCapacity];
double gCorrelations[kReplicates];
std::uint64_t gKeys[kSampleCapacity];
std::uint64_t gKeysSwap[kSampleCapacity];
std::uint32_t gDigitCounts[kRadixPasses][kRadixBuckets];
double gRatios[kReplicates];

// R90 of the joint simulations run by VarianceTest, per distribution.
struct RememberedCriticalR {
    bool Valid;
    int N;
    ParameterSet P;
    double R90;
};
RememberedCriticalR gRemembered[kDistributionCount];

void StopOnFault() { FloatingPointCheck::RaiseIfFaulted(); }

// LSD radix sort of doubles on their bit patterns, mapped so that unsigned
// order is numeric order (Herf 2001): negative values have every bit
// flipped, the others only the sign bit. -0 sorts before +0.
void RadixSortAscending(double* x, int n) {
    constexpr std::uint64_t kSignBit = 0x8000000000000000ull;
    std::memset(gDigitCounts, 0, sizeof gDigitCounts);
    for (int i = 0; i < n; ++i) {
        std::uint64_t key;
        std::memcpy(&key, &x[i], sizeof key);
        key = (key & kSignBit) ? ~key : (key | kSignBit);
        gKeys[i] = key;
        for (int pass = 0; pass < kRadixPasses; ++pass) ++gDigitCounts[pass][(key >> (pass * kRadixBits)) & (kRadixBuckets - 1)];
    }
    std::uint64_t* from = gKeys;
    std::uint64_t* to = gKeysSwap;
    for (int pass = 0; pass < kRadixPasses; ++pass) {
        const int shift = pass * kRadixBits;
        std::uint32_t* count = gDigitCounts[pass];
        if (count[(from[0] >> shift) & (kRadixBuckets - 1)] == static_cast<std::uint32_t>(n)) continue;  // one digit for all
        std::uint32_t start = 0;
        for (int digit = 0; digit < kRadixBuckets; ++digit) {
            const std::uint32_t c = count[digit];
            count[digit] = start;
            start += c;
        }
        for (int i = 0; i < n; ++i) to[count[(from[i] >> shift) & (kRadixBuckets - 1)]++] = from[i];
        std::swap(from, to);
    }
    for (int i = 0; i < n; ++i) {
        std::uint64_t key = from[i];
        key = (key & kSignBit) ? (key & ~kSignBit) : ~key;
        std::memcpy(&x[i], &key, sizeof key);
    }
}

// Ascending sort of a simulated sample (no NaN: the flags were checked).
// Equal doubles have equal bits except -0 and +0, whose order changes no
// later sum, so any correct sort leaves what SortAscending leaves for the
// L-moments and the correlation; these are faster on random values.
void SortSimulated(double* x, int n) {
    if (n >= kRadixSortFrom) RadixSortAscending(x, n);
    else std::sort(x, x + n);
}

// Fills q[j] = x(F_j) for the plotting positions F_j of distribution `index`.
// False as soon as a fault is flagged.
bool PlottingQuantiles(int index, int n, const ParameterSet& p, double* q) {
    for (int i = 1; i <= n; ++i) {
        q[i - 1] = DistributionQuantile(index, p, PlottingPosition(index, i, n));
        if (i % kFaultCheckInterval == 0 && FloatingPointCheck::Faulted()) return false;
    }
    return !FloatingPointCheck::Faulted();
}

// R of the ascending series against the quantiles q of the same length.
double CorrelationWithQuantiles(int n, const double* ascending, const double* q) {
    const double yMean = SampleMean(ascending, n);
    const double qMean = SampleMean(q, n);
    return CorrelationCoefficient(n, ascending, q, yMean, qMean);
}

// ProbabilityPlotCorrelation inside a simulation: false as soon as a fault
// is flagged (R is then not defined).
bool PlotCorrelation(int index, int n, const double* ascending, const ParameterSet& p, double& R) {
    if (!PlottingQuantiles(index, n, p, gQuantiles)) return false;
    R = CorrelationWithQuantiles(n, ascending, gQuantiles);
    return !FloatingPointCheck::Faulted();
}

// Draws the next n uniforms and maps them through the fitted distribution
// into gSimulated. False as soon as a fault is flagged.
bool DrawSample(int index, int n, const ParameterSet& p, std::int64_t& state) {
    UniformSeries(state, n, gUniforms);
    for (int j = 1; j <= n; ++j) {
        gSimulated[j - 1] = DistributionQuantile(index, p, gUniforms[j - 1]);
        if (j % kFaultCheckInterval == 0 && FloatingPointCheck::Faulted()) return false;
    }
    return !FloatingPointCheck::Faulted();
}

double Member(const LMomentSet& m, int k) {
    switch (k) {
    case 1: return m.L1;
    case 2: return m.L2;
    case 3: return m.T3;
    case 4: return m.T4;
    default: return 0.0;
    }
}

// Standard deviation of the 500 simulated ratios about their mean.
double StdDevOfRatios() {
    return SampleStdDev(gRatios, kReplicates, SampleMean(gRatios, kReplicates));
}

double CriticalRFromCorrelations() {
    SortAscending(gCorrelations, kReplicates);
    return gCorrelations[kCriticalRank - 1];
}

bool IsLogDistribution(int index) { return index == kLogNormal || index == kLogPearson3; }

const RememberedCriticalR* FindRemembered(int index, int n, const ParameterSet& p) {
    const RememberedCriticalR& entry = gRemembered[index - 1];
    if (!entry.Valid || entry.N != n || std::memcmp(&entry.P, &p, sizeof p) != 0) return nullptr;
    return &entry;
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

double ProbabilityPlotCorrelation(int index, int n, const double* ascending, const ParameterSet& p) {
    for (int i = 1; i <= n; ++i) gQuantiles[i - 1] = DistributionQuantile(index, p, PlottingPosition(index, i, n));
    return CorrelationWithQuantiles(n, ascending, gQuantiles);
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

double SimulatedCriticalR(int index, int n, const ParameterSet& p) {
    std::int64_t state = kSimulationSeed;
    // When the estimator writes nothing for a replicate, the previous
    // replicate's parameters stay; the first replicate starts from zero.
    ParameterSet refit{0.0, 0.0, 0.0};
    for (int rep = 0; rep < kReplicates; ++rep) {
        if (!DrawSample(index, n, p, state)) StopOnFault();
        const LMomentSet moments = SampleLMoments(gSimulated, n);
        EstimateParameters(index, moments, refit);
        StopOnFault();
        SortAscending(gSimulated, n);
        if (!PlotCorrelation(index, n, gSimulated, refit, gCorrelations[rep])) StopOnFault();
    }
    return CriticalRFromCorrelations();
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

double SimulatedRatioStdDev(int index, int n, const ParameterSet& p, int k) {
    std::int64_t state = kSimulationSeed;
    for (int rep = 0; rep < kReplicates; ++rep) {
        if (!DrawSample(index, n, p, state)) StopOnFault();
        gRatios[rep] = Member(SampleLMoments(gSimulated, n), k);
        StopOnFault();
    }
    return StdDevOfRatios();
}

SimulatedStatistics SimulateBoth(int index, int n, const ParameterSet& p, int k) {
    std::int64_t state = kSimulationSeed;
    ParameterSet refit{0.0, 0.0, 0.0};
    bool withR = true;
    for (int rep = 0; rep < kReplicates; ++rep) {
        if (!DrawSample(index, n, p, state)) StopOnFault();
        // The L-moments read the sample sorted descending: the ascending sort
        // reversed holds the same values, and saves SampleLMoments its sort.
        SortSimulated(gSimulated, n);
        for (int j = 0; j < n; ++j) gDescending[j] = gSimulated[n - 1 - j];
        const LMomentSet moments = LMomentsOfDescending(gDescending, n);
        StopOnFault();
        gRatios[rep] = Member(moments, k);
        if (!withR) continue;

        // The flags are clear here, so a fault flagged from now on belongs to
        // the refit and correlation, which the separate R90 simulation runs in
        // a later step: give up R90 here and leave that fault to it.
        EstimateParameters(index, moments, refit);
        if (FloatingPointCheck::Faulted() || !PlotCorrelation(index, n, gSimulated, refit, gCorrelations[rep])) {
            FloatingPointCheck::Clear();
            withR = false;
        }
    }
    SimulatedStatistics result{StdDevOfRatios(), 0.0, withR};
    if (withR) result.CriticalR = CriticalRFromCorrelations();
    return result;
}

void ForgetSimulatedCriticalR() {
    for (RememberedCriticalR& entry : gRemembered) entry.Valid = false;
}

void VarianceTest(AnalysisRecord& r) {
    const int n = r.SampleSize;
    for (int index = 1; index <= kDistributionCount; ++index) {
        // Two-parameter distributions are judged on t3, the others on t4.
        const int k = index <= kExponential ? 3 : 4;
        const ParameterSet p = ParametersOf(r, index);
        const SimulatedStatistics simulated = SimulateBoth(index, n, p, k);
        gRemembered[index - 1] = {simulated.HasCriticalR, n, p, simulated.CriticalR};

        const LMomentSet& sample = IsLogDistribution(index) ? r.LogLMoments : r.LMoments;
        const double theoretical = TheoreticalRatio(r, index);
        VarianceTestZOf(r, index) = std::fabs((theoretical - Member(sample, k)) / simulated.RatioStdDev);
        StopOnFault();
    }
}

void GoodnessOfFit(AnalysisRecord& r) {
    const int n = r.SampleSize;
    std::memcpy(gSortedSample, r.Sample, sizeof(double) * n);
    std::memcpy(gSortedLogSample, r.LogSample, sizeof(double) * n);
    SortAscending(gSortedSample, n);
    SortAscending(gSortedLogSample, n);

    for (int index = 1; index <= kDistributionCount; ++index) {
        const ParameterSet p = ParametersOf(r, index);
        FitResult& fit = FitTestOf(r, index);
        fit.R = ProbabilityPlotCorrelation(index, n, IsLogDistribution(index) ? gSortedLogSample : gSortedSample, p);
        StopOnFault();
        const RememberedCriticalR* remembered = FindRemembered(index, n, p);
        fit.R90 = remembered ? remembered->R90 : SimulatedCriticalR(index, n, p);
    }
}

}  // namespace zarn
