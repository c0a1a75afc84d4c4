// SPDX-License-Identifier: GPL-3.0-or-later
// The "Análise B17C" window (Projeto > Análise B17C): the log-Pearson III
// fit of Bulletin 17C (England et al. 2018) by the Expected Moments
// Algorithm over the project's flood record with its historical and
// censored years. Options on the left (low-outlier test, skew, confidence
// level), the moments and the quantile table with its limits, and the chart
// on log-probability paper: the years at their Hirsch-Stedinger plotting
// positions, intervals as bars, perception thresholds as shaded bands, the
// fitted curve and its confidence limits. The record and the options belong
// to the project (its side file, b17cproject.h); changing them marks the
// project modified. `Preencher` fills it hidden (the study's chart).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/b17cproject.h"
#include "dialogs/chartwindows.h"
#include "views/b17cview.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zarn {

class TInformacaoHistorica;

// The rule base's facts of the document's Bulletin 17C analysis (B17cFacts);
// none without a flood record or when the analysis fails.
std::vector<std::string> ProjectB17cFacts(const Document& document);

class TAnaliseB17c : public ChartWindowBase {
    Q_OBJECT
public:
    TAnaliseB17c(Platform& platform, Document& document, QWidget* parent = nullptr);
    void Exibir() override;
    // The project's record and options into the controls, the analysis, the
    // tables and the chart; nothing shown.
    void Preencher();

    // Reads the options, keeps them in the project when they changed, and
    // analyses again; a value that cannot be read is named in a notice.
    void CalcularClick();
    // Edits the record in the "Informação histórica" window; an accepted
    // record is kept in the project and analysed (true).
    bool InformacaoHistoricaClick();

    const B17cProject& Projeto() const { return project_; }
    // The last analysis; empty before the first or without a record.
    const std::optional<B17cResult>& Resultado() const { return result_; }
    const B17cChartData& Dados() const { return data_; }

    QComboBox* Atipicos() const { return atipicos_; }
    QLineEdit* LimiarAtipicos() const { return limiarAtipicos_; }
    QComboBox* Assimetria() const { return assimetria_; }
    QLineEdit* AssimetriaRegional() const { return regional_; }
    QLineEdit* ErroPadrao() const { return erroPadrao_; }
    QComboBox* Confianca() const { return confianca_; }
    QPushButton* Historica() const { return historica_; }
    QPushButton* Calcular() const { return calcular_; }
    QTableWidget* Resumo() const { return resumo_; }
    QTableWidget* Quantis() const { return quantis_; }
    QLabel* Aviso() const { return aviso_; }
    // The editor, created on first use.
    TInformacaoHistorica* Editor();

protected:
    void Refresh() override { Preencher(); }

private:
    void MostrarOpcoes(const B17cOptions& o);
    bool LerOpcoes(B17cOptions& o);
    void Analisar();
    void Desenhar();
    void PreencherTabelas();
    void HabilitarCampos();
    // Keeps `project` in the document's settings and marks it modified when it changed.
    void Guardar(const B17cProject& project);

    B17cProject project_;
    std::optional<B17cResult> result_;
    B17cChartData data_;
    QComboBox* atipicos_;
    QLineEdit* limiarAtipicos_;
    QComboBox* assimetria_;
    QLineEdit* regional_;
    QLineEdit* erroPadrao_;
    QComboBox* confianca_;
    QPushButton* historica_;
    QPushButton* calcular_;
    QTableWidget* resumo_;
    QTableWidget* quantis_;
    QLabel* aviso_;
    TInformacaoHistorica* editor_ = nullptr;
};

}  // namespace zarn
