// ZARN: frequency analysis of annual maximum hydrological events.
#include <QDir>
#include <iostream>
#include <string_view>

#include "app/application.h"
#include "app/desktop.h"
#include "app/headless.h"
#include "app/installation.h"
#include "app/novoproj.h"
#include "app/qtplatform.h"
#include "dialogs/intervalwindow.h"
#include "dialogs/recomendacao.h"
#include "dialogs/chartwindows.h"
#include "dialogs/regional.h"
#include "dialogs/resultdialogs.h"

int main(int argc, char* argv[]) {
    if (argc == 2 && std::string_view(argv[1]) == zarn::kCheckInstallOption) return zarn::RunInstallCheck(std::cout);
    if (!zarn::DisplayAvailable()) return zarn::RunWithoutDisplay(argv[0], std::cout, std::cerr);

    zarn::QtPlatform platform;
    zarn::ZarnApplication app(argc, argv, platform);
    // Qt's own dialogs in the user's language; the menu entry and icon.
    zarn::InstallQtTranslations();
    zarn::SetDesktopIdentity();

    // The seven windows, created once in this order; only the main window is
    // shown. The others belong to it and end with it.
    auto* desktop = new zarn::TDesktop(platform);
    desktop->setAttribute(Qt::WA_DeleteOnClose);
    auto* novoProj = new zarn::TNovoProj(platform, desktop);
    auto* estatisticas = new zarn::TEstatisticas(platform, desktop);
    auto* testeDLG = new zarn::TTesteDLG(platform, desktop);
    auto* paraDLG = new zarn::TParaDLG(platform, desktop);
    auto* result = new zarn::Tresult(platform, desktop);
    auto* recomendacao = new zarn::TRecomendacao(platform, desktop);
    desktop->SetWindows(novoProj, estatisticas, testeDLG, paraDLG, result);
    desktop->SetRecomendacao(recomendacao);
    zarn::LinkResultDialogs(estatisticas, testeDLG, paraDLG, result);
    // The windows beyond the chain, reached from "Ferramentas".
    auto* intervalos = new zarn::TIntervalos(platform, desktop);
    desktop->AddTool(QStringLiteral("Intervalos de confiança"), [intervalos] { intervalos->Exibir(); });
    // The regional analysis needs no project: always enabled, with a toolbar button.
    auto* regional = new zarn::TRegional(platform, desktop);
    desktop->AddRegionalTool(QStringLiteral("Análise regional"), [regional] { regional->Exibir(); });
    zarn::LinkRecomendacao(result, recomendacao);
    // The chart windows of "Ferramentas", created after the six.
    desktop->SetChartWindows(new zarn::TFrequencia(platform, desktop), new zarn::TDiagramaMomentos(platform, desktop));

    // ProjectModified, StartupDir, help files, initial folders.
    zarn::StartSession(*desktop, *novoProj);

    desktop->show();
    return app.exec();
}
