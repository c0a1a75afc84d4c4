// SPDX-License-Identifier: GPL-3.0-or-later
// The L-moment ratio diagram window (TDiagramaMomentos).
#pragma once

#include "dialogs/chartwindow.h"
#include "views/ratiodiagram.h"

class QLabel;
class QPlainTextEdit;

namespace zarn {

class TDiagramaMomentos : public ChartWindowBase {
    Q_OBJECT
public:
    TDiagramaMomentos(Platform& platform, Document& document, QWidget* parent = nullptr);
    void Exibir() override;
    void Preencher();

    const RatioDiagramData& Dados() const { return data_; }
    // The closest families, in bold above the numbers.
    QLabel* Resumo() const { return resumo_; }
    QPlainTextEdit* Texto() const { return texto_; }

protected:
    void Refresh() override { Preencher(); }

private:
    QLabel* resumo_;
    QPlainTextEdit* texto_;
    RatioDiagramData data_;
};

}  // namespace zarn
