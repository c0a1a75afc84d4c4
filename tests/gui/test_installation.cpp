// SPDX-License-Identifier: GPL-3.0-or-later
// ZARN started from any folder: the help file looked for in TestSession().StartupDir first,
// a missing one named with every folder searched, a start-up folder where
// the fact file cannot be written said in Portuguese (the advice still
// opens), and the check of an installation.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QLabel>
#include <QtTest>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "analysis/calculation.h"
#include "files/errors.h"
#include "analysis/record.h"
#include "app/desktop.h"
#include "app/installation.h"
#include "app/novoproj.h"
#include "dialogs/recomendacao.h"
#include "dialogs/resultdialogs.h"
#include "platform/help.h"
#include "platform/session.h"
#include "rules/advisor.h"
#include "rules/launch.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

const QString kExample = QStringLiteral(ZARN_EXAMPLES "/ocmulgee-river-macon.dat");
const QString kHelpSource = QStringLiteral(ZARN_TEST_DATA "/../../app/help/ajuda.hlp");
const QString kRuleBaseSource = QStringLiteral(ZARN_TEST_DATA "/../../rules/zarn.clp");
// A folder where nothing can be created, whoever runs the test (root included).
const QString kUnwritableFolder = QStringLiteral("/proc");

// The folders searched, one per line, as the missing-help notice lists them.
QString SearchedFolders() {
    QStringList folders;
    for (const std::string& folder : SupportFolders(TestSession())) folders << FromFileSystem(folder);
    return folders.join(QLatin1Char('\n'));
}

}  // namespace

class TestInstallation : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> startup_;
    std::unique_ptr<QTemporaryDir> config_;
    QByteArray savedConfig_;
    QString cwd_;

private slots:
    void initTestCase() {
        SimulationSummary simulations;
        CalculateAll(TestDocument().Record(), "Ocmulgee", "Macon", "", QFile::encodeName(kExample).toStdString(), {}, &simulations);
        TestDocument().SetSimulations(simulations);
    }

    void init() {
        cwd_ = QDir::currentPath();
        startup_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(startup_->path()));
        // The user's configuration folder, where an adapted rule base lives.
        config_ = std::make_unique<QTemporaryDir>();
        savedConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_->path()));
        QVERIFY(QDir(config_->path()).mkdir(QStringLiteral("zarn")));
    }

    void cleanup() {
        QDir::setCurrent(cwd_);
        startup_.reset();
        config_.reset();
        if (savedConfig_.isNull()) qunsetenv("XDG_CONFIG_HOME");
        else qputenv("XDG_CONFIG_HOME", savedConfig_);
        TestSession().StartupDir.clear();
    }

    void helpInTheStartupFolderIsUsedFirst() {
        // None anywhere: the one TestSession().StartupDir would hold, so the notice can name it.
        ScriptedPlatform platform;
        TDesktop desktop(platform, TestDocument());
        TNovoProj novo(platform, TestSession());
        StartSession(desktop, novo);
        QCOMPARE(desktop.HelpFile, startup_->filePath(QStringLiteral("ajuda.hlp")));
        QVERIFY(!QFile::exists(desktop.HelpFile));

        QVERIFY(QFile::copy(kHelpSource, startup_->filePath(QStringLiteral("ajuda.hlp"))));
        StartSession(desktop, novo);
        QCOMPARE(desktop.HelpFile, startup_->filePath(QStringLiteral("ajuda.hlp")));
        QCOMPARE(novo.HelpFile, desktop.HelpFile);
        QCOMPARE(HelpFilePath(TestSession()), desktop.HelpFile);
    }

    void missingHelpFileNamesEveryFolderSearchedInOrder() {
        ScriptedPlatform platform;
        platform.HelpAvailable = false;
        TDesktop desktop(platform, TestDocument());
        TNovoProj novo(platform, TestSession());
        StartSession(desktop, novo);
        desktop.Ajuda1()->trigger();
        TEstatisticas estatisticas(platform, TestDocument());
        QTest::keyClick(&estatisticas, Qt::Key_F1);

        const QStringList notices = platform.Texts(QStringLiteral("notice"));
        QCOMPARE(notices.size(), 2);
        const QString expected = QStringLiteral("O arquivo de ajuda ajuda.hlp não foi encontrado. "
                                                "Ele foi procurado, nesta ordem, em:\n") +
                                 SearchedFolders();
        QCOMPARE(notices[0], expected);
        QCOMPARE(notices[1], expected);  // the result windows word it the same way
        QVERIFY(notices[0].contains(startup_->path() + QLatin1Char('\n')));
    }

    void helpFileSetByHandIsNamedBeforeTheSearchedFolders() {
        const QString text = HelpFileNotFoundText(TestSession(), QStringLiteral("/somewhere/else/ajuda.hlp"));
        QVERIFY2(text.endsWith(QStringLiteral("em:\n/somewhere/else\n") + SearchedFolders()), qPrintable(text));
    }

    void existingHelpFileWithoutTheTopicNamesTheTopic() {
        ScriptedPlatform platform;
        platform.HelpAvailable = false;
        QVERIFY(QFile::copy(kHelpSource, startup_->filePath(QStringLiteral("ajuda.hlp"))));
        TestSession().StartupDir = QFile::encodeName(startup_->path()).toStdString();
        ShowHelpTopic(platform, nullptr, TestSession(), HelpFilePath(TestSession()), 999);
        QCOMPARE(platform.Texts(QStringLiteral("notice")),
                 QStringList{QStringLiteral("O tópico 999 não existe no arquivo de ajuda \"%1\".")
                                 .arg(startup_->filePath(QStringLiteral("ajuda.hlp")))});
    }

    void unwritableStartupFolderIsSaidAndNothingStarts() {
        QStringList folders{kUnwritableFolder};
        // Permission bits stop everyone but root; /proc stops root too.
        QTemporaryDir readOnly;
        if (::geteuid() != 0) {
            QVERIFY(QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::ExeOwner));
            folders << readOnly.path();
        }
        for (const QString& folder : folders) {
            TestSession().StartupDir = QFile::encodeName(folder).toStdString();
            ScriptedPlatform platform;
            const QString error = StartRuleEngine(platform, TestDocument());
            QCOMPARE(error, FolderNotWritableText(folder));
            QVERIFY(error.startsWith(QStringLiteral("Não é possível gravar na pasta em que o ZARN foi iniciado (") +
                                     folder + QStringLiteral("): o arquivo de fatos indata.clp não foi gravado")));
            QVERIFY(platform.Texts(QStringLiteral("launch")).isEmpty());
            QCOMPARE(QDir::currentPath(), startup_->path());
        }
        QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void reportNextFromAnUnwritableFolderStillOpensTheAdvice() {
        TestSession().StartupDir = QFile::encodeName(kUnwritableFolder).toStdString();
        ScriptedPlatform platform;
        Tresult result(platform, TestDocument());
        TRecomendacao recomendacao(platform, TestDocument());
        LinkRecomendacao(&result, &recomendacao);
        result.Exibir();
        // Said in the advice window's status line, never in a box, at every visit.
        for (int visit = 0; visit < 2; ++visit) {
            result.Avancar()->click();
            QVERIFY(platform.Texts(QStringLiteral("error")).isEmpty());
            QCOMPARE(recomendacao.Estado()->text(), FolderNotWritableText(kUnwritableFolder) + QLatin1Char('.'));
            QVERIFY(recomendacao.Estado()->isVisible());
        }
        QVERIFY(recomendacao.isVisible());
        QVERIFY(result.isVisible());
        QVERIFY(recomendacao.Parecer().Recommended != 0);
        QCOMPARE(QDir::currentPath(), startup_->path());
    }

    void installCheckFindsTheFilesInTheStartupFolder_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const QStringList all{"ajuda.hlp", "zarn.clp", "examples/ocmulgee-river-macon.dat"};
        QTest::newRow("all three") << all << 0 << QStringLiteral("Instalação completa.");
        QTest::newRow("no help file") << all.mid(1) << 1 << QStringLiteral("ajuda.hlp não encontrado");
        QTest::newRow("no rule base") << QStringList{all[0], all[2]} << 1
                                      << QStringLiteral("zarn.clp não encontrada");
        QTest::newRow("no example") << all.mid(0, 2) << 1 << QStringLiteral("ocmulgee-river-macon.dat não encontrado");
    }

    // The help file and the example in the startup folder; the rule base in
    // the user's configuration folder (one in the startup folder is ignored).
    void installCheckFindsTheFilesInTheStartupFolder() {
        QFETCH(QStringList, present);
        QFETCH(int, status);
        QFETCH(QString, said);
        const QMap<QString, QString> sources{{"ajuda.hlp", kHelpSource},
                                             {"zarn.clp", kRuleBaseSource},
                                             {"examples/ocmulgee-river-macon.dat", kExample}};
        QVERIFY(QDir(startup_->path()).mkdir(QStringLiteral("examples")));
        QVERIFY(QFile::copy(kRuleBaseSource, startup_->filePath(QStringLiteral("zarn.clp"))));
        auto placed = [&](const QString& name) {
            return name == QStringLiteral("zarn.clp") ? config_->filePath(QStringLiteral("zarn/zarn.clp"))
                                                      : startup_->filePath(name);
        };
        for (const QString& name : present) QVERIFY(QFile::copy(sources[name], placed(name)));

        std::ostringstream out;
        QCOMPARE(RunInstallCheck(out), status);
        const QString text = QString::fromStdString(out.str());
        QVERIFY2(text.contains(said), qPrintable(text));
        for (const QString& name : present) QVERIFY2(text.contains(placed(name)), qPrintable(text));
        // The check takes the working directory as the start-up folder.
        QVERIFY2(text.contains(QStringLiteral("Pasta de início: ") + startup_->path()), qPrintable(text));
    }

    void installCheckRefusesAHelpFileWithoutAWindowsTopic() {
        QFile help(startup_->filePath(QStringLiteral("ajuda.hlp")));
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.write("@topic 0 Conteúdo\n<p>x</p>\n@topic 101 Janela principal\n<p>y</p>\n");
        help.close();
        std::ostringstream out;
        QCOMPARE(RunInstallCheck(out), 1);
        QVERIFY(QString::fromStdString(out.str()).contains(QStringLiteral("não tem o tópico 106")));
    }
};

QTEST_MAIN(TestInstallation)
#include "test_installation.moc"
