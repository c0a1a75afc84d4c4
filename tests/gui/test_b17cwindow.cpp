// SPDX-License-Identifier: GPL-3.0-or-later
// The Bulletin 17C windows over the Arkansas River at Pueblo (the 1864 flood
// before the gauge, 1893-1976 gauged): the record entered in "Informação
// histórica", refusals that keep it open, the options kept in the project's
// side file, and a saved and reopened project that shows the same analysis.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "analysis/calculation.h"
#include "files/filewrite.h"
#include "files/projectsettings.h"
#include "dialogs/b17cwindow.h"
#include "dialogs/historica.h"
#include "study/study.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

void SetCell(QTableWidget* table, int row, int column, const QString& text) {
    table->setItem(row, column, new QTableWidgetItem(text));
}

// The user's part of the editor: the project's series from 1892, the first
// value moved to 1864, and the historical period's threshold.
void EnterPueblo(TInformacaoHistorica& w) {
    w.PrimeiroAno()->setValue(1892);
    w.SerieDoProjetoClick();
    SetCell(w.Anos(), 0, 0, QStringLiteral("1864"));
    w.Anos()->item(0, 2)->setCheckState(Qt::Checked);  // before the gauge
    w.IncluirLimiarClick();
    SetCell(w.Limiares(), 0, 0, QStringLiteral("1864"));
    SetCell(w.Limiares(), 0, 1, QStringLiteral("1892"));
    SetCell(w.Limiares(), 0, 2, QStringLiteral("41000"));
    w.OkClick();
}

}  // namespace

class TestB17cWindow : public QObject {
    Q_OBJECT

    ScriptedPlatform* platform_ = nullptr;
    TAnaliseB17c* window_ = nullptr;
    QTemporaryDir* dir_ = nullptr;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        dir_ = new QTemporaryDir;
        TestSession().StartupDir = dir_->path().toStdString();
        auto record = std::make_unique<AnalysisRecord>();
        CalculateAll(*record, "Arkansas", "Pueblo", "", ZARN_EXAMPLES "/arkansas-river-pueblo.dat", {});
        TestDocument().Replace(std::move(record), {}, "", {}, true);
        platform_ = new ScriptedPlatform;
        window_ = new TAnaliseB17c(*platform_, TestDocument());
    }
    void cleanup() {
        delete window_;
        delete platform_;
        delete dir_;
    }

    void WithoutARecordTheWindowSaysHowToEnterOne() {
        window_->Exibir();
        QVERIFY(window_->isVisible());
        QVERIFY(window_->Aviso()->text().contains(QStringLiteral("Informação histórica")));
        QCOMPARE(window_->Quantis()->rowCount(), 0);
        QVERIFY(!window_->Resultado());
    }

    void TheEnteredRecordIsKeptBesideTheProjectAndAnalysed() {
        window_->Exibir();
        window_->Editor()->ModalRun = EnterPueblo;
        window_->InformacaoHistoricaClick();
        const B17cProject& p = window_->Projeto();
        QCOMPARE(p.Record.Observations.size(), std::size_t(85));
        QCOMPARE(p.Record.Observations.front().Year, 1864);
        QCOMPARE(p.Record.Observations.front().Low, 41000.0);
        QVERIFY(p.Record.Observations.front().Historical);
        QVERIFY(!p.Record.Observations[1].Historical);
        QCOMPARE(p.Record.Observations[1].Year, 1893);
        QCOMPARE(p.Record.Thresholds.size(), std::size_t(1));
        QVERIFY(std::isinf(p.Record.Thresholds[0].High));
        QVERIFY(TestDocument().Modified());
        QVERIFY(ReadB17cProject(TestDocument().Settings()).Present);
        QVERIFY(window_->Resultado() && window_->Resultado()->Ok);
        // The eight AEPs of the table and the 1000 years of the report's periods.
        QCOMPARE(window_->Quantis()->rowCount(), 9);
        QCOMPARE(window_->Quantis()->item(0, 1)->text(), QStringLiteral("2"));
        QVERIFY(!window_->Dados().Curve.Points.empty());
        QCOMPARE(window_->Dados().Thresholds.size(), std::size_t(1));
    }

    void RowsThatCannotBeReadKeepTheEditorOpen_data() {
        QTest::addColumn<int>("table");  // 0 years, 1 thresholds
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("said");
        QTest::newRow("a flow that is no number") << 0 << QStringList{"1900", "muito"} << "Ano 1900";
        QTest::newRow("a year that is no year") << 0 << QStringList{"19O0", "5"} << "não é um ano";
        QTest::newRow("a year twice") << 0 << QStringList{"1893", "5"} << "mais de uma vez";
        QTest::newRow("threshold years reversed") << 1 << QStringList{"1890", "1880", "5", ""} << "primeiro e o último";
        QTest::newRow("threshold without a level") << 1 << QStringList{"1880", "1890", "", ""} << "vazão mínima";
    }
    void RowsThatCannotBeReadKeepTheEditorOpen() {
        QFETCH(int, table);
        QFETCH(QStringList, cells);
        QFETCH(QString, said);
        window_->Exibir();
        window_->Editor()->ModalRun = [&](TInformacaoHistorica& w) {
            w.PrimeiroAno()->setValue(1893);
            w.SerieDoProjetoClick();
            QTableWidget* t = table == 0 ? w.Anos() : w.Limiares();
            const int row = t->rowCount();
            t->insertRow(row);
            for (int c = 0; c < cells.size(); ++c) SetCell(t, row, c, cells[c]);
            w.OkClick();
            QCOMPARE(w.result(), int(QDialog::Rejected));
            QCOMPARE(t->currentRow(), row);
        };
        window_->InformacaoHistoricaClick();
        QCOMPARE(platform_->Texts("notice").size(), 1);
        QVERIFY2(platform_->Texts("notice")[0].contains(said), qPrintable(platform_->Texts("notice")[0]));
        QVERIFY(!ReadB17cProject(TestDocument().Settings()).Present);  // nothing kept
    }

    void OptionsAreCheckedAndKeptWithTheRecord() {
        window_->Exibir();
        window_->Editor()->ModalRun = EnterPueblo;
        window_->InformacaoHistoricaClick();
        window_->Assimetria()->setCurrentIndex(window_->Assimetria()->findData(int(SkewOption::Weighted)));
        QVERIFY(window_->ErroPadrao()->isEnabled());
        window_->AssimetriaRegional()->setText(QStringLiteral("-0,1"));
        window_->CalcularClick();  // no standard error yet
        QCOMPARE(platform_->Texts("notice").size(), 1);
        QCOMPARE(ReadB17cProject(TestDocument().Settings()).Options.Skew, SkewOption::Station);
        window_->ErroPadrao()->setText(QStringLiteral("0.302"));
        window_->Confianca()->setCurrentIndex(1);
        window_->CalcularClick();
        const B17cOptions kept = ReadB17cProject(TestDocument().Settings()).Options;
        QCOMPARE(kept.Skew, SkewOption::Weighted);
        QCOMPARE(kept.RegionalSkew, -0.1);
        QCOMPARE(kept.RegionalSkewSE, 0.302);
        QCOMPARE(kept.Confidence, 0.95);
        QVERIFY(window_->Quantis()->horizontalHeaderItem(3)->text().contains(QStringLiteral("95 %")));
    }

    // Projeto > Informação histórica... edits the record of a window not shown
    // yet: the options the project keeps must not give way to the controls' defaults.
    void EditingFromTheMenuKeepsTheProjectsOptions() {
        B17cProject kept;
        kept.Options.Skew = SkewOption::Regional;
        kept.Options.RegionalSkew = 0.25;
        kept.Options.Confidence = 0.95;
        SetB17cProject(TestDocument().Settings(), kept);
        window_->Editor()->ModalRun = EnterPueblo;
        QVERIFY(window_->InformacaoHistoricaClick());
        const B17cProject now = ReadB17cProject(TestDocument().Settings());
        QCOMPARE(now.Options.Skew, SkewOption::Regional);
        QCOMPARE(now.Options.RegionalSkew, 0.25);
        QCOMPARE(now.Options.Confidence, 0.95);
        QCOMPARE(now.Record.Observations.size(), std::size_t(85));
        window_->Editor()->ModalRun = [](TInformacaoHistorica& w) { w.reject(); };
        QVERIFY(!window_->InformacaoHistoricaClick());
    }

    void ASavedProjectReopensWithItsAnalysisAndAnUnchangedProjectFile() {
        const std::string plain = (dir_->path() + "/sem.prj").toStdString();
        TestDocument().Save(plain);
        window_->Exibir();
        window_->Editor()->ModalRun = EnterPueblo;
        window_->InformacaoHistoricaClick();
        const std::string path = (dir_->path() + "/rio.prj").toStdString();
        TestDocument().Save(path);
        QCOMPARE(ReadFileContents(path), ReadFileContents(plain));  // the record's image only
        const std::string side = ReadFileContents(ProjectSettingsPath(path));
        QVERIFY(side.find("b17c_ano=1864;41000;41000;h\n") != std::string::npos);
        QVERIFY(side.find("b17c_limiar=1864;1892;41000;inf\n") != std::string::npos);
        const B17cResult before = *window_->Resultado();

        TestDocument().Replace(std::make_unique<AnalysisRecord>(), {}, "", {}, false);  // another project
        QVERIFY(!window_->Resultado());
        TestDocument().Open(path);  // the open window follows the document
        QVERIFY(window_->Resultado());
        QCOMPARE(window_->Projeto().Record.Observations.size(), std::size_t(85));
        QCOMPARE(window_->Resultado()->Quantiles, before.Quantiles);
    }

    void AnImportedFileAddsItsYearsAndAFileThatCannotBeReadChangesNothing() {
        const QString table = dir_->path() + "/historicos.csv";
        ReplaceFileContents(table.toStdString(), "1864;41000\n1893;21000\n",
                            [](WriteStage, int) { return std::string("erro"); });
        const QString junk = dir_->path() + "/vazio.txt";
        ReplaceFileContents(junk.toStdString(), "nada aqui\n", [](WriteStage, int) { return std::string("erro"); });
        platform_->FileNames = {junk, table};
        window_->Exibir();
        window_->Editor()->ModalRun = [](TInformacaoHistorica& w) {
            w.PrimeiroAno()->setValue(1893);
            w.SerieDoProjetoClick();
            w.ImportarClick();  // the junk: a notice
            QCOMPARE(w.Anos()->rowCount(), 85);
            w.ImportarClick();
            w.OkClick();
        };
        window_->InformacaoHistoricaClick();
        QCOMPARE(platform_->Texts("notice").size(), 1);
        QVERIFY(platform_->Texts("notice")[0].contains(QStringLiteral("vazio.txt")));
        const auto& years = window_->Projeto().Record.Observations;
        QCOMPARE(years.front().Year, 1864);
        QCOMPARE(years[1].Year, 1893);
        QCOMPARE(years[1].Low, 21000.0);  // the file's value replaces the table's
    }

    // The study read back as a reviewer reads it: the section after the
    // charts with the historical year, the threshold, the quantile table and
    // the fourth figure; without a record the study keeps its seven sections.
    void TheStudyHasItsSectionOnlyWithAFloodRecord() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_->path());
        auto studyText = [&](const QString& name) {
            const QString pdf = dir_->filePath(name);
            if (!WriteRecordStudy(*platform_, TestDocument(), pdf, StudyOptions{})) return QString();
            QProcess text;
            text.start(pdftotext, {pdf, QStringLiteral("-")});
            text.waitForFinished(60000);
            return QString::fromUtf8(text.readAllStandardOutput());
        };
        const QString plain = studyText(QStringLiteral("sem.pdf"));
        QVERIFY(plain.contains(QStringLiteral("7. Método e reprodução")));
        QVERIFY(!plain.contains(QStringLiteral("Bulletin 17C")));

        window_->Exibir();
        window_->Editor()->ModalRun = EnterPueblo;
        window_->InformacaoHistoricaClick();
        const QString text = studyText(QStringLiteral("b17c.pdf"));
        QVERIFY(text.contains(QStringLiteral("7. Informação histórica: Bulletin 17C")));
        QVERIFY(text.contains(QStringLiteral("8. Método e reprodução")));
        QVERIFY(text.contains(QStringLiteral("41.000 h")));  // the 1864 flood under its threshold
        QVERIFY(text.contains(QStringLiteral("Limiares de percepção")));
        QVERIFY(text.contains(QStringLiteral("Limite superior 90 %")));
        QVERIFY(text.contains(QStringLiteral("Figura 4")));
        QVERIFY(text.contains(QStringLiteral("O quantil de 100 anos do B17C")));
    }
};

QTEST_MAIN(TestB17cWindow)
#include "test_b17cwindow.moc"
