// SPDX-License-Identifier: GPL-3.0-or-later
// The goodness-of-fit simulations of the eight fitted distributions, run
// together, on every hardware thread, with results bit-identical to running
// them one replicate after another.
//
// For each distribution, 500 samples of n values are drawn from the fitted
// distribution (the Lehmer stream restarted from the simulation seed, the
// state of replicate r being seed * 16807^(r n) mod (2^31 - 1)). Of each
// sample the simulation keeps
//   - the ratio the variance test needs (t3 or t4),
//   - R of the sample against the refitted distribution (critical-R test),
//   - the refitted return-period quantiles (confidence intervals), and the
//     refit itself, from which the quantiles at any other period are taken.
// A replicate in which a floating-point fault is raised is left out:
//   - a fault in its quantiles or L-moments leaves it out of both tests;
//   - a fault in its refit or correlation leaves it out of the critical-R test;
//   - a fault (or a CalcError) in its interval quantiles only out of the intervals.
// A refit that writes nothing keeps the parameters the estimator last wrote,
// also in a left-out replicate (the first replicate starts from zeros).
//
//   SimulationOptions      threads and progress
//   SimulationSummary      what the analysis keeps of the simulations
//   SimulateAll            both simulations of the eight distributions
//   SimulateSome           the same for some of them only
//   SimulateDistribution   both simulations of one distribution
//   JumpAhead              the generator state k draws further on
//   RunOnThreads           one piece of work on several threads, the first fault rethrown
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "analysis/progress.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"

namespace zarn {

struct SimulationOptions {
    // Threads to run on: 0 the machine's hardware threads; 1 the plain
    // replicate order on the calling thread.
    int Threads = 0;
    // Reports the replicates finished and is asked whether to stop; may be null.
    CalculationProgress* Progress = nullptr;
};

// The threads that SimulationOptions::Threads asks for (0: hardware threads).
int ResolveThreadCount(int requested);

struct DistributionSimulation {
    // Replicates completed in the critical-R and in the variance-test simulation.
    int CriticalRSamples = 0;
    int RatioSamples = 0;
    // R90 (the ceil(m/10)-th smallest R) and the standard deviation of the
    // ratios (divisor m - 1); NaN when fewer than 2 replicates completed.
    double CriticalR = 0.0;
    double RatioStdDev = 0.0;
    // Replicates counted for the intervals, in replicate order: their refitted
    // parameters and their quantiles at the seven return periods (in the
    // units of the sample, exp taken for LogNormal and LogPearson III).
    std::vector<ParameterSet> IntervalRefits;
    std::vector<std::array<double, kReturnPeriodCount>> IntervalQuantiles;
    // Every replicate the intervals may count, in replicate order: its refit
    // was written with CalcError 0 and it completed the critical-R test.
    // Quantiles at other return periods are taken from these refits, each
    // list keeping its own count (returnperiods.h).
    std::vector<ParameterSet> CountedRefits;
};

struct SimulationSummary {
    // False until SimulateAll filled it (an opened project has none).
    bool Valid = false;
    // What it was simulated from: the sample size and the eight parameter sets.
    int SampleSize = 0;
    std::array<ParameterSet, kDistributionCount> Parameters{};
    std::array<DistributionSimulation, kDistributionCount> Distributions;
    // The distributions simulated (all of them but after SimulateSome); the
    // others hold no replicate.
    std::array<bool, kDistributionCount> Simulated{true, true, true, true, true, true, true, true};

    // True when valid and simulated from r's SampleSize and Parameters.
    bool Matches(const AnalysisRecord& r) const;

    const DistributionSimulation& Of(int index) const { return Distributions[index - 1]; }
    DistributionSimulation& Of(int index) { return Distributions[index - 1]; }
};

// Both simulations of the eight distributions for the record's Parameters and
// SampleSize. Leaves the floating-point flags as it found them; throws
// CalculationCancelled when options.Progress asks to stop.
SimulationSummary SimulateAll(const AnalysisRecord& r, const SimulationOptions& options = {});

// SimulateAll of the distributions whose `wanted` is set (wanted[index - 1]),
// each bit-identical to its part of SimulateAll (every replicate draws its
// uniforms whatever is simulated). For a tool that needs one band; the
// result is valid for the record but holds nothing for the others.
SimulationSummary SimulateSome(const AnalysisRecord& r, const std::array<bool, kDistributionCount>& wanted,
                               const SimulationOptions& options = {});

// Both simulations of distribution `index` with parameters p and n values,
// on the calling thread, one replicate after another (the variance test's
// ratio is t3 for indexes 1..4 and t4 for 5..8).
DistributionSimulation SimulateDistribution(int index, int n, const ParameterSet& p);

// The Lehmer state `draws` draws after `state`: state * 16807^draws mod (2^31 - 1).
std::int64_t JumpAhead(std::int64_t state, std::int64_t draws);

// Runs `work` on `threads` threads, the calling one among them, and waits for
// them all. The first exception any of them throws sets `stop` (which the work
// watches to end early) and is rethrown once all have ended.
void RunOnThreads(int threads, std::atomic<bool>& stop, const std::function<void()>& work);

}  // namespace zarn
