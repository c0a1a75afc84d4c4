// SPDX-License-Identifier: GPL-3.0-or-later
#include "regional/regional.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

#include "files/errors.h"
#include "regional/regionallanes.h"
#include "analysis/simulation.h"
#include "analysis/special.h"
#include "analysis/statistics.h"

namespace zarn {

namespace {

// Lehmer's generator, as in the at-site simulations (Park and Miller 1988).
constexpr std::int64_t kMultiplier = 16807;
constexpr std::int64_t kModulus = 2147483647;  // 2^31 - 1
// Simulated regions one worker takes at a time.
constexpr int kChunkRegions = 8;
// A 3 x 3 matrix of sums of squares whose determinant is below this share of
// the product of its diagonal (Hadamard's bound) is taken as singular.
constexpr double kSingularShare = 1e-12;

// One step of the generator, 16807 s mod (2^31 - 1), without a division:
// the product (below 2^46) is hi 2^31 + lo, and 2^31 = 1 modulo 2^31 - 1.
inline std::int64_t Step(std::int64_t s) {
    const std::uint64_t product = static_cast<std::uint64_t>(kMultiplier) * static_cast<std::uint64_t>(s);
    std::uint64_t r = (product & 0x7FFFFFFFu) + (product >> 31);
    if (r >= static_cast<std::uint64_t>(kModulus)) r -= kModulus;
    return static_cast<std::int64_t>(r);
}

double Uniform(std::int64_t& state) {
    state = Step(state);
    return static_cast<double>(state) / static_cast<double>(kModulus);
}

// The weights of b_0..b_3 of n values in ascending order: value j (1-based,
// descending rank n + 1 - j) weighs C(j - 1, r) / (C(n, r + 1)(r + 1)).
struct PwmWeights {
    explicit PwmWeights(int n) : N(n) {
        for (int r = 0; r <= 4; ++r) {
            W[r].assign(n, 0.0);
            const double divisor = BinomialCoefficient(n, r + 1) * (r + 1);
            for (int j = 1; j <= n; ++j) W[r][j - 1] = BinomialCoefficient(j - 1, r) / divisor;
        }
    }
    int N;
    std::vector<double> W[5];
};

// t, t3, t4 (and t5 when asked) and l1 of an ascending series.
std::array<double, 5> RatiosOfAscending(const double* x, const PwmWeights& w, bool fifth) {
    double b[5] = {0, 0, 0, 0, 0};
    const int top = fifth ? 4 : 3;
    for (int j = 0; j < w.N; ++j)
        for (int r = 0; r <= top; ++r) b[r] += w.W[r][j] * x[j];
    const double l2 = 2 * b[1] - b[0];
    const double l3 = (6 * b[2] - 6 * b[1]) + b[0];
    const double l4 = ((20 * b[3] - 30 * b[2]) + 12 * b[1]) - b[0];
    const double l5 = fifth ? 70 * b[4] - 140 * b[3] + 90 * b[2] - 20 * b[1] + b[0] : 0.0;
    return {b[0], l2 / b[0], l3 / l2, l4 / l2, l5 / l2};
}

// Runs work(region, state, scratch) for regions 0..count-1 on `threads`
// threads, region r starting from the generator state `stride` r draws after
// the seed. Results must go to per-region slots: the caller reduces them in
// region order.
template <class Scratch, class MakeScratch, class Work>
void RunRegions(int count, std::int64_t stride, std::int64_t seed, int threads, CalculationProgress* progress,
                MakeScratch makeScratch, Work work) {
    const int chunks = (count + kChunkRegions - 1) / kChunkRegions;
    threads = std::max(1, std::min(ResolveThreadCount(threads), chunks));
    const std::int64_t step = JumpAhead(1, stride);
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    auto worker = [&] {
        FloatingPointFlagsKept kept;
        Scratch scratch = makeScratch();
        for (int chunk = next++; chunk < chunks && !stop; chunk = next++) {
            if (progress != nullptr && progress->CancelRequested()) {
                stop = true;
                break;
            }
            const int first = chunk * kChunkRegions;
            const int last = std::min(first + kChunkRegions, count);
            std::int64_t state = JumpAhead(seed, static_cast<std::int64_t>(first) * stride);
            for (int region = first; region < last; ++region) {
                work(region, state, scratch);
                state = state * step % kModulus;
            }
            if (progress != nullptr) progress->AddReplicatesDone(1, last - first);
        }
    };
    RunOnThreads(threads, stop, worker);
    if (progress != nullptr) progress->ThrowIfCancelled();
}

// The sites' record lengths and the weights of each distinct length.
struct RegionShape {
    explicit RegionShape(const std::vector<RegionSite>& sites) {
        for (const RegionSite& s : sites) {
            N.push_back(s.N);
            Total += s.N;
            Longest = std::max(Longest, s.N);
        }
        for (const RegionSite& s : sites) {
            auto found = std::find_if(Weights.begin(), Weights.end(), [&](const PwmWeights& w) { return w.N == s.N; });
            if (found == Weights.end()) {
                Weights.emplace_back(s.N);
                found = Weights.end() - 1;
            }
            WeightIndex.push_back(static_cast<int>(found - Weights.begin()));
        }
    }
    std::vector<int> N;
    std::vector<int> WeightIndex;
    std::vector<PwmWeights> Weights;
    std::int64_t Total = 0;
    int Longest = 0;
    const PwmWeights& Of(int site) const { return Weights[WeightIndex[site]]; }
};

// Room for drawing and sorting one site's uniforms.
struct DrawScratch {
    std::vector<std::uint32_t> States, Sorted, Counts;
    std::vector<double> Uniforms;
};

// Ascending uniforms of n draws: the generator states sorted (by bucket on
// their leading bits, n buckets for n states, then insertion within the
// buckets: linear time for uniforms), then scaled.
const double* SortedUniforms(std::int64_t& state, int n, DrawScratch& d) {
    d.States.resize(n);
    d.Sorted.resize(n);
    d.Counts.assign(n + 1, 0);
    d.Uniforms.resize(n);
    std::uint32_t* s = d.States.data();
    for (int j = 0; j < n; ++j) {
        state = Step(state);
        s[j] = static_cast<std::uint32_t>(state);
    }
    auto bucket = [n](std::uint32_t v) { return static_cast<int>((static_cast<std::uint64_t>(v) * n) >> 31); };
    for (int j = 0; j < n; ++j) ++d.Counts[bucket(s[j]) + 1];
    for (int b = 1; b <= n; ++b) d.Counts[b] += d.Counts[b - 1];
    std::uint32_t* t = d.Sorted.data();
    for (int j = 0; j < n; ++j) t[d.Counts[bucket(s[j])]++] = s[j];
    for (int j = 1; j < n; ++j) {
        const std::uint32_t v = t[j];
        int i = j - 1;
        for (; i >= 0 && t[i] > v; --i) t[i + 1] = t[i];
        t[i + 1] = v;
    }
    for (int j = 0; j < n; ++j) d.Uniforms[j] = static_cast<double>(t[j]) / static_cast<double>(kModulus);
    return d.Uniforms.data();
}

// V_1, V_2, V_3 (H&W 4.3) of site ratios t[i] = (t, t3, t4) about the regional (tR, t3R, t4R).
std::array<double, 3> Dispersions(const std::vector<int>& n, const std::vector<std::array<double, 5>>& t,
                                  const std::array<double, 5>& regional) {
    double sum = 0, v1 = 0, v2 = 0, v3 = 0;
    for (std::size_t i = 0; i < n.size(); ++i) {
        const double d = t[i][1] - regional[1], d3 = t[i][2] - regional[2], d4 = t[i][3] - regional[3];
        sum += n[i];
        v1 += n[i] * d * d;
        v2 += n[i] * std::sqrt(d * d + d3 * d3);
        v3 += n[i] * std::sqrt(d3 * d3 + d4 * d4);
    }
    return {std::sqrt(v1 / sum), v2 / sum, v3 / sum};
}

// Record-length weighted average of l-moment ratios t, t3, t4, t5; element 0 is 1.
std::array<double, 5> WeightedAverage(const std::vector<int>& n, const std::vector<std::array<double, 5>>& t) {
    std::array<double, 5> sum{};
    double total = 0;
    for (std::size_t i = 0; i < n.size(); ++i) {
        total += n[i];
        for (int r = 1; r < 5; ++r) sum[r] += n[i] * t[i][r];
    }
    std::array<double, 5> average{1.0, 0, 0, 0, 0};
    for (int r = 1; r < 5; ++r) average[r] = sum[r] / total;
    return average;
}

LMomentRatios GrowthRatios(const std::array<double, 5>& a) { return LMomentRatios{1.0, a[1], a[2], a[3], a[4]}; }

double NonExceedance(double T) { return 1.0 - 1.0 / T; }

std::array<double, kRegionalPeriodCount> GrowthCurve(const RegionalFit& fit) {
    std::array<double, kRegionalPeriodCount> q{};
    for (int t = 0; t < kRegionalPeriodCount; ++t) q[t] = RegionalQuantile(fit, NonExceedance(kRegionalReturnPeriods[t]));
    return q;
}

// Hyndman and Fan's type 7 quantile of sorted x at probability p.
double QuantileType7(const std::vector<double>& sorted, double p) {
    const double h = (sorted.size() - 1) * p;
    const std::size_t lo = static_cast<std::size_t>(std::floor(h));
    if (lo + 1 >= sorted.size()) return sorted.back();
    return sorted[lo] + (h - lo) * (sorted[lo + 1] - sorted[lo]);
}

double Mean(const std::vector<double>& x) {
    double s = 0;
    for (double v : x) s += v;
    return s / x.size();
}

double StdDev(const std::vector<double>& x, double mean) {
    double s = 0;
    for (double v : x) s += (v - mean) * (v - mean);
    return std::sqrt(s / (x.size() - 1));
}

// ---------------------------------------------------------------------------
// Heterogeneity and goodness-of-fit simulation (H&W 4.3.3, 5.2.3)
// ---------------------------------------------------------------------------

struct SimulatedRegion {
    std::array<double, 3> V{};
    double T4 = 0;
};

void SimulateHeterogeneity(const RegionShape& shape, const RegionalFit& kappa, const RegionOptions& options,
                           std::int64_t seed, std::vector<SimulatedRegion>& out) {
    out.assign(options.NSim, {});
    struct Scratch {
        DrawScratch Draw;
        std::vector<double> Values;
        std::vector<std::array<double, 5>> Ratios;
    };
    const int sites = static_cast<int>(shape.N.size());
    RunRegions<Scratch>(
        options.NSim, shape.Total, seed, options.Threads, options.Progress,
        [&] {
            Scratch s;
            s.Values.resize(shape.Longest);
            s.Ratios.resize(sites);
            return s;
        },
        [&](int region, std::int64_t state, Scratch& s) {
            for (int i = 0; i < sites; ++i) {
                const int n = shape.N[i];
                RegionalQuantiles(kappa, SortedUniforms(state, n, s.Draw), s.Values.data(), n);
                s.Ratios[i] = RatiosOfAscending(s.Values.data(), shape.Of(i), false);
            }
            const std::array<double, 5> average = WeightedAverage(shape.N, s.Ratios);
            out[region].V = Dispersions(shape.N, s.Ratios, average);
            out[region].T4 = average[3];
        });
}

// ---------------------------------------------------------------------------
// Accuracy simulation (H&W 6.4)
// ---------------------------------------------------------------------------

AccuracyResult SimulateAccuracy(const std::vector<RegionSite>& sites, const RegionShape& shape, const RegionalFit& fit,
                                const RegionOptions& options, std::int64_t seed) {
    const int count = static_cast<int>(sites.size());
    const bool correlated = options.Correlation != 0;
    const std::int64_t stride = correlated ? static_cast<std::int64_t>(shape.Longest) * (count + 1) : shape.Total;
    const bool fifth = fit.Family == RegionalFamily::WAK;
    const std::array<double, kRegionalPeriodCount> truth = GrowthCurve(fit);
    const int columns = (count + 1) * kRegionalPeriodCount;  // the growth curve, then each site
    std::vector<double> ratios(static_cast<std::size_t>(options.NRep) * columns);
    std::vector<char> valid(options.NRep, 0);
    const double rootR = std::sqrt(options.Correlation), rootRest = std::sqrt(1.0 - options.Correlation);

    struct Scratch {
        DrawScratch Draw;
        std::vector<std::vector<double>> Values;
        std::vector<std::array<double, 5>> Ratios;
    };
    RunRegions<Scratch>(
        options.NRep, stride, seed, options.Threads, options.Progress,
        [&] {
            Scratch s;
            s.Values.resize(count);
            for (int i = 0; i < count; ++i) s.Values[i].resize(shape.N[i]);
            s.Ratios.resize(count);
            return s;
        },
        [&](int region, std::int64_t state, Scratch& s) {
            if (correlated) {
                // Year j: one common normal score and one per site, equally correlated r.
                for (int j = 0; j < shape.Longest; ++j) {
                    const double common = NormalQuantile(Uniform(state));
                    for (int i = 0; i < count; ++i) {
                        const double z = rootR * common + rootRest * NormalQuantile(Uniform(state));
                        if (j < shape.N[i]) s.Values[i][j] = z;
                    }
                }
                for (int i = 0; i < count; ++i) {
                    std::sort(s.Values[i].begin(), s.Values[i].end());
                    for (double& v : s.Values[i]) v = RegionalQuantile(fit, 0.5 * std::erfc(-v / std::sqrt(2.0)));
                }
            } else {
                for (int i = 0; i < count; ++i)
                    RegionalQuantiles(fit, SortedUniforms(state, shape.N[i], s.Draw), s.Values[i].data(), shape.N[i]);
            }
            for (int i = 0; i < count; ++i) s.Ratios[i] = RatiosOfAscending(s.Values[i].data(), shape.Of(i), fifth);
            const std::array<double, 5> average = WeightedAverage(shape.N, s.Ratios);
            RegionalFit refit;
            if (!FitRegional(fit.Family, GrowthRatios(average), refit)) return;
            double* row = &ratios[static_cast<std::size_t>(region) * columns];
            for (int t = 0; t < kRegionalPeriodCount; ++t) {
                const double estimate = RegionalQuantile(refit, NonExceedance(kRegionalReturnPeriods[t]));
                if (!std::isfinite(estimate)) return;
                row[t] = estimate / truth[t];
                for (int i = 0; i < count; ++i) row[(i + 1) * kRegionalPeriodCount + t] = s.Ratios[i][0] * row[t];
            }
            valid[region] = 1;
        });

    AccuracyResult result;
    result.Family = fit.Family;
    result.Fit = fit;
    result.Correlation = options.Correlation;
    result.Quantiles = truth;
    std::vector<double> column;
    column.reserve(options.NRep);
    std::array<std::array<double, kRegionalPeriodCount>, 3> site{};  // RMSE, L, U of one column set
    auto summarise = [&](int offset, std::array<double, kRegionalPeriodCount>& rmse,
                         std::array<double, kRegionalPeriodCount>& lower, std::array<double, kRegionalPeriodCount>& upper) {
        for (int t = 0; t < kRegionalPeriodCount; ++t) {
            column.clear();
            double squares = 0;
            for (int r = 0; r < options.NRep; ++r) {
                if (!valid[r]) continue;
                const double R = ratios[static_cast<std::size_t>(r) * columns + offset + t];
                squares += (R - 1) * (R - 1);
                column.push_back(R);
            }
            std::sort(column.begin(), column.end());
            rmse[t] = std::sqrt(squares / column.size());
            lower[t] = QuantileType7(column, 0.05);
            upper[t] = QuantileType7(column, 0.95);
        }
    };
    for (int r = 0; r < options.NRep; ++r) result.Replicates += valid[r];
    if (result.Replicates < 2) throw ZarnError("A simulação de precisão não produziu regiões suficientes.");
    std::array<double, kRegionalPeriodCount> L{}, U{};
    summarise(0, result.RelativeRMSE, L, U);
    for (int t = 0; t < kRegionalPeriodCount; ++t) {
        result.Lower[t] = truth[t] / U[t];
        result.Upper[t] = truth[t] / L[t];
    }
    for (int i = 0; i < count; ++i) {
        summarise((i + 1) * kRegionalPeriodCount, site[0], site[1], site[2]);
        AccuracyResult::Site out;
        for (int t = 0; t < kRegionalPeriodCount; ++t) {
            const double Q = sites[i].LMoments[0] * truth[t];
            out.Quantiles[t] = Q;
            out.RMSE[t] = Q * site[0][t];
            out.Lower[t] = Q / site[2][t];
            out.Upper[t] = Q / site[1][t];
        }
        result.Sites.push_back(out);
    }
    return result;
}

}  // namespace

std::array<double, 5> SiteLMomentsOf(const double* x, int n) {
    std::vector<double> descending(x, x + n);
    SortDescending(descending.data(), n);
    double b[5];
    for (int r = 0; r <= 4; ++r) b[r] = ProbabilityWeightedMoment(r, n, descending.data());
    const double l2 = 2 * b[1] - b[0];
    const double l3 = (6 * b[2] - 6 * b[1]) + b[0];
    const double l4 = ((20 * b[3] - 30 * b[2]) + 12 * b[1]) - b[0];
    const double l5 = 70 * b[4] - 140 * b[3] + 90 * b[2] - 20 * b[1] + b[0];
    return {b[0], l2 / b[0], l3 / l2, l4 / l2, l5 / l2};
}

// Hosking and Wallis 1997, table 3.1 (10 % significance).
double DiscordancyCritical(int sites) {
    static constexpr double kTable[] = {1.3330, 1.6481, 1.9166, 2.1401, 2.3287, 2.4906,
                                        2.6321, 2.7573, 2.8694, 2.9709};  // N = 5..14
    if (sites <= 4 || sites >= 15) return 3.0;
    return kTable[sites - 5];
}

// Discordancy (H&W 3.2): D_i = (N / 3) (u_i - u)^T A^-1 (u_i - u), u_i = (t, t3, t4),
// A the matrix of sums of squares and products about the unweighted mean;
// every D_i = 1 for N <= 3.
bool Discordancy(const std::vector<RegionSite>& sites, std::vector<double>& d) {
    const int N = static_cast<int>(sites.size());
    d.assign(N, 1.0);
    if (N <= 3) return true;
    double mean[3] = {0, 0, 0};
    for (const RegionSite& s : sites)
        for (int a = 0; a < 3; ++a) mean[a] += s.LMoments[a + 1] / N;
    double A[3][3] = {};
    for (const RegionSite& s : sites)
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) A[a][b] += (s.LMoments[a + 1] - mean[a]) * (s.LMoments[b + 1] - mean[b]);
    // The inverse by cofactors.
    double C[3][3];
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            const int a1 = (a + 1) % 3, a2 = (a + 2) % 3, b1 = (b + 1) % 3, b2 = (b + 2) % 3;
            C[b][a] = A[a1][b1] * A[a2][b2] - A[a1][b2] * A[a2][b1];
        }
    const double det = A[0][0] * C[0][0] + A[0][1] * C[1][0] + A[0][2] * C[2][0];
    if (!(det > kSingularShare * A[0][0] * A[1][1] * A[2][2]) || !std::isfinite(det)) return false;
    for (int i = 0; i < N; ++i) {
        double u[3];
        for (int a = 0; a < 3; ++a) u[a] = sites[i].LMoments[a + 1] - mean[a];
        double q = 0;
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) q += u[a] * C[a][b] / det * u[b];
        d[i] = N / 3.0 * q;
    }
    return true;
}

const CandidateResult* RegionalResult::Candidate(RegionalFamily family) const {
    for (const CandidateResult& c : Candidates)
        if (c.Fit.Family == family) return &c;
    return nullptr;
}

std::array<double, kRegionalPeriodCount> RegionalResult::GrowthCurveOf(RegionalFamily family) const {
    if (family == RegionalFamily::WAK) return WakebyGrowthCurve;
    const CandidateResult* c = Candidate(family);
    return c != nullptr ? c->GrowthCurve : std::array<double, kRegionalPeriodCount>{};
}

RegionalResult AnalyseRegion(std::vector<RegionSite> sites, const RegionOptions& options) {
    if (sites.size() < 2) throw ZarnError("A região precisa de pelo menos 2 postos com 4 valores ou mais.");
    if (options.NSim < 2) throw ZarnError("O número de regiões simuladas (--nsim) deve ser pelo menos 2.");
    if (options.Accuracy && options.NRep < 2)
        throw ZarnError("O número de repetições (--nrep) deve ser pelo menos 2.");
    if (!(options.Correlation >= 0 && options.Correlation < 1))
        throw ZarnError("A correlação entre postos deve estar entre 0 e 1 (exclusive).");
    const std::int64_t seed = options.Seed == 0 ? kRegionalSeed : options.Seed;
    if (seed < 1 || seed >= kModulus) throw ZarnError("A semente deve estar entre 1 e 2147483646.");
    for (const RegionSite& s : sites)
        if (!(s.LMoments[0] > 0) || !(s.LMoments[1] > 0) || !std::isfinite(s.LMoments[2]) ||
            !std::isfinite(s.LMoments[3]) || !std::isfinite(s.LMoments[4]))
            throw ZarnError("O posto " + s.Name + " não tem média e L-CV positivos: a região não pode ser analisada.");

    FloatingPointFlagsKept kept;
    RegionalResult r;
    r.NSim = options.NSim;
    r.NRep = options.Accuracy ? options.NRep : 0;
    r.Seed = seed;
    const int N = static_cast<int>(sites.size());
    const RegionShape shape(sites);
    if (options.Progress != nullptr) {
        options.Progress->SetStage(CalculationStage::Regions);
        options.Progress->SetReplicatesPerDistribution(options.NSim + (options.Accuracy ? options.NRep : 0));
    }

    // Discordancy
    std::vector<double> d;
    r.DCritical = DiscordancyCritical(N);
    if (Discordancy(sites, d)) {
        for (double v : d) {
            r.D.emplace_back(v);
            r.Discordant.push_back(v >= r.DCritical);
        }
    } else {
        r.D.assign(N, std::nullopt);
        r.Discordant.assign(N, false);
        r.DNotGivenReason = "a matriz de somas de quadrados das razões (t, t3, t4) dos postos é singular "
                            "(postos com razões iguais ou alinhadas)";
    }

    // Regional average
    std::vector<std::array<double, 5>> ratios;
    for (const RegionSite& s : sites) ratios.push_back(s.LMoments);
    r.Regional = WeightedAverage(shape.N, ratios);
    const LMomentRatios growth = GrowthRatios(r.Regional);

    // Kappa, or the GLO in its place
    if (!FitKappa(growth, r.Kappa)) {
        r.KappaFallback = true;
        r.KappaFallbackReason = CalcError == 2 && growth.T4 > (1.0 + 5.0 * growth.T3 * growth.T3) / 6.0
                                    ? "t4 regional acima da curva da logística generalizada"
                                    : "o ajuste da kappa não convergiu";
        RegionalFit glo;
        if (!FitGLO(growth, glo)) throw ZarnError("As razões de L-momentos regionais não admitem ajuste.");
        r.Kappa = RegionalFit{RegionalFamily::KAP, {glo.P[0], glo.P[1], glo.P[2], -1.0, 0.0}, 1};
    }

    // Heterogeneity and goodness of fit
    r.V = Dispersions(shape.N, ratios, r.Regional);
    std::vector<SimulatedRegion> simulated;
    SimulateHeterogeneity(shape, r.Kappa, options, seed, simulated);
    std::vector<double> column(options.NSim);
    for (int j = 0; j < 3; ++j) {
        for (int s = 0; s < options.NSim; ++s) column[s] = simulated[s].V[j];
        r.SimulatedMeanV[j] = Mean(column);
        r.SimulatedSdV[j] = StdDev(column, r.SimulatedMeanV[j]);
        r.H[j] = (r.V[j] - r.SimulatedMeanV[j]) / r.SimulatedSdV[j];
    }
    r.Heterogeneity = r.H[0] < 1 ? "aceitavelmente homogênea"
                      : r.H[0] < 2 ? "possivelmente heterogênea"
                                   : "definitivamente heterogênea";
    for (int s = 0; s < options.NSim; ++s) column[s] = simulated[s].T4 - r.Regional[3];
    r.B4 = Mean(column);
    r.Sigma4 = StdDev(column, r.B4);

    double bestZ = 0;
    bool anyAcceptable = false;
    for (RegionalFamily family : kCandidateFamilies) {
        CandidateResult c;
        if (!FitRegional(family, growth, c.Fit)) continue;
        c.Tau4 = RegionalTau4(c.Fit);
        c.Z = (c.Tau4 - r.Regional[3] + r.B4) / r.Sigma4;
        c.Acceptable = std::fabs(c.Z) <= kAcceptableZ;
        c.GrowthCurve = GrowthCurve(c.Fit);
        if (c.Acceptable && (!anyAcceptable || std::fabs(c.Z) < bestZ)) {
            anyAcceptable = true;
            bestZ = std::fabs(c.Z);
            r.Chosen = family;
        }
        r.Candidates.push_back(c);
    }
    FitWakeby(growth, r.Wakeby);
    r.WakebyGrowthCurve = GrowthCurve(r.Wakeby);
    if (anyAcceptable) {
        r.ChosenReason = "a candidata aceitável (|Z| <= 1,64) de menor |Z|";
    } else {
        r.Chosen = RegionalFamily::WAK;
        r.ChosenReason = "nenhuma das cinco candidatas tem |Z| <= 1,64: usa-se a Wakeby, de cinco parâmetros";
    }

    // Accuracy
    if (options.Accuracy) {
        const RegionalFamily family = options.AccuracyAuto ? r.Chosen : options.AccuracyFamily;
        RegionalFit fit;
        if (family == RegionalFamily::WAK) fit = r.Wakeby;
        else if (!FitRegional(family, growth, fit))
            throw ZarnError("A distribuição " + std::string(FamilyName(family)) +
                            " não pode ser ajustada às razões regionais.");
        r.Accuracy = SimulateAccuracy(sites, shape, fit, options, JumpAhead(seed, shape.Total * options.NSim));
    }

    // Index flood against drainage area
    std::vector<int> withArea;
    for (int i = 0; i < N; ++i)
        if (sites[i].Area > 0) withArea.push_back(i);
    if (withArea.size() >= 3) {
        const double m = static_cast<double>(withArea.size());
        double sx = 0, sy = 0;
        for (int i : withArea) {
            sx += std::log(sites[i].Area);
            sy += std::log(sites[i].LMoments[0]);
        }
        const double mx = sx / m, my = sy / m;
        double sxx = 0, sxy = 0, syy = 0;
        for (int i : withArea) {
            const double dx = std::log(sites[i].Area) - mx, dy = std::log(sites[i].LMoments[0]) - my;
            sxx += dx * dx;
            sxy += dx * dy;
            syy += dy * dy;
        }
        if (sxx > 0) {
            RegressionResult g;
            g.B = sxy / sxx;
            g.A = my - g.B * mx;
            const double sse = std::max(0.0, syy - g.B * sxy);
            g.R2 = syy > 0 ? 1.0 - sse / syy : 1.0;
            g.StandardError = std::sqrt(sse / (m - 2));
            for (int i : withArea) g.Sites.push_back(sites[i].Name);
            r.Regression = g;
        }
    }
    if (options.UngaugedArea > 0) r.Ungauged = UngaugedSite(r, options.UngaugedArea);
    r.Sites = std::move(sites);
    return r;
}

// The index flood exp(a + b ln area) of the regression, times the growth
// curve of the accuracy simulation (with its bounds) or of the chosen distribution.
UngaugedResult UngaugedSite(const RegionalResult& r, double area) {
    if (!r.Regression)
        throw ZarnError("O posto sem dados requer áreas de drenagem distintas de pelo menos 3 postos.");
    if (!(area > 0)) throw ZarnError("A área de drenagem do posto sem dados deve ser positiva.");
    UngaugedResult u;
    u.Area = area;
    u.IndexFlood = std::exp(r.Regression->A + r.Regression->B * std::log(area));
    const auto curve = r.Accuracy ? r.Accuracy->Quantiles : r.GrowthCurveOf(r.Chosen);
    for (int t = 0; t < kRegionalPeriodCount; ++t) {
        u.Quantiles[t] = u.IndexFlood * curve[t];
        if (r.Accuracy) {
            u.Lower[t] = u.IndexFlood * r.Accuracy->Lower[t];
            u.Upper[t] = u.IndexFlood * r.Accuracy->Upper[t];
        }
    }
    u.HasBounds = r.Accuracy.has_value();
    return u;
}

}  // namespace zarn
