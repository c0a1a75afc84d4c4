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
#pragma once

#include <QBrush>
#include <QFont>
#include <QMargins>
#include <QGraphicsItem>
#include <QList>
#include <QPen>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "views/frequencychart.h"
#include "views/ratiodiagram.h"
#include "views/keyplacement.h"
#include "dialogs/resultdialogs.h"

class QAbstractAxis;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QToolBar;

namespace zarn {

// Help topic of the chart windows.
constexpr int kChartHelpContext = 120;

// The key of the two charts: a sample of each series' line, fill or marker
// beside its name, over a white ground, in the first corner of the plot
// where it covers no point and no curve (PlaceKey), or else under the
// chart in as many columns as fit, the plot giving up the key's height. Its font and sizes follow the
// chart's width, so an exported chart keeps its key in proportion.
class ChartKey : public QGraphicsItem {
public:
    struct Entry {
        QString Text;
        QPen Line = QPen(Qt::NoPen);      // drawn across the sample when set
        QBrush Fill = QBrush(Qt::NoBrush);  // a band: a bar under the line
        int Marker = -1;                  // a QScatterSeries::MarkerShape, or none
        double MarkerSize = 0;
        QColor MarkerFill, MarkerBorder;
    };
    explicit ChartKey(QChart* chart);
    void SetEntries(QList<Entry> entries);
    QStringList Texts() const;
    // Finds the key's place again; runs whenever the plot area changes.
    void Place();
    // True when the key stands under the chart rather than inside the plot.
    bool Outside() const { return outsideHeight_ > 0; }
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    // Font and size at `scale` in columns_ columns.
    void Measure(double scale);
    KeyObstacles Obstacles(const QRectF& plot, const QRectF& base) const;
    void SetOutsideHeight(double height);
    int Rows() const;

    QChart* chart_;
    QList<Entry> entries_;
    QSizeF size_;
    QFont font_;
    double scale_ = 1.0;
    QMargins baseMargins_;
    double outsideHeight_ = 0;
    int columns_ = 1;
    double row_ = 0;  // height of a row
    std::vector<double> columnWidths_;
    bool placing_ = false;
};

// What the two chart windows share: a resizable window with the chart and
// its key, the export commands in a tool bar above the chart and in its
// right-click menu, and a Fechar button that hides the window.
class ChartWindowBase : public ResultDialogBase {
    Q_OBJECT
public:
    void FecharClick() { hide(); }

    QChart* Grafico() const { return chart_; }
    QMenu* MenuGrafico() const { return chartMenu_; }
    ChartKey* Legenda() const { return key_; }
    ChartExport* Exportacao() const { return export_; }
    QToolBar* Ferramentas() const { return toolBar_; }
    QPushButton* Fechar() const { return fechar_; }

protected:
    ChartWindowBase(Platform& platform, Document& document, QWidget* parent, const QString& caption, int width,
                    int height);
    // The chart titled `title` with its key, view and export commands
    // (`exportName` names the exported files). Called where the view is to
    // come in the focus chain.
    void MakeChart(const QString& title, const QString& exportName);
    // The Fechar button at the foot of `panel`'s layout.
    void AddCloseButton(QWidget* panel, QBoxLayout* layout);
    // The tool bar above `body`.
    void LayOut(QLayout* body);
    // Centred the first time, brought to the front, without blocking.
    void ShowChart();

    QChart* chart_ = nullptr;
    QChartView* view_ = nullptr;
    ChartKey* key_ = nullptr;
    ChartExport* export_ = nullptr;
    QMenu* chartMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QPushButton* fechar_ = nullptr;
};

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
