// SPDX-License-Identifier: GPL-3.0-or-later
#include "study/regionalpdf.h"

#include <QChart>
#include <QChartView>
#include <QAbstractAxis>
#include <QDate>
#include <memory>

#include "dialogs/regionalcharts.h"
#include "files/errors.h"
#include "files/filewrite.h"
#include "platform/platform.h"
#include "study/regionalstudy.h"
#include "study/studypdf.h"

#ifndef ZARN_VERSION
#define ZARN_VERSION "?"
#endif

namespace zarn {

int WriteRegionalStudy(const QString& path, const RegionalResult& r, const std::string& input,
                       const std::vector<std::string>& advice) {
    RegionalStudyInput in;
    in.Result = &r;
    in.Input = input;
    in.Advice = advice;
    in.Date = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")).toStdString();
    in.Version = ZARN_VERSION;
    const StudyDocument doc = RegionalStudy(in);

    // The window's charts, with the titles its tabs give them, each in the
    // scene of a view (hidden) as the window's are: the renderer draws scenes.
    auto* diagram = new QChart;
    const auto diagramView = std::make_unique<QChartView>(diagram);
    diagram->setTitle(QStringLiteral("Diagrama de momentos-L da região"));
    FillRegionalDiagram(diagram, r);
    auto* growth = new QChart;
    const auto growthView = std::make_unique<QChartView>(growth);
    growth->setTitle(QStringLiteral("Curva regional de crescimento"));
    FillRegionalGrowthChart(growth, r);
    // The window's axis title names reference periods that the text width of
    // a page cuts off; the caption gives them.
    for (QAbstractAxis* axis : growth->axes(Qt::Horizontal))
        axis->setTitleText(QStringLiteral("Variável reduzida de Gumbel  -ln(-ln F)"));
    const StudyCharts charts{{kRegionalStudyDiagramChart, diagram}, {kRegionalStudyGrowthChart, growth}};

    int pages = 0;
    const QByteArray bytes = StudyPdfBytes(doc, charts, &pages);
    const std::string target = FileSystemPath(path);
    ReplaceFileContents(target, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        [&](WriteStage, int code) { return FileErrorText(code, target); }, LinkAtTarget::Replace);
    return pages;
}

}  // namespace zarn
