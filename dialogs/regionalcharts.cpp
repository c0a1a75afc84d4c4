// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/regionalcharts.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <cmath>

#include "dialogs/chartwindow.h"
#include "views/regionallines.h"

namespace zarn {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

QLineSeries* Line(const QString& name, const std::vector<std::array<double, 2>>& points) {
    auto* s = new QLineSeries;
    s->setName(name);
    QList<QPointF> list;
    list.reserve(static_cast<qsizetype>(points.size()));
    for (const auto& p : points) list.append(QPointF(p[0], p[1]));
    s->replace(list);  // in one call
    return s;
}

}  // namespace

void FillRegionalDiagram(QChart* chart, const RegionalResult& r) {
    const RegionalDiagramData d = RegionalDiagram(r);
    ClearChart(chart);  // the old series and axes deleted, not only detached
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("L-assimetria (t3)"));
    x->setRange(d.T3Min, d.T3Max);
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("L-curtose (t4)"));
    y->setRange(d.T4Min, d.T4Max);
    // Ticks every 0.1 on both axes.
    x->setTickCount(static_cast<int>(std::lround((d.T3Max - d.T3Min) * 10)) + 1);
    y->setTickCount(static_cast<int>(std::lround((d.T4Max - d.T4Min) * 10)) + 1);
    x->setLabelFormat(QStringLiteral("%.1f"));
    y->setLabelFormat(QStringLiteral("%.1f"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (std::size_t f = 0; f < kCandidateFamilies.size(); ++f) {
        auto* s = new QLineSeries;
        s->setName(Text(std::string(FamilyName(kCandidateFamilies[f]))));
        QList<QPointF> curve;
        for (const RatioPoint& p : d.Curves[f]) curve.append(QPointF(p.T3, p.T4));
        s->replace(curve);
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    auto* sites = new QScatterSeries;
    sites->setName(QStringLiteral("Postos"));
    sites->setMarkerSize(8);
    sites->setColor(QColor(90, 90, 90));  // apart from the curves' colours
    auto* discordant = new QScatterSeries;
    discordant->setName(QStringLiteral("Discordantes"));
    discordant->setMarkerSize(9);
    discordant->setColor(Qt::red);
    QList<QPointF> plain, apart;
    for (std::size_t i = 0; i < d.Sites.size(); ++i)
        (d.Discordant[i] ? apart : plain).append(QPointF(d.Sites[i].T3, d.Sites[i].T4));
    sites->replace(plain);
    discordant->replace(apart);
    auto* average = new QScatterSeries;
    average->setName(QStringLiteral("Média regional"));
    average->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    average->setMarkerSize(12);
    average->setColor(Qt::black);
    average->append(d.Average.T3, d.Average.T4);
    for (QScatterSeries* s : {sites, discordant, average}) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    // Each site's number (its row in the sites' table) where the diagram's
    // data put it: the label of an invisible point, kept out of the legend.
    for (std::size_t i = 0; i < d.LabelAnchors.size(); ++i) {
        auto* label = new QScatterSeries;
        label->setMarkerSize(1);
        label->setColor(Qt::transparent);
        label->setBorderColor(Qt::transparent);
        label->append(d.LabelAnchors[i].T3, d.LabelAnchors[i].T4);
        label->setPointLabelsFormat(QString::number(i + 1));
        label->setPointLabelsVisible(true);
        label->setPointLabelsClipping(false);
        QFont font = label->pointLabelsFont();
        font.setPointSizeF(7.5);
        label->setPointLabelsFont(font);
        label->setPointLabelsColor(d.Discordant[i] ? Qt::red : QColor(60, 60, 60));
        chart->addSeries(label);
        label->attachAxis(x);
        label->attachAxis(y);
        for (QLegendMarker* marker : chart->legend()->markers(label)) marker->setVisible(false);
    }
}

void FillRegionalGrowthChart(QChart* chart, const RegionalResult& r) {
    const GrowthChartData g = GrowthChart(r);
    ClearChart(chart);  // the old series and axes deleted, not only detached
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("Variável reduzida de Gumbel  -ln(-ln F)   (T = 2: 0,37; 10: 2,25; 100: 4,6; 1000: 6,9)"));
    x->setRange(std::floor(g.XMin), std::ceil(g.XMax));
    x->setTickCount(static_cast<int>(std::ceil(g.XMax) - std::floor(g.XMin)) + 1);
    x->setLabelFormat(QStringLiteral("%.0f"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("Quantil / índice de cheia"));
    y->setRange(0.0, std::ceil(g.YMax * 1.05 * 2) / 2);
    y->applyNiceNumbers();  // ticks at round values
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    std::vector<QLineSeries*> series = {Line(Text(g.Family), g.Curve)};
    if (!g.Lower.empty()) {
        series.push_back(Line(QStringLiteral("Limite 5 %"), g.Lower));
        series.push_back(Line(QStringLiteral("Limite 95 %"), g.Upper));
        for (int i = 1; i <= 2; ++i) {
            QPen pen = series[i]->pen();
            pen.setStyle(Qt::DashLine);
            series[i]->setPen(pen);
        }
    }
    for (QLineSeries* s : series) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

}  // namespace zarn
