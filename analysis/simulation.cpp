// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/simulation.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

#include "files/errors.h"
#include "analysis/estimation.h"
#include "analysis/fittests.h"
#include "analysis/special.h"
#include "analysis/statistics.h"

namespace zarn {

namespace {

// Lehmer's multiplicative congruential generator (Park and Miller 1988).
constexpr std::int64_t kMultiplier = 16807;
constexpr std::int64_t kModulus = 2147483647;  // 2^31 - 1
// Replicates one worker takes at a time (all eight distributions of each):
// small enough to share out evenly and to stop soon when asked, large
// enough to keep the shared counter cold.
constexpr int kChunkReplicates = 5;
// Quantiles computed between two looks at the IEEE flags while drawing a
// sample: a replicate that faults early stops early.
constexpr int kFaultCheckInterval = 64;
// Simulated samples sort their generator states by comparisons below
// kRadixSortFrom values, by radix in 8-bit digits below kWideRadixFrom, and
// in 11-bit digits from there (three passes over 31 bits).
constexpr int kRadixSortFrom = 64;
constexpr int kWideRadixFrom = 2000;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The variance test judges the two-parameter distributions on t3, the others on t4.
int RatioMember(int index) { return index <= kExponential ? 3 : 4; }

double Member(const LMomentSet& m, int k) { return k == 3 ? m.T3 : m.T4; }

bool Faulted() { return FloatingPointCheck::Faulted(); }
void ClearFlags() { FloatingPointCheck::Clear(); }

// What is known of one distribution and sample size before any replicate:
// the plotting positions and the parts of the quantile functions there that
// do not depend on the parameters (read through the accessors QuantilesAt
// asks of its parts, as of a replicate's SharedDraw).
struct SampleSizeTables {
    std::vector<double> PlottingPositions;  // F_i, i = 1..n
    // Normal, LogNormal, Pearson III, LogPearson III: NormalQuantile(F_i);
    // Gumbel, GEV: ln(-ln F_i); Exponential, GPA: ln(1 - F_i).
    std::vector<double> Transform;
    // Pearson III, LogPearson III: 1 - F_i and NormalQuantile(1 - F_i), the
    // gamma quantile's probability for a negative skewness.
    std::vector<double> MirrorF;
    std::vector<double> MirrorTransform;

    const double* Uniforms() const { return PlottingPositions.data(); }
    const double* Normal() const { return Transform.data(); }
    const double* LogLog() const { return Transform.data(); }
    const double* LogComplement() const { return Transform.data(); }
    const double* Mirror() const { return MirrorF.data(); }
    const double* MirrorNormal() const { return MirrorTransform.data(); }
};

SampleSizeTables MakeTables(int index, int n) {
    SampleSizeTables t;
    t.PlottingPositions.resize(n);
    t.Transform.resize(n);
    for (int i = 1; i <= n; ++i) {
        const double F = PlottingPosition(index, i, n);
        t.PlottingPositions[i - 1] = F;
        switch (index) {
        case kGumbel:
        case kGEV: t.Transform[i - 1] = std::log(-std::log(F)); break;
        case kExponential:
        case kGPA: t.Transform[i - 1] = std::log(1.0 - F); break;
        default: t.Transform[i - 1] = NormalQuantile(F); break;
        }
    }
    if (index == kPearson3 || index == kLogPearson3) {
        t.MirrorF.resize(n);
        t.MirrorTransform.resize(n);
        for (int i = 0; i < n; ++i) {
            t.MirrorF[i] = 1.0 - t.PlottingPositions[i];
            t.MirrorTransform[i] = NormalQuantile(t.MirrorF[i]);
        }
    }
    return t;
}

// The weights of the probability-weighted moments of n values: C(n - j, r)
// for r = 1, 2, 3 (j = 1..n) and C(n, r + 1)(r + 1) for r = 0..3,
// BinomialCoefficient's own values, computed once.
struct LMomentWeights {
    explicit LMomentWeights(int n) {
        for (int r = 1; r <= 3; ++r) {
            Weights[r].resize(n);
            for (int j = 1; j <= n; ++j) Weights[r][j - 1] = BinomialCoefficient(n - j, r);
        }
        for (int r = 0; r <= 3; ++r) Divisors[r] = BinomialCoefficient(n, r + 1) * (r + 1);
    }
    std::vector<double> Weights[4];
    double Divisors[4] = {};
};

// True when the gamma shape a and scale b take GammaQuantile's iteration
// with nothing to check on the way: finite, positive, a not 1.
bool LaneShape(double a, double b) {
    return std::isfinite(a) && std::isfinite(b) && a > 0 && b > 0 && a != 1.0;
}

// SampleLMoments of an ascending series, read from its largest value down:
// the same sums in the same order as the descending copy would give.
LMomentSet LMomentsOfAscending(const double* ascending, int n, const LMomentWeights& t) {
    double b[4];
    for (int r = 0; r <= 3; ++r) {
        double sum = 0.0;
        if (r == 0) {
            for (int j = 1; j <= n; ++j) sum += 1.0 * ascending[n - j];
        } else {
            const double* w = t.Weights[r].data();
            for (int j = 1; j <= n - r; ++j) sum += w[j - 1] * ascending[n - j];
        }
        b[r] = sum / t.Divisors[r];
    }
    const double l1 = b[0];
    const double l2 = 2 * b[1] - b[0];
    const double l3 = (6 * b[2] - 6 * b[1]) + b[0];
    const double l4 = ((20 * b[3] - 30 * b[2]) + 12 * b[1]) - b[0];
    return LMomentSet{l1, l2, l3 / l2, l4 / l2};
}

// The outcome of one replicate, as far as it depends on that replicate alone.
struct ReplicateOutcome {
    bool DrawFault = false;     // quantiles or L-moments faulted: out of both tests
    double Ratio = 0.0;         // t3 or t4 of the sample
    bool RefitWritten = false;  // the estimator wrote its parameters
    int RefitCode = 0;          // CalcError after the refit
    ParameterSet Refit{0.0, 0.0, 0.0};
    bool RefitFault = false;    // the refit faulted: out of the critical-R test
    bool CorrelationFault = false;
    double R = 0.0;
    bool IntervalCounted = false;
    std::array<double, kReturnPeriodCount> Quantiles{};
    // The sorted sample, kept only when the refit wrote nothing: its R is
    // then taken against the parameters carried over from an earlier
    // replicate, known only once the replicates before it are settled.
    std::vector<double> Sample;
};

// LSD radix sort of generator states (31 bits) in digits of kBits bits.
template <int kBits>
void RadixSort(std::uint32_t* x, std::uint32_t* swap, int n) {
    constexpr int kBuckets = 1 << kBits;
    constexpr int kPasses = (31 + kBits - 1) / kBits;
    std::uint32_t count[kPasses][kBuckets] = {};
    for (int i = 0; i < n; ++i)
        for (int pass = 0; pass < kPasses; ++pass) ++count[pass][(x[i] >> (pass * kBits)) & (kBuckets - 1)];
    std::uint32_t* from = x;
    std::uint32_t* to = swap;
    for (int pass = 0; pass < kPasses; ++pass) {
        std::uint32_t start = 0;
        for (int d = 0; d < kBuckets; ++d) {
            const std::uint32_t c = count[pass][d];
            count[pass][d] = start;
            start += c;
        }
        const int shift = pass * kBits;
        for (int i = 0; i < n; ++i) to[count[pass][(from[i] >> shift) & (kBuckets - 1)]++] = from[i];
        std::swap(from, to);
    }
    if (from != x) std::memcpy(x, from, sizeof(std::uint32_t) * n);
}

void SortStates(std::uint32_t* s, std::uint32_t* swap, int n) {
    if (n >= kWideRadixFrom) RadixSort<11>(s, swap, n);
    else if (n >= kRadixSortFrom) RadixSort<8>(s, swap, n);
    else std::sort(s, s + n);
}

// How QuantilesAt computes a fitted (or refitted) distribution's quantiles:
// from the parameter-free parts of its quantile function when its parameters
// are finite with a positive scale (where the quantile functions take no
// other branch than these), else value by value through DistributionQuantile.
struct FittedDraw {
    int Index = 0;
    ParameterSet P{};
    bool Plain = false;
    // Pearson III, LogPearson III as a shifted gamma distribution:
    // QuantilePearson3's constants, when its gamma branch needs no check.
    bool Gamma = false;
    bool Positive = true;  // skewness > 0; else mirrored, at 1 - u
    double A = 0, B = 0, LogGammaA = 0;
};

FittedDraw FittedDrawOf(int index, const ParameterSet& p) {
    FittedDraw d;
    d.Index = index;
    d.P = p;
    d.Plain = std::isfinite(p.Position) && std::isfinite(p.Scale) && std::isfinite(p.Shape) && p.Scale > 0;
    if (!d.Plain || (index != kPearson3 && index != kLogPearson3) || std::fabs(p.Shape) < 1e-6) return d;
    d.A = 4.0 / (p.Shape * p.Shape);
    d.B = std::fabs(p.Scale * p.Shape / 2.0);
    d.Positive = p.Shape > 0;
    if (!LaneShape(d.A, d.B)) {
        d.Plain = false;  // GammaQuantile's own checks decide
        return d;
    }
    d.LogGammaA = LogGamma(d.A);
    d.Gamma = true;
    return d;
}

// The uniforms of one replicate, sorted, shared by the eight distributions
// (every simulation restarts the same stream), with the parameter-free parts
// of the quantile functions at them computed once, when first asked for.
class SharedDraw {
public:
    explicit SharedDraw(int n) : n_(n), states_(n), swap_(n), u_(n) {}

    // The n draws of the replicate starting at `state`, in ascending order.
    void Draw(std::int64_t state) {
        std::uint32_t* s = states_.data();
        for (int j = 0; j < n_; ++j) {
            state = (kMultiplier * state) % kModulus;
            s[j] = static_cast<std::uint32_t>(state);
        }
        SortStates(s, swap_.data(), n_);
        for (int j = 0; j < n_; ++j) u_[j] = static_cast<double>(s[j]) / static_cast<double>(kModulus);
        for (auto& part : parts_) part.Ready = false;
    }

    const double* Uniforms() const { return u_.data(); }
    // NormalQuantile(u); 1 - u and NormalQuantile(1 - u); ln(-ln u); ln(1 - u).
    const double* Normal() { return Part(kNormalPart, [](double u) { return NormalQuantile(u); }); }
    const double* Mirror() { return Part(kMirrorPart, [](double u) { return 1.0 - u; }); }
    const double* MirrorNormal() { return Part(kMirrorNormalPart, [](double u) { return NormalQuantile(1.0 - u); }); }
    const double* LogLog() { return Part(kLogLogPart, [](double u) { return std::log(-std::log(u)); }); }
    const double* LogComplement() { return Part(kLogComplementPart, [](double u) { return std::log(1.0 - u); }); }

private:
    enum { kNormalPart, kMirrorPart, kMirrorNormalPart, kLogLogPart, kLogComplementPart, kParts };
    struct Values {
        bool Ready = false;
        std::vector<double> X;
    };
    template <class F>
    const double* Part(int which, F f) {
        Values& part = parts_[which];
        if (!part.Ready) {
            part.X.resize(n_);
            for (int j = 0; j < n_; ++j) part.X[j] = f(u_[j]);
            part.Ready = true;
        }
        return part.X.data();
    }

    int n_;
    std::vector<std::uint32_t> states_;
    std::vector<std::uint32_t> swap_;
    std::vector<double> u_;
    Values parts_[kParts];
};

// Work arrays of one thread.
struct Work {
    explicit Work(int n) : Sample(n), Quantiles(n), Shared(n) {}
    std::vector<double> Sample;
    std::vector<double> Quantiles;
    SharedDraw Shared;
};

// x_j = DistributionQuantile(index, p, F_j) at the probabilities of `parts`
// (a replicate's sorted uniforms, or the plotting positions): the same
// operations on the same operands, the parameter-free parts read from
// `parts`. CalcError is left as it falls. False when a fault was flagged.
template <class Parts>
bool QuantilesAt(const FittedDraw& d, Parts& parts, int n, double* x) {
    const ParameterSet& p = d.P;
    if (!d.Plain) {
        const double* u = parts.Uniforms();
        for (int j = 0; j < n; ++j) {
            x[j] = DistributionQuantile(d.Index, p, u[j]);
            if ((j + 1) % kFaultCheckInterval == 0 && Faulted()) return false;
        }
        return !Faulted();
    }
    switch (d.Index) {
    case kNormal:
    case kLogNormal: {
        const double* z = parts.Normal();
        for (int j = 0; j < n; ++j) x[j] = p.Position + p.Scale * z[j];
        break;
    }
    case kGumbel: {
        const double* ll = parts.LogLog();
        for (int j = 0; j < n; ++j) x[j] = p.Position - p.Scale * ll[j];
        break;
    }
    case kExponential: {
        const double* lc = parts.LogComplement();
        for (int j = 0; j < n; ++j) x[j] = p.Position - p.Scale * lc[j];
        break;
    }
    case kGEV:
    case kGPA: {
        const double* t = d.Index == kGEV ? parts.LogLog() : parts.LogComplement();
        const double k = p.Shape;
        for (int j = 0; j < n; ++j) {
            double y = -t[j];  // -ln(-ln u) or -ln(1 - u)
            if (k != 0) y = (1.0 - std::exp(-k * y)) / k;
            x[j] = p.Position + p.Scale * y;
        }
        break;
    }
    default: {  // Pearson III, LogPearson III
        if (!d.Gamma) {  // |skewness| < 1e-6: the normal distribution
            const double* z = parts.Normal();
            for (int j = 0; j < n; ++j) x[j] = p.Position + p.Scale * z[j];
            break;
        }
        // A positive skewness reads the gamma quantile at u, a negative one at 1 - u.
        const double* F = d.Positive ? parts.Uniforms() : parts.Mirror();
        const double* z = d.A > 1.0 ? (d.Positive ? parts.Normal() : parts.MirrorNormal()) : F;
        GammaQuantiles(F, z, n, d.A, d.B, d.LogGammaA, x);
        const double shift = d.A * d.B;
        for (int j = 0; j < n; ++j) x[j] = d.Positive ? p.Position - shift + x[j] : p.Position + shift - x[j];
        break;
    }
    }
    return !Faulted();
}

// The replicate's sample of distribution d, ascending, into work.Sample.
// The quantile functions are non-decreasing in u, so drawing at the sorted
// uniforms sorts the sample; the last bits of an iterated quantile may still
// step back, which an insertion pass mends. The values are those an unsorted
// draw gives, so any correct sort leaves the same series. False when a fault
// was flagged.
bool DrawAscending(const FittedDraw& d, int n, Work& work) {
    double* x = work.Sample.data();
    if (!QuantilesAt(d, work.Shared, n, x)) return false;
    for (int j = 1; j < n; ++j) {
        if (!(x[j] < x[j - 1])) continue;
        const double v = x[j];
        int i = j;
        while (i > 0 && v < x[i - 1]) {
            x[i] = x[i - 1];
            --i;
        }
        x[i] = v;
    }
    return true;
}

// R of the ascending sample against the quantiles of p at the plotting
// positions. False when a fault was flagged.
bool CorrelationAgainst(int index, int n, const double* ascending, const ParameterSet& p,
                        const SampleSizeTables& t, double* q, double& R) {
    if (!QuantilesAt(FittedDrawOf(index, p), t, n, q)) return false;
    const double yMean = SampleMean(ascending, n);
    const double qMean = SampleMean(q, n);
    R = CorrelationCoefficient(n, ascending, q, yMean, qMean);
    return !Faulted();
}

// The refit's quantiles at the seven return periods, in the units of the
// sample. False when one of them has a CalcError, is not finite or faults.
bool IntervalQuantiles(int index, const ParameterSet& refit, std::array<double, kReturnPeriodCount>& q) {
    for (int t = 0; t < kReturnPeriodCount; ++t)
        if (!CleanQuantile(index, refit, kReturnPeriodProbabilities[t], q[t])) return false;
    return true;
}

// One replicate of distribution `index`, from its own generator state.
// The replicate's uniforms are in work.Shared.
void RunReplicate(const FittedDraw& d, int n, const SampleSizeTables& t, const LMomentWeights& weights, Work& work,
                  ReplicateOutcome& out) {
    const int index = d.Index;
    out = ReplicateOutcome{};
    ClearFlags();
    if (!DrawAscending(d, n, work)) {
        out.DrawFault = true;
        return;
    }
    const LMomentSet moments = LMomentsOfAscending(work.Sample.data(), n, weights);
    if (Faulted()) {
        out.DrawFault = true;
        return;
    }
    out.Ratio = Member(moments, RatioMember(index));

    // A set the estimator writes is written whole, whatever it held before.
    out.RefitWritten = EstimateParameters(index, moments, out.Refit);
    out.RefitCode = CalcError;
    if (Faulted()) {
        out.RefitFault = true;
        return;
    }
    if (!out.RefitWritten) {
        out.Sample.assign(work.Sample.begin(), work.Sample.end());
        return;
    }
    out.CorrelationFault = !CorrelationAgainst(index, n, work.Sample.data(), out.Refit, t, work.Quantiles.data(), out.R);
    if (out.CorrelationFault || out.RefitCode != 0) return;
    out.IntervalCounted = IntervalQuantiles(index, out.Refit, out.Quantiles);
    ClearFlags();
}

// Settles the replicates of one distribution in replicate order: carries the
// refit over the replicates whose estimator wrote nothing, and gathers the
// ratios, the R and the interval quantiles of the replicates that completed.
DistributionSimulation Settle(int index, int n, std::vector<ReplicateOutcome>& outcomes, const SampleSizeTables& t) {
    DistributionSimulation result;
    std::vector<double> ratios;
    std::vector<double> correlations;
    ratios.reserve(outcomes.size());
    correlations.reserve(outcomes.size());
    std::vector<double> q;
    ParameterSet carried{0.0, 0.0, 0.0};
    for (ReplicateOutcome& o : outcomes) {
        if (o.DrawFault) continue;
        ratios.push_back(o.Ratio);
        if (o.RefitWritten) carried = o.Refit;
        if (o.RefitFault) continue;
        double R = o.R;
        if (!o.RefitWritten) {
            q.resize(n);
            ClearFlags();
            const bool ok = CorrelationAgainst(index, n, o.Sample.data(), carried, t, q.data(), R);
            ClearFlags();
            if (!ok) continue;
        } else if (o.CorrelationFault) {
            continue;
        }
        correlations.push_back(R);
        if (o.RefitWritten && o.RefitCode == 0) result.CountedRefits.push_back(o.Refit);
        if (o.IntervalCounted) {
            result.IntervalRefits.push_back(o.Refit);
            result.IntervalQuantiles.push_back(o.Quantiles);
        }
    }

    result.RatioSamples = static_cast<int>(ratios.size());
    result.CriticalRSamples = static_cast<int>(correlations.size());
    result.RatioStdDev = kNaN;
    result.CriticalR = kNaN;
    if (result.RatioSamples >= 2) {
        const int m = result.RatioSamples;
        result.RatioStdDev = SampleStdDev(ratios.data(), m, SampleMean(ratios.data(), m));
    }
    if (result.CriticalRSamples >= 2) {
        const int m = result.CriticalRSamples;
        std::sort(correlations.begin(), correlations.end());
        result.CriticalR = correlations[(m + 9) / 10 - 1];  // the ceil(m/10)-th smallest
    }
    ClearFlags();
    return result;
}

}  // namespace

bool SimulationSummary::Matches(const AnalysisRecord& r) const {
    return Valid && SampleSize == r.SampleSize && std::memcmp(Parameters.data(), r.Parameters, sizeof r.Parameters) == 0;
}

int ResolveThreadCount(int requested) {
    if (requested > 0) return requested;
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? static_cast<int>(hardware) : 1;
}

void RunOnThreads(int threads, std::atomic<bool>& stop, const std::function<void()>& work) {
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto guarded = [&] {
        try {
            work();
        } catch (...) {
            std::lock_guard<std::mutex> lock(failureMutex);
            if (!failure) failure = std::current_exception();
            stop = true;
        }
    };
    if (threads <= 1) {
        guarded();
    } else {
        std::vector<std::thread> pool;
        pool.reserve(threads - 1);
        for (int i = 1; i < threads; ++i) pool.emplace_back(guarded);
        guarded();  // the calling thread works too
        for (std::thread& t : pool) t.join();
    }
    if (failure) std::rethrow_exception(failure);
}

std::int64_t JumpAhead(std::int64_t state, std::int64_t draws) {
    // 16807^draws mod (2^31 - 1) by repeated squaring; every product of two
    // residues stays below 2^62.
    std::int64_t factor = 1;
    std::int64_t base = kMultiplier;
    for (std::int64_t e = draws; e > 0; e >>= 1) {
        if (e & 1) factor = factor * base % kModulus;
        base = base * base % kModulus;
    }
    return state % kModulus * factor % kModulus;
}

DistributionSimulation SimulateDistribution(int index, int n, const ParameterSet& p) {
    FloatingPointFlagsKept kept;
    const SampleSizeTables tables = MakeTables(index, n);
    const LMomentWeights weights(n);
    const FittedDraw fitted = FittedDrawOf(index, p);
    Work work(n);
    std::vector<ReplicateOutcome> outcomes(kReplicates);
    const std::int64_t step = JumpAhead(1, n);
    std::int64_t state = kSimulationSeed;
    for (int rep = 0; rep < kReplicates; ++rep) {
        work.Shared.Draw(state);
        RunReplicate(fitted, n, tables, weights, work, outcomes[rep]);
        state = state * step % kModulus;
    }
    return Settle(index, n, outcomes, tables);
}

SimulationSummary SimulateAll(const AnalysisRecord& r, const SimulationOptions& options) {
    FloatingPointFlagsKept kept;
    const int n = r.SampleSize;
    CalculationProgress* progress = options.Progress;
    if (progress != nullptr) progress->SetReplicatesPerDistribution(kReplicates);

    // Work is shared out in chunks of replicates; each replicate draws its
    // uniforms once and runs the eight distributions on them, so every chunk
    // carries a share of the slow Pearson III simulations.
    constexpr int kChunks = (kReplicates + kChunkReplicates - 1) / kChunkReplicates;
    const int threads = std::min(ResolveThreadCount(options.Threads), kChunks);
    std::array<SampleSizeTables, kDistributionCount> tables;
    std::array<FittedDraw, kDistributionCount> fitted;
    std::array<std::vector<ReplicateOutcome>, kDistributionCount> outcomes;
    for (int index = 1; index <= kDistributionCount; ++index) {
        tables[index - 1] = MakeTables(index, n);
        fitted[index - 1] = FittedDrawOf(index, ParametersOf(r, index));
        outcomes[index - 1].resize(kReplicates);
    }
    const LMomentWeights weights(n);
    const std::int64_t step = JumpAhead(1, n);  // 16807^n: from one replicate's start to the next

    std::atomic<int> next{0};
    std::atomic<bool> stop{false};

    auto worker = [&] {
        Work work(n);
        for (int chunk = next++; chunk < kChunks && !stop; chunk = next++) {
            if (progress != nullptr && progress->CancelRequested()) {
                stop = true;
                break;
            }
            const int first = chunk * kChunkReplicates;
            const int last = std::min(first + kChunkReplicates, kReplicates);
            std::int64_t state = JumpAhead(kSimulationSeed, static_cast<std::int64_t>(first) * n);
            for (int rep = first; rep < last; ++rep) {
                work.Shared.Draw(state);
                for (int index = 1; index <= kDistributionCount; ++index)
                    RunReplicate(fitted[index - 1], n, tables[index - 1], weights, work,
                                 outcomes[index - 1][rep]);
                state = state * step % kModulus;
            }
            if (progress != nullptr)
                for (int index = 1; index <= kDistributionCount; ++index) progress->AddReplicatesDone(index, last - first);
        }
    };
    RunOnThreads(threads, stop, worker);
    if (progress != nullptr) progress->ThrowIfCancelled();

    SimulationSummary summary;
    summary.SampleSize = n;
    std::memcpy(summary.Parameters.data(), r.Parameters, sizeof r.Parameters);
    for (int index = 1; index <= kDistributionCount; ++index)
        summary.Of(index) = Settle(index, n, outcomes[index - 1], tables[index - 1]);
    summary.Valid = true;
    return summary;
}

}  // namespace zarn
