// SPDX-License-Identifier: GPL-3.0-or-later
// The charts kept as files, on the clipboard and on paper; the probability
// plot's band; the frequency chart and the ratio diagram windows; the batch
// chart tool. A real analysis of the Ocmulgee example, the scripted platform
// answering the size, file and print dialogs.
#include <QAbstractAxis>
#include <QAction>
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTimer>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSet>
#include <QValueAxis>
#include <QXYSeries>
#include <QSettings>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <cmath>
#include <memory>

#include "analysis/calculation.h"
#include "analysis/fittests.h"
#include "analysis/projectfile.h"
#include "analysis/record.h"
#include "app/desktop.h"
#include "dialogs/chartexport.h"
#include "dialogs/chartwindows.h"
#include "dialogs/resultdialogs.h"
#include "platform/session.h"
#include "rules/advisor.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

// The Ocmulgee analysis and its simulations, computed once; each test starts
// from a copy of them.
struct Analysis {
    std::unique_ptr<AnalysisRecord> Record = std::make_unique<AnalysisRecord>();
    SimulationSummary Simulations;
};

const Analysis& Ocmulgee() {
    static std::unique_ptr<Analysis> analysis;
    if (!analysis) {
        analysis = std::make_unique<Analysis>();
        CalculateAll(*analysis->Record, "Rio \xC1gua Doce", "Macon", "", ZARN_EXAMPLES "/ocmulgee-river-macon.dat", {},
                     &analysis->Simulations);
    }
    return *analysis;
}

// Pixels that are not white: a drawn chart has many.
int InkedPixels(const QImage& image) {
    int inked = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); y += 2)
        for (int x = 0; x < rgb.width(); x += 2)
            if (rgb.pixel(x, y) != qRgb(255, 255, 255)) ++inked;
    return inked;
}

QAction* Named(const QList<QAction*>& actions, const char* name) {
    for (QAction* a : actions)
        if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
}

template <class Series>
Series* SeriesNamed(QChart* chart, const QString& name) {
    for (QAbstractSeries* s : chart->series())
        if (s->name() == name)
            if (auto* typed = qobject_cast<Series*>(s)) return typed;
    return nullptr;
}

// Every point of every line and area lies inside the chart's axes: an SVG
// file keeps no clipping, so what lies outside would be drawn outside.
bool EveryLineInsideItsAxes(QChart* chart) {
    for (QAbstractSeries* series : chart->series()) {
        QList<QPointF> points;
        if (auto* xy = qobject_cast<QXYSeries*>(series)) points = xy->points();
        if (auto* area = qobject_cast<QAreaSeries*>(series)) {
            points = area->upperSeries()->points();
            if (area->lowerSeries()) points += area->lowerSeries()->points();
        }
        for (QAbstractAxis* axis : series->attachedAxes()) {
            double low = 0, high = 0;
            if (auto* v = qobject_cast<QValueAxis*>(axis)) low = v->min(), high = v->max();
            else if (auto* l = qobject_cast<QLogValueAxis*>(axis)) low = l->min(), high = l->max();
            else if (auto* c = qobject_cast<QCategoryAxis*>(axis)) low = c->min(), high = c->max();
            const double slack = (high - low) * 1e-9;
            for (const QPointF& p : points) {
                const double v = axis->orientation() == Qt::Horizontal ? p.x() : p.y();
                if (v < low - slack || v > high + slack) {
                    qWarning("%s: %g outside [%g, %g]", qPrintable(series->name()), v, low, high);
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

class TestCharts : public QObject {
    Q_OBJECT

    QTemporaryDir* dir_ = nullptr;
    QTemporaryDir settings_;
    ScriptedPlatform* platform_ = nullptr;

private slots:
    void initTestCase() {
        // The chart settings of the tests, never the user's.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        Ocmulgee();
    }

    void init() {
        TestDocument().Record() = *Ocmulgee().Record;
        TestDocument().SetSimulations(Ocmulgee().Simulations);
        ChartSettings()->clear();
        dir_ = new QTemporaryDir;
        TestSession().StartupDir = dir_->path().toStdString();
        platform_ = new ScriptedPlatform;
    }

    void cleanup() {
        delete platform_;
        delete dir_;
    }

    void exportedFilesHaveTheRequestedSize() {
        TEstatisticas est(*platform_, TestDocument());
        TTesteDLG testes(*platform_, TestDocument());
        TParaDLG para(*platform_, TestDocument());
        TFrequencia frequencia(*platform_, TestDocument());
        TDiagramaMomentos diagrama(*platform_, TestDocument());
        est.Exibir();
        testes.Exibir();
        para.Exibir();
        frequencia.Exibir();
        diagrama.Exibir();
        const ImageSize size{10.0, 8.0, 150};
        for (QChart* chart : {est.EstatGraf(), testes.Chart1(), para.Chart1(), frequencia.Grafico(), diagrama.Grafico()}) {
            const QRectF before = chart->geometry();

            QImage png;
            QVERIFY(png.loadFromData(ChartPng(chart, size), "PNG"));
            QCOMPARE(png.size(), QSize(591, 472));  // 10 cm and 8 cm at 150 dpi
            QCOMPARE(png.dotsPerMeterX(), 5906);     // 150 dpi
            QVERIFY2(InkedPixels(png) > 2000, qPrintable(chart->title()));

            const QByteArray svg = ChartSvg(chart, size, QStringLiteral("grafico"));
            QSvgRenderer renderer(svg);
            QVERIFY(renderer.isValid());
            QVERIFY(std::abs(renderer.viewBoxF().width() / renderer.viewBoxF().height() - 10.0 / 8.0) < 0.01);
            const QRegularExpressionMatch width = QRegularExpression(QStringLiteral("width=\"([0-9.]+)mm\"")).match(QString::fromUtf8(svg));
            QVERIFY(width.hasMatch());
            QVERIFY(std::abs(width.captured(1).toDouble() - 100.0) < 0.5);

            const QByteArray pdf = ChartPdf(chart, size, QStringLiteral("grafico"));
            QVERIFY(pdf.startsWith("%PDF-"));
            // One page of 10 x 8 cm: 283.46 x 226.77 points.
            const QRegularExpressionMatch box =
                QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]")).match(QString::fromLatin1(pdf));
            QVERIFY(box.hasMatch());
            QVERIFY(std::abs(box.captured(1).toDouble() - 283.46) < 1);
            QVERIFY(std::abs(box.captured(2).toDouble() - 226.77) < 1);

            // The window's chart is back at its own size.
            QCOMPARE(chart->geometry(), before);
        }
    }

    void saveAsksTheSizeThenTheFile() {
        TEstatisticas est(*platform_, TestDocument());
        est.Exibir();
        const QString first = dir_->filePath("histograma.png");
        platform_->ImageSizes = {{12.0, 9.0, 200}};
        platform_->FileNames = {first};
        Named(est.Exportacao()->Actions(), "ExportarPng")->trigger();
        QCOMPARE(platform_->Log.size(), 2);
        QCOMPARE(platform_->Log[0].Kind, QStringLiteral("size"));
        QCOMPARE(platform_->Log[0].Text, QStringLiteral("PNG"));
        const auto& save = platform_->Log[1];
        QCOMPARE(save.Kind, QStringLiteral("save"));
        QCOMPARE(save.Options.FileName, QStringLiteral("Rio Água Doce - histograma.png"));
        QCOMPARE(save.Options.DefaultSuffix, QStringLiteral("png"));
        QCOMPARE(save.Options.Filters.first(), QStringLiteral("Imagem PNG (*.png)"));
        QCOMPARE(save.Options.InitialFolder, dir_->path());
        QImage image(first);
        QCOMPARE(image.size(), PixelSize({12.0, 9.0, 200}));
        // The size is remembered for the next export, and the folder too.
        const ImageSize kept = LoadImageSize();
        QCOMPARE(kept.WidthCm, 12.0);
        QCOMPARE(kept.Dpi, 200);

        platform_->Log.clear();
        const QString svg = dir_->filePath("sub/histograma.svg");
        QVERIFY(QDir().mkpath(dir_->filePath("sub")));
        platform_->FileNames = {svg};
        Named(est.Exportacao()->Actions(), "ExportarSvg")->trigger();
        QCOMPARE(platform_->Log[0].Text, QStringLiteral("SVG"));
        QCOMPARE(platform_->Log[1].Options.InitialFolder, dir_->path());
        QVERIFY(QSvgRenderer(svg).isValid());
        platform_->Log.clear();
        platform_->FileNames = {dir_->filePath("histograma.pdf")};
        Named(est.Exportacao()->Actions(), "ExportarPdf")->trigger();
        QCOMPARE(platform_->Log[1].Options.InitialFolder, dir_->filePath("sub"));
        QVERIFY(ReadAll(dir_->filePath("histograma.pdf")).startsWith("%PDF"));

        // Cancelling the size asks no file; cancelling the file writes nothing.
        platform_->Log.clear();
        platform_->ImageSizeCancelled = true;
        Named(est.Exportacao()->Actions(), "ExportarPng")->trigger();
        QCOMPARE(platform_->Log.size(), 1);
        platform_->ImageSizeCancelled = false;
        platform_->Log.clear();
        Named(est.Exportacao()->Actions(), "ExportarPng")->trigger();  // no file name scripted: cancelled
        QCOMPARE(platform_->Texts("save").size(), 1);
        QVERIFY(platform_->Texts("error").isEmpty());

        // A file that cannot be written goes to the error box, the window stays.
        platform_->FileNames = {dir_->filePath("missing/folder/h.png")};
        Named(est.Exportacao()->Actions(), "ExportarPng")->trigger();
        const QStringList errors = platform_->Texts("error");
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(QStringLiteral("Não foi possível gravar o arquivo")), qPrintable(errors[0]));
        QVERIFY(est.isVisible());
    }

    void copyAndPrintGoThroughThePlatform() {
        TTesteDLG testes(*platform_, TestDocument());
        testes.Exibir();
        Named(testes.Exportacao()->Actions(), "CopiarGrafico")->trigger();
        QCOMPARE(platform_->Clipboard.size(), PixelSize(LoadImageSize()));
        QVERIFY(InkedPixels(platform_->Clipboard) > 2000);

        // Cancelled print dialog: nothing printed.
        Named(testes.Exportacao()->Actions(), "ImprimirGrafico")->trigger();
        QCOMPARE(platform_->Texts("print"), QStringList{QStringLiteral("Rio Água Doce - dados amostrais")});
        const QString pdf = dir_->filePath("grafico.pdf");
        platform_->PrintFile = pdf;
        Named(testes.Exportacao()->Actions(), "ImprimirGrafico")->trigger();
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));
        QVERIFY(platform_->Texts("error").isEmpty());
        // The page names the project above the chart.
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        if (text.waitForStarted()) {
            QVERIFY(text.waitForFinished(30000));
            QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("Projeto: Rio Água Doce")));
        }
    }

    void reportAndAdvicePrint() {
        Tresult result(*platform_, TestDocument());
        result.Exibir();
        QCOMPARE(result.Imprimir()->text(), QStringLiteral("Imprimir"));
        QVERIFY(!result.Imprimir()->geometry().intersects(result.Avancar()->geometry()));
        const QString pdf = dir_->filePath("memoria.pdf");
        platform_->PrintFile = pdf;
        QTest::mouseClick(result.Imprimir(), Qt::LeftButton);
        QCOMPARE(platform_->Texts("print"), QStringList{QStringLiteral("Rio Água Doce - Memória de cálculo")});
        const QByteArray bytes = ReadAll(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("/Count ([0-9]+)")).match(QString::fromLatin1(bytes));
        QVERIFY(pages.hasMatch());
        QCOMPARE(pages.captured(1).toInt(), 2);  // 113 lines of 8 points: two pages
        // The routine the advice window prints with.
        const QString advice = dir_->filePath("recomendacao.pdf");
        platform_->PrintFile = advice;
        PrintLines(*platform_, nullptr, TestDocument(), QStringLiteral("Recomendação"), {"Distribuição recomendada: GEV", ""});
        QCOMPARE(platform_->Texts("print").last(), QStringLiteral("Rio Água Doce - Recomendação"));
        QVERIFY(ReadAll(advice).contains("/Count 1"));
        platform_->PrintFile.clear();
        PrintLines(*platform_, nullptr, TestDocument(), QStringLiteral("Recomendação"), {"x"});  // cancelled: nothing
        QVERIFY(platform_->Texts("error").isEmpty());
    }

    void sizeDialogAsksTheResolutionOnlyForPng() {
        // The real platform's dialog, answered by a timer as a user would.
        ImageSize size{16.0, 12.0, 300};
        QString pixels;
        int boxes = 0;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            const auto centimetres = dialog->findChildren<QDoubleSpinBox*>();
            QCOMPARE(centimetres.size(), 2);
            centimetres[0]->setValue(8.5);
            auto* dpi = dialog->findChild<QSpinBox*>();
            boxes = dpi->isVisibleTo(dialog) ? 3 : 2;
            dpi->setValue(600);
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (label->text().endsWith(QStringLiteral("pixels"))) pixels = label->text();
            static_cast<QDialog*>(dialog)->accept();
        });
        QVERIFY(RunImageSizeDialog(nullptr, QStringLiteral("PNG"), size));
        QCOMPARE(boxes, 3);
        QCOMPARE(size.WidthCm, 8.5);
        QCOMPARE(size.Dpi, 600);
        QCOMPARE(pixels, QStringLiteral("2008 × 2835 pixels"));  // 8.5 and 12 cm at 600 dpi
        // For a vector file only the size: the resolution stays as it was.
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            boxes = dialog->findChild<QSpinBox*>()->isVisibleTo(dialog) ? 3 : 2;
            dialog->findChild<QSpinBox*>()->setValue(100);
            static_cast<QDialog*>(dialog)->accept();
        });
        QVERIFY(RunImageSizeDialog(nullptr, QStringLiteral("SVG"), size));
        QCOMPARE(boxes, 2);
        QCOMPARE(size.Dpi, 600);
        QTimer::singleShot(0, [] { static_cast<QDialog*>(QApplication::activeModalWidget())->reject(); });
        QVERIFY(!RunImageSizeDialog(nullptr, QStringLiteral("PDF"), size));
    }

    void fileNamesComeFromTheProjectTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected");
        QTest::newRow("accents kept") << QStringLiteral("Rio Água Doce") << QStringLiteral("Rio Água Doce - gráfico");
        QTest::newRow("separators and wildcards")
            << QStringLiteral("Posto 1/2: vazões*?") << QStringLiteral("Posto 1 2 vazões - gráfico");
        QTest::newRow("quotes, pipes and blanks")
            << QStringLiteral("  \"A\" | <B>  ") << QStringLiteral("A B - gráfico");
        QTest::newRow("trailing dots") << QStringLiteral("Estudo...") << QStringLiteral("Estudo - gráfico");
        QTest::newRow("empty") << QString() << QStringLiteral("ZARN - gráfico");
        QTest::newRow("only refused characters") << QStringLiteral("///") << QStringLiteral("ZARN - gráfico");
    }

    void fileNamesComeFromTheProjectTitle() {
        QFETCH(QString, title);
        QFETCH(QString, expected);
        QCOMPARE(ChartFileName(title.toStdString(), QStringLiteral("gráfico")), expected);
    }

    void everyChartHasItsExportCommands() {
        TEstatisticas est(*platform_, TestDocument());
        TTesteDLG testes(*platform_, TestDocument());
        TParaDLG para(*platform_, TestDocument());
        const QStringList texts = {QStringLiteral("Salvar como PNG..."), QStringLiteral("Salvar como SVG..."),
                                   QStringLiteral("Salvar como PDF..."), QStringLiteral("Copiar gráfico"),
                                   QStringLiteral("Imprimir gráfico...")};
        auto textsOf = [](const QList<QAction*>& actions) {
            QStringList out;
            for (QAction* a : actions)
                if (!a->isSeparator()) out << a->text();
            return out;
        };
        for (QToolButton* button : {est.Exportar(), testes.Exportar(), para.Exportar()}) {
            QCOMPARE(button->geometry(), QRect(96, 328, 30, 25));
            QCOMPARE(textsOf(button->menu()->actions()), texts);
        }
        // The button sits between "Fechar" and the arrows.
        QVERIFY(!para.Exportar()->geometry().intersects(para.Fechar()->geometry()));
        QVERIFY(!para.Exportar()->geometry().intersects(para.Voltar()->geometry()));
        QCOMPARE(textsOf(est.MenuGrafico()->actions()), texts);
        QCOMPARE(textsOf(testes.MenuGrafico()->actions()), texts);
        QCOMPARE(textsOf(para.Distribuicoes()->actions()).mid(8), texts);

        TFrequencia frequencia(*platform_, TestDocument());
        TDiagramaMomentos diagrama(*platform_, TestDocument());
        for (QToolBar* bar : {frequencia.Ferramentas(), diagrama.Ferramentas()}) QCOMPARE(textsOf(bar->actions()), texts);
        QCOMPARE(textsOf(frequencia.MenuGrafico()->actions()), texts);
        QCOMPARE(textsOf(diagrama.MenuGrafico()->actions()), texts);
    }

    void probabilityPlotDrawsTheBandOfItsDistribution() {
        TParaDLG para(*platform_, TestDocument());
        para.Exibir();
        QVERIFY(platform_->Log.isEmpty());  // a fresh analysis has its simulations
        for (int index : {int(kNormal), int(kGEV), int(kLogPearson3)}) {
            para.Distribuicoes()->actions()[index - 1]->trigger();
            const ProbabilityPlotBandData band = ProbabilityPlotBand(TestDocument().Simulations(), index);
            QCOMPARE(para.BandaInferior()->count(), int(band.Lower.size()));
            for (int k = 0; k < para.BandaInferior()->count(); ++k) {
                QCOMPARE(para.BandaInferior()->at(k), QPointF(band.Lower[k].first, band.Lower[k].second));
                QCOMPARE(para.BandaSuperior()->at(k), QPointF(band.Upper[k].first, band.Upper[k].second));
            }
        }
        // One legend entry for the two limits, after the plot's own two.
        QStringList entries;
        for (QLegendMarker* marker : para.Chart1()->legend()->markers())
            if (marker->isVisible()) entries << marker->label();
        QCOMPARE(entries, QStringList({QStringLiteral("Quantil Observado"), QStringLiteral("Quantil Esperado"),
                                       QStringLiteral("Intervalo 90 %")}));
        // The return-period axis shows the band up to 1000 years.
        auto* axis = qobject_cast<QLogValueAxis*>(para.Chart1()->axes(Qt::Vertical).value(0));
        QVERIFY(axis);
        QCOMPARE(axis->max(), 1000.0);
    }

    void openedProjectSimulatesOnceAndACancelLeavesNoBand() {
        TestDocument().SetSimulations(SimulationSummary{});  // as after opening a project
        platform_->CancelWork = true;
        TParaDLG para(*platform_, TestDocument());
        para.Exibir();
        QCOMPARE(platform_->Texts("progress"), QStringList{QStringLiteral("ZARN - Simulando o projeto")});
        QCOMPARE(para.BandaInferior()->count(), 0);
        QVERIFY(!para.BandaInferior()->isVisible());
        QCOMPARE(para.Series2()->count(), 40);  // the probability plot is drawn all the same
        // Other distributions of the same showing do not ask again.
        para.Distribuicoes()->actions()[kGEV - 1]->trigger();
        QCOMPARE(platform_->Texts("progress").size(), 1);
        // Shown again, it asks again; simulated, the band is there.
        platform_->CancelWork = false;
        para.Exibir();
        QCOMPARE(platform_->Texts("progress").size(), 2);
        QVERIFY(TestDocument().Simulations().Matches(TestDocument().Record()));
        QVERIFY(para.BandaInferior()->count() > 30);
        QVERIFY(platform_->Texts("error").isEmpty());
    }

    void frequencyChartStartsFromTheRecommendation() {
        TFrequencia frequencia(*platform_, TestDocument());
        // Shown, it asks the advisor; with no recommendation (all rejected)
        // it starts from the highest R.
        frequencia.Exibir();
        const int advised = Advise(TestDocument().Record(), TestSession()).Recommended;
        const int best = advised != 0 ? advised : HighestCorrelation(TestDocument().Record());
        QCOMPARE(frequencia.Recommended(), best);
        for (int index = 1; index <= kDistributionCount; ++index)
            QCOMPARE(frequencia.Distribuicao(index)->isChecked(), index == best);
        QVERIFY(frequencia.Distribuicao(best)->text().endsWith(advised != 0 ? QStringLiteral("(recomendada)")
                                                                              : QStringLiteral("(maior R)")));
        QCOMPARE(frequencia.Intervalo()->currentData().toInt(), best);
        frequencia.SetRecommended(0);
        QVERIFY(frequencia.Distribuicao(HighestCorrelation(TestDocument().Record()))->text().endsWith(QStringLiteral("(maior R)")));

        // The advisor's recommendation replaces it at once.
        frequencia.SetRecommended(kGEV);
        for (int index = 1; index <= kDistributionCount; ++index)
            QCOMPARE(frequencia.Distribuicao(index)->isChecked(), index == int(kGEV));
        QCOMPARE(frequencia.Distribuicao(kGEV)->text(), QStringLiteral("GEV (recomendada)"));
        QCOMPARE(frequencia.Legenda()->Texts(),
                 QStringList({QStringLiteral("Intervalo de confiança 90 % (GEV)"), QStringLiteral("GEV"),
                              QStringLiteral("Quantis nos tempos de retorno do estudo"),
                              QStringLiteral("Observados (Cunnane)")}));
        QVERIFY(SeriesNamed<QAreaSeries>(frequencia.Grafico(), QStringLiteral("Intervalo de confiança 90 % (GEV)")));

        // Shown again, the advisor's choice is back; the user's choices then
        // stay while the analysis is the same...
        frequencia.hide();
        frequencia.Exibir();
        QCOMPARE(frequencia.Recommended(), best);
        const int other = best == kGEV ? kGPA : kGEV;
        frequencia.Distribuicao(other)->setChecked(true);
        frequencia.hide();
        frequencia.Exibir();
        QVERIFY(frequencia.Distribuicao(best)->isChecked() && frequencia.Distribuicao(other)->isChecked());
        // ...and a new analysis starts from the recommendation again.
        ParametersOf(TestDocument().Record(), kNormal).Scale *= 1.01;
        frequencia.Exibir();
        QVERIFY(!frequencia.Distribuicao(other)->isChecked() || Advise(TestDocument().Record(), TestSession()).Recommended == other);
        QVERIFY(frequencia.Distribuicao(Advise(TestDocument().Record(), TestSession()).Recommended ? Advise(TestDocument().Record(), TestSession()).Recommended : HighestCorrelation(TestDocument().Record()))
                    ->isChecked());
    }

    void frequencyChartDrawsTheBuildersPointsOnEachPaper() {
        TFrequencia frequencia(*platform_, TestDocument());
        frequencia.Exibir();
        for (int index = 1; index <= kDistributionCount; ++index) frequencia.Distribuicao(index)->setChecked(true);
        for (int paper = 0; paper < 3; ++paper) {
            frequencia.Papel()->setCurrentIndex(paper);
            const FrequencyChartData& data = frequencia.Dados();
            QCOMPARE(int(data.Curves.size()), 8);
            // Each curve is the builder's points cut at the value axis's ends.
            for (const FrequencyCurve& curve : data.Curves) {
                QList<QPointF> drawn;
                for (QAbstractSeries* s : frequencia.Grafico()->series())
                    if (s->name() == QString::fromStdString(DistributionName(curve.Index)))
                        drawn += qobject_cast<QLineSeries*>(s)->points();
                ChartPoints line;
                for (const FrequencyPoint& p : curve.Points) line.emplace_back(p.Coordinate, p.Value);
                QList<QPointF> expected;
                for (const ChartPoints& piece : ClipPolyline(line, data.Values.Low, data.Values.High, paper == 2))
                    for (const auto& [x, y] : piece) expected << QPointF(x, y);
                QCOMPARE(drawn, expected);
                QVERIFY(drawn.size() > 100);
            }
            QVERIFY(EveryLineInsideItsAxes(frequencia.Grafico()));
            QAbstractAxis* bottom = frequencia.Grafico()->axes(Qt::Horizontal).value(0);
            const QList<QAbstractAxis*> horizontal = frequencia.Grafico()->axes(Qt::Horizontal);
            if (paper == 2) {
                QCOMPARE(horizontal.size(), 1);
                QVERIFY(qobject_cast<QLogValueAxis*>(bottom));
            } else {
                QCOMPARE(horizontal.size(), 2);  // return periods below, the paper's variate above
                QCategoryAxis* periods = nullptr;
                for (QAbstractAxis* a : horizontal)
                    if (auto* c = qobject_cast<QCategoryAxis*>(a)) periods = c;
                QVERIFY(periods);
                QCOMPARE(periods->titleText(), QStringLiteral("Tempo de retorno (anos)"));
                QVERIFY(periods->categoriesLabels().contains(QStringLiteral("100")));
            }
        }
        QCOMPARE(ChartSettings()->value(QStringLiteral("Frequencia/Papel")).toInt(), 2);

        // Exported at once after a change (no return to the event loop), the
        // file holds the new axes only.
        frequencia.Papel()->setCurrentIndex(0);
        frequencia.Papel()->setCurrentIndex(1);
        const QString svg = QString::fromUtf8(ChartSvg(frequencia.Grafico(), LoadImageSize(), QStringLiteral("f")));
        QCOMPARE(svg.count(QStringLiteral("Variável normal padronizada")), 1);
        QCOMPARE(svg.count(QStringLiteral("Variável reduzida de Gumbel")), 0);
    }

    void linesStayInsideTheAxesOnEveryFile() {
        // A Normal fit that runs below zero at short return periods, with its band.
        ParametersOf(TestDocument().Record(), kNormal) = {10.0, 30.0, 0.0};
        TFrequencia frequencia(*platform_, TestDocument());
        frequencia.SetRecommended(kNormal);
        frequencia.Exibir();
        QVERIFY(!frequencia.Dados().BandLower.empty());
        QVERIFY(frequencia.Dados().Curves[0].Points.front().Value < 0);
        QCOMPARE(frequencia.Dados().Values.Low, 0.0);
        QVERIFY(EveryLineInsideItsAxes(frequencia.Grafico()));
    }

    void unitAndPaperAreChartSettingsNotProjectData() {
        {
            TFrequencia frequencia(*platform_, TestDocument());
            frequencia.Exibir();
            frequencia.Unidade()->setText(QStringLiteral("m³/s"));
            emit frequencia.Unidade()->editingFinished();
            frequencia.Posicao()->setCurrentIndex(frequencia.Posicao()->findText(QStringLiteral("Gringorten")));
            QAbstractAxis* values = frequencia.Grafico()->axes(Qt::Vertical).value(0);
            QCOMPARE(values->titleText(), QStringLiteral("Vazão máxima anual (m³/s)"));
            QVERIFY(frequencia.Legenda()->Texts().contains(QStringLiteral("Observados (Gringorten)")));
        }
        // A new window (a new run) finds them again; the record never held them.
        TFrequencia again(*platform_, TestDocument());
        QCOMPARE(again.Unidade()->text(), QStringLiteral("m³/s"));
        QCOMPARE(again.Posicao()->currentText(), QStringLiteral("Gringorten"));
        QCOMPARE(std::memcmp(&TestDocument().Record(), Ocmulgee().Record.get(), sizeof(AnalysisRecord)), 0);
    }

    void frequencyChartWithoutSimulationsSaysWhy() {
        TestDocument().SetSimulations(SimulationSummary{});
        platform_->CancelWork = true;
        TFrequencia frequencia(*platform_, TestDocument());
        frequencia.Exibir();
        QVERIFY(frequencia.Aviso()->text().contains(QStringLiteral("cancelada")));
        for (QAbstractSeries* s : frequencia.Grafico()->series()) QVERIFY(!qobject_cast<QAreaSeries*>(s));
        QVERIFY(!frequencia.Dados().Curves.empty());
        // Choosing "Nenhum" clears the notice.
        frequencia.Intervalo()->setCurrentIndex(0);
        QVERIFY(frequencia.Aviso()->text().isEmpty());
    }

    void ratioDiagramNamesTheClosestFamilies() {
        TDiagramaMomentos diagrama(*platform_, TestDocument());
        diagrama.Exibir();
        const RatioDiagramData expected = RatioDiagram(TestDocument().Record());
        const QString sample = QString::fromStdString(DistributionName(expected.SampleFamily.Closest));
        const QString logs = QString::fromStdString(DistributionName(expected.LogsFamily.Closest));
        QVERIFY(diagrama.Resumo()->text().contains(QStringLiteral("da amostra: ") + sample));
        QVERIFY(diagrama.Resumo()->text().contains(QStringLiteral("dos logaritmos: ") + logs));
        QStringList lines;
        for (const std::string& line : RatioDiagramLines(expected, '.')) lines << QString::fromStdString(line);
        QCOMPARE(diagrama.Texto()->toPlainText(), lines.join(QLatin1Char('\n')));
        auto* gev = SeriesNamed<QLineSeries>(diagrama.Grafico(), QStringLiteral("GEV"));
        QVERIFY(gev);
        for (const QPointF& p : gev->points()) QCOMPARE(p.y(), Tau4Polynomial(kGEV, p.x()));
        // 3 curves, the limit (in pieces), 3 reference points, 2 samples.
        QSet<QString> names;
        for (QAbstractSeries* s : diagrama.Grafico()->series()) names.insert(s->name());
        QCOMPARE(names.size(), 9);
        QCOMPARE(diagrama.Legenda()->Texts().size(), 9);
        QVERIFY(EveryLineInsideItsAxes(diagrama.Grafico()));
    }

    void ferramentasListsTheChartWindows() {
        TDesktop desktop(*platform_, TestDocument());
        TFrequencia frequencia(*platform_, TestDocument(), &desktop);
        TDiagramaMomentos diagrama(*platform_, TestDocument(), &desktop);
        desktop.SetChartWindows(&frequencia, &diagrama);
        // The words as the menu shows them; "&" only marks the Alt key.
        QCOMPARE(desktop.menufrequencia()->text().remove(QLatin1Char('&')), QStringLiteral("Gráfico de frequência"));
        QCOMPARE(desktop.menudiagrama()->text().remove(QLatin1Char('&')), QStringLiteral("Diagrama de momentos-L"));
        QVERIFY(!desktop.menufrequencia()->isEnabled() && !desktop.menudiagrama()->isEnabled());
        QVERIFY(desktop.Ferramentas1()->actions().contains(desktop.menufrequencia()));
    }

    void batchToolWritesEveryChart() {
        const QString project = dir_->filePath("ocmulgee.prj");
        WriteProjectFile(TestDocument().Record(), project.toStdString());
        const QString out = dir_->filePath("graficos");
        QProcess tool;
        tool.start(QStringLiteral(ZARN_CHARTS), {QStringLiteral("--width"), QStringLiteral("10"), QStringLiteral("--height"),
                                                 QStringLiteral("8"), QStringLiteral("--dpi"), QStringLiteral("100"),
                                                 QStringLiteral("--distributions"), QStringLiteral("all"), project, out});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        const QStringList names = {"histograma", "dados-amostrais", "probabilidade", "frequencia", "diagrama-momentos-l"};
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).size(), 10);
        for (const QString& name : names) {
            const QImage png(out + "/" + name + ".png");
            QCOMPARE(png.size(), QSize(394, 315));  // 10 x 8 cm at 100 dpi
            QVERIFY2(InkedPixels(png) > 1000, qPrintable(name));
            QVERIFY2(QSvgRenderer(out + "/" + name + ".svg").isValid(), qPrintable(name));
        }
        // Bad usage, and a project that cannot be read.
        tool.start(QStringLiteral(ZARN_CHARTS), {project});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 2);
        tool.start(QStringLiteral(ZARN_CHARTS), {dir_->filePath("missing.prj"), out});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(QStringLiteral("File not found")));
    }
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
