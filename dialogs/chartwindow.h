// SPDX-License-Identifier: GPL-3.0-or-later
// What the chart windows of "Ferramentas" share (ChartWindowBase), and the
// small pieces their charts are built from.
//
//   ChartColour          a fitted distribution's colour
//   RegionalTickNumbers  tick labels in the user's notation, without grouping
//   ClearChart           every series and axis removed and deleted
//   AttachSeries         a series added to the chart and bound to two axes
//   AddScatter           a scatter series with one marker and its key entry
//   SetLinearScale       a value axis on a LinearScale's round ticks
#pragma once

#include <QColor>
#include <QList>
#include <QLocale>
#include <QScatterSeries>
#include <QString>

#include "dialogs/chartkey.h"
#include "dialogs/resultdialogs.h"
#include "views/frequencychart.h"

class QAbstractAxis;
class QBoxLayout;
class QLayout;
class QToolBar;
class QValueAxis;

namespace zarn {

// Help topic of the chart windows.
constexpr int kChartHelpContext = 120;

// Width of the panel of controls (frequency chart) and of results (diagram).
inline constexpr int kPanelWidth = 230;
// Line width of the fitted curves.
inline constexpr double kCurveWidth = 2.0;

QColor ChartColour(int index);
QLocale RegionalTickNumbers();
void ClearChart(QChart* chart);
void AttachSeries(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y);
// A scatter series of points with one marker, attached to the axes, and its
// entry in the key; the caller puts the points in.
QScatterSeries* AddScatter(QChart* chart, QAbstractAxis* x, QAbstractAxis* y, QList<ChartKey::Entry>& key,
                           const QString& name, QScatterSeries::MarkerShape shape, double size, const QColor& fill,
                           const QColor& border);
QString LabelFormat(int decimals);
void SetLinearScale(QValueAxis* axis, const LinearScale& scale);

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

}  // namespace zarn
