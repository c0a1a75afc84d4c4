// SPDX-License-Identifier: GPL-3.0-or-later
// Every window follows the one document: two projects opened in turn with
// every result window open, then what each window shows, saves, prints and
// exports is checked against the second; a cancelled calculation changes
// nothing; the frequency chart's label (Enter in its fields, kept per
// project); and zarn-charts drawing the advisor's recommendation by default.
#include <QAbstractAxis>
#include <QChart>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "analysis/calculation.h"
#include "analysis/intervals.h"
#include "analysis/projectfile.h"
#include "files/projectsettings.h"
#include "app/desktop.h"
#include "app/novoproj.h"
#include "app/windows.h"
#include "dialogs/chartexport.h"
#include "dialogs/chartwindows.h"
#include "dialogs/intervalwindow.h"
#include "dialogs/recomendacao.h"
#include "dialogs/resultdialogs.h"
#include "rules/advicelines.h"
#include "rules/advisor.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"
#include "views/intervaltable.h"
#include "views/lines.h"
#include "views/ratiodiagram.h"
#include "views/report.h"
#include "files/textcodec.h"

using namespace zarn;

namespace {

// Two stations with different recommendations (Gumbel and Normal) and units.
const char* const kFirstData = ZARN_EXAMPLES "/ocmulgee-river-macon.dat";
const char* const kSecondData = ZARN_EXAMPLES "/tees-dent-bank.dat";

QString Joined(const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) text << QString::fromStdString(line);
    return text.join('\n');
}

std::vector<std::string> Utf8Lines(std::vector<std::string> lines) {
    for (std::string& line : lines) line = Windows1252ToUtf8(line);
    return lines;
}

QString ValueAxisTitle(QChart* chart) {
    const auto axes = chart->axes(Qt::Vertical);
    return axes.isEmpty() ? QString() : axes.front()->titleText();
}

}  // namespace

class TestFollowing : public QObject {
    Q_OBJECT

    QTemporaryDir settings_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScriptedPlatform> platform_;
    ProgramWindows windows_;
    QString savedDir_;
    QString first_, second_;
    // What the second project is, computed apart from the windows.
    std::unique_ptr<AnalysisRecord> expected_;
    SimulationSummary expectedSimulations_;

    QString Path(const QString& name) const { return dir_->filePath(name); }

    // A project file (and its settings file with `unit`) calculated from `data`.
    QString MakeProject(const QString& name, const char* data, const char* title, const char* unit,
                        AnalysisRecord* keep = nullptr, SimulationSummary* simulations = nullptr) {
        auto r = std::make_unique<AnalysisRecord>();
        CalculateAll(*r, title, "Local", "", data, {}, simulations);
        const QString path = Path(name);
        WriteProjectFile(*r, FileSystemPath(path));
        if (unit) {
            ProjectSettings s;
            s.Unit = unit;
            WriteProjectSettings(FileSystemPath(path), s);
        }
        if (keep) *keep = *r;
        return path;
    }

    void Open(const QString& path) {
        platform_->FileNames.push_back(path);
        windows_.Desktop->Abrirprojeto();
        QVERIFY2(platform_->Texts("error").isEmpty(), qPrintable(platform_->Texts("error").join('|')));
    }

    QList<QWidget*> ResultWindows() const {
        return {windows_.Estatisticas, windows_.TesteDLG,     windows_.ParaDLG,   windows_.Result,
                windows_.Recomendacao, windows_.Intervalos, windows_.Frequencia, windows_.Diagrama};
    }

    void ShowAll() {
        windows_.TesteDLG->Exibir();
        windows_.ParaDLG->Exibir();
        windows_.Result->Exibir();
        windows_.Recomendacao->Exibir();
        windows_.Intervalos->Exibir();
        windows_.Frequencia->Exibir();
        windows_.Diagrama->Exibir();
        for (QWidget* w : ResultWindows()) QVERIFY2(w->isVisible(), qPrintable(w->windowTitle()));
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path()); }

    void init() {
        QSettings(QStringLiteral("ZARN"), QStringLiteral("ZARN")).clear();
        dir_ = std::make_unique<QTemporaryDir>();
        savedDir_ = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        TestDocument().Replace(std::make_unique<AnalysisRecord>(), {}, {}, {}, false);
        platform_ = std::make_unique<ScriptedPlatform>();
        windows_ = BuildWindows(*platform_, TestDocument());
        first_ = MakeProject("primeiro.prj", kFirstData, "Ocmulgee", "1000 pés³/s");
        expected_ = std::make_unique<AnalysisRecord>();
        second_ = MakeProject("segundo.prj", kSecondData, "Tees", "m³/s", expected_.get(), &expectedSimulations_);
    }

    void cleanup() {
        delete windows_.Desktop;
        windows_ = {};
        platform_.reset();
        QDir::setCurrent(savedDir_);
        dir_.reset();
    }

    void EveryOpenWindowShowsTheSecondProject() {
        Open(first_);
        ShowAll();
        Open(second_);
        const AnalysisRecord& b = *expected_;
        const char sep = RegionalDecimalSeparator();
        for (QWidget* w : ResultWindows()) QVERIFY2(w->isVisible(), qPrintable(w->windowTitle()));

        QCOMPARE(windows_.Estatisticas->Texto()->toPlainText(), Joined(EstatisticasLines(b, sep)));
        QCOMPARE(windows_.TesteDLG->Texto()->toPlainText(), Joined(TesteLines(b, sep)));
        QCOMPARE(windows_.ParaDLG->Texto()->toPlainText(), Joined(ParaLines(b, sep)));
        QCOMPARE(windows_.Result->Texto()->toPlainText(), Joined(Utf8Lines(ReportLines(b))));
        QCOMPARE(windows_.Diagrama->Texto()->toPlainText(), Joined(RatioDiagramLines(RatioDiagram(b), sep)));

        // The advice, the intervals and the frequency chart of the second
        // station, its recommendation labelled (not the first's).
        const Advice advice = Advise(b, TestSession());
        QCOMPARE(windows_.Recomendacao->Parecer().Recommended, advice.Recommended);
        QVERIFY(windows_.Recomendacao->HasLimits());
        const std::vector<IntervalRow> rows = IntervalRows(b, expectedSimulations_);
        QCOMPARE(windows_.Intervalos->Tabela()->rowCount(), int(rows.size()));
        QVERIFY(windows_.Frequencia->Distribuicao(advice.Recommended)->text().endsWith("(recomendada)"));
        QCOMPARE(windows_.Frequencia->Distribuicao(kGumbel)->text(), QStringLiteral("Gumbel"));
        QCOMPARE(windows_.Frequencia->Dados().Curves.size(), std::size_t(1));
        QCOMPARE(windows_.Frequencia->Dados().Curves[0].Index, advice.Recommended);
        QCOMPARE(windows_.Frequencia->Unidade()->text(), QStringLiteral("m³/s"));
        for (QWidget* w : QList<QWidget*>{windows_.Recomendacao, windows_.Intervalos, windows_.Frequencia, windows_.Diagrama})
            QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Projeto"))->text(), QStringLiteral("Projeto: Tees - Local"));

        // Saved: the second station's report, advice and intervals, byte for byte.
        const std::string reportPath = FileSystemPath(Path("esperado.txt"));
        SaveReport(ReportLines(b), reportPath);
        platform_->FileNames = {Path("memoria.txt")};
        windows_.Result->SalvarClick();
        QCOMPARE(ReadAll(Path("memoria.txt")), ReadAll(Path("esperado.txt")));

        const auto limits = ReturnPeriodIntervals(expectedSimulations_, advice.Recommended);
        std::vector<std::string> adviceLines = AdviceLines(advice, b, &limits, RegionalDecimalSeparator());
        for (std::string& line : adviceLines) line = Utf8ToWindows1252(line);
        SaveReport(adviceLines, FileSystemPath(Path("esperado-recomendacao.txt")));
        platform_->FileNames = {Path("recomendacao.txt")};
        windows_.Recomendacao->SalvarClick();
        QCOMPARE(ReadAll(Path("recomendacao.txt")), ReadAll(Path("esperado-recomendacao.txt")));

        platform_->FileNames = {Path("intervalos.csv")};
        windows_.Intervalos->SalvarClick();
        QCOMPARE(ReadAll(Path("intervalos.csv")).toStdString(), IntervalCsv(rows, ';'));
        QVERIFY(platform_->Log.back().Options.FileName.startsWith(QStringLiteral("Tees")));

        // Printed and exported under the second station's name.
        platform_->PrintFile = Path("impresso.pdf");
        windows_.Result->ImprimirClick();
        windows_.Recomendacao->ImprimirClick();
        const QStringList printed = platform_->Texts("print");
        QCOMPARE(printed.size(), 2);
        for (const QString& job : printed) QVERIFY2(job.startsWith(QStringLiteral("Tees")), qPrintable(job));
        platform_->FileNames.clear();
        windows_.Frequencia->Exportacao()->Salvar(ChartFormat::Png);
        QVERIFY(platform_->Log.back().Options.FileName.startsWith(QStringLiteral("Tees")));
        QVERIFY(platform_->Texts("error").isEmpty());
    }

    void CancelledCalculationChangesNothing() {
        Open(second_);
        ShowAll();
        const std::uint64_t generation = TestDocument().Generation();
        const QString report = windows_.Result->Texto()->toPlainText();
        windows_.NovoProj->ModalRun = [](TNovoProj& d) {
            d.Projeto()->setText(QStringLiteral("Outro"));
            d.Dados()->setText(QString::fromUtf8(kFirstData));
            d.CriarClick();
        };
        platform_->CancelWork = true;
        windows_.Desktop->Criarprojeto();
        QCOMPARE(TestDocument().Generation(), generation);
        QCOMPARE(TestDocument().FileName(), FileSystemPath(second_));
        QCOMPARE(windows_.Result->Texto()->toPlainText(), report);
        QCOMPARE(windows_.Recomendacao->Parecer().Recommended, Advise(*expected_, TestSession()).Recommended);
        for (QWidget* w : ResultWindows()) QVERIFY(w->isVisible());
    }

    void DeclinedSimulationIsAskedOnceAndClosesTheIntervals() {
        Open(first_);
        ShowAll();
        platform_->Log.clear();
        platform_->CancelWork = true;  // "Cancelar" in the simulation's progress dialog
        Open(second_);
        QCOMPARE(platform_->Texts("progress").size(), 1);
        QVERIFY(!windows_.Intervalos->isVisible());  // nothing of the second project to show
        QVERIFY(windows_.Recomendacao->isVisible());
        QVERIFY(!windows_.Recomendacao->HasLimits());
        QCOMPARE(windows_.Recomendacao->Parecer().Recommended, Advise(*expected_, TestSession()).Recommended);
        QVERIFY(windows_.ParaDLG->BandaInferior()->points().isEmpty());
    }

    void EnterAppliesTheLabelAndKeepsTheChartOpen() {
        Open(first_);
        TFrequencia* chart = windows_.Frequencia;
        chart->Exibir();
        chart->activateWindow();
        for (QLineEdit* field : {chart->Variavel(), chart->Unidade()}) {
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, field == chart->Unidade() ? QStringLiteral("mm") : QStringLiteral("Chuva"));
            // The label follows the typing, before Enter.
            QVERIFY2(ValueAxisTitle(chart->Grafico()).contains(field->text()), qPrintable(ValueAxisTitle(chart->Grafico())));
            QTest::keyClick(field, Qt::Key_Return);
            QVERIFY(chart->isVisible());
        }
        QCOMPARE(ValueAxisTitle(chart->Grafico()), QStringLiteral("Chuva (mm)"));
        // Kept with the project at once, in its settings file.
        const ProjectSettings kept = ReadProjectSettings(FileSystemPath(first_));
        QCOMPARE(kept.Unit.value_or(""), std::string("mm"));
        QCOMPARE(kept.Variable.value_or(""), std::string("Chuva"));
    }

    void UnitIsKeptPerProject() {
        Open(first_);
        windows_.Frequencia->Exibir();
        QCOMPARE(windows_.Frequencia->Unidade()->text(), QStringLiteral("1000 pés³/s"));
        Open(second_);
        QCOMPARE(windows_.Frequencia->Unidade()->text(), QStringLiteral("m³/s"));
        QVERIFY(ValueAxisTitle(windows_.Frequencia->Grafico()).endsWith(QStringLiteral("(m³/s)")));
        Open(first_);
        QCOMPARE(windows_.Frequencia->Unidade()->text(), QStringLiteral("1000 pés³/s"));

        // A project without settings takes the last unit used, and keeps it:
        // saved, its settings file has it; the project file is unchanged.
        const QString third = MakeProject("terceiro.prj", kSecondData, "Sem unidade", nullptr);
        const QByteArray projectBytes = ReadAll(third);
        Open(third);
        QCOMPARE(windows_.Frequencia->Unidade()->text(), QStringLiteral("1000 pés³/s"));
        platform_->FileNames = {Path("terceiro-salvo.prj")};
        windows_.Desktop->Salvarprojeto();
        QCOMPARE(ReadAll(Path("terceiro-salvo.prj")), projectBytes);
        QCOMPARE(ReadProjectSettings(FileSystemPath(Path("terceiro-salvo.prj"))).Unit.value_or(""),
                 std::string("1000 pés³/s"));
    }

    void ChartToolDrawsTheRecommendationByDefault() {
        // Ocmulgee: the advisor recommends Gumbel, GPA has the highest R.
        QProcess tool;
        const QString out = Path("graficos");
        tool.start(QStringLiteral(ZARN_CHARTS), {first_, out});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray svg = ReadAll(out + "/frequencia.svg");
        QVERIFY(svg.contains("Gumbel"));
        QVERIFY(!svg.contains("GPA"));
        QVERIFY(svg.contains("1000 pés³/s"));  // the project's unit
        // Asked for: the highest R.
        tool.start(QStringLiteral(ZARN_CHARTS), {QStringLiteral("--distributions"), QStringLiteral("best"),
                                                 QStringLiteral("--unit"), QStringLiteral("cfs"), first_, out});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(ReadAll(out + "/frequencia.svg").contains("GPA"));
        QVERIFY(ReadAll(out + "/frequencia.svg").contains("cfs"));
    }

    void ChartToolWithoutRecommendationSaysSoAndDrawsTheHighestDegree() {
        // Every distribution rejected: GEV has the highest g, LogPearson III the highest R.
        const QString project = MakeProject("sem-recomendacao.prj", ZARN_TEST_DATA "/synthetic-outlier.dat", "Teste",
                                            "m³/s");
        QProcess tool;
        const QString out = Path("graficos-sem");
        tool.start(QStringLiteral(ZARN_CHARTS), {project, out});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(QStringLiteral("maior grau g, GEV")));
        const QByteArray svg = ReadAll(out + "/frequencia.svg");
        QVERIFY(svg.contains("GEV"));
        QVERIFY(!svg.contains("LogPearson"));
    }
};

QTEST_MAIN(TestFollowing)
#include "test_document.moc"
