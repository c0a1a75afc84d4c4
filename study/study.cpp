// SPDX-License-Identifier: GPL-3.0-or-later
#include "study/study.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QVariant>
#include <QtCharts/QChart>
#include <QtCharts/QScatterSeries>
#include <map>
#include <memory>

#include "files/projectsettings.h"
#include "analysis/record.h"
#include "analysis/b17cproject.h"
#include "dialogs/b17cwindow.h"
#include "dialogs/chartexport.h"
#include "dialogs/chartwindows.h"
#include "dialogs/resultdialogs.h"
#include "rules/advisor.h"
#include "study/studypdf.h"
#include "views/lines.h"

#ifndef ZARN_VERSION
#define ZARN_VERSION "?"
#endif

namespace zarn {

namespace {

// The chart windows save their controls as the user's settings whenever
// they draw: the study's choices must not become the user's.
class KeepChartSettings {
public:
    KeepChartSettings() {
        const auto settings = ChartSettings();
        for (const QString& key : settings->allKeys()) saved_[key] = settings->value(key);
    }
    ~KeepChartSettings() {
        const auto settings = ChartSettings();
        for (const QString& key : settings->allKeys())
            if (!saved_.count(key)) settings->remove(key);
        for (const auto& [key, value] : saved_) settings->setValue(key, value);
    }

private:
    std::map<QString, QVariant> saved_;
};

// The study's time plot is the whole series read: the years without flow
// back at their places, at zero, each marked by a triangle (the tests
// window keeps the analysed positive values).
void MarkZeroYears(TTesteDLG& serie, const AnalysisRecord& r, const ZeroYears& zeros) {
    const ChartPoints points = SeriesPoints(r, zeros);
    if (zeros.Zeros == 0 || static_cast<int>(points.size()) != zeros.Years) return;
    serie.EntrarXY(points);
    QChart* chart = serie.Chart1();
    auto* marks = new QScatterSeries;
    marks->setName(QStringLiteral("Anos sem vazão"));
    marks->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    marks->setMarkerSize(9);
    marks->setColor(QColor(200, 0, 0));
    marks->setBorderColor(QColor(120, 0, 0));
    QList<QPointF> at;
    for (const auto& [x, y] : points)
        if (y == 0) at.append(QPointF(x, y));
    marks->replace(at);
    chart->addSeries(marks);
    for (QAbstractAxis* axis : chart->axes()) marks->attachAxis(axis);
}

}  // namespace

StudyOptions ProjectStudyOptions(const ProjectSettings& settings) {
    StudyOptions options;
    if (settings.Variable && !settings.Variable->empty()) options.Variable = QString::fromStdString(*settings.Variable);
    if (settings.Unit) options.Unit = QString::fromStdString(*settings.Unit);
    if (settings.ReturnPeriods) options.ReturnPeriods = *settings.ReturnPeriods;
    return options;
}

bool WriteRecordStudy(Platform& platform, Document& document, const QString& path, const StudyOptions& options,
                      int* pages, LinkAtTarget link) {
    if (!EnsureSimulations(platform, nullptr, document)) return false;
    // The years without flow the project keeps beside it: the advice and the
    // quantile tables take them back in, as the windows do.
    const ZeroYears zeros = ProjectZeroYears(document.Record(), document.Settings());
    const Advice advice = Advise(document.Record(), document.session(), zeros, ProjectB17cFacts(document));

    KeepChartSettings keep;
    TTesteDLG serie(platform, document);
    serie.Preencher();
    MarkZeroYears(serie, document.Record(), zeros);
    TFrequencia frequencia(platform, document);
    frequencia.SetRecommended(advice.Recommended);
    frequencia.Preencher();
    const int shown = frequencia.Recommended();
    frequencia.Papel()->setCurrentIndex(frequencia.Papel()->findData(static_cast<int>(ProbabilityPaper::Gumbel)));
    frequencia.Posicao()->setCurrentIndex(
        frequencia.Posicao()->findData(static_cast<int>(PlottingFormula::Cunnane)));
    for (int index = 1; index <= kDistributionCount; ++index) frequencia.Distribuicao(index)->setChecked(index == shown);
    frequencia.Intervalo()->setCurrentIndex(frequencia.Intervalo()->findData(shown));
    frequencia.Limites()->setChecked(true);
    frequencia.EscalaLog()->setChecked(false);
    frequencia.Variavel()->setText(options.Variable);
    frequencia.Unidade()->setText(options.Unit);
    frequencia.Desenhar();
    TDiagramaMomentos diagrama(platform, document);
    diagrama.Preencher();

    StudyInput input;
    input.Record = &document.Record();
    input.Simulations = &document.Simulations();
    input.Consulted = &advice;
    input.Date = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")).toStdString();
    input.Version = ZARN_VERSION;
    input.Variable = options.Variable.toStdString();
    input.Unit = options.Unit.toStdString();
    input.AllQuantiles = options.AllQuantiles;
    input.ReturnPeriods = options.ReturnPeriods;
    input.Zeros = zeros;
    // The project's Bulletin 17C analysis, when it has a flood record: the
    // window's own analysis and chart.
    TAnaliseB17c b17c(platform, document);
    if (!ReadB17cProject(document.Settings()).Record.Observations.empty()) {
        b17c.Preencher();
        StudyB17c section;
        section.Record = b17c.Projeto().Record;
        section.Options = b17c.Projeto().Options;
        if (b17c.Resultado()) section.Result = *b17c.Resultado();
        else section.Result.Failure = b17c.Aviso()->text().toStdString();
        input.B17c = section;
    }
    const StudyDocument doc = StationStudy(input);
    StudyCharts charts{{kStudyTimeChart, serie.Chart1()},
                       {kStudyFrequencyChart, frequencia.Grafico()},
                       {kStudyRatioChart, diagrama.Grafico()}};
    if (input.B17c) charts[kStudyB17cChart] = b17c.Grafico();
    const int written = WriteStudyPdf(path, doc, charts, link);
    if (pages) *pages = written;
    return true;
}

}  // namespace zarn
