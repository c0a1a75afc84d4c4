// SPDX-License-Identifier: GPL-3.0-or-later
// The "Recomendação" window on a real analysis: the ranking and the
// recommended row, the quantiles with and without their confidence limits,
// "Salvar", the report's next button with and without the rule engine's
// program, the way back, F1, the menu item and a broken adapted rule base.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QAction>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <memory>

#include "analysis/calculation.h"
#include "files/format.h"
#include "analysis/intervals.h"
#include "analysis/projectfile.h"
#include "files/numbertext.h"
#include "analysis/record.h"
#include "app/desktop.h"
#include "dialogs/recomendacao.h"
#include "dialogs/resultdialogs.h"
#include "platform/session.h"
#include "rules/advicelines.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"
#include "files/textcodec.h"

using namespace zarn;

namespace {
// The window's numbers in the C locale of the tests.
QString Number(double v) { return QString::fromStdString(FormatNumber(v, StyleFor('.'))); }
}  // namespace

namespace {

const QString kExample = QStringLiteral(ZARN_EXAMPLES "/ocmulgee-river-macon.dat");

// Records like the scripted platform and really starts the program, detached.
QString Cell(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

}  // namespace

class TestRecomendacao : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<StartingPlatform> platform_;
    std::unique_ptr<Tresult> result_;
    std::unique_ptr<TRecomendacao> window_;
    QString cwd_;
    QByteArray path_;

private slots:
    void initTestCase() {
        // One real analysis for every test, with its simulations in memory.
        SimulationSummary simulations;
        CalculateAll(TestDocument().Record(), "Ocmulgee", "Macon", "", QFile::encodeName(kExample).toStdString(), {}, &simulations);
        TestDocument().SetSimulations(simulations);
    }

    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        TestSession().StartupDir = QFile::encodeName(dir_->path()).toStdString();
        cwd_ = QDir::currentPath();
        path_ = qgetenv("PATH");
        // No engine program anywhere unless a test places one.
        qputenv("PATH", QFile::encodeName(dir_->filePath(QStringLiteral("nothing"))));
        platform_ = std::make_unique<StartingPlatform>();
        result_ = std::make_unique<Tresult>(*platform_, TestDocument());
        window_ = std::make_unique<TRecomendacao>(*platform_, TestDocument());
        LinkRecomendacao(result_.get(), window_.get());
    }

    void cleanup() {
        window_.reset();
        result_.reset();
        platform_.reset();
        QDir::setCurrent(cwd_);
        qputenv("PATH", path_);
        dir_.reset();
        QLocale::setDefault(QLocale::c());
    }

    void showsTheRankingWithTheRecommendedRowHighlighted() {
        window_->Exibir();
        QVERIFY(window_->isVisible());
        QCOMPARE(window_->windowTitle(), QStringLiteral("ZARN - Recomendação"));
        const Advice& advice = window_->Parecer();
        const Advice expected = Advise(TestDocument().Record(), TestSession());
        QCOMPARE(advice.Recommended, expected.Recommended);
        QVERIFY(advice.Recommended != 0);
        QTableWidget* table = window_->Tabela();
        QCOMPARE(table->rowCount(), 8);
        for (int row = 0; row < 8; ++row) {
            const DistributionAdvice& d = expected.Ranking[static_cast<std::size_t>(row)];
            QCOMPARE(Cell(table, row, 0), QString::number(row + 1));
            QCOMPARE(Cell(table, row, 1), QString::fromStdString(DistributionName(d.Index)));
            QVERIFY(Cell(table, row, 2).startsWith(QString::fromStdString(StatusName(d.Status)), Qt::CaseInsensitive));
            QCOMPARE(Cell(table, row, 3), Number(d.Degree));
            QCOMPARE(Cell(table, row, 4), Number(d.ZMembership));
            QCOMPARE(Cell(table, row, 5), Number(d.RMembership));
            QCOMPARE(Cell(table, row, 6), Number(VarianceTestZOf(TestDocument().Record(), d.Index)));
            const FitResult& fit = FitTestOf(TestDocument().Record(), d.Index);
            // R and R(90%) told apart where four digits would read alike.
            QCOMPARE(Cell(table, row, 7), QString::fromStdString(FormatCompared({fit.R, fit.R90}, StyleFor('.'))[0]));
            QCOMPARE(Cell(table, row, 8), QString::fromStdString(FormatCompared({fit.R, fit.R90}, StyleFor('.'))[1]));
            const bool recommended = d.Index == advice.Recommended;
            QCOMPARE(table->item(row, 1)->font().bold(), recommended);
            QCOMPARE(Cell(table, row, 2).endsWith(QStringLiteral("(recomendada)")), recommended);
            QCOMPARE(table->item(row, 1)->background().style() != Qt::NoBrush, recommended);
        }
        const QString name = QString::fromStdString(DistributionName(advice.Recommended));
        QVERIFY(window_->Conclusao()->text().contains(name));
        QVERIFY(window_->Motivos()->toPlainText().contains(QStringLiteral("1º ") + name));
        QVERIFY(!window_->Resumo()->isVisible());  // no cautions for this series
        QVERIFY(window_->BaseDeRegras()->text().startsWith(QStringLiteral("Base de regras: ")));

        // The seven quantiles with the limits of the simulations in memory.
        QTableWidget* quantis = window_->Quantis();
        QVERIFY(window_->HasLimits());
        QVERIFY(!quantis->isColumnHidden(2) && !quantis->isColumnHidden(3));
        const auto limits = ReturnPeriodIntervals(TestDocument().Simulations(), advice.Recommended);
        for (int t = 0; t < kReturnPeriodCount; ++t) {
            QCOMPARE(Cell(quantis, t, 0), QString::number(kReturnPeriods[t]));
            const auto texts = FormatCompared(
                {AdviceQuantile(TestDocument().Record(), advice.Recommended, t), limits[t].Lower, limits[t].Upper}, StyleFor('.'));
            QCOMPARE(Cell(quantis, t, 1), QString::fromStdString(texts[0]));
            QCOMPARE(Cell(quantis, t, 2), QString::fromStdString(texts[1]));
            QCOMPARE(Cell(quantis, t, 3), QString::fromStdString(texts[2]));
        }
        QVERIFY(platform_->Texts(QStringLiteral("progress")).isEmpty());
    }

    void numbersUseTheRegionalDecimalSeparator() {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        window_->Exibir();
        QVERIFY(Cell(window_->Tabela(), 0, 3).contains(QLatin1Char(',')));
        QVERIFY(Cell(window_->Quantis(), 0, 1).contains(QLatin1Char(',')));
        QVERIFY(window_->Motivos()->toPlainText().contains(QStringLiteral("R = 0,")));
    }

    void pickingARowBringsItsReasonsIntoView() {
        window_->Exibir();
        QScrollBar* bar = window_->Motivos()->verticalScrollBar();
        QCOMPARE(bar->value(), 0);
        QVERIFY(bar->maximum() > 0);
        window_->Tabela()->selectRow(7);
        QVERIFY(bar->value() > 0);
        window_->Tabela()->selectRow(0);
        QCOMPARE(bar->value(), 0);
    }

    void anOpenedProjectSimulatesAgainAndCancellingLeavesOutTheLimits() {
        const SimulationSummary kept = TestDocument().Simulations();
        TestDocument().SetSimulations(SimulationSummary{});
        platform_->CancelWork = true;
        window_->Exibir();
        QCOMPARE(platform_->Texts(QStringLiteral("progress")), QStringList{QStringLiteral("ZARN - Simulando o projeto")});
        QVERIFY(window_->isVisible());
        QVERIFY(!window_->HasLimits());
        QVERIFY(window_->Quantis()->isColumnHidden(2) && window_->Quantis()->isColumnHidden(3));
        QVERIFY(!Cell(window_->Quantis(), 0, 1).isEmpty());

        platform_->CancelWork = false;
        window_->Exibir();
        QVERIFY(window_->HasLimits());
        QVERIFY(TestDocument().Simulations().Matches(TestDocument().Record()));
        const auto again = ReturnPeriodIntervals(TestDocument().Simulations(), window_->Parecer().Recommended);
        const auto before = ReturnPeriodIntervals(kept, window_->Parecer().Recommended);
        QCOMPARE(again[6].Upper, before[6].Upper);  // the same simulations
        TestDocument().SetSimulations(kept);
    }

    void salvarWritesTheAdviceInWindows1252WithCrLf() {
        window_->Exibir();
        const QString path = dir_->filePath(QStringLiteral("parecer.txt"));
        platform_->FileNames.push_back(path);
        window_->Salvar()->click();
        QCOMPARE(platform_->Log.back().Kind, QStringLiteral("save"));
        QCOMPARE(platform_->Log.back().Options.Title, QStringLiteral("Salvar como"));
        QCOMPARE(platform_->Log.back().Options.DefaultSuffix, QStringLiteral("txt"));
        const auto limits = ReturnPeriodIntervals(TestDocument().Simulations(), window_->Parecer().Recommended);
        QByteArray expected;
        for (const std::string& line : AdviceLines(window_->Parecer(), TestDocument().Record(), &limits, '.'))
            expected += QByteArray::fromStdString(Utf8ToWindows1252(line)) + "\r\n";
        const QByteArray written = ReadAll(path);
        QCOMPARE(written, expected);
        QVERIFY(written.startsWith("ZARN - RECOMENDA\xC7\xC3O DA DISTRIBUI\xC7\xC3O\r\n"));
        QVERIFY(!written.contains("\xC3\x87"));  // no UTF-8 left

        // Cancelled: nothing written, the file left as it was.
        QFile::remove(path);
        window_->Salvar()->click();
        QVERIFY(!QFile::exists(path));
    }

    void imprimirPrintsTheAdviceToThePrinterChosen() {
        window_->Exibir();
        // Cancelled print dialog: nothing printed.
        window_->Imprimir()->click();
        QCOMPARE(platform_->Log.back().Kind, QStringLiteral("print"));
        QVERIFY(platform_->Log.back().Text.endsWith(QStringLiteral(" - Recomendação")));  // named after the project
        // To a PDF: a file that starts as one.
        const QString pdf = dir_->filePath(QStringLiteral("parecer.pdf"));
        platform_->PrintFile = pdf;
        window_->Imprimir()->click();
        QVERIFY(platform_->Texts("error").isEmpty());
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));
    }

    void reportNextButtonWithoutTheEngineOpensTheAdvice() {
        result_->Exibir();
        QDir::setCurrent(QDir::tempPath());
        result_->Avancar()->click();
        QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("indata.clp"))));
        QCOMPARE(platform_->Texts(QStringLiteral("launch")).size(), 1);
        QVERIFY(window_->isVisible());
        QVERIFY(result_->isVisible());  // the report stays open
        QVERIFY(platform_->Texts(QStringLiteral("error")).isEmpty());
        QVERIFY(platform_->Texts(QStringLiteral("notice")).isEmpty());
        QCOMPARE(QDir::currentPath(), QDir::tempPath());
    }

    void reportNextButtonStartsThePresentEngineAndOpensTheAdvice() {
        // The engine on the search path (never taken from the start-up folder).
        QTemporaryDir bin;
        const QString engine = bin.filePath(QStringLiteral("Clipscmd.exe"));
        QVERIFY(QFile::copy(QStringLiteral(ZARN_STANDIN), engine));
        QVERIFY(QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path);
        result_->Exibir();
        result_->Avancar()->click();
        qputenv("PATH", path);
        QVERIFY(window_->isVisible());
        const QString record = dir_->filePath(QStringLiteral("standin-record.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        const QStringList lines = QString::fromUtf8(ReadAll(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.mid(1), (QStringList{QStringLiteral("-f"), QStringLiteral("choose.bat")}));
        QCOMPARE(QFileInfo(lines[0]).canonicalFilePath(), QFileInfo(dir_->path()).canonicalFilePath());
    }

    void aFactFileThatCannotBeWrittenIsShownAndTheAdviceStillOpens() {
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("indata.clp")));
        result_->Exibir();
        result_->Avancar()->click();
        QCOMPARE(platform_->Texts(QStringLiteral("error")).size(), 1);
        QVERIFY(platform_->Texts(QStringLiteral("launch")).isEmpty());
        QVERIFY(window_->isVisible());
    }

    void voltarReturnsToTheReportAndFecharHides() {
        window_->Exibir();
        window_->Voltar()->click();
        QVERIFY(!window_->isVisible());
        QVERIFY(result_->isVisible());
        window_->Exibir();
        window_->Fechar()->click();
        QVERIFY(!window_->isVisible());
    }

    void f1OpensTheAdviceTopic() {
        window_->Exibir();
        QTest::keyClick(window_.get(), Qt::Key_F1);
        QCOMPARE(platform_->Log.back().Kind, QStringLiteral("help"));
        QCOMPARE(platform_->Log.back().Context, kRecomendacaoHelpContext);
        QCOMPARE(platform_->Log.back().Text, dir_->filePath(QStringLiteral("ajuda.hlp")));
    }

    void aBrokenAdaptedRuleBaseIsSaidAndTheDefaultAdvises() {
        QFile broken(dir_->filePath(QString::fromLatin1(kRuleBaseFileName)));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("(defrule MAIN::incompleta (serie");
        broken.close();
        TestDocument().session().RuleBase = QFile::encodeName(broken.fileName()).toStdString();
        window_->Exibir();
        TestDocument().session().RuleBase.clear();
        QVERIFY(window_->Resumo()->isVisible());
        const QString shown = window_->Resumo()->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral("tem erros e não foi carregada")), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("Foi usada a base de regras padrão (embutida).")));
        QCOMPARE(window_->BaseDeRegras()->text(), QStringLiteral("Base de regras: padrão (embutida)"));
        QCOMPARE(window_->Parecer().Recommended, Advise(TestDocument().Record(), TestSession()).Recommended);
    }

    // A rule base in the start-up folder is never consulted; the menu
    // chooses one for the run, and goes back to the one found.
    void theRuleBaseMenuChoosesAFileAndAStartupCopyIsIgnored() {
        QFile hostile(dir_->filePath(QString::fromLatin1(kRuleBaseFileName)));
        QVERIFY(hostile.open(QIODevice::WriteOnly));
        hostile.write("(defrule MAIN::x => (system \"touch tocado\"))");
        hostile.close();
        window_->Exibir();
        QVERIFY(window_->Parecer().RuleBaseProblem.empty());
        QVERIFY(!window_->BaseEncontrada()->isEnabled());

        std::string adapted = DefaultRuleBaseText();
        const std::string from = "\"Recomenda-se a distribuição \"";
        adapted.replace(adapted.find(from), from.size(), "\"Adote a \"");
        const QString chosen = dir_->filePath(QStringLiteral("adaptada.clp"));
        QFile file(chosen);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(adapted.c_str());
        file.close();
        platform_->FileNames.push_back(chosen);
        window_->EscolherBase()->trigger();
        QCOMPARE(window_->BaseDeRegras()->text(), QStringLiteral("Base de regras: ") + chosen);
        QVERIFY(window_->Conclusao()->text().contains(QStringLiteral("</b> Adote a ")));
        QVERIFY(window_->BaseEncontrada()->isEnabled());
        window_->BaseEncontrada()->trigger();
        QVERIFY(!window_->BaseEncontrada()->isEnabled());
        QVERIFY(!window_->Conclusao()->text().contains(QStringLiteral("Adote a ")));
        QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("tocado"))));
    }

    void theToolsMenuItemOpensTheAdviceOnceAProjectIsOpen() {
        const QString project = dir_->filePath(QStringLiteral("ocmulgee.prj"));
        WriteProjectFile(TestDocument().Record(), QFile::encodeName(project).toStdString());
        const SimulationSummary kept = TestDocument().Simulations();
        TDesktop desktop(*platform_, TestDocument());
        desktop.SetWindows(nullptr, nullptr, nullptr, nullptr, result_.get());
        desktop.SetRecomendacao(window_.get());
        QCOMPARE(desktop.menureco()->text(), QStringLiteral("Recomendação"));
        QVERIFY(!desktop.menureco()->isEnabled());
        platform_->FileNames.push_back(project);
        desktop.Abrir1()->trigger();
        QVERIFY(desktop.menureco()->isEnabled());
        desktop.menureco()->trigger();
        QVERIFY(window_->isVisible());
        // The opened project simulated again for the limits.
        QCOMPARE(platform_->Texts(QStringLiteral("progress")).size(), 1);
        QVERIFY(window_->HasLimits());
        QVERIFY(platform_->Texts(QStringLiteral("error")).isEmpty());
        TestDocument().SetSimulations(kept);
    }
};

QTEST_MAIN(TestRecomendacao)
#include "test_recomendacao.moc"
