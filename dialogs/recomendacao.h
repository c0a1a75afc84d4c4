// SPDX-License-Identifier: GPL-3.0-or-later
// The "Recomendação" window: the advisor's verdict on the analysis in memory.
// The cautions about the series (and a rule base that could not be used)
// open it, then the conclusion; the eight distributions in rank order with
// status, degree of fit, both memberships, |Z|, R and R90; their reasons (a
// row picked brings its reasons into view); and the recommended one's
// quantiles with their 90 % confidence limits. Reached by the report's next
// button and from "Ferramentas".
//
//   TRecomendacao        the window (created once, reused; Exibir consults anew)
//   LinkRecomendacao     the report's next button opens it, its back button
//                        returns to the report
#pragma once

#include <optional>

#include "dialogs/resultdialogs.h"
#include "rules/advicelines.h"
#include "rules/advisor.h"

class QAction;
class QLabel;
class QShowEvent;
class QTableWidget;
class QTextBrowser;

namespace zarn {

// Help topic of the window.
constexpr int kRecomendacaoHelpContext = 119;

class TRecomendacao : public ResultDialogBase {
    Q_OBJECT
public:
    TRecomendacao(Platform& platform, Document& document, QWidget* parent = nullptr);
    // Consults the rule base on the document's record, makes sure the simulations are in
    // memory (an opened project simulates again, with progress; cancelled:
    // no confidence limits), fills the window and shows it.
    void Exibir() override;
    void SetBack(Tresult* back) { back_ = back; }
    // The status line: why the external rule engine was not started ("" when it was).
    void SetLaunchNote(const QString& note);

    const Advice& Parecer() const { return advice_; }
    bool HasLimits() const { return limits_; }
    // The recommended distribution's quantiles at the study's return periods.
    const ReturnPeriodTable& TabelaDeQuantis() const { return table_; }
    QTextBrowser* Resumo() const { return resumo_; }
    QLabel* Conclusao() const { return conclusao_; }
    QTableWidget* Tabela() const { return tabela_; }
    QTextBrowser* Motivos() const { return motivos_; }
    QLabel* TituloQuantis() const { return tituloQuantis_; }
    QTableWidget* Quantis() const { return quantis_; }
    QLabel* BaseDeRegras() const { return baseDeRegras_; }
    QLabel* Estado() const { return estado_; }
    QPushButton* Fechar() const { return fechar_; }
    QPushButton* Salvar() const { return salvar_; }
    QPushButton* Imprimir() const { return imprimir_; }
    QPushButton* Voltar() const { return voltar_; }
    // Menu "Base de regras": another rule base file for the rest of the run,
    // or back to the one found (UserConfigDir, beside the program, installed).
    QAction* EscolherBase() const { return escolherBase_; }
    QAction* BaseEncontrada() const { return baseEncontrada_; }

    void FecharClick();
    void SalvarClick();
    // The advice's text through the print dialog (to paper or PDF).
    void ImprimirClick();
    void VoltarClick();
    void EscolherBaseClick();
    void BaseEncontradaClick();
    // Brings the reasons of the distribution in table row `row` into view.
    void TabelaSelecionada(int row);

protected:
    // Consults again for the new analysis, not asking to simulate once declined.
    void Refresh() override;
    // The cautions' box measured again in the fonts and width it is shown with.
    void showEvent(QShowEvent* event) override;

private:
    void Consultar(bool askAgain);
    void Preencher();
    // The cautions' box as tall as its text, up to a third of the window.
    void AjustarResumo();
    void PreencherTabela();
    void PreencherMotivos();
    void PreencherQuantis();

    QTextBrowser* resumo_;
    QLabel* conclusao_;
    QTableWidget* tabela_;
    QLabel* tituloMotivos_;
    QTextBrowser* motivos_;
    QLabel* tituloQuantis_;
    QTableWidget* quantis_;
    QLabel* notaQuantis_;
    QLabel* baseDeRegras_;
    QLabel* estado_;
    QPushButton* fechar_;
    QPushButton* salvar_;
    QPushButton* imprimir_;
    QPushButton* voltar_;
    QAction* escolherBase_;
    QAction* baseEncontrada_;
    Tresult* back_ = nullptr;

    Advice advice_;
    ReturnPeriodTable table_;
    bool limits_ = false;
    std::vector<std::string> lines_;  // the advice's text (UTF-8), as saved and printed
};

void LinkRecomendacao(Tresult* resultado, TRecomendacao* recomendacao);

}  // namespace zarn
