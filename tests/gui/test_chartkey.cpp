// SPDX-License-Identifier: GPL-3.0-or-later
// The key of the frequency chart and the ratio diagram never hides what is
// plotted: for the examples, with all eight fits, their band and bounds, at
// the window's size and laid out as exported at 8 cm and at 30 cm wide, the
// key's rectangle meets no observed point, marker or stretch of a curve, as
// the scene places them. Checked by sampling every segment, independently of
// the placement's own geometry.
#include <QAreaSeries>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QScatterSeries>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "analysis/calculation.h"
#include "analysis/record.h"
#include "dialogs/chartexport.h"
#include "dialogs/chartwindows.h"
#include "platform/document.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

// Points sampled along each segment of a curve.
constexpr int kSamplesPerSegment = 40;

// Lays the chart out as the export does at `widthCm` wide (a chart narrower
// than 12 cm is laid out at 12 cm and drawn smaller).
void LayOutAt(QChart* chart, double widthCm, double heightCm) {
    const double enlarge = std::max(1.0, 12.0 / widthCm);
    const double dpi = ChartLayoutDpi();
    const QSizeF logical(widthCm * enlarge / 2.54 * dpi, heightCm * enlarge / 2.54 * dpi);
    chart->setGeometry(QRectF(chart->geometry().topLeft(), logical));
    if (chart->layout()) chart->layout()->activate();
    QCoreApplication::sendPostedEvents(chart, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// What of the plot lies under `key` (chart coordinates); "" when nothing.
QString Hidden(QChart* chart, const QRectF& key) {
    auto line = [&](const QList<QPointF>& points, QAbstractSeries* series) -> QString {
        for (qsizetype k = 1; k < points.size(); ++k) {
            const QPointF a = chart->mapToPosition(points[k - 1], series);
            const QPointF b = chart->mapToPosition(points[k], series);
            for (int j = 0; j <= kSamplesPerSegment; ++j)
                if (key.contains(a + (b - a) * (static_cast<double>(j) / kSamplesPerSegment)))
                    return series->name();
        }
        return {};
    };
    for (QAbstractSeries* series : chart->series()) {
        if (!series->isVisible()) continue;
        if (auto* scatter = qobject_cast<QScatterSeries*>(series)) {
            const double r = scatter->markerSize() / 2;
            for (const QPointF& p : scatter->points())
                if (key.adjusted(-r, -r, r, r).contains(chart->mapToPosition(p, scatter))) return scatter->name();
        } else if (auto* xy = qobject_cast<QXYSeries*>(series)) {
            if (const QString name = line(xy->points(), xy); !name.isEmpty()) return name;
        } else if (auto* area = qobject_cast<QAreaSeries*>(series)) {
            if (const QString name = line(area->upperSeries()->points(), area); !name.isEmpty()) return name;
            if (area->lowerSeries())
                if (const QString name = line(area->lowerSeries()->points(), area); !name.isEmpty()) return name;
        }
    }
    return {};
}

QRectF KeyRect(ChartKey* key) { return key->mapRectToParent(key->boundingRect().adjusted(1, 1, -1, -1)); }

}  // namespace

class TestChartKey : public QObject {
    Q_OBJECT
    QTemporaryDir settings_;

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path()); }

    void theKeyHidesNothing_data() {
        QTest::addColumn<QString>("example");
        for (const char* name : {"ocmulgee-river-macon", "tees-dent-bank", "arkansas-river-pueblo",
                                 "santa-cruz-river-lochiel", "potomac-river-point-of-rocks"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void theKeyHidesNothing() {
        QFETCH(QString, example);
        // A document of its own per example: the windows follow it.
        Document document(TestSession());
        auto record = std::make_unique<AnalysisRecord>();
        SimulationSummary simulations;
        CalculateAll(*record, "", "", "", (QStringLiteral(ZARN_EXAMPLES "/") + example + ".dat").toStdString(), {},
                     &simulations);
        document.Replace(std::move(record), std::move(simulations), std::string(), ProjectSettings{}, true);
        ScriptedPlatform platform;
        TFrequencia frequencia(platform, document);
        frequencia.Exibir();
        for (int index = 1; index <= kDistributionCount; ++index) frequencia.Distribuicao(index)->setChecked(true);
        frequencia.Desenhar();
        TDiagramaMomentos diagrama(platform, document);
        diagrama.Exibir();
        QVERIFY(QTest::qWaitForWindowExposed(&frequencia));
        QVERIFY(QTest::qWaitForWindowExposed(&diagrama));
        QCoreApplication::processEvents();

        const struct {
            QChart* Chart;
            ChartKey* Key;
        } charts[] = {{frequencia.Grafico(), frequencia.Legenda()}, {diagrama.Grafico(), diagrama.Legenda()}};
        for (const auto& c : charts) {
            const QRectF screen = c.Chart->geometry();
            // 0: as the window shows it.
            for (const double width : {0.0, 8.0, 30.0}) {
                if (width > 0) LayOutAt(c.Chart, width, width * 0.75);
                const QString where = QStringLiteral("%1, %2 cm").arg(c.Chart->title()).arg(width);
                QVERIFY2(!c.Key->Texts().isEmpty(), qPrintable(where));
                const QRectF key = KeyRect(c.Key);
                const QString hidden = Hidden(c.Chart, key);
                QVERIFY2(hidden.isEmpty(), qPrintable(where + QStringLiteral(": the key hides ") + hidden));
                // Inside the chart, and outside the plot when it stands under it.
                QVERIFY2(QRectF(QPointF(0, 0), c.Chart->size()).contains(key), qPrintable(where));
                if (c.Key->Outside()) QVERIFY2(!c.Chart->plotArea().intersects(key), qPrintable(where));
            }
            c.Chart->setGeometry(screen);
        }
    }
};

QTEST_MAIN(TestChartKey)
#include "test_chartkey.moc"
