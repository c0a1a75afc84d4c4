#include "platform/platform.h"

#include <QFileInfo>

#include "analysis/record.h"
#include "analysis/simulation.h"
#include "platform/session.h"

namespace zarn {

bool EnsureSimulations(Platform& platform, QWidget* parent) {
    if (CurrentSimulations.Matches(Record)) return true;
    CalculationProgress progress;
    progress.SetStage(CalculationStage::Simulations);
    SimulationSummary simulated;
    try {
        platform.RunWithProgress(parent, QStringLiteral("ZARN - Simulando o projeto"), progress, [&] {
            simulated = SimulateAll(Record, SimulationOptions{CalculationThreads, &progress});
        });
    } catch (const CalculationCancelled&) {
        return false;
    }
    CurrentSimulations = std::move(simulated);
    return true;
}

QStringList Platform::OpenFileNames(QWidget* parent, const FileDialogOptions& options) {
    const QString file = OpenFileName(parent, options);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

QString Platform::FolderName(QWidget* parent, const FileDialogOptions& options) {
    const QString file = OpenFileName(parent, options);
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

}  // namespace zarn
