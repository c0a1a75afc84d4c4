// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/windows.h"

#include "app/desktop.h"
#include "app/novoproj.h"
#include "dialogs/b17cwindow.h"
#include "dialogs/chartwindows.h"
#include "dialogs/intervalwindow.h"
#include "dialogs/recomendacao.h"
#include "dialogs/regional.h"
#include "dialogs/resultdialogs.h"
#include "study/regionalpdf.h"

namespace zarn {

ProgramWindows BuildWindows(Platform& platform, Document& document) {
    ProgramWindows w;
    // The seven windows of the start-up, created once in this order.
    w.Desktop = new TDesktop(platform, document);
    w.NovoProj = new TNovoProj(platform, document.session(), w.Desktop);
    w.Estatisticas = new TEstatisticas(platform, document, w.Desktop);
    w.TesteDLG = new TTesteDLG(platform, document, w.Desktop);
    w.ParaDLG = new TParaDLG(platform, document, w.Desktop);
    w.Result = new Tresult(platform, document, w.Desktop);
    w.Recomendacao = new TRecomendacao(platform, document, w.Desktop);
    w.Desktop->SetWindows(w.NovoProj, w.Estatisticas, w.TesteDLG, w.ParaDLG, w.Result);
    w.Desktop->SetRecomendacao(w.Recomendacao);
    LinkResultDialogs(w.Estatisticas, w.TesteDLG, w.ParaDLG, w.Result);
    LinkRecomendacao(w.Result, w.Recomendacao);

    // The windows beyond the chain, reached from "Ferramentas".
    w.Intervalos = new TIntervalos(platform, document, w.Desktop);
    TIntervalos* intervalos = w.Intervalos;
    w.Desktop->AddTool(QStringLiteral("&Intervalos de confiança"), [intervalos] { intervalos->Exibir(); });
    w.Frequencia = new TFrequencia(platform, document, w.Desktop);
    w.Diagrama = new TDiagramaMomentos(platform, document, w.Desktop);
    w.Desktop->SetChartWindows(w.Frequencia, w.Diagrama);
    // The regional analysis needs no project: always enabled, with a toolbar button.
    w.Regional = new TRegional(platform, document, w.Desktop);
    TRegional* regional = w.Regional;
    regional->SetStudyWriter(&WriteRegionalStudy);
    w.Desktop->AddRegionalTool(QStringLiteral("Análise &regional"), [regional] { regional->Exibir(); });

    // Bulletin 17C over the project's flood record (Projeto > Análise B17C...).
    w.AnaliseB17c = new TAnaliseB17c(platform, document, w.Desktop);
    w.Desktop->SetAnaliseB17c(w.AnaliseB17c);

    // Not modified, the start-up folder, help files, initial folders.
    StartSession(*w.Desktop, *w.NovoProj);
    return w;
}

}  // namespace zarn
