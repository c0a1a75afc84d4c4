// SPDX-License-Identifier: GPL-3.0-or-later
// Starting the rule engine: the fact file in TestSession().StartupDir by its path, the
// program looked up on the search path and never in TestSession().StartupDir or the
// working folder, the working folder never changed.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "files/errors.h"
#include "analysis/record.h"
#include "platform/session.h"
#include "rules/launch.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

// Places the stand-in engine program as `folder`/Clipscmd.exe.
bool PlaceStandIn(const QString& folder) {
    const QString target = QDir(folder).filePath(QStringLiteral("Clipscmd.exe"));
    return QFile::copy(QStringLiteral(ZARN_STANDIN), target) &&
           QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

class TestLaunch : public QObject {
    Q_OBJECT

    QString cwd_;
    QByteArray path_;
    QTemporaryDir* startup_ = nullptr;
    QTemporaryDir* elsewhere_ = nullptr;

private slots:
    void init() {
        TestDocument().Record() = AnalysisRecord{};
        TestDocument().Record().SampleSize = 35;
        cwd_ = QDir::currentPath();
        path_ = qgetenv("PATH");
        startup_ = new QTemporaryDir;
        elsewhere_ = new QTemporaryDir;
        TestSession().StartupDir = startup_->path().toStdString();
        // The test runs from a folder that is not TestSession().StartupDir.
        QVERIFY(QDir::setCurrent(elsewhere_->path()));
    }

    void cleanup() {
        QDir::setCurrent(cwd_);
        qputenv("PATH", path_);
        delete startup_;
        delete elsewhere_;
    }

    void startsTheEngineInStartupDirWithoutChangingTheWorkingFolder() {
        QTemporaryDir bin;
        QVERIFY(PlaceStandIn(bin.path()));
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path_);
        ScriptedPlatform platform;
        QCOMPARE(StartRuleEngine(platform, TestDocument()), QString());

        QCOMPARE(QDir::currentPath(), elsewhere_->path());
        QVERIFY(QFile::exists(startup_->filePath("indata.clp")));
        QVERIFY(!QFile::exists(elsewhere_->filePath("indata.clp")));
        QCOMPARE(platform.Log.size(), 1);
        const auto& launch = platform.Log[0];
        QCOMPARE(launch.Kind, QStringLiteral("launch"));
        QCOMPARE(QFileInfo(launch.Text).canonicalFilePath(), QFileInfo(bin.filePath("Clipscmd.exe")).canonicalFilePath());
        QCOMPARE(launch.Arguments, QStringList({QStringLiteral("-f"), QStringLiteral("choose.bat")}));
        QCOMPARE(QFileInfo(launch.Directory).canonicalFilePath(), QFileInfo(startup_->path()).canonicalFilePath());
        QVERIFY(launch.Maximized);

        // Again: the fact file is written anew, one more engine started.
        QFile::remove(startup_->filePath("indata.clp"));
        StartRuleEngine(platform, TestDocument());
        QVERIFY(QFile::exists(startup_->filePath("indata.clp")));
        QCOMPARE(platform.Texts(QStringLiteral("launch")).size(), 2);
    }

    void theStandInRecordsItsArgumentsAndDirectory() {
        QTemporaryDir bin;
        QVERIFY(PlaceStandIn(bin.path()));
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path_);
        StartingPlatform platform;
        StartRuleEngine(platform, TestDocument());
        const QString record = startup_->filePath("standin-record.txt");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QFile f(record);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(QFileInfo(lines[0]).canonicalFilePath(), QFileInfo(startup_->path()).canonicalFilePath());
        QCOMPARE(lines[1], QStringLiteral("-f"));
        QCOMPARE(lines[2], QStringLiteral("choose.bat"));
        QCOMPARE(QDir::currentPath(), elsewhere_->path());
    }

    // A program of the same name in the start-up folder, the working folder
    // or a relative entry of PATH ("." or empty) is never run.
    void aProgramWhereTheUserStandsIsNeverStarted() {
        QVERIFY(PlaceStandIn(startup_->path()));
        QVERIFY(PlaceStandIn(elsewhere_->path()));
        QTemporaryDir bin;
        for (const QByteArray& path : {QByteArray(".:"), QByteArray("::"), QByteArray("")}) {
            qputenv("PATH", path + QFile::encodeName(bin.path()));
            ScriptedPlatform platform;
            StartRuleEngine(platform, TestDocument());
            QCOMPARE(platform.Log.size(), 1);
            QCOMPARE(platform.Log[0].Text, QStringLiteral("Clipscmd.exe"));  // found nowhere: handed on by name
        }
        QVERIFY(PlaceStandIn(bin.path()));
        ScriptedPlatform platform;
        StartRuleEngine(platform, TestDocument());
        QCOMPARE(QFileInfo(platform.Log[0].Text).canonicalFilePath(),
                 QFileInfo(bin.filePath("Clipscmd.exe")).canonicalFilePath());
    }

    void missingEngineShowsNothing() {
        qputenv("PATH", QFile::encodeName(elsewhere_->path()));
        StartingPlatform platform;
        StartRuleEngine(platform, TestDocument());
        QVERIFY(QFile::exists(startup_->filePath("indata.clp")));
        QVERIFY(platform.Texts(QStringLiteral("error")).isEmpty());
        QVERIFY(platform.Texts(QStringLiteral("notice")).isEmpty());
        QCOMPARE(QDir::currentPath(), elsewhere_->path());
    }

    void failedFactFileStartsNothing() {
        // A folder where the fact file should be: it cannot be created.
        QVERIFY(QDir(startup_->path()).mkdir(QStringLiteral("indata.clp")));
        ScriptedPlatform platform;
        bool raised = false;
        try {
            StartRuleEngine(platform, TestDocument());
        } catch (const ZarnError&) {
            raised = true;
        }
        QVERIFY(raised);
        QCOMPARE(QDir::currentPath(), elsewhere_->path());
        QVERIFY(platform.Texts(QStringLiteral("launch")).isEmpty());
    }

    void vanishedStartupDirWritesNothingAnywhere() {
        TestSession().StartupDir = startup_->filePath("gone").toStdString();
        ScriptedPlatform platform;
        QCOMPARE(StartRuleEngine(platform, TestDocument()), FolderNotWritableText(startup_->filePath("gone")));
        QCOMPARE(QDir::currentPath(), elsewhere_->path());
        QVERIFY(!QFile::exists(elsewhere_->filePath("indata.clp")));
        QVERIFY(platform.Log.isEmpty());
    }

    void launchProgramPassesTheShowCommandAndDirectory() {
        ScriptedPlatform platform;
        platform.LaunchSucceeds = false;
        QVERIFY(!LaunchProgram(platform, QStringLiteral("/bin/true"), {QStringLiteral("x")}, startup_->path(), 1));
        QCOMPARE(platform.Log[0].Text, QStringLiteral("/bin/true"));
        QCOMPARE(platform.Log[0].Directory, startup_->path());
        QVERIFY(!platform.Log[0].Maximized);
    }
};

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
