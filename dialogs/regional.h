// SPDX-License-Identifier: GPL-3.0-or-later
// The window "Análise regional": the stations of a region (a folder, several
// files or a list), their names and drainage areas in an editable table, the
// simulations' options; then the regional analysis under a progress dialog
// with "Cancelar", its tables, the L-moment ratio diagram of the region, the
// growth curve on probability paper with its band, the advice of the rule
// base and the ungauged-site box. The analysis is regional/regional.h; the
// report, CSV and chart points are views/regionallines.h.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "regional/regionsites.h"
#include "dialogs/resultdialogs.h"

class QChart;
class QChartView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

namespace zarn {

class ChartExport;

// Help topic of the window.
constexpr int kRegionalHelpContext = 121;

class TRegional : public ResultDialogBase {
    Q_OBJECT
public:
    TRegional(Platform& platform, Document& document, QWidget* parent = nullptr);
    void Exibir();

    // The commands, also for the tests.
    void PastaClick();
    void ArquivosClick();
    void ListaClick();
    void RemoverClick();
    void VisualizarClick();
    void CalcularClick();
    void EstimarClick();
    void SalvarClick();
    void ImprimirClick();

    // The stations in the table, with the names and areas as edited.
    std::vector<RegionEntry> Entries() const;
    void SetEntries(const std::vector<RegionEntry>& entries);
    RegionOptions Options() const;
    const std::optional<RegionalResult>& Result() const { return result_; }

    QTableWidget* Postos() const { return postos_; }
    QSpinBox* NSim() const { return nsim_; }
    QSpinBox* NRep() const { return nrep_; }
    QTabWidget* Abas() const { return abas_; }
    QTableWidget* Sitios() const { return sitios_; }
    QPlainTextEdit* Relatorio() const { return relatorio_; }
    QLineEdit* Area() const { return area_; }
    QLabel* SemDados() const { return semDados_; }
    QChart* Diagrama() const { return diagrama_; }
    QChart* Crescimento() const { return crescimento_; }

protected:
    // The region is not the project's analysis: a new analysis changes nothing here.
    void Refresh() override {}

private:
    void Mostrar();
    void FillDiagram();
    void FillGrowthChart();

    QTableWidget* postos_;
    QSpinBox* nsim_;
    QSpinBox* nrep_;
    QSpinBox* semente_;
    QComboBox* precisao_;
    QDoubleSpinBox* correlacao_;
    QTabWidget* abas_;
    QTableWidget* sitios_;
    QTableWidget* curvas_;
    QPlainTextEdit* testes_;
    QPlainTextEdit* conselhos_;
    QPlainTextEdit* relatorio_;
    QChart* diagrama_;
    QChart* crescimento_;
    ChartExport* exportDiagrama_;
    ChartExport* exportCrescimento_;
    QLineEdit* area_;
    QLabel* semDados_;
    QPushButton* calcular_;
    QPushButton* fechar_;

    std::string input_;  // what names the region in the report
    std::vector<std::string> warnings_;
    std::vector<std::string> advice_;
    std::optional<RegionalResult> result_;
};

}  // namespace zarn
