// SPDX-License-Identifier: GPL-3.0-or-later
// "Relatório do estudo": the study of the analysis in memory as a PDF.
// The charts are the chart windows' own, built hidden for the study with
// the study's choices (Gumbel paper, Cunnane positions, the recommended
// distribution and its 90 % band); the user's chart settings are left as
// they were.
//
//   StudyOptions       the variable and unit named on the charts and tables,
//                      the return periods of the quantile tables
//   ProjectStudyOptions  those a project keeps beside its file
//   WriteRecordStudy   the study of a document's analysis written to a path
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "files/projectsettings.h"
#include "platform/document.h"
#include "platform/platform.h"

namespace zarn {

struct StudyOptions {
    QString Variable = QStringLiteral("Vazão máxima anual");
    QString Unit;
    bool AllQuantiles = true;
    std::vector<double> ReturnPeriods;  // the project's; empty: the seven of the analysis
};

// The options the project keeps beside its file (the document's settings),
// the defaults where it keeps none.
StudyOptions ProjectStudyOptions(const ProjectSettings& settings);

// The study of the document's analysis. Simulates it again when its
// simulations are not valid (through the platform's progress); false when
// the user cancelled that. Throws ZarnError when the file cannot be
// written. `pages` receives the page count when not null.
bool WriteRecordStudy(Platform& platform, Document& document, const QString& path, const StudyOptions& options,
                      int* pages = nullptr);

}  // namespace zarn
