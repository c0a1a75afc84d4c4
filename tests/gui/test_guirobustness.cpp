// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input through the windows: each bad data file or project file shows its
// box with its text, the analysis in memory stays as it was, and a strange but
// accepted project walks through every window without a crash.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "files/datafile.h"
#include "analysis/record.h"
#include "app/desktop.h"
#include "app/novoproj.h"
#include "platform/session.h"
#include "dialogs/resultdialogs.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

const QString kExample = QStringLiteral(ZARN_EXAMPLES "/ocmulgee-river-macon.dat");

std::vector<unsigned char> RecordBytes() {
    const auto* p = reinterpret_cast<const unsigned char*>(&TestDocument().Record());
    return {p, p + sizeof(TestDocument().Record())};
}

}  // namespace

class TestGuiRobustness : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScriptedPlatform> platform_;
    std::unique_ptr<TDesktop> desktop_;
    TNovoProj* novo_ = nullptr;
    TParaDLG* para_ = nullptr;
    Tresult* result_ = nullptr;
    QString savedDir_;

    QString Path(const QString& name) const { return dir_->filePath(name); }

    QString WriteFile(const QString& name, const QByteArray& bytes) {
        QFile f(Path(name));
        if (!f.open(QIODevice::WriteOnly)) return {};
        f.write(bytes);
        return f.fileName();
    }

    void Create(const QString& dataFile) {
        novo_->ModalRun = [this, dataFile](TNovoProj& d) {
            platform_->FileNames.push_front(dataFile);
            d.buttondadosClick();
            d.CriarClick();
        };
        platform_->Answers = {Answer::No};
        desktop_->Novo1()->trigger();
    }

private slots:
    void init() {
        TestDocument().Record() = AnalysisRecord{};
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        savedDir_ = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        platform_ = std::make_unique<ScriptedPlatform>();
        desktop_ = std::make_unique<TDesktop>(*platform_, TestDocument());
        novo_ = new TNovoProj(*platform_, TestSession(), desktop_.get());
        auto* est = new TEstatisticas(*platform_, TestDocument(), desktop_.get());
        auto* testes = new TTesteDLG(*platform_, TestDocument(), desktop_.get());
        para_ = new TParaDLG(*platform_, TestDocument(), desktop_.get());
        result_ = new Tresult(*platform_, TestDocument(), desktop_.get());
        desktop_->SetWindows(novo_, est, testes, para_, result_);
        LinkResultDialogs(est, testes, para_, result_);
        StartSession(*desktop_, *novo_);
        desktop_->show();
        Create(kExample);
        QVERIFY(platform_->Texts("error").isEmpty());
        platform_->Log.clear();
    }

    void cleanup() {
        desktop_.reset();
        platform_.reset();
        QDir::setCurrent(savedDir_);
        dir_.reset();
    }

    void BadDataFileShowsItsTextAndKeepsTheAnalysis_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QByteArray tooMany;
        for (int i = 0; i < 10001; ++i) tooMany += "3.5\n";
        QByteArray garbage(2048, '\0');
        for (int i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919 + 13) % 251);
        QTest::newRow("empty") << QByteArray()
                               << QStringLiteral("O arquivo de dados não tem nenhum valor: a análise precisa de pelo menos 4 valores.");
        QTest::newRow("header line") << QByteArray("Vazao (m3/s)\n12\n14\n") << "Invalid numeric input (linha 1: \"Vazao\").";
        QTest::newRow("nan text") << QByteArray("12\nnan\n14\n") << "Invalid numeric input (linha 2: \"nan\").";
        QTest::newRow("beyond a double") << QByteArray("12\n1e400\n14\n") << "Floating point overflow (linha 2: \"1e400\").";
        QTest::newRow("negative value") << QByteArray("12\n-3\n14\n15\n")
                                        << QStringLiteral("O valor da linha 2 do arquivo de dados é -3: a análise trabalha com os "
                                                          "logaritmos dos valores, por isso todo valor deve ser maior que zero.");
        // Garbage shows its own bytes as the token: only the start is fixed.
        QTest::newRow("binary garbage") << garbage << "Invalid numeric input (linha ";
        QTest::newRow("more than 10000 values")
            << tooMany << QString::fromUtf8(kTooManyValuesText) + QStringLiteral(" (linha 10001: \"3.5\").");
    }

    void BadDataFileShowsItsTextAndKeepsTheAnalysis() {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        const auto before = RecordBytes();
        Create(WriteFile("bad.dat", content));
        const QStringList shown = platform_->Texts("error");
        QCOMPARE(shown.size(), 1);
        if (!error.endsWith(QLatin1Char('.')))
            QVERIFY2(shown[0].startsWith(error), qPrintable(shown[0]));
        else
            QCOMPARE(shown[0], error);
        QVERIFY(RecordBytes() == before);
        QVERIFY(TestDocument().Modified());
        QCOMPARE(platform_->BusyDepth, 0);
    }

    void DirectoryAsDataFileIsAccessDenied() {
        const auto before = RecordBytes();
        QDir(dir_->path()).mkdir("pasta");
        Create(Path("pasta"));
        QCOMPARE(platform_->Texts("error"), QStringList{"File access denied."});
        QVERIFY(RecordBytes() == before);
    }

    void ProjectWithBadCountsIsRefused() {
        AnalysisRecord bad = TestDocument().Record();
        bad.ClassCount = 50000;
        const QString file =
            WriteFile("bad.prj", QByteArray(reinterpret_cast<const char*>(&bad), int(sizeof bad)));
        const auto before = RecordBytes();
        platform_->Answers = {Answer::No};
        platform_->FileNames = {file};
        desktop_->Abrir1()->trigger();
        const QStringList errors = platform_->Texts("error");
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(QStringLiteral("não é um projeto válido")), qPrintable(errors.first()));
        QVERIFY(RecordBytes() == before);
        QVERIFY(TestDocument().Modified());
    }

    void StrangeProjectWalksEveryWindow() {
        // Non-finite values where the windows look, as a damaged file may hold.
        AnalysisRecord strange = TestDocument().Record();
        strange.Mean = std::nan("");
        strange.Skewness = HUGE_VAL;
        strange.KendallTau = -HUGE_VAL;
        strange.Sample[2] = std::nan("");
        strange.ClassFrequency[0] = HUGE_VAL;
        ParametersOf(strange, kGEV).Shape = std::nan("");
        ParametersOf(strange, kGumbel).Scale = HUGE_VAL;
        const QString file =
            WriteFile("strange.prj", QByteArray(reinterpret_cast<const char*>(&strange), int(sizeof strange)));
        platform_->Answers = {Answer::No};
        platform_->FileNames = {file};
        desktop_->Abrir1()->trigger();
        QVERIFY(platform_->Texts("error").isEmpty());
        QVERIFY(!TestDocument().Modified());

        desktop_->menuteste()->trigger();
        desktop_->menupara()->trigger();
        for (int d = 1; d <= kDistributionCount; ++d) para_->EntrarXY(d);
        platform_->Log.clear();
        desktop_->menumemo()->trigger();
        // Non-finite values print as Nan, +Inf, -Inf and the report completes.
        QVERIFY(platform_->Texts("error").isEmpty());
        QVERIFY(result_->isVisible());
        const auto* memo = result_->findChild<QPlainTextEdit*>();
        QVERIFY(memo != nullptr);
        QVERIFY(memo->toPlainText().contains(QStringLiteral("  Média : Nan")));
        QVERIFY(memo->toPlainText().contains(QStringLiteral("  Assimetria : +Inf")));
        QVERIFY(memo->toPlainText().contains(QStringLiteral("  Coef. Corr. Kendall : -Inf")));
        QVERIFY(memo->toPlainText().contains(QStringLiteral("  GEV                   26.6471       18.4737           Nan")));
    }
};

QTEST_MAIN(TestGuiRobustness)
#include "test_guirobustness.moc"
