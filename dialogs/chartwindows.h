// SPDX-License-Identifier: GPL-3.0-or-later
// The two chart windows of "Ferramentas" beside the chain of results: the
// frequency chart (the fitted curves on probability paper) and the L-moment
// ratio diagram. Each is created once and reused; `Exibir` rebuilds it from
// the Document and shows it without blocking (an open one follows the
// document when its analysis is replaced); `Preencher` rebuilds it
// without showing (the batch chart tool). Their charts are exported like
// the others (ChartExport). What a window remembers between runs (paper,
// plotting positions, axis texts) is kept in the chart settings
// (ChartSettings), never in the project file.
//
//   chartkey.h          the charts' key
//   chartwindow.h       what the two windows share
//   frequencia.h        the frequency chart (TFrequencia)
//   diagramamomentos.h  the L-moment ratio diagram (TDiagramaMomentos)
#pragma once

#include "dialogs/chartkey.h"
#include "dialogs/chartwindow.h"
#include "dialogs/diagramamomentos.h"
#include "dialogs/frequencia.h"
