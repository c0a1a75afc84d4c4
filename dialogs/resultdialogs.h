// SPDX-License-Identifier: GPL-3.0-or-later
// The four result windows of the chain: descriptive statistics, the
// non-parametric tests, the parameters with the probability plot, and the
// calculation report. Each is created once, hidden, and reused; `Exibir`
// rebuilds it from the Document and shows it without blocking; an open
// window fills itself again when the document's analysis is replaced. The
// next and back buttons hide a window and call `Exibir` of its neighbour
// (LinkResultDialogs wires the chain). Every box, file dialog, help topic
// and program start goes through the Platform.
#pragma once

#include <QDialog>
#include <QString>
#include <exception>

#include "platform/document.h"
#include "views/lines.h"

class QChart;
class QBarSeries;
class QBarCategoryAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class QLogValueAxis;
class QChartView;
class QPlainTextEdit;
class QPushButton;
class QMenu;
class QKeyEvent;
class QLabel;
class QToolButton;

namespace zarn {

class Platform;
class ChartExport;
class TEstatisticas;
class TTesteDLG;
class TParaDLG;
class Tresult;
class TRecomendacao;

// Help topic of every result window.
constexpr int kResultHelpContext = 107;

// The decimal separator of the user's regional settings, as Fixed4 takes it.
char RegionalDecimalSeparator();

// The study of the document's project: its return periods (the report's
// seven unless the project has its own) and the years without flow set aside.
std::vector<double> StudyReturnPeriods(const Document& document);
ZeroYears StudyZeroYears(const Document& document);
// The project a window shows, by its title and place: "Projeto: Tees - Dent
// Bank"; "Projeto sem título" when both are empty.
QString ProjectName(const AnalysisRecord& r);

// What the four windows have in common: fixed client size, no title-bar
// buttons, F1 opens help topic 107, and no error of a command reaches Qt's
// event loop (it goes to Platform::ShowError).
class ResultDialogBase : public QDialog {
    Q_OBJECT
public:
    int HelpContext() const { return helpContext_; }
    Platform& platform() const { return platform_; }
    Document& document() const { return document_; }
    // Fills the window from the document and shows it without blocking.
    virtual void Exibir() = 0;

protected:
    ResultDialogBase(Platform& platform, Document& document, QWidget* parent, const QString& caption, int width,
                     int height);
    void keyPressEvent(QKeyEvent* event) override;
    // Help topic 107 (or the one set) of "ajuda.hlp" (HelpFilePath: the start-up folder
    // first); a notice when it cannot be shown.
    void ShowHelp();
    void SetHelpContext(int context) { helpContext_ = context; }
    // Fills the open window again from the document's new analysis (called
    // when the document says its analysis was replaced, only while shown).
    // A simulation the user declined for that analysis is not asked again.
    virtual void Refresh() = 0;
    // True while Refresh runs: a simulation the user declined is not asked again.
    bool Refreshing() const { return refreshing_; }
    // Runs one command; a ZarnError or std::exception goes to the error box.
    template <class F>
    void Guarded(F&& command) {
        try {
            command();
        } catch (const std::exception& e) {
            ShowError(e);
        }
    }
    // Replaces the text box's content by `lines` (UTF-8).
    static void SetLines(QPlainTextEdit* texto, const std::vector<std::string>& lines);
    // Centres the window on the screen the first time it is shown.
    void CentreOnScreen();
    // Shows the window without blocking, with `focused` holding the focus.
    void ShowModeless(QPushButton* focused);
    // A label naming the document's project (ProjectName), kept up to date;
    // the window places it.
    QLabel* MakeProjectLabel(QWidget* parent);

private:
    void ShowError(const std::exception& e);

    Platform& platform_;
    Document& document_;
    QLabel* projectLabel_ = nullptr;
    bool refreshing_ = false;
    bool centred_ = false;
    int helpContext_ = kResultHelpContext;
};

// What the three chained windows with a chart share: the text box and the
// chart beside it, the chart's export commands (a button beside "Fechar" and
// the chart's right-click menu), and the buttons Fechar, Voltar (not on the
// first) and Avancar, which hide the window and show its neighbour.
class ChainWindowBase : public ResultDialogBase {
    Q_OBJECT
public:
    void SetNeighbours(ResultDialogBase* back, ResultDialogBase* next) {
        back_ = back;
        next_ = next;
    }

    QPlainTextEdit* Texto() const { return texto_; }
    QPushButton* Fechar() const { return fechar_; }
    QPushButton* Voltar() const { return voltar_; }  // null on the first window
    QPushButton* Avancar() const { return avancar_; }
    ChartExport* Exportacao() const { return export_; }
    QToolButton* Exportar() const { return exportar_; }
    QMenu* MenuGrafico() const { return chartMenu_; }

    void FecharClick() { hide(); }
    void VoltarClick();
    void AvancarClick();

protected:
    ChainWindowBase(Platform& platform, Document& document, QWidget* parent, const QString& caption, int width,
                    int height, bool hasBack);
    // The chart in a view at `geometry` named `viewName`, with its export
    // commands (files named `exportName`); `menu` is the chart's right-click
    // menu (null: one of its own), the commands added after a separator.
    // Then the buttons, which follow the chart in the focus chain.
    void MakeChartPanel(QChart* chart, const QRect& geometry, const char* viewName, const QString& exportName,
                        QMenu* menu);
    // Shows the window with Avancar holding the focus.
    void Show() { ShowModeless(avancar_); }

    QPlainTextEdit* texto_ = nullptr;
    QChart* chart_ = nullptr;
    QChartView* view_ = nullptr;
    ChartExport* export_ = nullptr;
    QToolButton* exportar_ = nullptr;
    QMenu* chartMenu_ = nullptr;

private:
    bool hasBack_;
    QPushButton* fechar_ = nullptr;
    QPushButton* voltar_ = nullptr;
    QPushButton* avancar_ = nullptr;
    ResultDialogBase* back_ = nullptr;
    ResultDialogBase* next_ = nullptr;
};

class TEstatisticas : public ChainWindowBase {
    Q_OBJECT
public:
    TEstatisticas(Platform& platform, Document& document, QWidget* parent = nullptr);
    void Exibir() override;
    // Refills the text and the chart without showing the window.
    void Preencher();
    // Empties the bar series and adds one bar per class (class centre, relative frequency).
    void EntrarXY(const ChartPoints& classes);

    QChart* EstatGraf() const { return chart_; }
    QBarSeries* Series1() const { return series_; }

protected:
    void Refresh() override { Preencher(); }

private:
    QBarSeries* series_;
    QBarCategoryAxis* axisX_;
    QValueAxis* axisY_;
};

class TTesteDLG : public ChainWindowBase {
    Q_OBJECT
public:
    TTesteDLG(Platform& platform, Document& document, QWidget* parent = nullptr);
    void Exibir() override;
    // Refills the text and the chart without showing the window.
    void Preencher();
    // Replaces the chart's points by (i, x_i), i = 1..n.
    void EntrarXY(const ChartPoints& points);

    QChart* Chart1() const { return chart_; }
    QLineSeries* Series1() const { return series_; }

protected:
    void Refresh() override { Preencher(); }

private:
    QLineSeries* series_;
    QValueAxis* axisX_;
    QValueAxis* axisY_;
};

class TParaDLG : public ChainWindowBase {
    Q_OBJECT
public:
    TParaDLG(Platform& platform, Document& document, QWidget* parent = nullptr);
    void Exibir() override;
    // Refills the text and the chart without showing the window.
    void Preencher();
    // Stores `index` in PlotDistribution and draws the probability plot of
    // the record's sample against distribution `index`, with its 90 %
    // confidence band when the simulations of the analysis are at hand (an
    // opened project simulates again, once per showing, unless cancelled).
    void EntrarXY(int index);

    QChart* Chart1() const { return chart_; }
    QScatterSeries* Series1() const { return observed_; }
    QScatterSeries* Series2() const { return expected_; }
    // The lower and upper 90 % confidence limits; one legend entry.
    QLineSeries* BandaInferior() const { return bandLower_; }
    QLineSeries* BandaSuperior() const { return bandUpper_; }
    // The eight distributions, then a separator and the export commands.
    QMenu* Distribuicoes() const { return chartMenu_; }

protected:
    void Refresh() override { Preencher(); }

private:
    QScatterSeries* observed_;
    QScatterSeries* expected_;
    QLineSeries* bandLower_;
    QLineSeries* bandUpper_;
    QValueAxis* axisX_;
    QLogValueAxis* axisY_;
    // False once the user cancelled simulating an opened project during
    // this showing: the other distributions are then drawn without a band.
    bool bandWanted_ = true;
};

class Tresult : public ResultDialogBase {
    Q_OBJECT
public:
    Tresult(Platform& platform, Document& document, QWidget* parent = nullptr);
    void Exibir() override;
    // Fills the memo with the report without showing the window; a quantile
    // that raises an arithmetic fault ends it there (the error is thrown).
    void Preencher();
    void SetBack(ResultDialogBase* back) { back_ = back; }
    void SetNext(TRecomendacao* next) { next_ = next; }

    QPlainTextEdit* Texto() const { return texto_; }
    QPushButton* Fechar() const { return fechar_; }
    QPushButton* Salvar() const { return salvar_; }
    QPushButton* Imprimir() const { return imprimir_; }
    QPushButton* Voltar() const { return voltar_; }
    QPushButton* Avancar() const { return avancar_; }

    void FecharClick();
    void SalvarClick();
    // The report through the print dialog (a printer or a PDF file).
    void ImprimirClick();
    void VoltarClick();
    // Writes the fact file in the start-up folder and starts the rule engine, then
    // opens the advice (also when the fact file could not be written, whose
    // error is then shown); the window stays open.
    void AvancarClick();

protected:
    void Refresh() override { Preencher(); }

private:
    QPlainTextEdit* texto_;
    QPushButton* fechar_;
    QPushButton* salvar_;
    QPushButton* imprimir_;
    QPushButton* voltar_;
    QPushButton* avancar_;
    ResultDialogBase* back_ = nullptr;
    TRecomendacao* next_ = nullptr;
};

// Wires the next and back buttons of the chain statistics -> tests ->
// parameters -> report.
void LinkResultDialogs(TEstatisticas* estatisticas, TTesteDLG* testes, TParaDLG* parametros, Tresult* resultado);

}  // namespace zarn
