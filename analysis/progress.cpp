// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/progress.h"

namespace zarn {

namespace {

// Share of the whole calculation taken by the simulations (the rest is
// reading, statistics and tests, a few per cent at most).
constexpr double kSimulationShare = 0.97;

}  // namespace

int CalculationProgress::TotalReplicatesDone() const {
    int total = 0;
    for (int index = 1; index <= kDistributionCount; ++index) total += ReplicatesDone(index);
    return total;
}

double CalculationProgress::Fraction() const {
    switch (Stage()) {
    case CalculationStage::Waiting:
    case CalculationStage::Reading: return 0.0;
    case CalculationStage::Statistics: return (1.0 - kSimulationShare) / 2;
    case CalculationStage::Simulations: {
        const int per = ReplicatesPerDistribution();
        const double simulated = per > 0 ? static_cast<double>(TotalReplicatesDone()) / (per * kDistributionCount) : 0.0;
        return (1.0 - kSimulationShare) / 2 + kSimulationShare * simulated;
    }
    case CalculationStage::Finishing: return 1.0 - (1.0 - kSimulationShare) / 2;
    case CalculationStage::Done: return 1.0;
    case CalculationStage::Regions: {
        const int per = ReplicatesPerDistribution();
        return per > 0 ? static_cast<double>(ReplicatesDone(1)) / per : 0.0;
    }
    }
    return 0.0;
}

std::string DescribeProgress(const CalculationProgress& progress) {
    switch (progress.Stage()) {
    case CalculationStage::Waiting:
    case CalculationStage::Reading: return "Lendo o arquivo de dados...";
    case CalculationStage::Statistics: return "Calculando estatísticas, parâmetros e testes não paramétricos...";
    case CalculationStage::Simulations: break;
    case CalculationStage::Finishing: return "Concluindo os testes de ajuste...";
    case CalculationStage::Done: return "Concluído.";
    case CalculationStage::Regions:
        return "Simulando regiões (heterogeneidade, aderência e precisão): " + std::to_string(progress.ReplicatesDone(1)) +
               "/" + std::to_string(progress.ReplicatesPerDistribution());
    }
    const int per = progress.ReplicatesPerDistribution();
    std::string text = "Simulando amostras (testes de ajuste):";
    for (int index = 1; index <= kDistributionCount; ++index) {
        text += index % 2 == 1 ? "\n" : "    ";
        text += DistributionName(index);
        text += " ";
        text += std::to_string(progress.ReplicatesDone(index));
        text += "/";
        text += std::to_string(per);
    }
    return text;
}

}  // namespace zarn
