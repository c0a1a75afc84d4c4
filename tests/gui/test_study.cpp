// SPDX-License-Identifier: GPL-3.0-or-later
// The study as a PDF: its text read back with poppler's pdftotext holds the
// recommendation and the quantile table of a known example with the numbers
// the analysis computed, page numbers run to the page count, and no word
// lies outside the margins. The batch tool hands the study to the charts
// tool and says so when that tool is missing.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "analysis/calculation.h"
#include "analysis/fittests.h"
#include "analysis/intervals.h"
#include "files/numbertext.h"
#include "analysis/quantiles.h"
#include "analysis/record.h"
#include "dialogs/chartexport.h"
#include "rules/advisor.h"
#include "study/study.h"
#include "study/studycontent.h"
#include "study/studypdf.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

// A4 and the text's side margins, in PDF points.
constexpr double kPointsPerMm = 72 / 25.4;
constexpr double kPageWidthPt = 210 * kPointsPerMm;
constexpr double kSideMarginPt = 20 * kPointsPerMm;
// pdftotext's word boxes may reach this far past the glyphs they measure.
constexpr double kBoxSlackPt = 1.0;

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The numbers of a line of text, in order.
QStringList Tokens(const QString& line) { return line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts); }

}  // namespace

class TestStudy : public QObject {
    Q_OBJECT

    QTemporaryDir settings_;
    QTemporaryDir dir_;
    QString pdftotext_;

private slots:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        pdftotext_ = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext_.isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
        SimulationSummary simulations;
        CalculateAll(TestDocument().Record(), "Rio Ocmulgee", "Macon", "", ZARN_EXAMPLES "/ocmulgee-river-macon.dat", {},
                     &simulations);
        TestDocument().SetSimulations(std::move(simulations));
    }

    void TheStudyHoldsTheRecommendationAndTheQuantileTable() {
        ScriptedPlatform platform;
        // The user's chart settings survive the study's own choices.
        ChartSettings()->setValue(QStringLiteral("Frequencia/Papel"), 2);
        const QString path = dir_.filePath(QStringLiteral("estudo.pdf"));
        int pages = 0;
        QVERIFY(WriteRecordStudy(platform, TestDocument(), path,
                                 StudyOptions{QStringLiteral("Vazão máxima anual"), QStringLiteral("m³/s"), true, {}},
                                 &pages));
        QCOMPARE(ChartSettings()->value(QStringLiteral("Frequencia/Papel")).toInt(), 2);
        // The Ocmulgee study: cover and data, statistics and fits, advice and
        // quantiles, the two charts, the method.
        QCOMPARE(pages, 5);

        const QString text = Run(pdftotext_, {QStringLiteral("-layout"), path, QStringLiteral("-")});
        const QStringList pageTexts = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pageTexts.size(), pages);
        for (int k = 0; k < pages; ++k)
            QVERIFY2(pageTexts[k].contains(QStringLiteral("Página %1 de %2").arg(k + 1).arg(pages)), qPrintable(pageTexts[k]));

        const AnalysisRecord& record = TestDocument().Record();
        const Advice advice = Advise(record, TestSession());
        QCOMPARE(advice.Recommended, static_cast<int>(kGumbel));
        QVERIFY(text.contains(QStringLiteral("Recomenda-se a distribuição Gumbel")));
        QVERIFY(text.contains(QStringLiteral("semente %1").arg(kSimulationSeed)));

        // Each return period's row: T, F, the quantile and its limits, as the
        // analysis computed them.
        const auto limits = ReturnPeriodIntervals(TestDocument().Simulations(), kGumbel);
        const QStringList lines = text.split(QLatin1Char('\n'));
        const qsizetype table = lines.indexOf(QRegularExpression(QStringLiteral("\\s*T \\(anos\\)\\s+F\\s+Quantil.*")));
        QVERIFY(table >= 0);
        for (int k = 0; k < kReturnPeriodCount; ++k) {
            const auto numbers = FormatCompared({ReturnPeriodQuantile(record, kGumbel, k), limits[k].Lower,
                                                 limits[k].Upper},
                                                StyleFor(','));
            const QStringList expected{QString::number(kReturnPeriods[k]),
                                       QString::fromStdString(FormatNumber(kReturnPeriodProbabilities[k], StyleFor(','))),
                                       QString::fromStdString(numbers[0]), QString::fromStdString(numbers[1]),
                                       QString::fromStdString(numbers[2])};
            QCOMPARE(Tokens(lines[table + 1 + k]), expected);
        }
    }

    // pdftotext -bbox gives every word's box: none crosses the side margins.
    void NothingIsCutAtTheMargins() {
        ScriptedPlatform platform;
        const QString path = dir_.filePath(QStringLiteral("margens.pdf"));
        QVERIFY(WriteRecordStudy(platform, TestDocument(), path, StudyOptions{}));
        const QString boxes = Run(pdftotext_, {QStringLiteral("-bbox"), path, QStringLiteral("-")});
        static const QRegularExpression word(
            QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
        int words = 0;
        for (auto it = word.globalMatch(boxes); it.hasNext();) {
            const auto m = it.next();
            ++words;
            QVERIFY2(m.captured(1).toDouble() >= kSideMarginPt - kBoxSlackPt, qPrintable(m.captured(3)));
            QVERIFY2(m.captured(2).toDouble() <= kPageWidthPt - kSideMarginPt + kBoxSlackPt, qPrintable(m.captured(3)));
        }
        QVERIFY(words > 500);
    }

    // The rows of a long table on several pages: every page that continues
    // it repeats the header, and no row is lost.
    void ALongTableRepeatsItsHeaderAndKeepsEveryRow() {
        StudyDocument doc;
        doc.Title = "Tabela longa";
        StudyTable t;
        t.Header = {"Linha", "Valor"};
        t.RightAligned = {true, true};
        for (int k = 1; k <= 200; ++k) t.Rows.push_back({"L" + std::to_string(k), std::to_string(k * 7)});
        doc.AddTable(t);
        const QString path = dir_.filePath(QStringLiteral("longa.pdf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        int pages = 0;
        file.write(StudyPdfBytes(doc, {}, &pages));
        file.close();
        QVERIFY(pages >= 3);
        const QStringList pageTexts =
            Run(pdftotext_, {QStringLiteral("-layout"), path, QStringLiteral("-")}).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pageTexts.size(), pages);
        int rows = 0;
        for (const QString& page : pageTexts) {
            QVERIFY(page.contains(QRegularExpression(QStringLiteral("Linha\\s+Valor"))));
            rows += page.count(QRegularExpression(QStringLiteral("\\bL\\d+\\s+\\d+")));
        }
        QCOMPARE(rows, 200);
    }
};

QTEST_MAIN(TestStudy)
#include "test_study.moc"
