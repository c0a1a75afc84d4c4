// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/chartwindow.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QValueAxis>

#include "dialogs/chartexport.h"
#include "views/frequencychart.h"

namespace zarn {

namespace {

// The smallest size of the chart windows; they can be resized and maximised.
constexpr int kSmallestWidth = 640;
constexpr int kSmallestHeight = 420;

// A normal window (title-bar buttons, resizable) instead of the chain's
// fixed dialogs.
void MakeResizable(QDialog* window, int width, int height) {
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    window->setMinimumSize(kSmallestWidth, kSmallestHeight);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window->resize(width, height);
}

QChartView* MakeView(QWidget* parent, QChart* chart) {
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setMargins(QMargins(6, 6, 6, 6));
    chart->setLocalizeNumbers(true);
    QFont title = chart->titleFont();
    title.setBold(true);
    chart->setTitleFont(title);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    view->setMinimumSize(360, 300);
    return view;
}

// The export commands in a tool bar above the chart and in its right-click menu.
QToolBar* MakeExportBar(QWidget* parent, ChartExport* exporter, QChartView* view, QMenu*& menu) {
    auto* bar = new QToolBar(parent);
    bar->setObjectName(QStringLiteral("Ferramentas"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QAction* action : exporter->Actions()) bar->addAction(action);
    menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("MenuGrafico"));
    exporter->AddTo(menu);
    PopUpOnRightClick(view, menu);
    return bar;
}

}  // namespace

QColor ChartColour(int index) {
    const Rgb c = DistributionColour(index);
    return QColor(c.R, c.G, c.B);
}

// Tick labels in the user's regional notation, without digit grouping.
QLocale RegionalTickNumbers() {
    QLocale regional;
    regional.setNumberOptions(regional.numberOptions() | QLocale::OmitGroupSeparator);
    return regional;
}

void ClearChart(QChart* chart) {
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
}

void AttachSeries(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

QScatterSeries* AddScatter(QChart* chart, QAbstractAxis* x, QAbstractAxis* y, QList<ChartKey::Entry>& key,
                           const QString& name, QScatterSeries::MarkerShape shape, double size, const QColor& fill,
                           const QColor& border) {
    auto* series = new QScatterSeries;
    series->setName(name);
    series->setMarkerShape(shape);
    series->setMarkerSize(size);
    series->setColor(fill);
    series->setBorderColor(border);
    ChartKey::Entry entry;
    entry.Text = name;
    entry.Marker = shape;
    entry.MarkerSize = size;
    entry.MarkerFill = fill;
    entry.MarkerBorder = border;
    key << entry;
    AttachSeries(chart, series, x, y);
    return series;
}

QString LabelFormat(int decimals) { return QStringLiteral("%.%1f").arg(decimals); }

// Ticks counted from zero, so that the tick at zero is zero itself (never
// a "-0.00" left by adding steps).
void SetLinearScale(QValueAxis* axis, const LinearScale& scale) {
    // A hair beyond the last tick, so that it is drawn although adding
    // the steps lands a rounding error past it.
    axis->setRange(scale.Low, scale.High + scale.Step * 1e-9);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(scale.Step);
    axis->setLabelFormat(LabelFormat(scale.Decimals));
}

// ---------------------------------------------------------------------------
// What the two chart windows share

ChartWindowBase::ChartWindowBase(Platform& platform, Document& document, QWidget* parent, const QString& caption,
                                 int width, int height)
    : ResultDialogBase(platform, document, parent, caption, width, height) {
    SetHelpContext(kChartHelpContext);
    MakeResizable(this, width, height);
}

void ChartWindowBase::MakeChart(const QString& title, const QString& exportName) {
    chart_ = new QChart;
    chart_->setTitle(title);
    key_ = new ChartKey(chart_);
    view_ = MakeView(this, chart_);
    view_->setObjectName(QStringLiteral("Grafico"));
    export_ = new ChartExport(platform(), document(), this, chart_, exportName);
    toolBar_ = MakeExportBar(this, export_, view_, chartMenu_);
}

void ChartWindowBase::AddCloseButton(QWidget* panel, QBoxLayout* layout) {
    fechar_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Fechar"), panel);
    fechar_->setObjectName(QStringLiteral("Fechar"));
    // Enter in a field of the panel applies it; it never presses Fechar.
    fechar_->setAutoDefault(false);
    fechar_->setDefault(false);
    layout->addWidget(fechar_, 0, Qt::AlignLeft);
    connect(fechar_, &QPushButton::clicked, this, [this] { Guarded([this] { FecharClick(); }); });
}

void ChartWindowBase::LayOut(QLayout* body) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    // The export commands, and the project the chart belongs to.
    auto* top = new QHBoxLayout;
    top->addWidget(toolBar_);
    top->addStretch();
    top->addWidget(MakeProjectLabel(this));
    layout->addLayout(top);
    layout->addLayout(body, 1);
}

void ChartWindowBase::ShowChart() {
    CentreOnScreen();
    if (isVisible()) raise();
    show();
    activateWindow();
}

}  // namespace zarn
