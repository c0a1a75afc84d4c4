// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <ostream>
#include <string_view>

#include "analysis/calculation.h"
#include "analysis/record.h"
#include "app/desktop.h"
#include "app/helpfile.h"
#include "app/importdialog.h"
#include "app/novoproj.h"
#include "dialogs/chartwindows.h"
#include "dialogs/intervalwindow.h"
#include "dialogs/recomendacao.h"
#include "dialogs/resultdialogs.h"
#include "platform/help.h"
#include "platform/session.h"
#include "rules/advicelines.h"
#include "rules/advisor.h"
#include "rules/consultation.h"
#include "zarn/about.h"

namespace zarn {

namespace {

// Qt's catalogue of its own widgets and dialogs (qtbase_pt_BR.qm, ...).
const QString kQtCatalogue = QStringLiteral("qtbase");
// The menu entry (share/applications/ID.desktop) and the icon's theme name.
const QString kDesktopName = QLatin1String(kAppId);
const QString kIconName = QStringLiteral("zarn");
// The example computed by the check, as the program without a display does.
constexpr const char* kExampleName = "examples/ocmulgee-river-macon.dat";
// Every help topic a window opens.
constexpr int kWindowHelpTopics[] = {kHelpContents,         kDesktopHelpContext,      kNovoProjHelpContext,
                                     kResultHelpContext,    kRecomendacaoHelpContext, kIntervalHelpContext,
                                     kImportarHelpContext,  kChartHelpContext};

std::string Utf8(const QString& text) { return text.toStdString(); }

std::string FolderList(const std::vector<std::string>& list) {
    std::string folders;
    for (const std::string& folder : list) folders += (folders.empty() ? "" : ", ") + folder;
    return folders;
}
std::string SearchedFolders(const Session& session) { return FolderList(SupportFolders(session)); }

// The help file and its topics; false when it is missing or lacks a topic.
bool CheckHelpFile(const Session& session, std::ostream& out) {
    const std::string path = FindSupportFile(session, Utf8(kHelpFileName));
    if (path.empty()) {
        out << "Arquivo de ajuda: " << Utf8(kHelpFileName) << " não encontrado (procurado em " << SearchedFolders(session)
            << ")\n";
        return false;
    }
    QList<HelpTopic> topics;
    if (!ReadHelpFile(FromFileSystem(path), topics)) {
        out << "Arquivo de ajuda: " << path << " não pôde ser lido\n";
        return false;
    }
    for (int context : kWindowHelpTopics) {
        if (!FindHelpTopic(topics, context)) {
            out << "Arquivo de ajuda: " << path << " não tem o tópico " << context << '\n';
            return false;
        }
    }
    out << "Arquivo de ajuda: " << path << " (" << topics.size() << " tópicos)\n";
    return true;
}

// The example, and the advice the rule base found gives for it.
bool CheckExampleAndRuleBase(const Session& session, std::ostream& out) {
    const std::string ruleBase = RuleBasePath(session);
    if (ruleBase.empty()) {
        out << "Base de regras: " << kRuleBaseFileName << " não encontrada (procurada em "
            << FolderList(RuleBaseFolders()) << ")\n";
    } else {
        out << "Base de regras: " << ruleBase << '\n';
    }
    // Every consultation, the compiled-in rule base's too, runs in the helper.
    const std::string helper = FindAdvisorProgram();
    if (helper.empty()) {
        out << "Consultor das bases de regras: " << kAdvisorProgram << " não encontrado (procurado ao lado do programa e em "
            << kAdvisorInstallFolder << ")\n";
        return false;
    }
    out << "Consultor das bases de regras: " << helper << '\n';
    const std::string example = FindSupportFile(session, kExampleName);
    if (example.empty()) {
        out << "Exemplo: " << kExampleName << " não encontrado (procurado em " << SearchedFolders(session) << ")\n";
        return false;
    }
    out << "Exemplo: " << example << '\n';
    if (ruleBase.empty()) return false;
    try {
        auto record = std::make_unique<AnalysisRecord>();
        CalculateAll(*record, "Exemplo", "Macon", "", example);
        const Advice advice = AdviseWithRuleBase(*record, ruleBase);
        if (!advice.RuleBaseProblem.empty()) {
            out << "Recomendação: a base de regras não pôde ser usada: " << advice.RuleBaseProblem << '\n';
            return false;
        }
        out << "Recomendação para o exemplo: "
            << (advice.Recommended ? DistributionName(advice.Recommended) : std::string("nenhuma")) << '\n';
        return advice.Recommended != 0;
    } catch (const std::exception& e) {
        out << "Exemplo: o cálculo falhou: " << e.what() << '\n';
        return false;
    }
}

}  // namespace

QString QtTranslationFile(const QLocale& locale) {
    QTranslator translator;
    if (!translator.load(locale, kQtCatalogue, QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return {};
    return translator.filePath();
}

QTranslator* InstallQtTranslations(const QLocale& locale) {
    auto* app = QCoreApplication::instance();
    if (!app) return nullptr;
    auto translator = std::make_unique<QTranslator>(app);
    if (!translator->load(locale, kQtCatalogue, QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator.release();
}

void SetDesktopIdentity() {
    QGuiApplication::setDesktopFileName(kDesktopName);
    // The installed icon (share/icons/hicolor); a program run from its build
    // folder has none and keeps the toolkit's default.
    const QIcon icon = QIcon::fromTheme(kIconName);
    if (!icon.isNull()) QGuiApplication::setWindowIcon(icon);
}

int RunInstallCheck(std::ostream& out, const std::string& ruleBase) {
    const Session session{FileSystemPath(QDir::currentPath()), ruleBase};
    out << "ZARN - verificação da instalação\n";
    out << "Pasta de início: " << session.StartupDir << '\n';
    const bool help = CheckHelpFile(session, out);
    const bool advice = CheckExampleAndRuleBase(session, out);
    const QLocale locale = QLocale::system();
    const QString translation = QtTranslationFile(locale);
    out << "Traduções do Qt (" << Utf8(locale.name()) << "): "
        << (translation.isEmpty() ? std::string("nenhuma; os diálogos do Qt ficam em inglês") : Utf8(translation))
        << '\n';
    const bool complete = help && advice;
    out << (complete ? "Instalação completa.\n" : "Instalação incompleta.\n");
    return complete ? 0 : 1;
}

bool TakeRulesOption(int& argc, char** argv, std::string& ruleBase) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) != kRulesOption) continue;
        if (i + 1 >= argc) return false;
        ruleBase = argv[i + 1];
        for (int k = i; k + 2 <= argc; ++k) argv[k] = argv[k + 2];
        argc -= 2;
        --i;
    }
    return true;
}

}  // namespace zarn
