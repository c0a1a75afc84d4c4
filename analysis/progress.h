// SPDX-License-Identifier: GPL-3.0-or-later
// Progress of a long calculation and the request to stop it, shared between
// the threads that work and the window (or terminal) that reports it.
//
//   CalculationProgress    what is being done: the stage, and per distribution
//                          the simulated samples finished; RequestCancel()
//   CalculationCancelled   thrown by the work once a stop was requested
//   DescribeProgress       the Portuguese text of the progress (UTF-8)
#pragma once

#include <atomic>
#include <exception>
#include <string>

#include "analysis/record.h"

namespace zarn {

enum class CalculationStage : int {
    Waiting,       // not started
    Reading,       // reading the data file
    Statistics,    // statistics, L-moments, parameters, non-parametric tests
    Simulations,   // the goodness-of-fit simulations
    Finishing,     // fit statistics from the simulations
    Done,
    Regions,       // the regional analysis's simulated regions (counted under index 1)
};

class CalculationCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "Cálculo cancelado pelo usuário"; }
};

// Every member may be read from any thread while the work writes it.
class CalculationProgress {
public:
    void SetStage(CalculationStage stage) { stage_.store(static_cast<int>(stage), std::memory_order_relaxed); }
    CalculationStage Stage() const { return static_cast<CalculationStage>(stage_.load(std::memory_order_relaxed)); }

    // Simulated samples to run per distribution (0 until the simulations start).
    void SetReplicatesPerDistribution(int count) { perDistribution_.store(count, std::memory_order_relaxed); }
    int ReplicatesPerDistribution() const { return perDistribution_.load(std::memory_order_relaxed); }
    // Distribution index 1..8.
    void AddReplicatesDone(int index, int count) { done_[index - 1].fetch_add(count, std::memory_order_relaxed); }
    int ReplicatesDone(int index) const { return done_[index - 1].load(std::memory_order_relaxed); }
    int TotalReplicatesDone() const;
    // Fraction of the whole calculation finished, 0..1.
    double Fraction() const;

    void RequestCancel() { cancel_.store(true, std::memory_order_relaxed); }
    bool CancelRequested() const { return cancel_.load(std::memory_order_relaxed); }
    // Throws CalculationCancelled when a stop was requested.
    void ThrowIfCancelled() const {
        if (CancelRequested()) throw CalculationCancelled();
    }

private:
    std::atomic<int> stage_{static_cast<int>(CalculationStage::Waiting)};
    std::atomic<int> perDistribution_{0};
    std::atomic<int> done_[kDistributionCount] = {};
    std::atomic<bool> cancel_{false};
};

// "Simulando as amostras: Normal 500/500, LogNormal 120/500, ..." and the like.
std::string DescribeProgress(const CalculationProgress& progress);

}  // namespace zarn
