// ZARN: frequency analysis of annual maximum hydrological events.
#include <QDir>
#include <iostream>
#include <string_view>

#include "app/application.h"
#include "app/desktop.h"
#include "app/headless.h"
#include "app/installation.h"
#include "app/qtplatform.h"
#include "app/windows.h"

int main(int argc, char* argv[]) {
    if (argc == 2 && std::string_view(argv[1]) == zarn::kCheckInstallOption) return zarn::RunInstallCheck(std::cout);
    if (!zarn::DisplayAvailable()) return zarn::RunWithoutDisplay(argv[0], std::cout, std::cerr);

    zarn::QtPlatform platform;
    zarn::ZarnApplication app(argc, argv, platform);
    // Qt's own dialogs in the user's language; the menu entry and icon.
    zarn::InstallQtTranslations();
    zarn::SetDesktopIdentity();

    // The program's one session and document; every window is handed the
    // document, as it is handed the platform.
    zarn::Session session;
    zarn::Document document(session);
    const zarn::ProgramWindows windows = zarn::BuildWindows(platform, document);
    windows.Desktop->setAttribute(Qt::WA_DeleteOnClose);

    windows.Desktop->show();
    return app.exec();
}
