// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/chartwindows.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGraphicsLayout>
#include <QGroupBox>
#include <QGraphicsItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QSettings>
#include <QStyle>
#include <QToolBar>
#include <QValueAxis>
#include <QXYSeries>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "files/format.h"
#include "analysis/record.h"
#include "dialogs/chartexport.h"
#include "platform/platform.h"
#include "rules/advisor.h"
#include "platform/session.h"

namespace zarn {

namespace {

// First size of the two windows; they can be resized and maximised.
constexpr int kFrequencyWidth = 1000;
constexpr int kFrequencyHeight = 660;
constexpr int kDiagramWidth = 920;
constexpr int kDiagramHeight = 600;
constexpr int kSmallestWidth = 640;
constexpr int kSmallestHeight = 420;
// Width of the panel of controls (frequency chart) and of results (diagram).
constexpr int kPanelWidth = 230;
// Line widths of the fitted curves, the bounds and the band's edges.
constexpr double kCurveWidth = 2.0;
constexpr double kBoundWidth = 1.2;
constexpr double kBandEdgeWidth = 1.0;
// Opacity of the band's fill (0..255).
constexpr int kBandAlpha = 60;
constexpr double kObservedMarker = 7.0;
constexpr double kMarkedMarker = 7.0;  // the study's return periods on the curves
constexpr double kReferenceMarker = 11.0;
constexpr double kSampleMarker = 12.0;
// The key inside the plot: distance from the plot's edge, inner margin,
// width of the sample of each series and the gap before its name; room
// kept clear around it.
constexpr double kLegendInset = 8.0;
constexpr double kKeyPadding = 6.0;
constexpr double kKeySample = 30.0;
constexpr double kKeyGap = 6.0;
constexpr double kKeyClearance = 3.0;
// The key's font and sizes follow the chart's width, in proportion to a
// chart this wide (the frequency window's chart), within these factors: a
// chart exported at 30 cm gets a key in scale; a small one, laid out at
// 12 cm and drawn smaller, keeps a readable key.
constexpr double kKeyReferenceWidth = 760.0;
constexpr double kKeySmallestScale = 0.9;
constexpr double kKeyLargestScale = 1.6;
// A key under the chart takes at most this share of its height; a taller
// one is drawn smaller, in steps of this factor, down to the smallest scale.
constexpr double kKeyMostHeightShare = 0.4;
constexpr double kKeyShrinkStep = 0.9;
constexpr double kKeySmallestOutsideScale = 0.6;
// Above every series of the chart.
constexpr double kKeyZValue = 100.0;

const QString kDefaultVariable = QStringLiteral("Vazão máxima anual");
const QColor kObservedColour(40, 40, 40);

QColor Colour(int index) {
    const Rgb c = DistributionColour(index);
    return QColor(c.R, c.G, c.B);
}

// Tick labels in the user's regional notation, without digit grouping.
QLocale RegionalNumbers() {
    QLocale regional;
    regional.setNumberOptions(regional.numberOptions() | QLocale::OmitGroupSeparator);
    return regional;
}

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

void ClearChart(QChart* chart) {
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
}

void Attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

// A scatter series of points with one marker, attached to the axes, and its
// entry in the key; the caller appends the points.
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
    Attach(chart, series, x, y);
    return series;
}

QString LabelFormat(int decimals) { return QStringLiteral("%.%1f").arg(decimals); }

// Ticks counted from zero, so that the tick at zero is zero itself (never
// a "-0.00" left by adding steps).
void SetScale(QValueAxis* axis, const LinearScale& scale) {
    // A hair beyond the last tick, so that it is drawn although adding
    // the steps lands a rounding error past it.
    axis->setRange(scale.Low, scale.High + scale.Step * 1e-9);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(scale.Step);
    axis->setLabelFormat(LabelFormat(scale.Decimals));
}

// A scatter marker of `shape` (QScatterSeries::MarkerShape) and `size`
// pixels centred on `centre`, in the painter's pen and brush.
void DrawMarker(QPainter& painter, int shape, const QPointF& centre, double size) {
    const double r = size / 2;
    auto polygon = [&](int corners, double inner, double turn) {
        QPolygonF points;
        const int steps = inner > 0 ? 2 * corners : corners;
        for (int k = 0; k < steps; ++k) {
            const double radius = inner > 0 && k % 2 == 1 ? r * inner : r;
            const double angle = turn + 2 * M_PI * k / steps;
            points << centre + QPointF(radius * std::sin(angle), -radius * std::cos(angle));
        }
        painter.drawPolygon(points);
    };
    switch (shape) {
        case QScatterSeries::MarkerShapeCircle: painter.drawEllipse(centre, r, r); break;
        case QScatterSeries::MarkerShapeRectangle: painter.drawRect(QRectF(centre - QPointF(r, r), QSizeF(size, size))); break;
        case QScatterSeries::MarkerShapeRotatedRectangle: polygon(4, 0, 0); break;
        case QScatterSeries::MarkerShapeTriangle: polygon(3, 0, 0); break;
        case QScatterSeries::MarkerShapeStar: polygon(5, 0.45, 0); break;
        case QScatterSeries::MarkerShapePentagon: polygon(5, 0, 0); break;
        default: painter.drawEllipse(centre, r, r); break;
    }
}

QIcon Swatch(const QColor& colour) {
    QPixmap pixmap(12, 12);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

}  // namespace

// ---------------------------------------------------------------------------
// The key of the two charts

ChartKey::ChartKey(QChart* chart) : QGraphicsItem(chart), chart_(chart), baseMargins_(chart->margins()) {
    setZValue(kKeyZValue);
    chart->legend()->hide();
    QObject::connect(chart, &QChart::plotAreaChanged, chart, [this] { Place(); });
}

void ChartKey::SetEntries(QList<Entry> entries) {
    entries_ = std::move(entries);
    Place();
}

QStringList ChartKey::Texts() const {
    QStringList texts;
    for (const Entry& entry : entries_) texts << entry.Text;
    return texts;
}

void ChartKey::Measure(double scale) {
    scale_ = scale;
    font_ = chart_->legend()->font();
    font_.setPointSizeF(font_.pointSizeF() * scale_);
    // No ligatures: the key's text reads the same when copied from a PDF.
    font_.setStyleStrategy(QFont::PreferNoShaping);
    const QFontMetricsF metrics(font_);
    row_ = std::max(metrics.height(), kSampleMarker * scale_) + 2 * scale_;
    // Column by column, top to bottom; each column as wide as its widest entry.
    const int rows = Rows();
    columnWidths_.assign(columns_, 0.0);
    for (int k = 0; k < entries_.size(); ++k) {
        const double width = (kKeySample + kKeyGap + kKeyPadding) * scale_ + metrics.horizontalAdvance(entries_[k].Text);
        double& column = columnWidths_[static_cast<std::size_t>(k / rows)];
        column = std::max(column, width);
    }
    double width = kKeyPadding * scale_;
    for (const double column : columnWidths_) width += column;
    const QSizeF size = entries_.isEmpty() ? QSizeF() : QSizeF(width, 2 * kKeyPadding * scale_ + row_ * rows);
    if (size != size_) {
        prepareGeometryChange();
        size_ = size;
    }
}

KeyObstacles ChartKey::Obstacles(const QRectF& plot, const QRectF& base) const {
    // Positions in the plot as laid out, stretched to `base` (the plot without
    // the room the key took under it).
    const double stretch = plot.height() > 0 ? base.height() / plot.height() : 1.0;
    auto at = [&](const QPointF& value, QAbstractSeries* series) {
        const QPointF p = chart_->mapToPosition(value, series);
        return KeyPoint{p.x(), base.top() + (p.y() - plot.top()) * stretch};
    };
    KeyObstacles obstacles;
    auto line = [&](QXYSeries* series, QAbstractSeries* mappedBy) {
        std::vector<KeyPoint> points;
        for (const QPointF& p : series->points()) points.push_back(at(p, mappedBy));
        obstacles.Lines.push_back(std::move(points));
    };
    for (QAbstractSeries* series : chart_->series()) {
        if (!series->isVisible()) continue;
        if (auto* scatter = qobject_cast<QScatterSeries*>(series)) {
            for (const QPointF& p : scatter->points())
                obstacles.Markers.push_back({at(p, scatter), scatter->markerSize() / 2});
        } else if (auto* xy = qobject_cast<QXYSeries*>(series)) {
            line(xy, xy);
        } else if (auto* area = qobject_cast<QAreaSeries*>(series)) {
            if (area->upperSeries()) line(area->upperSeries(), area);
            if (area->lowerSeries()) line(area->lowerSeries(), area);
        }
    }
    return obstacles;
}

int ChartKey::Rows() const {
    const int count = static_cast<int>(entries_.size());
    return (count + columns_ - 1) / columns_;
}

void ChartKey::SetOutsideHeight(double height) {
    if (height == outsideHeight_) return;
    outsideHeight_ = height;
    QMargins margins = baseMargins_;
    margins.setBottom(baseMargins_.bottom() + static_cast<int>(std::ceil(height)));
    chart_->setMargins(margins);
}

void ChartKey::Place() {
    // Moving the key under the plot lays the chart out again, which calls
    // this again: that call finds the same place.
    if (placing_) return;
    placing_ = true;
    const double scale = std::clamp(chart_->size().width() / kKeyReferenceWidth, kKeySmallestScale, kKeyLargestScale);
    columns_ = 1;
    Measure(scale);
    setVisible(!entries_.isEmpty());
    const QRectF plot = chart_->plotArea();
    if (entries_.isEmpty() || plot.isEmpty()) {
        SetOutsideHeight(0);
        placing_ = false;
        return;
    }
    const QRectF base = plot.adjusted(0, 0, 0, outsideHeight_);
    const KeyPlacement place = PlaceKey({base.left(), base.top(), base.right(), base.bottom()}, size_.width(),
                                        size_.height(), Obstacles(plot, base), kLegendInset * scale_,
                                        kKeyClearance * scale_);
    if (place.Clear) {
        SetOutsideHeight(0);
        setPos(place.Box.Left, place.Box.Top);
        placing_ = false;
        return;
    }
    // Under the chart, in as many columns as its width takes, the plot giving
    // up the key's height; a key still too tall for the chart gets smaller.
    const double width = chart_->size().width() - baseMargins_.left() - baseMargins_.right();
    const double most = kKeyMostHeightShare * chart_->size().height();
    for (double s = scale;; s *= kKeyShrinkStep) {
        for (columns_ = static_cast<int>(entries_.size()); columns_ > 1; --columns_) {
            Measure(s);
            if (size_.width() <= width) break;
        }
        Measure(s);
        if (size_.height() <= most || s * kKeyShrinkStep < kKeySmallestOutsideScale) break;
    }
    SetOutsideHeight(size_.height() + kLegendInset * scale_);
    setPos(baseMargins_.left() + std::max(0.0, (width - size_.width()) / 2),
           chart_->size().height() - baseMargins_.bottom() - size_.height());
    placing_ = false;
}

QRectF ChartKey::boundingRect() const { return QRectF(QPointF(0, 0), size_).adjusted(-1, -1, 1, 1); }

void ChartKey::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    if (entries_.isEmpty()) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(170, 170, 170), 1));
    painter->setBrush(QColor(255, 255, 255, 235));
    painter->drawRect(QRectF(QPointF(0, 0), size_));
    painter->setFont(font_);
    const double padding = kKeyPadding * scale_;
    const double row = row_;
    for (int k = 0; k < entries_.size(); ++k) {
        const Entry& entry = entries_[k];
        // Row by row, left to right.
        const int rows = Rows();
        double x = padding;
        for (int c = 0; c < k / rows; ++c) x += columnWidths_[static_cast<std::size_t>(c)];
        const double y = padding + row * (k % rows);
        const QRectF sample(x, y, kKeySample * scale_, row);
        const QPointF centre = sample.center();
        if (entry.Fill.style() != Qt::NoBrush) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(entry.Fill);
            painter->drawRect(QRectF(sample.left(), centre.y() - row * 0.3, sample.width(), row * 0.6));
        }
        if (entry.Line.style() != Qt::NoPen) {
            painter->setPen(entry.Line);
            painter->drawLine(QPointF(sample.left(), centre.y()), QPointF(sample.right(), centre.y()));
        }
        if (entry.Marker >= 0) {
            painter->setPen(QPen(entry.MarkerBorder, 1));
            painter->setBrush(entry.MarkerFill);
            DrawMarker(*painter, entry.Marker, centre, entry.MarkerSize * scale_);
        }
        painter->setPen(QColor(60, 60, 60));
        painter->drawText(QRectF(sample.right() + kKeyGap * scale_, y, columnWidths_[static_cast<std::size_t>(k / rows)], row), Qt::AlignLeft | Qt::AlignVCenter,
                          entry.Text);
    }
    painter->restore();
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

// ---------------------------------------------------------------------------
// Frequency chart

TFrequencia::TFrequencia(Platform& platform, Document& document, QWidget* parent)
    : ChartWindowBase(platform, document, parent, QStringLiteral("ZARN - Gráfico de frequência"), kFrequencyWidth,
                      kFrequencyHeight) {
    setObjectName(QStringLiteral("Frequencia"));

    auto* panel = new QWidget(this);
    panel->setFixedWidth(kPanelWidth);
    auto* controls = new QVBoxLayout(panel);
    controls->setContentsMargins(0, 0, 0, 0);

    auto* paperBox = new QFormLayout;
    papel_ = new QComboBox(panel);
    papel_->setObjectName(QStringLiteral("Papel"));
    papel_->addItem(QStringLiteral("Gumbel"), static_cast<int>(ProbabilityPaper::Gumbel));
    papel_->addItem(QStringLiteral("Normal"), static_cast<int>(ProbabilityPaper::Normal));
    papel_->addItem(QStringLiteral("Log do tempo de retorno"), static_cast<int>(ProbabilityPaper::LogReturnPeriod));
    posicao_ = new QComboBox(panel);
    posicao_->setObjectName(QStringLiteral("Posicao"));
    for (const auto& [name, formula] : {std::pair{"Cunnane", PlottingFormula::Cunnane},
                                        std::pair{"Gringorten", PlottingFormula::Gringorten},
                                        std::pair{"Blom", PlottingFormula::Blom},
                                        std::pair{"Weibull", PlottingFormula::Weibull},
                                        std::pair{"Hazen", PlottingFormula::Hazen}})
        posicao_->addItem(QString::fromLatin1(name), static_cast<int>(formula));
    paperBox->addRow(QStringLiteral("Papel:"), papel_);
    paperBox->addRow(QStringLiteral("Posição de plotagem:"), posicao_);
    controls->addLayout(paperBox);

    auto* fits = new QGroupBox(QStringLiteral("Distribuições ajustadas"), panel);
    auto* fitList = new QVBoxLayout(fits);
    for (int index = 1; index <= kDistributionCount; ++index) {
        auto* check = new QCheckBox(QString::fromStdString(DistributionName(index)), fits);
        check->setObjectName(QStringLiteral("Distribuicao%1").arg(index));
        check->setIcon(Swatch(Colour(index)));
        fitList->addWidget(check);
        checks_[index - 1] = check;
        connect(check, &QCheckBox::toggled, this, [this] { Guarded([this] { Desenhar(); }); });
    }
    controls->addWidget(fits);

    auto* bandBox = new QFormLayout;
    intervalo_ = new QComboBox(panel);
    intervalo_->setObjectName(QStringLiteral("Intervalo"));
    intervalo_->addItem(QStringLiteral("Nenhum"), 0);
    for (int index = 1; index <= kDistributionCount; ++index)
        intervalo_->addItem(Swatch(Colour(index)), QString::fromStdString(DistributionName(index)), index);
    bandBox->addRow(QStringLiteral("Intervalo de 90 %:"), intervalo_);
    controls->addLayout(bandBox);

    limites_ = new QCheckBox(QStringLiteral("Limites das distribuições"), panel);
    limites_->setObjectName(QStringLiteral("Limites"));
    escalaLog_ = new QCheckBox(QStringLiteral("Valores em escala logarítmica"), panel);
    escalaLog_->setObjectName(QStringLiteral("EscalaLog"));
    controls->addWidget(limites_);
    controls->addWidget(escalaLog_);

    auto* axisBox = new QGroupBox(QStringLiteral("Eixo dos valores"), panel);
    auto* axisForm = new QFormLayout(axisBox);
    variavel_ = new QLineEdit(axisBox);
    variavel_->setObjectName(QStringLiteral("Variavel"));
    unidade_ = new QLineEdit(axisBox);
    unidade_->setObjectName(QStringLiteral("Unidade"));
    unidade_->setPlaceholderText(QStringLiteral("ex.: m³/s"));
    axisForm->addRow(QStringLiteral("Variável:"), variavel_);
    axisForm->addRow(QStringLiteral("Unidade:"), unidade_);
    controls->addWidget(axisBox);

    aviso_ = new QLabel(panel);
    aviso_->setObjectName(QStringLiteral("Aviso"));
    aviso_->setWordWrap(true);
    controls->addWidget(aviso_);
    controls->addStretch();
    AddCloseButton(panel, controls);

    MakeChart(QStringLiteral("CURVAS DE FREQUÊNCIA"), QStringLiteral("frequência"));
    auto* body = new QHBoxLayout;
    body->addWidget(panel);
    body->addWidget(view_, 1);
    LayOut(body);

    LoadSettings();
    auto redraw = [this] { Guarded([this] { Desenhar(); }); };
    connect(papel_, &QComboBox::currentIndexChanged, this, redraw);
    connect(posicao_, &QComboBox::currentIndexChanged, this, redraw);
    connect(intervalo_, &QComboBox::currentIndexChanged, this, redraw);
    connect(limites_, &QCheckBox::toggled, this, redraw);
    connect(escalaLog_, &QCheckBox::toggled, this, redraw);
    // The label follows the typing; Enter or leaving the field keeps it with
    // the project.
    for (QLineEdit* field : {variavel_, unidade_}) {
        connect(field, &QLineEdit::textEdited, this, [this] { Guarded([this] { AplicarRotulo(); }); });
        connect(field, &QLineEdit::editingFinished, this, [this] { Guarded([this] { GuardarRotulo(); }); });
    }
}

void TFrequencia::AplicarRotulo() {
    if (filling_) return;
    if (valueAxis_) valueAxis_->setTitleText(ValueTitle());
    ProjectSettings& settings = document().Settings();
    settings.Variable = variavel_->text().trimmed().toStdString();
    settings.Unit = unidade_->text().trimmed().toStdString();
    SaveSettings();
}

void TFrequencia::GuardarRotulo() {
    if (filling_) return;
    AplicarRotulo();
    // A saved project keeps its label at once, in its settings file; a new
    // one keeps it when it is saved.
    const ProjectSettings& settings = document().Settings();
    if (settings.Variable != savedVariable_ || settings.Unit != savedUnit_) {
        document().SaveSettings();
        savedVariable_ = settings.Variable;
        savedUnit_ = settings.Unit;
    }
}

void TFrequencia::PreencherRotulo() {
    // The project's variable and unit; a project without them takes the last
    // used (the chart settings) and keeps them from now on.
    ProjectSettings& settings = document().Settings();
    const auto last = ChartSettings();
    if (!settings.Variable)
        settings.Variable = last->value(QStringLiteral("Frequencia/Variavel"), kDefaultVariable).toString().toStdString();
    if (!settings.Unit) settings.Unit = last->value(QStringLiteral("Frequencia/Unidade"), QString()).toString().toStdString();
    savedVariable_ = settings.Variable;
    savedUnit_ = settings.Unit;
    filling_ = true;
    variavel_->setText(QString::fromStdString(*settings.Variable));
    unidade_->setText(QString::fromStdString(*settings.Unit));
    filling_ = false;
}

void TFrequencia::LoadSettings() {
    const auto settings = ChartSettings();
    filling_ = true;
    const int paper = settings->value(QStringLiteral("Frequencia/Papel"), 0).toInt();
    papel_->setCurrentIndex(std::max(0, papel_->findData(paper)));
    const int formula = settings->value(QStringLiteral("Frequencia/Posicao"), static_cast<int>(PlottingFormula::Cunnane)).toInt();
    posicao_->setCurrentIndex(std::max(0, posicao_->findData(formula)));
    limites_->setChecked(settings->value(QStringLiteral("Frequencia/Limites"), true).toBool());
    escalaLog_->setChecked(settings->value(QStringLiteral("Frequencia/EscalaLog"), false).toBool());
    variavel_->setText(settings->value(QStringLiteral("Frequencia/Variavel"), kDefaultVariable).toString());
    unidade_->setText(settings->value(QStringLiteral("Frequencia/Unidade"), QString()).toString());
    filling_ = false;
}

void TFrequencia::SaveSettings() const {
    const auto settings = ChartSettings();
    settings->setValue(QStringLiteral("Frequencia/Papel"), papel_->currentData().toInt());
    settings->setValue(QStringLiteral("Frequencia/Posicao"), posicao_->currentData().toInt());
    settings->setValue(QStringLiteral("Frequencia/Limites"), limites_->isChecked());
    settings->setValue(QStringLiteral("Frequencia/EscalaLog"), escalaLog_->isChecked());
    settings->setValue(QStringLiteral("Frequencia/Variavel"), variavel_->text());
    settings->setValue(QStringLiteral("Frequencia/Unidade"), unidade_->text());
}

int TFrequencia::Recommended() const {
    return recommended_ >= 1 && recommended_ <= kDistributionCount ? recommended_ : HighestCorrelation(document().Record());
}

void TFrequencia::SetRecommended(int index) {
    const int recommended = index >= 1 && index <= kDistributionCount ? index : 0;
    if (recommended == recommended_) return;  // the user's choices stay
    recommended_ = recommended;
    shownSize_ = -1;  // the next showing starts from the recommendation
    if (isVisible()) Preencher();
}

void TFrequencia::Recomendar() {
    const int recommended = Recommended();
    filling_ = true;
    for (int index = 1; index <= kDistributionCount; ++index) {
        QString text = QString::fromStdString(DistributionName(index));
        if (index == recommended)
            text += recommended_ != 0 ? QStringLiteral(" (recomendada)") : QStringLiteral(" (maior R)");
        checks_[index - 1]->setText(text);
        checks_[index - 1]->setChecked(index == recommended);
    }
    intervalo_->setCurrentIndex(intervalo_->findData(recommended));
    filling_ = false;
}

FrequencyChartOptions TFrequencia::Opcoes() const {
    FrequencyChartOptions options;
    options.Paper = static_cast<ProbabilityPaper>(papel_->currentData().toInt());
    options.Positions = static_cast<PlottingFormula>(posicao_->currentData().toInt());
    for (int index = 1; index <= kDistributionCount; ++index) options.Shown[index - 1] = checks_[index - 1]->isChecked();
    options.BandIndex = intervalo_->currentData().toInt();
    options.Bounds = limites_->isChecked();
    options.LogValues = escalaLog_->isChecked();
    options.MarkedPeriods = StudyReturnPeriods(document());
    options.ZeroCount = StudyZeroYears(document()).Zeros;
    return options;
}

QString TFrequencia::ValueTitle() const {
    const QString variable = variavel_->text().trimmed();
    const QString unit = unidade_->text().trimmed();
    if (unit.isEmpty()) return variable;
    return variable.isEmpty() ? unit : QStringLiteral("%1 (%2)").arg(variable, unit);
}

void TFrequencia::Exibir() {
    // The advisor's choice is checked first (none when all are rejected).
    SetRecommended(Advise(document().Record(), document().session(), StudyZeroYears(document())).Recommended);
    Preencher();
    ShowChart();
}

void TFrequencia::Refresh() {
    // The new analysis's recommendation, and its curves.
    SetRecommended(Advise(document().Record(), document().session(), StudyZeroYears(document())).Recommended);
    Preencher();
}

void TFrequencia::Preencher() {
    bandWanted_ = true;
    const AnalysisRecord& record = document().Record();
    if (shownGeneration_ != document().Generation()) {
        shownGeneration_ = document().Generation();
        PreencherRotulo();
    }
    chart_->setLocale(RegionalNumbers());
    // A new analysis (or a new recommendation) starts from the recommended
    // distribution; the same analysis keeps the user's choices.
    const bool same = shownSize_ == record.SampleSize &&
                      std::memcmp(shownParameters_.data(), record.Parameters, sizeof record.Parameters) == 0;
    if (!same) {
        shownSize_ = record.SampleSize;
        std::memcpy(shownParameters_.data(), record.Parameters, sizeof record.Parameters);
        Recomendar();
    }
    Desenhar();
}

void TFrequencia::Desenhar() {
    if (filling_) return;
    SaveSettings();
    const FrequencyChartOptions options = Opcoes();
    QString notice;
    const SimulationSummary* simulations = nullptr;
    if (options.BandIndex != 0) {
        const SimulationSummary& current = document().Simulations();
        if (!current.Matches(document().Record()) && bandWanted_)
            bandWanted_ = EnsureSimulations(platform(), this, document(), !Refreshing());
        if (current.Matches(document().Record()))
            simulations = &current;
        else
            notice = QStringLiteral("O intervalo de confiança não foi desenhado: a simulação do projeto foi cancelada.");
    }
    data_ = FrequencyChart(document().Record(), simulations, options);
    if (simulations && data_.BandLower.empty())
        notice = QStringLiteral("O intervalo de confiança não pôde ser calculado: réplicas insuficientes.");
    aviso_->setText(notice);

    valueAxis_ = nullptr;
    ClearChart(chart_);
    const QLocale numbers = RegionalNumbers();

    // Horizontal axis: return periods on the chosen paper.
    QAbstractAxis* xAxis = nullptr;
    if (options.Paper == ProbabilityPaper::LogReturnPeriod) {
        auto* axis = new QLogValueAxis;
        axis->setBase(10);
        axis->setLabelFormat(QStringLiteral("%.0f"));
        axis->setMinorTickCount(-1);
        axis->setRange(data_.CoordinateLow, data_.CoordinateHigh);
        xAxis = axis;
    } else {
        auto* axis = new QCategoryAxis;
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        axis->setStartValue(data_.CoordinateLow);
        for (const PaperTick& tick : data_.Ticks) axis->append(numbers.toString(tick.ReturnPeriod, 'g', 6), tick.Coordinate);
        axis->setRange(data_.CoordinateLow, data_.CoordinateHigh);
        xAxis = axis;
        // The paper's own variate along the top.
        auto* variate = new QValueAxis;
        variate->setTitleText(options.Paper == ProbabilityPaper::Gumbel
                                  ? QStringLiteral("Variável reduzida de Gumbel, y = −ln(−ln F)")
                                  : QStringLiteral("Variável normal padronizada, z"));
        variate->setTickType(QValueAxis::TicksDynamic);
        variate->setTickAnchor(0);
        variate->setTickInterval(1);
        variate->setLabelFormat(QStringLiteral("%.0f"));
        variate->setGridLineVisible(false);
        variate->setRange(data_.CoordinateLow, data_.CoordinateHigh);
        chart_->addAxis(variate, Qt::AlignTop);
    }
    xAxis->setTitleText(QStringLiteral("Tempo de retorno (anos)"));
    chart_->addAxis(xAxis, Qt::AlignBottom);

    QAbstractAxis* yAxis = nullptr;
    if (options.LogValues) {
        auto* axis = new QLogValueAxis;
        axis->setBase(10);
        axis->setMinorTickCount(-1);
        axis->setLabelFormat(LabelFormat(std::max(0, -static_cast<int>(std::floor(std::log10(data_.Values.Low))))));
        axis->setRange(data_.Values.Low, data_.Values.High);
        yAxis = axis;
    } else {
        auto* axis = new QValueAxis;
        SetScale(axis, data_.Values);
        yAxis = axis;
    }
    yAxis->setTitleText(ValueTitle());
    chart_->addAxis(yAxis, Qt::AlignLeft);
    valueAxis_ = yAxis;

    // The band behind everything, then the curves, the bounds, the observed
    // values; the key lists them in that order.
    // Lines are cut at the value axis's ends by hand (an SVG file keeps no
    // clipping); the horizontal axis spans them by construction.
    const bool logPaper = options.Paper == ProbabilityPaper::LogReturnPeriod;
    const double low = data_.Values.Low, high = data_.Values.High;
    auto addLine = [&](const QString& name, const QPen& pen, const std::vector<FrequencyPoint>& points) {
        ChartPoints line;
        for (const FrequencyPoint& p : points) line.emplace_back(p.Coordinate, p.Value);
        for (const ChartPoints& piece : ClipPolyline(line, low, high, logPaper)) {
            auto* series = new QLineSeries;
            series->setName(name);
            series->setPen(pen);
            for (const auto& [x, y] : piece) series->append(x, y);
            Attach(chart_, series, xAxis, yAxis);
        }
    };
    QList<ChartKey::Entry> key;
    if (!data_.BandLower.empty()) {
        const QColor colour = Colour(options.BandIndex);
        QColor fill = colour;
        fill.setAlpha(kBandAlpha);
        const QPen edgePen(colour, kBandEdgeWidth, Qt::DashLine);
        // The fill between the limits held inside the axis, the limits dashed
        // (the area's own outline would also close the band at its ends).
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        for (const FrequencyPoint& p : data_.BandUpper) upper->append(p.Coordinate, std::clamp(p.Value, low, high));
        for (const FrequencyPoint& p : data_.BandLower) lower->append(p.Coordinate, std::clamp(p.Value, low, high));
        auto* band = new QAreaSeries(upper, lower);
        upper->setParent(band);
        lower->setParent(band);
        const QString name = QStringLiteral("Intervalo de confiança 90 % (%1)")
                                 .arg(QString::fromStdString(DistributionName(options.BandIndex)));
        band->setName(name);
        band->setBrush(fill);
        band->setPen(Qt::NoPen);
        Attach(chart_, band, xAxis, yAxis);
        addLine(name, edgePen, data_.BandUpper);
        addLine(name, edgePen, data_.BandLower);
        ChartKey::Entry entry;
        entry.Text = name;
        entry.Fill = fill;
        entry.Line = edgePen;
        key << entry;
    }
    for (const FrequencyCurve& curve : data_.Curves) {
        ChartKey::Entry entry;
        entry.Text = QString::fromStdString(DistributionName(curve.Index));
        entry.Line = QPen(Colour(curve.Index), kCurveWidth);
        addLine(entry.Text, entry.Line, curve.Points);
        key << entry;
    }
    // The bounds across the plot; one entry for the two of a distribution.
    for (int index = 1; index <= kDistributionCount; ++index) {
        std::vector<const BoundLine*> bounds;
        for (const BoundLine& bound : data_.Bounds)
            if (bound.Index == index) bounds.push_back(&bound);
        if (bounds.empty()) continue;
        const QString name = QString::fromStdString(DistributionName(index));
        ChartKey::Entry entry;
        entry.Text = bounds.size() == 2 ? QStringLiteral("Limites (%1)").arg(name)
                                        : QStringLiteral("%1 (%2)").arg(bounds[0]->Upper ? QStringLiteral("Limite superior")
                                                                                        : QStringLiteral("Limite inferior"),
                                                                       name);
        entry.Line = QPen(Colour(index), kBoundWidth, Qt::DashDotLine);
        for (const BoundLine* bound : bounds) {
            auto* series = new QLineSeries;
            series->setName(entry.Text);
            series->setPen(entry.Line);
            series->append(data_.CoordinateLow, bound->Value);
            series->append(data_.CoordinateHigh, bound->Value);
            Attach(chart_, series, xAxis, yAxis);
        }
        key << entry;
    }
    // The study's return periods on each curve, in its colour.
    if (!data_.Marked.empty()) {
        ChartKey::Entry marks;
        marks.Text = QStringLiteral("Quantis nos tempos de retorno do estudo");
        marks.Marker = QScatterSeries::MarkerShapeRectangle;
        marks.MarkerSize = kMarkedMarker;
        marks.MarkerFill = Qt::white;
        marks.MarkerBorder = Qt::black;
        for (const FrequencyCurve& curve : data_.Curves) {
            auto* series = new QScatterSeries;
            series->setName(marks.Text);
            series->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
            series->setMarkerSize(kMarkedMarker);
            series->setColor(Qt::white);
            series->setBorderColor(Colour(curve.Index));
            for (const MarkedQuantile& m : data_.Marked)
                if (m.Index == curve.Index && m.Point.Value >= low && m.Point.Value <= high)
                    series->append(m.Point.Coordinate, m.Point.Value);
            Attach(chart_, series, xAxis, yAxis);
        }
        key << marks;
    }
    // Points of the data: a scatter series and its key entry.
    auto addPoints = [&](const QString& name, QScatterSeries::MarkerShape shape, const QColor& fill,
                         const QColor& border, const std::vector<FrequencyPoint>& points) {
        QScatterSeries* series = AddScatter(chart_, xAxis, yAxis, key, name, shape, kObservedMarker, fill, border);
        for (const FrequencyPoint& p : points) series->append(p.Coordinate, p.Value);
    };
    // The years without flow at the bottom of the axis, at their plotting positions.
    if (!data_.Zeros.empty())
        addPoints(QStringLiteral("Anos sem vazão (%1, p0 = %2)")
                      .arg(data_.Zeros.size())
                      .arg(QString::fromStdString(
                          Fixed4(StudyZeroYears(document()).Probability(), RegionalDecimalSeparator()))),
                  QScatterSeries::MarkerShapeTriangle, Qt::white, kObservedColour, data_.Zeros);
    addPoints(QStringLiteral("Observados (%1)").arg(posicao_->currentText()), QScatterSeries::MarkerShapeCircle,
              kObservedColour, Qt::black, data_.Observed);
    key_->SetEntries(key);
}

// ---------------------------------------------------------------------------
// L-moment ratio diagram

TDiagramaMomentos::TDiagramaMomentos(Platform& platform, Document& document, QWidget* parent)
    : ChartWindowBase(platform, document, parent, QStringLiteral("ZARN - Diagrama de momentos-L"), kDiagramWidth,
                      kDiagramHeight) {
    setObjectName(QStringLiteral("DiagramaMomentos"));
    MakeChart(QStringLiteral("DIAGRAMA DE RAZÕES DE MOMENTOS-L"), QStringLiteral("diagrama de momentos-L"));

    auto* panel = new QWidget(this);
    panel->setFixedWidth(kPanelWidth);
    auto* side = new QVBoxLayout(panel);
    side->setContentsMargins(0, 0, 0, 0);
    resumo_ = new QLabel(panel);
    resumo_->setObjectName(QStringLiteral("Resumo"));
    resumo_->setWordWrap(true);
    QFont bold = resumo_->font();
    bold.setBold(true);
    resumo_->setFont(bold);
    side->addWidget(resumo_);
    texto_ = new QPlainTextEdit(panel);
    texto_->setObjectName(QStringLiteral("Texto"));
    texto_->setReadOnly(true);
    side->addWidget(texto_, 1);
    AddCloseButton(panel, side);

    auto* body = new QHBoxLayout;
    body->addWidget(view_, 1);
    body->addWidget(panel);
    LayOut(body);
}

void TDiagramaMomentos::Exibir() {
    Preencher();
    ShowChart();
}

void TDiagramaMomentos::Preencher() {
    data_ = RatioDiagram(document().Record());
    SetLines(texto_, RatioDiagramLines(data_, RegionalDecimalSeparator()));
    auto family = [](const FamilyDistances& d) {
        return d.Closest == 0 ? QStringLiteral("nenhuma") : QString::fromStdString(DistributionName(d.Closest));
    };
    resumo_->setText(QStringLiteral("Família mais próxima:\n  da amostra: %1\n  dos logaritmos: %2")
                         .arg(family(data_.SampleFamily), family(data_.LogsFamily)));
    chart_->setLocale(RegionalNumbers());
    ClearChart(chart_);

    auto* xAxis = new QValueAxis;
    xAxis->setTitleText(QStringLiteral("L-assimetria, t3"));
    SetScale(xAxis, data_.T3Axis);
    auto* yAxis = new QValueAxis;
    yAxis->setTitleText(QStringLiteral("L-curtose, t4"));
    SetScale(yAxis, data_.T4Axis);
    chart_->addAxis(xAxis, Qt::AlignBottom);
    chart_->addAxis(yAxis, Qt::AlignLeft);

    QList<ChartKey::Entry> key;
    auto line = [&](const QString& name, const QPen& pen, const std::vector<RatioPoint>& points) {
        auto* series = new QLineSeries;
        series->setName(name);
        series->setPen(pen);
        for (const RatioPoint& p : points) series->append(p.T3, p.T4);
        Attach(chart_, series, xAxis, yAxis);
        ChartKey::Entry entry;
        entry.Text = name;
        entry.Line = pen;
        key << entry;
    };
    auto point = [&](const QString& name, const RatioPoint& p, QScatterSeries::MarkerShape shape, double size,
                     const QColor& fill, const QColor& border) {
        QScatterSeries* series = AddScatter(chart_, xAxis, yAxis, key, name, shape, size, fill, border);
        if (std::isfinite(p.T3) && std::isfinite(p.T4)) series->append(p.T3, p.T4);
    };
    for (std::size_t f = 0; f < kRatioFamilies.size(); ++f)
        line(QString::fromStdString(DistributionName(kRatioFamilies[f])), QPen(Colour(kRatioFamilies[f]), kCurveWidth),
             data_.Curves[f]);
    // The lower limit runs below the t4 axis: its pieces inside it.
    {
        ChartPoints limit;
        for (const RatioPoint& p : data_.LowerLimit) limit.emplace_back(p.T3, p.T4);
        const QPen pen(Qt::gray, 1.0, Qt::DotLine);
        const QString name = QStringLiteral("Limite inferior de t4");
        for (const ChartPoints& piece : ClipPolyline(limit, data_.T4Axis.Low, data_.T4Axis.High, false)) {
            auto* series = new QLineSeries;
            series->setName(name);
            series->setPen(pen);
            for (const auto& [x, y] : piece) series->append(x, y);
            Attach(chart_, series, xAxis, yAxis);
        }
        ChartKey::Entry entry;
        entry.Text = name;
        entry.Line = pen;
        key << entry;
    }
    static const QScatterSeries::MarkerShape kReferenceShapes[] = {
        QScatterSeries::MarkerShapeRectangle, QScatterSeries::MarkerShapeTriangle,
        QScatterSeries::MarkerShapePentagon};
    static const int kReferenceIndexes[] = {kNormal, kGumbel, kExponential};
    for (std::size_t k = 0; k < data_.References.size() && k < 3; ++k) {
        const QColor colour = Colour(kReferenceIndexes[k]);
        point(QString::fromStdString(data_.References[k].Name), data_.References[k].Point, kReferenceShapes[k],
              kReferenceMarker, colour, colour.darker(150));
    }
    point(QStringLiteral("Amostra"), data_.Sample, QScatterSeries::MarkerShapeCircle, kSampleMarker, Qt::black,
          Qt::black);
    point(QStringLiteral("Logaritmos da amostra"), data_.Logs, QScatterSeries::MarkerShapeStar, kSampleMarker + 2,
          Qt::white, Qt::black);
    key_->SetEntries(key);
}

}  // namespace zarn
