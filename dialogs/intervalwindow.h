// SPDX-License-Identifier: GPL-3.0-or-later
// The window of the quantiles with their 90 % confidence limits, for the
// eight distributions (Ferramentas > Intervalos de confiança). An opened
// project simulates again first, under a progress dialog. "Salvar" writes
// the table as CSV with the separator the user picks (";" with decimal
// commas, as spreadsheets in Brazil expect, or "," with points).
#pragma once

#include <QDialog>
#include <vector>

#include "views/intervaltable.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QKeyEvent;

namespace zarn {

class Document;
class Platform;

// Help topic of the intervals window.
constexpr int kIntervalHelpContext = 109;

class TIntervalos : public QDialog {
    Q_OBJECT
public:
    TIntervalos(Platform& platform, Document& document, QWidget* parent = nullptr);
    // Refills the table from the document's record and simulations
    // (simulating an opened project first) and shows the window; nothing
    // when cancelled. An open window refills itself when the analysis is
    // replaced (and closes when its simulations are declined).
    void Exibir();

    QTableWidget* Tabela() const { return tabela_; }
    QComboBox* Separador() const { return separador_; }
    QPushButton* Salvar() const { return salvar_; }
    QPushButton* Fechar() const { return fechar_; }

    void SalvarClick();
    void FecharClick() { hide(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // False when the simulations were declined (askAgain false: not asked
    // again once declined for this analysis).
    bool Preencher(bool askAgain);

    Platform& platform_;
    Document& document_;
    // What the table shows: the rows and the title of their analysis.
    std::vector<IntervalRow> rows_;
    QString title_;
    QLabel* projeto_;  // the project the table belongs to
    QLabel* nota_;
    QTableWidget* tabela_;
    QComboBox* separador_;
    QPushButton* salvar_;
    QPushButton* fechar_;
};

}  // namespace zarn
