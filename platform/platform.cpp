// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/platform.h"

#include <QFileInfo>

#include "analysis/record.h"
#include "analysis/simulation.h"

namespace zarn {

bool EnsureSimulations(Platform& platform, QWidget* parent, Document& document, bool askAgain) {
    if (document.Simulations().Matches(document.Record())) return true;
    if (!askAgain && document.SimulationsDeclined()) return false;
    CalculationProgress progress;
    progress.SetStage(CalculationStage::Simulations);
    SimulationSummary simulated;
    try {
        platform.RunWithProgress(parent, QStringLiteral("ZARN - Simulando o projeto"), progress, [&] {
            simulated = SimulateAll(document.Record(), document.Options(&progress));
        });
    } catch (const CalculationCancelled&) {
        document.SetSimulationsDeclined(true);
        return false;
    }
    document.SetSimulations(std::move(simulated));
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
