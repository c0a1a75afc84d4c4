// SPDX-License-Identifier: GPL-3.0-or-later
// ZARN: frequency analysis of annual maximum hydrological events.
#include <QDir>
#include <QTimer>
#include <iostream>
#include <string>
#include <string_view>

#include "app/application.h"
#include "app/desktop.h"
#include "app/headless.h"
#include "app/installation.h"
#include "app/qtplatform.h"
#include "app/windows.h"
#include "zarn/about.h"

int main(int argc, char* argv[]) {
    std::string ruleBase;
    if (!zarn::TakeRulesOption(argc, argv, ruleBase)) {
        std::cerr << "zarn: --rules precisa do caminho de uma base de regras\n";
        return 2;
    }
    // The answers that need no display.
    const std::string_view first = argc == 2 ? argv[1] : "";
    if (first == zarn::kCheckInstallOption) return zarn::RunInstallCheck(std::cout, ruleBase);
    if (first == "--help" || first == "-h") return std::cout << zarn::kProgramUsage ? 0 : 1;
    if (first == "--version") return std::cout << zarn::VersionText("zarn") ? 0 : 1;
    if (!zarn::DisplayAvailable()) return zarn::RunWithoutDisplay(argv[0], std::cout, std::cerr);

    zarn::QtPlatform platform;
    zarn::ZarnApplication app(argc, argv, platform);
    const zarn::StartArguments start = zarn::ParseStartArguments(app.arguments());
    if (!start.Error.isEmpty()) {
        std::cerr << "zarn: " << start.Error.toStdString() << '\n' << zarn::kProgramUsage;
        return 2;
    }
    // Qt's own dialogs in the user's language; the menu entry and icon.
    zarn::InstallQtTranslations();
    zarn::SetDesktopIdentity();

    // The program's one session and document; every window is handed the
    // document, as it is handed the platform.
    zarn::Session session;
    session.RuleBase = ruleBase;
    zarn::Document document(session);
    const zarn::ProgramWindows windows = zarn::BuildWindows(platform, document);
    windows.Desktop->setAttribute(Qt::WA_DeleteOnClose);

    windows.Desktop->show();
    // A project named on the command line (the menu entry's %f) opens once
    // the main window is up, as Projeto > Abrir would open it.
    if (!start.Project.isEmpty())
        QTimer::singleShot(0, windows.Desktop, [&platform, desktop = windows.Desktop, project = start.Project] {
            zarn::OpenProjectAtStart(platform, *desktop, project);
        });
    return app.exec();
}
