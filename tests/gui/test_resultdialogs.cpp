// SPDX-License-Identifier: GPL-3.0-or-later
// The four result windows against a record filled by hand, with the scripted
// platform answering the save dialog and recording every box shown.
#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QDir>
#include <QFile>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "analysis/record.h"
#include "platform/session.h"
#include "views/report.h"
#include "dialogs/resultdialogs.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"
#include "files/textcodec.h"

using namespace zarn;

namespace {

// A plausible analysis of n values with k histogram classes.
void FillRecord(int n, int k) {
    TestDocument().Record() = AnalysisRecord{};
    SetText(TestDocument().Record().Title, "Rio \xC1gua Doce");  // Windows-1252 "Á"
    TestDocument().Record().SampleSize = n;
    for (int i = 1; i <= n; ++i) TestDocument().Record().Sample[i - 1] = 100.0 + 37.0 * ((i * 7) % n);
    TestDocument().Record().Mean = 1234.5678;
    TestDocument().Record().StdDev = 300.25;
    TestDocument().Record().Maximum = 12345.6;
    TestDocument().Record().Minimum = 100.0;
    TestDocument().Record().KendallTau = -0.7333333;
    TestDocument().Record().KendallZLimit = 1.959964;
    TestDocument().Record().ClassCount = k;
    for (int i = 1; i <= k; ++i) {
        TestDocument().Record().ClassCentre[i - 1] = 150.0 + 100.0 * i;
        TestDocument().Record().ClassFrequency[i - 1] = 1.0 / k;
    }
    for (int d = 1; d <= kDistributionCount; ++d) ParametersOf(TestDocument().Record(), d) = {700.0, 250.0, 0.1};
    ParametersOf(TestDocument().Record(), kLogNormal) = {6.4, 0.4, 0.0};
    ParametersOf(TestDocument().Record(), kLogPearson3) = {6.4, 0.4, 0.1};
    TestDocument().Record().PlotDistribution = kNormal;
}

QStringList Lines(const QPlainTextEdit* texto) { return texto->toPlainText().split(QLatin1Char('\n')); }

}  // namespace

class TestResultDialogs : public QObject {
    Q_OBJECT

    ScriptedPlatform* platform_ = nullptr;
    TEstatisticas* est_ = nullptr;
    TTesteDLG* testes_ = nullptr;
    TParaDLG* para_ = nullptr;
    Tresult* result_ = nullptr;
    QTemporaryDir* dir_ = nullptr;

private slots:
    void init() {
        FillRecord(30, 6);
        TestDocument().SetModified(false);
        dir_ = new QTemporaryDir;
        TestSession().StartupDir = dir_->path().toStdString();
        platform_ = new ScriptedPlatform;
        est_ = new TEstatisticas(*platform_, TestDocument());
        testes_ = new TTesteDLG(*platform_, TestDocument());
        para_ = new TParaDLG(*platform_, TestDocument());
        result_ = new Tresult(*platform_, TestDocument());
        LinkResultDialogs(est_, testes_, para_, result_);
    }

    void cleanup() {
        delete est_;
        delete testes_;
        delete para_;
        delete result_;
        delete platform_;
        delete dir_;
        QLocale::setDefault(QLocale::c());
    }

    void windowsAreFixedDialogsWithoutTitleBarButtons() {
        const struct {
            QDialog* Dialog;
            const char* Caption;
            QSize Client;
        } windows[] = {
            {est_, "ZARN - Estatísticas descritivas", {656, 365}},
            {testes_, "ZARN - Testes não paramétricos", {657, 367}},
            {para_, "ZARN - Estimação dos parâmetros", {656, 363}},
            {result_, "ZARN - Memória de Cálculo", {656, 368}},
        };
        for (const auto& w : windows) {
            QCOMPARE(w.Dialog->windowTitle(), QString::fromUtf8(w.Caption));
            QCOMPARE(w.Dialog->minimumSize(), w.Client);
            QCOMPARE(w.Dialog->maximumSize(), w.Client);
            const Qt::WindowFlags flags = w.Dialog->windowFlags();
            QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint)));
            QVERIFY(!w.Dialog->isModal());
        }
        QCOMPARE(est_->Texto()->geometry(), QRect(8, 8, 193, 305));
        QCOMPARE(testes_->Avancar()->geometry(), QRect(160, 328, 30, 25));
        QCOMPARE(result_->Texto()->geometry(), QRect(8, 8, 641, 321));
        QCOMPARE(result_->Salvar()->geometry(), QRect(96, 336, 75, 25));
        QCOMPARE(result_->Texto()->lineWrapMode(), QPlainTextEdit::NoWrap);
    }

    void chainWalksForwardAndBack() {
        est_->Exibir();
        QVERIFY(est_->isVisible());
        QCOMPARE(est_->focusWidget(), est_->Avancar());

        QTest::mouseClick(est_->Avancar(), Qt::LeftButton);
        QVERIFY(!est_->isVisible() && testes_->isVisible());
        QCOMPARE(testes_->focusWidget(), testes_->Avancar());
        QTest::mouseClick(testes_->Avancar(), Qt::LeftButton);
        QVERIFY(!testes_->isVisible() && para_->isVisible());
        QTest::mouseClick(para_->Avancar(), Qt::LeftButton);
        QVERIFY(!para_->isVisible() && result_->isVisible());

        QTest::mouseClick(result_->Voltar(), Qt::LeftButton);
        QVERIFY(!result_->isVisible() && para_->isVisible());
        QTest::mouseClick(para_->Voltar(), Qt::LeftButton);
        QVERIFY(!para_->isVisible() && testes_->isVisible());
        QTest::mouseClick(testes_->Voltar(), Qt::LeftButton);
        QVERIFY(!testes_->isVisible() && est_->isVisible());

        QTest::mouseClick(est_->Fechar(), Qt::LeftButton);
        QVERIFY(!est_->isVisible());
        // Only the buttons leave a window: Escape does not.
        testes_->Exibir();
        QTest::keyClick(testes_, Qt::Key_Escape);
        QVERIFY(testes_->isVisible());
        // The record filled by hand has no simulations, as an opened project:
        // the parameters window simulated once for its band, and only once.
        QCOMPARE(platform_->Log.size(), 1);
        QCOMPARE(platform_->Log[0].Kind, QStringLiteral("progress"));
    }

    void textsUseTheRegionalDecimalSeparator() {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        est_->Exibir();
        testes_->Exibir();
        const QStringList stats = Lines(est_->Texto());
        QCOMPARE(stats.size(), 20);
        QCOMPARE(stats[2], QStringLiteral("  Máximo : 1,235E0004"));
        QCOMPARE(stats[4], QStringLiteral("  Média : 1235,0000"));
        const QStringList tests = Lines(testes_->Texto());
        QCOMPARE(tests.size(), 32);
        QCOMPARE(tests[1], QStringLiteral("  Coef. Corr. Kendall : -0,7333"));
        QCOMPARE(tests[3], QStringLiteral("  Valor limiar de | Z |  : 1,9600"));
        QVERIFY(est_->Texto()->isReadOnly() && testes_->Texto()->isReadOnly());
    }

    void exibirTwiceRebuildsWithoutDuplicating() {
        testes_->Exibir();
        testes_->Exibir();
        QCOMPARE(Lines(testes_->Texto()).size(), 32);
        QCOMPARE(testes_->Series1()->count(), 30);
        QCOMPARE(testes_->Series1()->at(0), QPointF(1, TestDocument().Record().Sample[0]));
        QCOMPARE(testes_->Series1()->at(29).x(), 30.0);

        para_->Exibir();
        para_->Exibir();
        QCOMPARE(Lines(para_->Texto()).size(), 40);
        QCOMPARE(para_->Series1()->count(), 30);
        QCOMPARE(para_->Series2()->count(), 30);

        // A new record replaces everything.
        FillRecord(12, 4);
        testes_->Exibir();
        para_->Exibir();
        QCOMPARE(testes_->Series1()->count(), 12);
        QCOMPARE(para_->Series1()->count(), 12);
        QCOMPARE(para_->Series2()->count(), 12);
    }

    void histogramHoldsExactlyClassCountBars() {
        est_->Exibir();
        QCOMPARE(est_->Series1()->barSets().size(), 1);
        QCOMPARE(est_->Series1()->barSets()[0]->count(), 6);
        QCOMPARE(est_->Series1()->barSets()[0]->color(), QColor(0, 128, 255));
        QCOMPARE(est_->EstatGraf()->title(), QStringLiteral("HISTOGRAMA"));

        // Another project: no bar of the earlier histogram remains.
        FillRecord(20, 3);
        est_->Exibir();
        QCOMPARE(est_->Series1()->barSets().size(), 1);
        QCOMPARE(est_->Series1()->barSets()[0]->count(), 3);
        QCOMPARE(est_->Series1()->barSets()[0]->at(2), 1.0 / 3);

        // Centres that print alike still get a bar and a category each.
        TestDocument().Record().ClassCentre[0] = TestDocument().Record().ClassCentre[1] = TestDocument().Record().ClassCentre[2] = 1.0;
        est_->Exibir();
        QCOMPARE(est_->Series1()->barSets()[0]->count(), 3);
        auto* axis = qobject_cast<QBarCategoryAxis*>(est_->EstatGraf()->axes(Qt::Horizontal).value(0));
        QVERIFY(axis);
        QCOMPARE(axis->count(), 3);
    }

    void menuChoiceIsKeptWithoutMarkingTheProject() {
        para_->Exibir();
        QCOMPARE(para_->Chart1()->title(), QStringLiteral("DISTRIBUIÇÃO NORMAL"));
        // The eight distributions first, then a separator and the export commands.
        const QList<QAction*> items = para_->Distribuicoes()->actions();
        QCOMPARE(items.size(), 8 + 1 + 5);
        const char* names[] = {"Normal1", "LogNOrmal1", "Gumbel1", "Exponencial1",
                               "PearsonIII1", "LogPearsonIII1", "GEV1", "GPA1"};
        for (int i = 0; i < 8; ++i) QCOMPARE(items[i]->objectName(), QString::fromLatin1(names[i]));
        QCOMPARE(items[5]->text(), QStringLiteral("LogPearson III"));
        QVERIFY(items[8]->isSeparator());
        QCOMPARE(items[9]->text(), QStringLiteral("Salvar como PNG..."));
        QCOMPARE(items[13]->text(), QStringLiteral("Imprimir gráfico..."));

        const QString titles[] = {"DISTRIBUIÇÃO NORMAL",      "DISTRIBUIÇÃO LOGNORMAL",
                                  "DISTRIBUIÇÃO GUMBEL",      "DISTRIBUIÇÃO EXPONENCIAL",
                                  "DISTRIBUIÇÃO PEARSON-III", "DISTRIBUIÇÃO LOGPEARSON-III",
                                  "DISTRIBUIÇÃO GEV",         "DISTRIBUIÇÃO GPA"};
        const QString textBefore = para_->Texto()->toPlainText();
        for (int i = 0; i < 8; ++i) {
            items[i]->trigger();
            QVERIFY(para_->BandaInferior()->count() > 30);  // every distribution has its band
            QCOMPARE(int(TestDocument().Record().PlotDistribution), i + 1);
            QCOMPARE(para_->Chart1()->title(), titles[i]);
            QCOMPARE(para_->Series2()->count(), 30);
        }
        QCOMPARE(para_->Texto()->toPlainText(), textBefore);  // the menu leaves the text alone

        para_->findChild<QAction*>(QStringLiteral("GEV1"))->trigger();
        QCOMPARE(int(TestDocument().Record().PlotDistribution), int(kGEV));
        QVERIFY(!TestDocument().Modified());
        // Forward to the report and back: the GEV plot again.
        QTest::mouseClick(para_->Avancar(), Qt::LeftButton);
        QTest::mouseClick(result_->Voltar(), Qt::LeftButton);
        QCOMPARE(para_->Chart1()->title(), QStringLiteral("DISTRIBUIÇÃO GEV"));

        // LogNormal: observed values themselves, exp of the fitted log quantiles.
        items[1]->trigger();
        double smallest = TestDocument().Record().Sample[0];
        for (int i = 0; i < 30; ++i) smallest = std::min(smallest, TestDocument().Record().Sample[i]);
        QCOMPARE(para_->Series1()->at(0).x(), smallest);
        for (const QPointF& p : para_->Series2()->points()) QVERIFY(p.x() > 0);

        // A damaged index names no distribution: the title stays, no points.
        TestDocument().Record().PlotDistribution = 0;
        para_->Exibir();
        QCOMPARE(para_->Chart1()->title(), QStringLiteral("DISTRIBUIÇÃO LOGNORMAL"));
        QCOMPARE(para_->Series1()->count(), 0);
        QCOMPARE(para_->BandaInferior()->count(), 0);
        QVERIFY(!para_->BandaInferior()->isVisible());
        QVERIFY(platform_->Texts("error").isEmpty() && platform_->Texts("notice").isEmpty());
    }

    void reportSavesTheBatchToolsBytes() {
        result_->Exibir();
        const std::vector<std::string> lines = ReportLines(TestDocument().Record());
        QStringList shown;
        for (const auto& line : lines) shown << QString::fromStdString(Windows1252ToUtf8(line));
        QCOMPARE(result_->Texto()->toPlainText(), shown.join(QLatin1Char('\n')));
        QVERIFY(result_->Texto()->toPlainText().contains(QStringLiteral("TÍTULO: Rio Água Doce")));

        const QString first = dir_->filePath("first.txt"), second = dir_->filePath("second.txt");
        const QString reference = dir_->filePath("reference.txt");
        SaveReport(lines, reference.toStdString());
        platform_->FileNames = {first, second};
        QTest::mouseClick(result_->Salvar(), Qt::LeftButton);
        QTest::mouseClick(result_->Salvar(), Qt::LeftButton);
        QCOMPARE(ReadAll(first), ReadAll(reference));
        QCOMPARE(ReadAll(second), ReadAll(reference));
        QVERIFY(ReadAll(first).endsWith("\r\n"));

        const auto saves = platform_->Log;
        QCOMPARE(saves.size(), 2);
        for (const auto& s : saves) {
            QCOMPARE(s.Kind, QStringLiteral("save"));
            QCOMPARE(s.Options.Title, QStringLiteral("Salvar como"));
            QCOMPARE(s.Options.Filters,
                     QStringList({QStringLiteral("Arquivo texto (*.txt)"), QStringLiteral("Todos os arquivos (*.*)")}));
            QCOMPARE(s.Options.DefaultSuffix, QStringLiteral("txt"));
            QVERIFY(s.Options.FileName.isEmpty());  // never the previous name
        }

        // Cancelling leaves an existing file untouched.
        QFile keep(dir_->filePath("keep.txt"));
        QVERIFY(keep.open(QIODevice::WriteOnly) && keep.write("keep") == 4);
        keep.close();
        QTest::mouseClick(result_->Salvar(), Qt::LeftButton);
        QCOMPARE(ReadAll(keep.fileName()), QByteArray("keep"));
    }

    void failedSaveGoesToTheErrorBox() {
        result_->Exibir();
        const QString before = result_->Texto()->toPlainText();
        platform_->FileNames = {dir_->filePath("missing/folder/report.txt")};
        QTest::mouseClick(result_->Salvar(), Qt::LeftButton);  // must not throw into the event loop
        const QStringList errors = platform_->Texts(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(QStringLiteral("Cannot create file")), qPrintable(errors[0]));
        QVERIFY(result_->isVisible());
        QCOMPARE(result_->Texto()->toPlainText(), before);
    }

    void f1OpensHelpTopic107() {
        for (QDialog* w : std::initializer_list<QDialog*>{est_, testes_, para_, result_}) {
            platform_->Log.clear();
            QTest::keyClick(w, Qt::Key_F1);
            QCOMPARE(platform_->Log.size(), 1);
            QCOMPARE(platform_->Log[0].Kind, QStringLiteral("help"));
            QCOMPARE(platform_->Log[0].Context, 107);
            QCOMPARE(platform_->Log[0].Text, dir_->path() + QStringLiteral("/ajuda.hlp"));
        }
        // Also with the focus in the text box.
        platform_->Log.clear();
        QTest::keyClick(result_->Texto(), Qt::Key_F1);
        QCOMPARE(platform_->Texts(QStringLiteral("help")).size(), 1);
        // A help file the viewer cannot show is reported, not ignored.
        platform_->HelpAvailable = false;
        platform_->Log.clear();
        QTest::keyClick(est_, Qt::Key_F1);
        const QStringList notices = platform_->Texts(QStringLiteral("notice"));
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices[0].contains(QStringLiteral("ajuda.hlp")));
    }

    void reportNextStartsTheEngineAndStaysOpen() {
        result_->Exibir();
        const QString before = result_->Texto()->toPlainText();
        const QString cwd = QDir::currentPath();
        QTest::mouseClick(result_->Avancar(), Qt::LeftButton);
        QVERIFY(result_->isVisible());
        QCOMPARE(result_->Texto()->toPlainText(), before);
        QCOMPARE(QDir::currentPath(), cwd);
        QVERIFY(QFile::exists(dir_->filePath("indata.clp")));
        QCOMPARE(platform_->Texts(QStringLiteral("launch")).size(), 1);
        QVERIFY(platform_->Texts(QStringLiteral("error")).isEmpty());
    }
};

QTEST_MAIN(TestResultDialogs)
#include "test_resultdialogs.moc"
