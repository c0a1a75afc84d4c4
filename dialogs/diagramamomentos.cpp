// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/diagramamomentos.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>
#include <cmath>

#include "files/format.h"
#include "analysis/record.h"
#include "dialogs/axisfit.h"

namespace zarn {

namespace {

// First size of the window; it can be resized and maximised.
constexpr int kDiagramWidth = 920;
constexpr int kDiagramHeight = 600;
// Markers of the reference distributions and of the sample.
constexpr double kReferenceMarker = 11.0;
constexpr double kSampleMarker = 12.0;

}  // namespace

TDiagramaMomentos::TDiagramaMomentos(Platform& platform, Document& document, QWidget* parent)
    : ChartWindowBase(platform, document, parent, QStringLiteral("ZARN - Diagrama de momentos-L"), kDiagramWidth,
                      kDiagramHeight) {
    setObjectName(QStringLiteral("DiagramaMomentos"));
    MakeChart(QStringLiteral("DIAGRAMA DE RAZÕES DE MOMENTOS-L"), QStringLiteral("diagrama de momentos-L"));

    auto* panel = new QWidget(this);
    panel->setFixedWidth(kPanelWidth);
    auto* side = new QVBoxLayout(panel);
    side->setContentsMargins(0, 0, 0, 0);
    resumo_ = new QLabel(panel);
    resumo_->setObjectName(QStringLiteral("Resumo"));
    resumo_->setWordWrap(true);
    QFont bold = resumo_->font();
    bold.setBold(true);
    resumo_->setFont(bold);
    side->addWidget(resumo_);
    texto_ = new QPlainTextEdit(panel);
    texto_->setObjectName(QStringLiteral("Texto"));
    texto_->setReadOnly(true);
    side->addWidget(texto_, 1);
    AddCloseButton(panel, side);

    auto* body = new QHBoxLayout;
    body->addWidget(view_, 1);
    body->addWidget(panel);
    LayOut(body);
}

void TDiagramaMomentos::Exibir() {
    Preencher();
    ShowChart();
}

void TDiagramaMomentos::Preencher() {
    data_ = RatioDiagram(document().Record());
    SetLines(texto_, RatioDiagramLines(data_, RegionalDecimalSeparator()));
    auto family = [](const FamilyDistances& d) {
        return d.Closest == 0 ? QStringLiteral("nenhuma") : QString::fromStdString(DistributionName(d.Closest));
    };
    resumo_->setText(QStringLiteral("Família mais próxima:\n  da amostra: %1\n  dos logaritmos: %2")
                         .arg(family(data_.SampleFamily), family(data_.LogsFamily)));
    chart_->setLocale(RegionalTickNumbers());
    ClearChart(chart_);

    auto* xAxis = new QValueAxis;
    xAxis->setTitleText(QStringLiteral("L-assimetria, t3"));
    SetLinearScale(xAxis, data_.T3Axis);
    auto* yAxis = new QValueAxis;
    yAxis->setTitleText(QStringLiteral("L-curtose, t4"));
    SetLinearScale(yAxis, data_.T4Axis);
    chart_->addAxis(xAxis, Qt::AlignBottom);
    chart_->addAxis(yAxis, Qt::AlignLeft);
    FitValueTicks(chart_, xAxis, data_.T3Axis.Step);
    FitValueTicks(chart_, yAxis, data_.T4Axis.Step);

    QList<ChartKey::Entry> key;
    auto line = [&](const QString& name, const QPen& pen, const std::vector<RatioPoint>& points) {
        auto* series = new QLineSeries;
        series->setName(name);
        series->setPen(pen);
        QList<QPointF> list;
        for (const RatioPoint& p : points) list.append(QPointF(p.T3, p.T4));
        series->replace(list);
        AttachSeries(chart_, series, xAxis, yAxis);
        ChartKey::Entry entry;
        entry.Text = name;
        entry.Line = pen;
        key << entry;
    };
    auto point = [&](const QString& name, const RatioPoint& p, QScatterSeries::MarkerShape shape, double size,
                     const QColor& fill, const QColor& border) {
        QScatterSeries* series = AddScatter(chart_, xAxis, yAxis, key, name, shape, size, fill, border);
        if (std::isfinite(p.T3) && std::isfinite(p.T4)) series->replace({QPointF(p.T3, p.T4)});
    };
    for (std::size_t f = 0; f < kRatioFamilies.size(); ++f)
        line(QString::fromStdString(DistributionName(kRatioFamilies[f])), QPen(ChartColour(kRatioFamilies[f]), kCurveWidth),
             data_.Curves[f]);
    // The lower limit runs below the t4 axis: its pieces inside it.
    {
        ChartPoints limit;
        for (const RatioPoint& p : data_.LowerLimit) limit.emplace_back(p.T3, p.T4);
        const QPen pen(Qt::gray, 1.0, Qt::DotLine);
        const QString name = QStringLiteral("Limite inferior de t4");
        for (const ChartPoints& piece : ClipPolyline(limit, data_.T4Axis.Low, data_.T4Axis.High, false)) {
            auto* series = new QLineSeries;
            series->setName(name);
            series->setPen(pen);
            QList<QPointF> list;
            for (const auto& [x, y] : piece) list.append(QPointF(x, y));
            series->replace(list);
            AttachSeries(chart_, series, xAxis, yAxis);
        }
        ChartKey::Entry entry;
        entry.Text = name;
        entry.Line = pen;
        key << entry;
    }
    static const QScatterSeries::MarkerShape kReferenceShapes[] = {
        QScatterSeries::MarkerShapeRectangle, QScatterSeries::MarkerShapeTriangle,
        QScatterSeries::MarkerShapePentagon};
    static const int kReferenceIndexes[] = {kNormal, kGumbel, kExponential};
    for (std::size_t k = 0; k < data_.References.size() && k < 3; ++k) {
        const QColor colour = ChartColour(kReferenceIndexes[k]);
        point(QString::fromStdString(data_.References[k].Name), data_.References[k].Point, kReferenceShapes[k],
              kReferenceMarker, colour, colour.darker(150));
    }
    point(QStringLiteral("Amostra"), data_.Sample, QScatterSeries::MarkerShapeCircle, kSampleMarker, Qt::black,
          Qt::black);
    point(QStringLiteral("Logaritmos da amostra"), data_.Logs, QScatterSeries::MarkerShapeStar, kSampleMarker + 2,
          Qt::white, Qt::black);
    key_->SetEntries(key);
}

}  // namespace zarn
