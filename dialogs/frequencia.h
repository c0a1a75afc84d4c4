// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency chart window (TFrequencia): the fitted curves on
// probability paper with the observed values, a 90 % band and the bounds.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/chartwindow.h"
#include "views/frequencychart.h"

class QAbstractAxis;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace zarn {

class TFrequencia : public ChartWindowBase {
    Q_OBJECT
public:
    TFrequencia(Platform& platform, Document& document, QWidget* parent = nullptr);
    void Exibir() override;
    void Preencher();
    // The distribution checked first for a new analysis and whose band is
    // drawn (the advisor's recommendation); 0 or none set: the distribution
    // with the highest probability-plot correlation R. Applied at once when
    // the window shows that analysis.
    void SetRecommended(int index);
    // The recommendation in force for the record (1..8).
    int Recommended() const;

    // Reads the controls, saves the settings, and draws the chart again.
    void Desenhar();

    FrequencyChartOptions Opcoes() const;
    const FrequencyChartData& Dados() const { return data_; }

    QComboBox* Papel() const { return papel_; }
    QCheckBox* Distribuicao(int index) const { return checks_[index - 1]; }
    QComboBox* Intervalo() const { return intervalo_; }
    QComboBox* Posicao() const { return posicao_; }
    QCheckBox* Limites() const { return limites_; }
    QCheckBox* EscalaLog() const { return escalaLog_; }
    QLineEdit* Variavel() const { return variavel_; }
    QLineEdit* Unidade() const { return unidade_; }
    QLabel* Aviso() const { return aviso_; }

protected:
    // The new analysis's recommendation and curves.
    void Refresh() override;

private:
    // The checks and the band reset to the recommendation.
    void Recomendar();
    void LoadSettings();
    void SaveSettings() const;
    QString ValueTitle() const;
    // The value axis's label: the fields from the project (PreencherRotulo),
    // the typed text onto the axis and into the project (AplicarRotulo), and
    // into the project's settings file on Enter or leaving a field
    // (GuardarRotulo).
    void PreencherRotulo();
    // The chart drawn in parts: the axes, the band, the curves and bounds,
    // the points (observed values, dry years, the study's return periods).
    struct FrequencyAxes {
        QAbstractAxis* X = nullptr;
        QAbstractAxis* Y = nullptr;
        bool LogPaper = false;
        double Low = 0, High = 1;  // the value axis's range
    };
    FrequencyAxes DesenharEixos(const FrequencyChartOptions& options);
    void Linha(const FrequencyAxes& axes, const QString& name, const QPen& pen, const std::vector<FrequencyPoint>& points);
    void DesenharBanda(const FrequencyAxes& axes, int index, QList<ChartKey::Entry>& key);
    void DesenharCurvas(const FrequencyAxes& axes, QList<ChartKey::Entry>& key);
    void DesenharPontos(const FrequencyAxes& axes, QList<ChartKey::Entry>& key);
    void AplicarRotulo();
    void GuardarRotulo();

    QComboBox* papel_;
    std::array<QCheckBox*, kDistributionCount> checks_{};
    QComboBox* intervalo_;
    QComboBox* posicao_;
    QCheckBox* limites_;
    QCheckBox* escalaLog_;
    QLineEdit* variavel_;
    QLineEdit* unidade_;
    QLabel* aviso_;

    FrequencyChartData data_;
    QAbstractAxis* valueAxis_ = nullptr;  // the drawn chart's value axis
    std::uint64_t shownGeneration_ = ~std::uint64_t{0};  // the document's analysis the label was read for
    std::optional<std::string> savedVariable_, savedUnit_;  // as last written
    int recommended_ = 0;
    // The analysis the checks were set for: a new one resets them.
    int shownSize_ = -1;
    std::array<ParameterSet, kDistributionCount> shownParameters_{};
    bool bandWanted_ = true;
    bool filling_ = false;  // controls being set by the window itself
};

}  // namespace zarn
