// SPDX-License-Identifier: GPL-3.0-or-later
// Long series and charts that read right: the markers of a long sample
// painted by one item per series, the study's return periods over the
// observed values, tick labels never cut short at export widths from 8 to
// 30 cm, the import preview's axes, and exports below the smallest size
// refused.
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGraphicsItem>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

#include "analysis/calculation.h"
#include "files/errors.h"
#include "analysis/record.h"
#include "dialogs/chartexport.h"
#include "dialogs/chartmarkers.h"
#include "dialogs/chartwindows.h"
#include "dialogs/resultdialogs.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

// A sample of `n` annual maxima from a Gumbel with location 500 and scale
// 150 (inverse of F = exp(-exp(-(x - 500) / 150)) at evenly spread F), in a
// file of `folder`; its analysis with the simulations.
void LongAnalysis(const QString& folder, int n, AnalysisRecord& record, SimulationSummary& simulations) {
    const QString path = folder + QStringLiteral("/longa.dat");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (int i = 1; i <= n; ++i) {
        // A scrambled order: the tests of independence see no trend.
        const int k = static_cast<int>((static_cast<long long>(i) * 7919) % n) + 1;
        const double F = (k - 0.5) / n;
        file.write(QByteArray::number(500.0 - 150.0 * std::log(-std::log(F)), 'f', 3) + "\n");
    }
    file.close();
    CalculateAll(record, "Série longa", "", "", path.toStdString(), {}, &simulations);
}

// The clouds of `chart`, by their series.
MarkerCloud* CloudOf(QChart* chart, QScatterSeries* series) {
    for (QGraphicsItem* item : chart->childItems())
        if (auto* cloud = dynamic_cast<MarkerCloud*>(item); cloud && cloud->Series() == series) return cloud;
    return nullptr;
}

// Pixels of exactly `colour` in the image.
int PixelsOf(const QImage& image, QRgb colour) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (rgb.pixel(x, y) == colour) ++count;
    return count;
}

// Texts the chart toolkit cut short end in "...".
int CutLabels(const QByteArray& svg) {
    return static_cast<int>(QString::fromUtf8(svg).count(QRegularExpression(QStringLiteral("\\.\\.\\.</text>|\\.\\.\\.<"))));
}

}  // namespace

class TestChartLegibility : public QObject {
    Q_OBJECT

    QTemporaryDir settings_;
    QTemporaryDir data_;
    ScriptedPlatform* platform_ = nullptr;

private slots:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        auto record = std::make_unique<AnalysisRecord>();
        SimulationSummary simulations;
        LongAnalysis(data_.path(), 3000, *record, simulations);
        QCOMPARE(record->SampleSize, 3000);
        TestDocument().Record() = *record;
        TestDocument().SetSimulations(simulations);
    }

    void init() {
        ChartSettings()->clear();
        TestDocument().Settings() = ProjectSettings{};
        platform_ = new ScriptedPlatform;
    }

    void cleanup() { delete platform_; }

    // Every value is in the series (the key, the tests and the batch tool
    // read them there), while the toolkit's own markers are never painted:
    // the cloud paints them, on pixels and as vectors.
    void aLongSamplesMarkersArePaintedByOneItemPerSeries() {
        TParaDLG para(*platform_, TestDocument());
        para.Preencher();
        QCOMPARE(para.Series1()->count(), 3000);
        QCOMPARE(para.Series2()->count(), 3000);
        for (QScatterSeries* series : {para.Series1(), para.Series2()}) {
            QVERIFY(CloudOf(para.Chart1(), series));
            QCOMPARE(series->opacity(), 0.0);
        }
        const ImageSize size{16, 12, 100};
        const QImage png = ChartImage(para.Chart1(), size);
        QVERIFY(PixelsOf(png, qRgb(0, 0, 255)) > 500);  // the observed values, blue
        QVERIFY(PixelsOf(png, qRgb(255, 0, 0)) > 500);  // the fitted quantiles, red
        const QString svg = QString::fromUtf8(ChartSvg(para.Chart1(), size, QStringLiteral("p")));
        QVERIFY(svg.count(QStringLiteral("<ellipse")) + svg.count(QStringLiteral("<circle")) >= 2 * 2900);

        // A series hidden or deleted takes its cloud's drawing with it.
        QScatterSeries* observed = para.Series1();
        observed->setVisible(false);
        QVERIFY(!CloudOf(para.Chart1(), observed)->isVisible());
        observed->setVisible(true);

        TFrequencia frequencia(*platform_, TestDocument());
        frequencia.Preencher();
        QCOMPARE(int(frequencia.Dados().Observed.size()), 3000);
        int clouds = 0;
        for (QGraphicsItem* item : frequencia.Grafico()->childItems()) clouds += dynamic_cast<MarkerCloud*>(item) != nullptr;
        frequencia.Papel()->setCurrentIndex(1);  // drawn again: the old clouds go with their series
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        int after = 0;
        for (QGraphicsItem* item : frequencia.Grafico()->childItems()) after += dynamic_cast<MarkerCloud*>(item) != nullptr;
        QCOMPARE(after, clouds);
    }

    // The quantiles at the study's periods fall among the observed values of
    // a long sample: they are drawn over them.
    void theStudysPeriodsAreDrawnOverTheObservedValues() {
        TestDocument().Settings().ReturnPeriods = std::vector<double>{10, 100, 10000};
        TFrequencia frequencia(*platform_, TestDocument());
        frequencia.Preencher();
        QChart* chart = frequencia.Grafico();
        QScatterSeries *observed = nullptr, *marked = nullptr;
        for (QAbstractSeries* s : chart->series()) {
            if (s->name().startsWith(QStringLiteral("Observados"))) observed = qobject_cast<QScatterSeries*>(s);
            if (s->name() == QStringLiteral("Quantis nos tempos de retorno do estudo")) marked = qobject_cast<QScatterSeries*>(s);
        }
        QVERIFY(observed && marked);
        QCOMPARE(marked->count(), 3);
        QVERIFY(CloudOf(chart, marked)->zValue() > CloudOf(chart, observed)->zValue());
        // Both over every line and area of the chart, under the key.
        QVERIFY(CloudOf(chart, observed)->zValue() > 5.0);
        QVERIFY(CloudOf(chart, marked)->zValue() < frequencia.Legenda()->zValue());
    }

    // Exported from 8 to 30 cm wide, on every paper, no tick label and no
    // title is cut short; at 30 cm the 10,000-year period reads whole.
    void noLabelIsCutAtAnyExportWidth_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("paper");
        for (int paper = 0; paper < 3; ++paper)
            for (const auto& [w, h] : {std::pair{8.0, 6.0}, std::pair{8.0, 12.0}, std::pair{16.0, 12.0}, std::pair{30.0, 22.0}})
                QTest::addRow("%g x %g cm, paper %d", w, h, paper) << w << h << paper;
    }
    void noLabelIsCutAtAnyExportWidth() {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, paper);
        TestDocument().Settings().ReturnPeriods = std::vector<double>{2, 10, 100, 1000, 10000};
        TFrequencia frequencia(*platform_, TestDocument());
        frequencia.Preencher();
        frequencia.Papel()->setCurrentIndex(paper);
        TParaDLG para(*platform_, TestDocument());
        para.Preencher();
        TTesteDLG testes(*platform_, TestDocument());
        testes.Preencher();
        const ImageSize size{width, height, 100};
        const QByteArray svg = ChartSvg(frequencia.Grafico(), size, QStringLiteral("f"));
        QCOMPARE(CutLabels(svg), 0);
        if (width >= 30 && paper != 2) QVERIFY(svg.contains(">10000<"));
        QCOMPARE(CutLabels(ChartSvg(para.Chart1(), size, QStringLiteral("p"))), 0);
        QCOMPARE(CutLabels(ChartSvg(testes.Chart1(), size, QStringLiteral("t"))), 0);
    }

    // Below 8 x 6 cm a chart's texts cannot stay legible: the export is
    // refused with the smallest size named; at it, it is made.
    void anExportBelowTheSmallestSizeIsRefused() {
        TTesteDLG testes(*platform_, TestDocument());
        testes.Preencher();
        for (const ImageSize& small : {ImageSize{7.9, 12, 100}, ImageSize{16, 5.9, 100}}) {
            try {
                ChartPng(testes.Chart1(), small);
                QFAIL("exported below the smallest size");
            } catch (const ZarnError& e) {
                const QString text = QString::fromStdString(e.what());
                QVERIFY2(text.contains(QStringLiteral("8 cm de largura")) && text.contains(QStringLiteral("6 cm de altura")),
                         qPrintable(text));
            }
        }
        QVERIFY(!ChartPng(testes.Chart1(), ImageSize{8, 6, 100}).isEmpty());
    }
};

QTEST_MAIN(TestChartLegibility)
#include "test_chartlegibility.moc"
