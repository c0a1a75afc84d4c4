// SPDX-License-Identifier: GPL-3.0-or-later
// The window "Análise regional": stations with names and areas (one refused),
// the calculation under the progress dialog, its tables and charts, the
// ungauged site, Salvar, "Cancelar" and F1.
#include <QChart>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "dialogs/regional.h"
#include "study/regionalpdf.h"
#include "platform/session.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

class TestRegionalWindow : public QObject {
    Q_OBJECT

    ScriptedPlatform* platform_ = nullptr;
    TRegional* window_ = nullptr;
    QTemporaryDir* dir_ = nullptr;

    void LoadStations() {
        std::vector<RegionEntry> entries;
        const std::pair<const char*, double> files[] = {
            {ZARN_EXAMPLES "/arkansas-river-pueblo.dat", 12000}, {ZARN_EXAMPLES "/ocmulgee-river-macon.dat", 5800},
            {ZARN_EXAMPLES "/santa-cruz-river-lochiel.dat", 212},  {ZARN_EXAMPLES "/tees-dent-bank.dat", 217},
            {ZARN_EXAMPLES "/vazoes_C_58110002.csv", 0},          {ZARN_TEST_DATA "/ocmulgee-river-macon-zero.dat", 0}};
        for (const auto& [file, area] : files) {
            RegionEntry e = RegionEntryOf(file);
            e.Area = area;
            entries.push_back(e);
        }
        window_->SetEntries(entries);
        window_->NSim()->setValue(100);
        window_->NRep()->setValue(100);
    }

private slots:
    void init() {
        dir_ = new QTemporaryDir;
        TestSession().StartupDir = dir_->path().toStdString();
        platform_ = new ScriptedPlatform;
        window_ = new TRegional(*platform_, TestDocument());
        LoadStations();
    }
    void cleanup() {
        delete window_;
        delete platform_;
        delete dir_;
    }

    void CalculatesShowsAndSaves() {
        // The table shows file names; the entries keep the whole paths and the edited names.
        QCOMPARE(window_->Postos()->item(0, 0)->text(), QStringLiteral("arkansas-river-pueblo.dat"));
        window_->Postos()->item(0, 1)->setText(QStringLiteral("Arkansas"));
        QCOMPARE(window_->Entries()[0].Name, std::string("Arkansas"));
        QCOMPARE(window_->Entries()[4].Import, true);

        window_->CalcularClick();
        QCOMPARE(platform_->Texts("progress"), QStringList{QStringLiteral("Análise regional")});
        QVERIFY(platform_->Texts("error").isEmpty());
        QVERIFY(window_->Result().has_value());
        QCOMPARE(window_->Sitios()->rowCount(), 5);  // the file with a zero is left out
        QCOMPARE(window_->Sitios()->item(0, 0)->text(), QStringLiteral("Arkansas"));
        const QString report = window_->Relatorio()->toPlainText();
        QVERIFY(report.contains(QStringLiteral("Aviso: Posto ocmulgee-river-macon-zero")));
        QVERIFY(report.contains(QStringLiteral("8. RECOMENDAÇÕES")));
        QVERIFY(window_->Diagrama()->series().size() >= 8);  // five curves, sites, discordant, average
        QVERIFY(!window_->Crescimento()->series().isEmpty());

        window_->Area()->setText(QStringLiteral("1000"));
        window_->EstimarClick();
        QVERIFY(window_->SemDados()->text().startsWith(QStringLiteral("Índice de cheia")));

        platform_->FileNames.push_back(dir_->filePath(QStringLiteral("regiao.txt")));
        window_->SalvarClick();
        QFile csv(dir_->filePath(QStringLiteral("regiao.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().startsWith("\xEF\xBB\xBFPosto;"));
        QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("regiao.txt"))));

        // Printed on A4, the tables keep their 200- and 1000-year columns on
        // the line of their heading.
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) return;
        platform_->PrintFile = dir_->filePath(QStringLiteral("impresso.pdf"));
        window_->ImprimirClick();
        QProcess text;
        text.start(pdftotext, {QStringLiteral("-layout"), platform_->PrintFile, QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        bool headed = false;
        for (const QString& line : QString::fromUtf8(text.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            if (!line.trimmed().startsWith(QStringLiteral("T (anos)"))) continue;
            headed = true;
            QVERIFY2(line.contains(QStringLiteral(" 200 ")) && line.trimmed().endsWith(QStringLiteral("1000")),
                     qPrintable(line));
        }
        QVERIFY(headed);
    }

    // After Calcular, editing an area, the options or the sites leaves the
    // results shown but stale: Salvar, Imprimir and Estimar wait for Calcular
    // and write nothing of the old region; the line above the tabs says so.
    void EditsMarkTheResultsStaleUntilCalcular() {
        window_->CalcularClick();
        QVERIFY(window_->Result().has_value());
        QVERIFY(window_->Salvar()->isEnabled());
        QVERIFY(window_->Origem()->text().startsWith(QStringLiteral("Resultados de")));
        const auto edits = std::vector<std::function<void()>>{
            [&] { window_->Postos()->item(1, 2)->setText(QStringLiteral("500")); },
            [&] { window_->NSim()->setValue(120); },
            [&] { window_->Postos()->setCurrentCell(0, 0), window_->RemoverClick(); },
        };
        for (const auto& edit : edits) {
            window_->CalcularClick();
            QVERIFY(!window_->Desatualizado());
            edit();
            QVERIFY(window_->Desatualizado());
            QVERIFY(!window_->Salvar()->isEnabled());
            QVERIFY(window_->Origem()->text().contains(QStringLiteral("DESATUALIZADOS")));
            platform_->FileNames.push_back(dir_->filePath(QStringLiteral("velho.txt")));
            window_->SalvarClick();
            QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("velho.txt"))));
            platform_->FileNames.clear();
        }
        QVERIFY(platform_->Texts("notice").last().contains(QStringLiteral("clique em Calcular")));
    }

    // A published table of site L-moments is a region in the window too.
    void TableOfLMomentsIsARegion() {
        platform_->FileNames.push_back(QStringLiteral(ZARN_TEST_DATA "/regional/cascades-lmoments.csv"));
        window_->ListaClick();
        QCOMPARE(window_->Postos()->rowCount(), 19);
        QCOMPARE(window_->Postos()->item(0, 0)->text(), QStringLiteral("cascades-lmoments.csv, linha 2"));
        window_->CalcularClick();
        QVERIFY(platform_->Texts("error").isEmpty());
        QVERIFY(window_->Result().has_value());
        QCOMPARE(window_->Result()->Sites.size(), std::size_t(19));
        QCOMPARE(window_->Result()->Sites[0].N, 98);

        // The study PDF: never in place of the region's table; then written whole.
        window_->SetStudyWriter(&WriteRegionalStudy);
        QVERIFY(window_->Estudo()->isEnabled());
        QFile table(QStringLiteral(ZARN_TEST_DATA "/regional/cascades-lmoments.csv"));
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QByteArray before = table.readAll();
        table.close();
        platform_->FileNames.push_back(table.fileName());
        window_->EstudoClick();
        QVERIFY(platform_->Texts("error").last().contains(QStringLiteral("não pode substituir")));
        QVERIFY(table.open(QIODevice::ReadOnly));
        QCOMPARE(table.readAll(), before);
        const QString pdf = dir_->filePath(QStringLiteral("estudo-regional.pdf"));
        platform_->FileNames.push_back(pdf);
        window_->EstudoClick();
        QFile written(pdf);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.read(5) == "%PDF-");
        QVERIFY(platform_->Texts("notice").last().contains(QStringLiteral("páginas")));
    }

    void CancelKeepsWhatWasShownAndF1OpensTheTopic() {
        platform_->CancelWork = true;
        window_->CalcularClick();
        QVERIFY(!window_->Result().has_value());
        QVERIFY(platform_->Texts("error").isEmpty());
        window_->Exibir();
        QTest::keyClick(window_, Qt::Key_F1);
        bool found = false;
        for (const auto& shown : platform_->Log)
            if (shown.Kind == QStringLiteral("help")) found = shown.Context == kRegionalHelpContext;
        QVERIFY(found);
    }
};

QTEST_MAIN(TestRegionalWindow)
#include "test_regionalwindow.moc"
