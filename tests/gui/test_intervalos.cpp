// SPDX-License-Identifier: GPL-3.0-or-later
// The window of the quantiles with their confidence limits: the table after
// a calculation, an opened project simulated again under the progress
// dialog (or not, when cancelled), and the CSV it saves.
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "analysis/calculation.h"
#include "analysis/intervals.h"
#include "analysis/record.h"
#include "dialogs/intervalwindow.h"
#include "platform/session.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

class TestIntervalos : public QObject {
    Q_OBJECT

    ScriptedPlatform* platform_ = nullptr;
    TIntervalos* window_ = nullptr;
    QTemporaryDir* dir_ = nullptr;

    static QString Example() { return QStringLiteral(ZARN_EXAMPLES "/tees-dent-bank.dat"); }

private slots:
    void init() {
        dir_ = new QTemporaryDir;
        TestSession().StartupDir = dir_->path().toStdString();
        TestDocument().Record() = AnalysisRecord{};
        SimulationSummary simulations;
        CalculateAll(TestDocument().Record(), "Tees", "", "", Example().toStdString(), {}, &simulations);
        TestDocument().SetSimulations(std::move(simulations));
        platform_ = new ScriptedPlatform;
        window_ = new TIntervalos(*platform_, TestDocument());
    }
    void cleanup() {
        delete window_;
        delete platform_;
        delete dir_;
        TestDocument().SetSimulations(SimulationSummary{});
    }

    void ShowsTheEightDistributionsWithTheirLimits() {
        window_->Exibir();
        QVERIFY(window_->isVisible());
        QVERIFY(platform_->Texts("progress").isEmpty());  // the calculation's simulations serve
        QTableWidget* t = window_->Tabela();
        QCOMPARE(t->rowCount(), 56);
        QCOMPARE(t->item(0, 0)->text(), QStringLiteral("Normal"));
        QCOMPARE(t->item(1, 0)->text(), QString());  // the name once per distribution
        QCOMPARE(t->item(49, 0)->text(), QStringLiteral("GPA"));
        QCOMPARE(t->item(6, 1)->text(), QStringLiteral("1000"));
        QCOMPARE(t->item(0, 5)->text(), QStringLiteral("500"));
        const QuantileInterval gev100 = ReturnPeriodIntervals(TestDocument().Simulations(), kGEV)[4];
        // Four significant digits, decimal comma, whatever the locale.
        const double lower = QLocale(QLocale::Portuguese, QLocale::Brazil).toDouble(t->item(6 * 7 + 4, 3)->text());
        QVERIFY2(std::fabs(lower - gev100.Lower) <= 5e-4 * std::fabs(gev100.Lower), qPrintable(t->item(6 * 7 + 4, 3)->text()));
    }

    void AnOpenedProjectIsSimulatedAgainUnderTheProgressDialog() {
        const SimulationSummary fresh = TestDocument().Simulations();
        TestDocument().SetSimulations(SimulationSummary{});  // as after Abrirprojeto
        window_->Exibir();
        QCOMPARE(platform_->Texts("progress").size(), 1);
        QVERIFY(window_->isVisible());
        QVERIFY(TestDocument().Simulations().Matches(TestDocument().Record()));
        const auto a = ReturnPeriodIntervals(fresh, kLogPearson3);
        const auto b = ReturnPeriodIntervals(TestDocument().Simulations(), kLogPearson3);
        QVERIFY(std::memcmp(a.data(), b.data(), sizeof a) == 0);
    }

    void CancellingTheSimulationShowsNothing() {
        TestDocument().SetSimulations(SimulationSummary{});
        platform_->CancelWork = true;
        window_->Exibir();
        QCOMPARE(platform_->Texts("progress").size(), 1);
        QVERIFY(!window_->isVisible());
        QVERIFY(!TestDocument().Simulations().Valid);
        QVERIFY(platform_->Texts("error").isEmpty());
    }

    void SaveWritesCsvWithTheChosenSeparator_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("semicolon, decimal comma") << 0 << QByteArray("Normal;2;");
        QTest::newRow("comma, decimal point") << 1 << QByteArray("Normal,2,");
    }
    void SaveWritesCsvWithTheChosenSeparator() {
        QFETCH(int, choice);
        QFETCH(QByteArray, start);
        window_->Exibir();
        window_->Separador()->setCurrentIndex(choice);
        const QString path = dir_->filePath(QStringLiteral("tees.csv"));
        platform_->FileNames = {path};
        window_->Salvar()->click();
        QVERIFY(platform_->Texts("error").isEmpty());
        QCOMPARE(platform_->Log.last().Options.FileName, QStringLiteral("Tees - intervalos.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 59);  // project, header, 56 rows, nothing after the last CR LF
        QCOMPARE(lines[0], QByteArray("\xEF\xBB\xBF" "Projeto: Tees\r"));
        QVERIFY2(lines[2].startsWith(start), lines[2].constData());
        QVERIFY(lines[2].endsWith("500\r"));
    }
};

QTEST_MAIN(TestIntervalos)
#include "test_intervalos.moc"
