// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows, built and wired in one place: the program and the
// screenshot tool start the same set. A new window of "Ferramentas" is a
// member here and a few lines in BuildWindows.
//
//   ProgramWindows   every window, the main window owning the others
//   BuildWindows     creates them in start-up order over one Document, links
//                    the chain of results and the tools, and starts the session
#pragma once

#include "platform/document.h"
#include "platform/platform.h"

namespace zarn {

class TDesktop;
class TNovoProj;
class TEstatisticas;
class TTesteDLG;
class TParaDLG;
class Tresult;
class TRecomendacao;
class TIntervalos;
class TFrequencia;
class TDiagramaMomentos;
class TRegional;
class TAnaliseB17c;

struct ProgramWindows {
    TDesktop* Desktop = nullptr;
    TNovoProj* NovoProj = nullptr;
    TEstatisticas* Estatisticas = nullptr;
    TTesteDLG* TesteDLG = nullptr;
    TParaDLG* ParaDLG = nullptr;
    Tresult* Result = nullptr;
    TRecomendacao* Recomendacao = nullptr;
    TIntervalos* Intervalos = nullptr;
    TFrequencia* Frequencia = nullptr;
    TDiagramaMomentos* Diagrama = nullptr;
    TRegional* Regional = nullptr;
    TAnaliseB17c* AnaliseB17c = nullptr;
};

// Only the main window is left to show; the others belong to it and end
// with it. StartSession runs last, in the current directory.
ProgramWindows BuildWindows(Platform& platform, Document& document);

}  // namespace zarn
