// SPDX-License-Identifier: GPL-3.0-or-later
// The window "Análise regional": the stations of a region (a folder, several
// files or a list), their names and drainage areas in an editable table, the
// simulations' options; then the regional analysis under a progress dialog
// with "Cancelar", its tables, the L-moment ratio diagram of the region, the
// growth curve on probability paper with its band, the advice of the rule
// base and the ungauged-site box. The analysis is regional/regional.h; the
// report, CSV and chart points are views/regionallines.h.
#pragma once

#include <functional>
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
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QVBoxLayout;

namespace zarn {

class ChartExport;

// Writes the regional study as a PDF (the study's floor gives it to the
// window): the path, the result, the input that names the region, the
// advice; returns the pages written, throws ZarnError when it cannot write.
using RegionalStudyWriter = std::function<int(const QString&, const RegionalResult&, const std::string&,
                                              const std::vector<std::string>&)>;

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
    void EstudoClick();  // "Relatório do estudo (PDF)..."
    void SetStudyWriter(RegionalStudyWriter writer);

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
    QLabel* Origem() const { return origem_; }
    QPushButton* Salvar() const { return salvar_; }
    QPushButton* Estudo() const { return estudo_; }
    // True when sites, areas or options changed since the results shown were calculated.
    bool Desatualizado() const { return stale_; }
    QChart* Diagrama() const { return diagrama_; }
    QChart* Crescimento() const { return crescimento_; }

protected:
    // The region is not the project's analysis: a new analysis changes nothing here.
    void Refresh() override {}

private:
    void BuildInput(QGridLayout* grid);
    void BuildOptions(QGridLayout* grid);
    void BuildFooter(QVBoxLayout* layout);
    // Any edit of the sites, areas or options: the results shown no longer
    // belong to the input, and Salvar, Imprimir and Estimar wait for Calcular.
    void MarcarDesatualizado();
    bool Recusa();  // true (with a notice) when there is no current result
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
    QPushButton* estimar_;
    QPushButton* salvar_;
    QPushButton* imprimir_;
    QPushButton* estudo_;
    RegionalStudyWriter studyWriter_;
    QLabel* origem_;  // which input the results belong to

    std::string input_;        // what names the region in the table
    std::string resultInput_;  // what names the region of the results (the report's)
    bool stale_ = false;
    std::vector<RegionEntry> given_;  // the table's rows as read (a table of L-moments keeps them)
    std::vector<std::string> warnings_;
    std::vector<std::string> advice_;
    std::optional<RegionalResult> result_;
};

}  // namespace zarn
