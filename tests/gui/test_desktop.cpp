// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands with the scripted platform: enabling, the
// save-first question for close, Novo and Abrir, failed calculations and
// opens that keep the previous analysis, the project round trip, TestSession().StartupDir
// and help. The new-project dialog is driven through its ModalRun hook.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <memory>
#include <vector>

#include "analysis/record.h"
#include "app/application.h"
#include "app/desktop.h"
#include "app/helpfile.h"
#include "app/novoproj.h"
#include "dialogs/periodos.h"
#include "platform/session.h"
#include "dialogs/resultdialogs.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

const QString kExample = QStringLiteral(ZARN_EXAMPLES "/ocmulgee-river-macon.dat");
const QString kCommaDecimal = QStringLiteral(ZARN_TEST_DATA "/ocmulgee-river-macon-comma-decimal.dat");
const QString kZero = QStringLiteral(ZARN_TEST_DATA "/ocmulgee-river-macon-zero.dat");
// The help file as the build copies it beside the program.
const QString kHelpSource = QStringLiteral(ZARN_TEST_DATA "/../../app/help/ajuda.hlp");

std::vector<unsigned char> RecordBytes() {
    const auto* p = reinterpret_cast<const unsigned char*>(&TestDocument().Record());
    return {p, p + sizeof(TestDocument().Record())};
}

bool WriteBytes(const QString& path, qint64 size) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(QByteArray(size, '\x01')) == size;
}

}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScriptedPlatform> platform_;
    std::unique_ptr<TDesktop> desktop_;
    TNovoProj* novo_ = nullptr;
    TEstatisticas* est_ = nullptr;
    int dialogRuns_ = 0;
    QString savedDir_;

    QString Path(const QString& name) const { return dir_->filePath(name); }

    // The user's part in the new-project dialog: a title, the data file
    // chosen through the browse button, then "Criar".
    void UserCreates(const QString& dataFile, const QString& title = QStringLiteral("Ocmulgee")) {
        novo_->ModalRun = [this, dataFile, title](TNovoProj& d) {
            ++dialogRuns_;
            d.Projeto()->setText(title);
            platform_->FileNames.push_front(dataFile);
            d.buttondadosClick();
            d.CriarClick();
        };
    }

    // Creates a project from the example, answering nothing else.
    void CreateExample() {
        UserCreates(kExample);
        desktop_->Novo1()->trigger();
        QVERIFY2(platform_->Texts("error").isEmpty(), qPrintable(platform_->Texts("error").join('|')));
        QVERIFY(TestDocument().Modified());
    }

    QList<QAction*> LaterCommands() const {
        return {desktop_->Salvar(),    desktop_->menusalvar(), desktop_->menuestat(),
                desktop_->menuteste(), desktop_->menupara(),   desktop_->menumemo()};
    }

    bool LaterCommandsEnabled(bool enabled) const {
        for (QAction* a : LaterCommands())
            if (a->isEnabled() != enabled) return false;
        return true;
    }

    // The main window and the windows after it, as the program starts them,
    // with a fresh scripted platform.
    void StartWindows() {
        desktop_.reset();
        platform_ = std::make_unique<ScriptedPlatform>();
        desktop_ = std::make_unique<TDesktop>(*platform_, TestDocument());
        novo_ = new TNovoProj(*platform_, TestSession(), desktop_.get());
        est_ = new TEstatisticas(*platform_, TestDocument(), desktop_.get());
        auto* testes = new TTesteDLG(*platform_, TestDocument(), desktop_.get());
        auto* para = new TParaDLG(*platform_, TestDocument(), desktop_.get());
        auto* result = new Tresult(*platform_, TestDocument(), desktop_.get());
        desktop_->SetWindows(novo_, est_, testes, para, result);
        LinkResultDialogs(est_, testes, para, result);
        StartSession(*desktop_, *novo_);
        desktop_->show();
    }

private slots:
    void init() {
        TestDocument().Record() = AnalysisRecord{};
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        savedDir_ = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        TestDocument().SetModified(true);  // StartSession must clear it
        StartWindows();
        dialogRuns_ = 0;
    }

    void cleanup() {
        desktop_.reset();
        platform_.reset();
        QDir::setCurrent(savedDir_);
        dir_.reset();
    }

    void StartsWithoutAnalysisCommands() {
        QVERIFY(!TestDocument().Modified());
        QVERIFY(LaterCommandsEnabled(false));
        for (QAction* a : {desktop_->Novo1(), desktop_->Abrir1(), desktop_->Sair1(), desktop_->Ajuda1(),
                           desktop_->Criar(), desktop_->Abrir(), desktop_->sair()})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        QCOMPARE(desktop_->Imagens().size(), 10);
    }

    void CreationEnablesCommandsAndShowsStatistics() {
        CreateExample();
        QVERIFY(LaterCommandsEnabled(true));
        QVERIFY(est_->isVisible());
        QCOMPARE(TestDocument().Record().SampleSize, 40);
        QCOMPARE(TextOf(TestDocument().Record().Title), std::string("Ocmulgee"));
        QCOMPARE(platform_->BusyCalls, 1);
        QCOMPARE(platform_->BusyDepth, 0);
        // The dialog starts empty every time, not with the last project's texts.
        novo_->ModalRun = [](TNovoProj& d) {
            QVERIFY(d.Projeto()->text().isEmpty());
            QVERIFY(d.Dados()->text().isEmpty());
        };
        platform_->Answers = {Answer::No};
        desktop_->Novo1()->trigger();
    }

    void EmptyTextsWithDataFileCreate() {
        UserCreates(kExample, QString());
        desktop_->Criar()->trigger();
        QVERIFY(platform_->Texts("error").isEmpty());
        QCOMPARE(TestDocument().Record().Title.Length, 0);
        QVERIFY(TestDocument().Modified());
    }

    void TypedTextsAreStoredAsWindows1252() {
        // The data file is opened under the file system's spelling of its path.
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("Águas")));
        const QString data = Path(QStringLiteral("Águas/rio.dat"));
        QVERIFY(QFile::copy(kExample, data));
        UserCreates(data, QStringLiteral("São Francisco – Três Marias"));
        desktop_->Novo1()->trigger();
        QVERIFY2(platform_->Texts("error").isEmpty(), qPrintable(platform_->Texts("error").join('|')));
        // ã = E3, en dash = 96, ê = EA, Á = C1 in Windows-1252
        QCOMPARE(TextOf(TestDocument().Record().Title), std::string("S\xE3o Francisco \x96 Tr\xEAs Marias"));
        QVERIFY(TextOf(TestDocument().Record().DataFileName).ends_with("/\xC1guas/rio.dat"));
    }

    void CancelledDialogChangesNothing() {
        CreateExample();
        const auto before = RecordBytes();
        dialogRuns_ = 0;
        novo_->ModalRun = [this](TNovoProj& d) {
            ++dialogRuns_;
            d.CancelarClick();
        };
        platform_->Answers = {Answer::No};
        desktop_->Novo1()->trigger();
        QCOMPARE(dialogRuns_, 1);
        QVERIFY(RecordBytes() == before);
        QVERIFY(TestDocument().Modified());
        QCOMPARE(platform_->BusyCalls, 1);
    }

    void CloseQuery_data() {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QList<int>>("answers");  // Answer values
        QTest::addColumn<QString>("saveAs");      // "" cancels the save dialog
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("written");
        QTest::addColumn<int>("errors");
        const QList<int> yes{int(Answer::Yes)}, no{int(Answer::No)}, cancel{int(Answer::Cancel)};
        QTest::newRow("nothing unsaved: closes, asks nothing") << false << QList<int>{} << "" << true << false << 0;
        QTest::newRow("yes, saved: closes") << true << yes << "saved.prj" << true << true << 0;
        QTest::newRow("yes, save dialog cancelled: stays") << true << yes << "" << false << false << 0;
        QTest::newRow("yes, save fails: stays") << true << yes << "missing/saved.prj" << false << false << 1;
        QTest::newRow("no: closes unsaved") << true << no << "" << true << false << 0;
        QTest::newRow("cancel: stays") << true << cancel << "" << false << false << 0;
    }

    void CloseQuery() {
        QFETCH(bool, modified);
        QFETCH(QList<int>, answers);
        QFETCH(QString, saveAs);
        QFETCH(bool, closes);
        QFETCH(bool, written);
        QFETCH(int, errors);
        if (modified) CreateExample();
        platform_->Log.clear();
        for (int a : answers) platform_->Answers.push_back(Answer(a));
        if (!saveAs.isEmpty()) platform_->FileNames.push_back(Path(saveAs));

        desktop_->close();
        QCOMPARE(!desktop_->isVisible(), closes);
        QCOMPARE(platform_->Texts("confirm").size(), modified ? 1 : 0);
        if (modified) QCOMPARE(platform_->Texts("confirm").first(), kSaveFirstQuestion);
        QCOMPARE(QFileInfo(Path(saveAs)).isFile() && !saveAs.isEmpty(), written);
        if (written) QCOMPARE(QFileInfo(Path(saveAs)).size(), qint64(kRecordSize));
        QCOMPARE(platform_->Texts("error").size(), errors);
        // Saving inside the question leaves TestDocument().Modified() to the command.
        QCOMPARE(TestDocument().Modified(), modified);
    }

    void SaveFirstGuardsNovo_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAs");
        QTest::addColumn<bool>("dialogShown");
        QTest::newRow("yes, saved") << int(Answer::Yes) << "first.prj" << true;
        QTest::newRow("yes, save dialog cancelled") << int(Answer::Yes) << "" << false;
        QTest::newRow("no") << int(Answer::No) << "" << true;
        QTest::newRow("cancel") << int(Answer::Cancel) << "" << false;
    }

    void SaveFirstGuardsNovo() {
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, dialogShown);
        CreateExample();
        const auto before = RecordBytes();
        dialogRuns_ = 0;
        platform_->Answers = {Answer(answer)};
        if (!saveAs.isEmpty()) platform_->FileNames.push_back(Path(saveAs));
        novo_->ModalRun = [this](TNovoProj& d) {
            ++dialogRuns_;
            d.CancelarClick();
        };
        desktop_->Novo1()->trigger();
        QCOMPARE(dialogRuns_, dialogShown ? 1 : 0);
        QCOMPARE(platform_->Texts("confirm").size(), 1);
        QVERIFY(RecordBytes() == before);
        QVERIFY(TestDocument().Modified());  // the dialog was cancelled: still unsaved
        if (!saveAs.isEmpty()) QCOMPARE(QFileInfo(Path(saveAs)).size(), qint64(kRecordSize));
    }

    void SaveFirstGuardsAbrir_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAs");
        QTest::addColumn<bool>("openDialogShown");
        QTest::newRow("yes, saved, open cancelled: still unsaved") << int(Answer::Yes) << "first.prj" << true;
        QTest::newRow("yes, save dialog cancelled") << int(Answer::Yes) << "" << false;
        QTest::newRow("no") << int(Answer::No) << "" << true;
        QTest::newRow("cancel keeps the created analysis") << int(Answer::Cancel) << "" << false;
    }

    void SaveFirstGuardsAbrir() {
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, openDialogShown);
        CreateExample();
        const auto before = RecordBytes();
        platform_->Log.clear();
        platform_->Answers = {Answer(answer)};
        if (!saveAs.isEmpty()) platform_->FileNames.push_back(Path(saveAs));
        desktop_->Abrir()->trigger();  // the open dialog, if shown, is cancelled
        QCOMPARE(platform_->Texts("open").size(), openDialogShown ? 1 : 0);
        QVERIFY(RecordBytes() == before);
        QVERIFY(TestDocument().Modified());
        QVERIFY(est_->isVisible());
    }

    // Projeto > Relatório do estudo: the PDF of the analysis in memory, with
    // the unit the project keeps beside its file once it was saved.
    void TheStudyReportIsWrittenWhereTheUserChooses() {
        QVERIFY(!desktop_->menuestudo()->isEnabled());
        CreateExample();
        QVERIFY(desktop_->menuestudo()->isEnabled());
        // Cancelled: nothing written.
        desktop_->menuestudo()->trigger();
        QCOMPARE(platform_->Texts("save").size(), 1);
        QVERIFY(QDir(dir_->path()).entryList({QStringLiteral("*.pdf")}).isEmpty());

        platform_->FileNames.push_back(Path(QStringLiteral("rio.prj")));
        desktop_->menusalvar()->trigger();
        // The unit set through the program, as the frequency chart's window
        // does: kept in the project's settings and written beside its file.
        TestDocument().Settings().Unit = "m\xC2\xB3/s";
        TestDocument().SaveSettings();
        QFile side(Path(QStringLiteral("rio.zarn")));
        QVERIFY(side.open(QIODevice::ReadOnly));
        QVERIFY(side.readAll().contains("m\xC2\xB3/s"));
        side.close();
        platform_->FileNames.push_back(Path(QStringLiteral("estudo.pdf")));
        desktop_->menuestudo()->trigger();
        QVERIFY2(platform_->Texts("error").isEmpty(), qPrintable(platform_->Texts("error").join('|')));
        QFile pdf(Path(QStringLiteral("estudo.pdf")));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        QVERIFY(platform_->Texts("notice").last().startsWith(QStringLiteral("Relatório do estudo gravado em")));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) return;
        QProcess text;
        text.start(pdftotext, {pdf.fileName(), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("Quantil (m³/s)")));
    }

    void OpeningWithNothingUnsavedAsksNothing() {
        desktop_->Abrir1()->trigger();
        QCOMPARE(platform_->Texts("confirm").size(), 0);
        QCOMPARE(platform_->Texts("open").size(), 1);
        QVERIFY(LaterCommandsEnabled(false));
    }

    void FailedCalculationKeepsPreviousState_data() {
        QTest::addColumn<bool>("firstProject");
        QTest::addColumn<QString>("dataFile");
        QTest::addColumn<QString>("error");
        const QString comma = QStringLiteral("Invalid numeric input (linha 11: \"66,2\"; o separador decimal é o ponto).");
        QTest::newRow("comma decimal, first project") << true << kCommaDecimal << comma;
        QTest::newRow("comma decimal, replacing one") << false << kCommaDecimal << comma;
        QTest::newRow("zeros leaving three positive values")
            << false << "seca-curta.dat"
            << QStringLiteral("O arquivo de dados tem 5 valores, dos quais 2 são zero (anos sem vazão): restam 3 "
                              "valores positivos, e a análise precisa de pelo menos 4.");
        QTest::newRow("missing file") << true << "missing.dat" << "File not found.";
    }

    void FailedCalculationKeepsPreviousState() {
        QFETCH(bool, firstProject);
        QFETCH(QString, dataFile);
        QFETCH(QString, error);
        if (!firstProject) CreateExample();
        if (dataFile == QStringLiteral("seca-curta.dat")) {
            QFile f(Path(dataFile));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("0\n12\n0\n30\n7.5\n");
        }
        const bool modifiedBefore = TestDocument().Modified();
        const auto before = RecordBytes();
        platform_->Log.clear();
        platform_->Answers = {Answer::No};
        est_->hide();
        UserCreates(QFileInfo(dataFile).isAbsolute() ? dataFile : Path(dataFile));
        desktop_->Novo1()->trigger();

        QCOMPARE(platform_->Texts("error"), QStringList{error});
        QCOMPARE(platform_->BusyDepth, 0);
        QVERIFY(RecordBytes() == before);
        QCOMPARE(TestDocument().Modified(), modifiedBefore);
        QVERIFY(LaterCommandsEnabled(!firstProject));
        QVERIFY(!est_->isVisible());
    }

    void CalculationRunsUnderTheProgressDialogAndKeepsItsSimulations() {
        CreateExample();
        QCOMPARE(platform_->Texts("progress"), QStringList{QStringLiteral("ZARN - Calculando")});
        QVERIFY(TestDocument().Simulations().Matches(TestDocument().Record()));
        QCOMPARE(TestDocument().Simulations().Of(kGEV).CriticalRSamples, 500);
    }

    void CancellingTheCalculationKeepsThePreviousAnalysisSilently() {
        CreateExample();
        const auto before = RecordBytes();
        const SimulationSummary simulations = TestDocument().Simulations();
        platform_->Log.clear();
        platform_->Answers = {Answer::No};
        platform_->CancelWork = true;
        est_->hide();
        UserCreates(QStringLiteral(ZARN_EXAMPLES "/tees-dent-bank.dat"), QStringLiteral("Tees"));
        desktop_->Novo1()->trigger();
        platform_->CancelWork = false;
        QCOMPARE(platform_->Texts("progress").size(), 1);
        QVERIFY(platform_->Texts("error").isEmpty());
        QCOMPARE(platform_->BusyDepth, 0);
        QVERIFY(RecordBytes() == before);
        QVERIFY(TestDocument().Modified());
        QVERIFY(TestDocument().Simulations().Matches(TestDocument().Record()));
        QVERIFY(!est_->isVisible());
    }

    void OpeningAProjectForgetsTheSimulations() {
        CreateExample();
        platform_->FileNames = {Path("ocmulgee.prj")};
        desktop_->Salvar()->trigger();
        platform_->FileNames = {Path("ocmulgee.prj")};
        desktop_->Abrir()->trigger();
        QVERIFY(!TestDocument().Simulations().Valid);
    }

    void SaveThenOpenGivesIdenticalRecord() {
        CreateExample();
        const auto created = RecordBytes();
        platform_->FileNames = {Path("ocmulgee.prj")};
        desktop_->Salvar()->trigger();
        QVERIFY(!TestDocument().Modified());
        QCOMPARE(platform_->Log.last().Options.Filters.first(), QStringLiteral("Arquivo de projeto (*.Prj)"));
        QCOMPARE(QFileInfo(Path("ocmulgee.prj")).size(), qint64(kRecordSize));

        std::memset(&TestDocument().Record(), 0x5A, sizeof(TestDocument().Record()));
        platform_->FileNames = {Path("ocmulgee.prj")};
        desktop_->Abrir()->trigger();
        QCOMPARE(platform_->Texts("confirm").size(), 0);  // saved: nothing to ask
        QVERIFY(platform_->Texts("error").isEmpty());
        QVERIFY(RecordBytes() == created);
        QVERIFY(!TestDocument().Modified());
        QVERIFY(est_->isVisible());

        desktop_->close();  // right after opening: no question
        QVERIFY(!desktop_->isVisible());
        QCOMPARE(platform_->Texts("confirm").size(), 0);
    }

    void YearsWithoutFlowAndReturnPeriodsFollowTheProject() {
        // A list the new-project dialog refuses keeps it open, with the reason.
        novo_->ModalRun = [this](TNovoProj& d) {
            d.Projeto()->setText(QStringLiteral("Seca"));
            platform_->FileNames.push_front(kZero);
            d.buttondadosClick();
            d.Periodos()->setText(QStringLiteral("1,5; 0,5"));
            d.CriarClick();
            QCOMPARE(d.result(), int(QDialog::Rejected));
            d.Periodos()->setText(QStringLiteral("1,01; 25; 10000"));
            d.CriarClick();
        };
        desktop_->Novo1()->trigger();
        QCOMPARE(platform_->Texts("notice"),
                 QStringList{QStringLiteral("O período de retorno 0,5 não é aceito: todo período de retorno deve ser "
                                            "maior que 1 ano")});
        QVERIFY2(platform_->Texts("error").isEmpty(), qPrintable(platform_->Texts("error").join('|')));
        // The Ocmulgee with one year without flow: the analysis of its 39 positive values.
        const Document& document = TestDocument();
        QCOMPARE(document.Record().SampleSize, 39);
        QCOMPARE(StudyZeroYears(document).Zeros, 1);
        QCOMPARE(StudyZeroYears(document).Years, 40);
        QCOMPARE(StudyReturnPeriods(document), (std::vector<double>{1.01, 25, 10000}));
        QVERIFY(est_->Texto()->toPlainText().startsWith(QStringLiteral("Anos sem vazão:\n  Zeros : 1 de 40\n  p0 = 1/40 : ")));

        // Saved, the side file keeps both; opened, the study is back.
        platform_->FileNames = {Path("seca.prj")};
        desktop_->Salvar()->trigger();
        QFile side(Path("seca.zarn"));
        QVERIFY(side.open(QIODevice::ReadOnly));
        const QByteArray kept = side.readAll();
        QVERIFY2(kept.contains("\nperiodos_de_retorno=1.01;25;10000\n") && kept.contains("\nzeros=1\n"), kept.constData());
        CreateExample();  // another analysis in between
        QCOMPARE(StudyZeroYears(document).Zeros, 0);
        platform_->Answers = {Answer::No};
        platform_->FileNames = {Path("seca.prj")};
        desktop_->Abrir()->trigger();
        QCOMPARE(StudyZeroYears(document).Zeros, 1);
        QCOMPARE(StudyZeroYears(document).Years, 40);
        QCOMPARE(StudyReturnPeriods(document), (std::vector<double>{1.01, 25, 10000}));
        QVERIFY(est_->Texto()->toPlainText().contains(QStringLiteral("p0 = 1/40")));

        // "Períodos de retorno..." changes the list of the open project.
        QVERIFY(desktop_->menuperiodos()->isEnabled());
        platform_->Log.clear();
        desktop_->PeriodosJanela()->ModalRun = [](TPeriodos& d) {
            QCOMPARE(d.Lista()->text(),
                     QString::fromStdString(FormatReturnPeriods({1.01, 25, 10000}, RegionalDecimalSeparator())));
            d.Lista()->setText(QStringLiteral("2; cem"));
            d.OkClick();
            d.Lista()->setText(QStringLiteral("2; 100; 1000"));
            d.OkClick();
        };
        desktop_->menuperiodos()->trigger();
        QCOMPARE(platform_->Texts("notice"),
                 QStringList{QStringLiteral("\"cem\" não é um período de retorno: escreva números (em anos)")});
        QCOMPARE(StudyReturnPeriods(document), (std::vector<double>{2, 100, 1000}));
        QVERIFY(document.Modified());
    }

    void FailedOpenKeepsEverything_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("error");
        QTest::newRow("one byte short") << qint64(kRecordSize - 1) << "Read beyond end of file.";
        QTest::newRow("missing") << qint64(-1) << "File not found.";
    }

    void FailedOpenKeepsEverything() {
        QFETCH(qint64, size);
        QFETCH(QString, error);
        const QString file = Path("short.prj");
        if (size >= 0) QVERIFY(WriteBytes(file, size));
        CreateExample();
        const auto before = RecordBytes();
        platform_->Answers = {Answer::No};
        platform_->FileNames = {file};
        desktop_->Abrir1()->trigger();
        QCOMPARE(platform_->Texts("error"), QStringList{error});
        QVERIFY(RecordBytes() == before);
        QVERIFY(TestDocument().Modified());
    }

    void OpenEnablesCommandsFromStart() {
        // A record with three values, followed by bytes that are not read.
        const QString file = Path("any.prj");
        {
            AnalysisRecord r{};
            r.SampleSize = 3;
            r.ClassCount = 2;
            r.PlotDistribution = kNormal;
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(reinterpret_cast<const char*>(&r), sizeof r);
            f.write("trailing bytes");
        }
        platform_->FileNames = {file};
        desktop_->Abrir()->trigger();
        QVERIFY2(platform_->Texts("error").isEmpty(), qPrintable(platform_->Texts("error").join('|')));
        QVERIFY(LaterCommandsEnabled(true));
        QVERIFY(!TestDocument().Modified());
    }

    // `zarn PROJECT`: the project opens as Projeto > Abrir opens it, without
    // its dialog, a relative path from the working folder; a file that cannot
    // be read gives the usual error box and leaves the main window empty.
    void ProjectNamedAtStart_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("error");
        QTest::newRow("saved project, relative path") << "ocmulgee.prj" << "";
        QTest::newRow("missing") << "missing.prj" << "File not found.";
        QTest::newRow("one byte short") << "short.prj" << "Read beyond end of file.";
    }

    void ProjectNamedAtStart() {
        QFETCH(QString, file);
        QFETCH(QString, error);
        CreateExample();
        const auto created = RecordBytes();
        platform_->FileNames = {Path("ocmulgee.prj")};
        desktop_->Salvar()->trigger();
        QVERIFY(WriteBytes(Path("short.prj"), qint64(kRecordSize - 1)));
        // A fresh main window over an empty record, as at start-up (the
        // folder of the saved files is the working folder).
        const QString folder = dir_->path();
        TestDocument().Record() = AnalysisRecord{};
        const auto empty = RecordBytes();
        StartWindows();
        QCOMPARE(QDir::currentPath(), folder);

        OpenProjectAtStart(*platform_, *desktop_, file);
        QCOMPARE(platform_->Texts("error"), error.isEmpty() ? QStringList{} : QStringList{error});
        QCOMPARE(platform_->Texts("confirm").size(), 0);
        QVERIFY(platform_->Texts("open").isEmpty());
        QVERIFY(RecordBytes() == (error.isEmpty() ? created : empty));
        QVERIFY(LaterCommandsEnabled(error.isEmpty()));
        QCOMPARE(est_->isVisible(), error.isEmpty());
        QVERIFY(!TestDocument().Modified());
    }

    void StartArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("project");
        QTest::addColumn<bool>("usageError");
        QTest::newRow("none") << QStringList{"zarn"} << "" << false;
        QTest::newRow("a project") << QStringList{"zarn", "Cheias 2024.prj"} << "Cheias 2024.prj" << false;
        QTest::newRow("after --") << QStringList{"zarn", "--", "-x.prj"} << "-x.prj" << false;
        QTest::newRow("two projects") << QStringList{"zarn", "a.prj", "b.prj"} << "a.prj" << true;
        QTest::newRow("unknown option") << QStringList{"zarn", "--bogus"} << "" << true;
    }

    void StartArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, project);
        QFETCH(bool, usageError);
        const zarn::StartArguments start = ParseStartArguments(arguments);
        QCOMPARE(!start.Error.isEmpty(), usageError);
        if (!usageError) QCOMPARE(start.Project, project);
    }

    void DialogsAndHelpUseStartupDir() {
        const QString startup = QDir::currentPath();  // the temporary folder set in init()
        QCOMPARE(QString::fromStdString(TestSession().StartupDir), startup);

        desktop_->Abrir()->trigger();
        QCOMPARE(platform_->Log.last().Options.InitialFolder, startup);
        QCOMPARE(platform_->Log.last().Options.DefaultSuffix, QStringLiteral("prj"));

        novo_->ModalRun = [](TNovoProj& d) { d.buttondadosClick(); };
        desktop_->Criar()->trigger();
        QCOMPARE(platform_->Log.last().Kind, QStringLiteral("open"));
        QCOMPARE(platform_->Log.last().Options.InitialFolder, startup);

        desktop_->Salvarprojeto();
        QCOMPARE(platform_->Log.last().Kind, QStringLiteral("save"));
        QCOMPARE(platform_->Log.last().Options.InitialFolder, startup);
        QVERIFY(platform_->Log.last().Options.ConfirmOverwrite);

        const QString help = startup + QStringLiteral("/ajuda.hlp");
        QApplication::setActiveWindow(desktop_.get());
        QVERIFY(QTest::qWaitForWindowActive(desktop_.get()));
        QTest::keyClick(desktop_.get(), Qt::Key_F1);
        desktop_->Ajuda1()->trigger();
        novo_->AjudaKey();
        QList<int> contexts;
        for (const auto& s : platform_->Log)
            if (s.Kind == QLatin1String("help")) {
                QCOMPARE(s.Text, help);
                contexts << s.Context;
            }
        QCOMPARE(contexts, (QList<int>{kDesktopHelpContext, kHelpContents, kNovoProjHelpContext}));
    }

    void MissingHelpFileIsSaid() {
        platform_->HelpAvailable = false;
        desktop_->Ajuda1()->trigger();
        const QStringList notices = platform_->Texts("notice");
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().contains(QStringLiteral("ajuda.hlp")));
        QVERIFY(notices.first().contains(QStringLiteral("não foi encontrado")));
    }

    void HelpFileHasEveryContextAndNoDeadLink() {
        QList<HelpTopic> topics;
        QVERIFY(ReadHelpFile(kHelpSource, topics));
        for (int context : {kHelpContents, kDesktopHelpContext, kNovoProjHelpContext, kResultHelpContext})
            QVERIFY2(FindHelpTopic(topics, context), qPrintable(QString::number(context)));
        QSet<int> seen;
        for (const HelpTopic& t : topics) {
            QVERIFY2(!seen.contains(t.Context), qPrintable(QString::number(t.Context)));
            seen.insert(t.Context);
            QVERIFY(!t.Title.isEmpty());
            for (int link : TopicLinks(t))
                QVERIFY2(FindHelpTopic(topics, link), qPrintable(QStringLiteral("%1 -> %2").arg(t.Context).arg(link)));
        }
    }

    void HelpMarkersParse() {
        const auto topics = ParseHelpFile(QStringLiteral("comment\r\n@topic 0 Índice\r\n<p>a</p>\r\n"
                                                          "@topic x not a marker\r\n@topic 12\n<b>b</b>\n"));
        QCOMPARE(topics.size(), 2);
        QCOMPARE(topics[0].Title, QStringLiteral("Índice"));
        QVERIFY(topics[0].Html.contains(QStringLiteral("@topic x")));  // a bad marker is text
        QCOMPARE(topics[1].Context, 12);
        QVERIFY(topics[1].Title.isEmpty());
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
