// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frequencia.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPixmap>
#include <QScatterSeries>
#include <QSettings>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "files/format.h"
#include "analysis/record.h"
#include "dialogs/axisfit.h"
#include "dialogs/chartexport.h"
#include "dialogs/chartmarkers.h"
#include "platform/platform.h"
#include "platform/session.h"
#include "rules/advisor.h"

namespace zarn {

namespace {

// First size of the window; it can be resized and maximised.
constexpr int kFrequencyWidth = 1000;
constexpr int kFrequencyHeight = 660;
// Line widths of the bounds and the band's edges.
constexpr double kBoundWidth = 1.2;
constexpr double kBandEdgeWidth = 1.0;
// Opacity of the band's fill (0..255).
constexpr int kBandAlpha = 60;
constexpr double kObservedMarker = 7.0;
constexpr double kMarkedMarker = 7.0;  // the study's return periods on the curves

QList<QPointF> PointList(const ChartPoints& points) {
    QList<QPointF> list;
    list.reserve(static_cast<qsizetype>(points.size()));
    for (const auto& [x, y] : points) list.append(QPointF(x, y));
    return list;
}

const QString kDefaultVariable = QStringLiteral("Vazão máxima anual");
const QColor kObservedColour(40, 40, 40);

QIcon Swatch(const QColor& colour) {
    QPixmap pixmap(12, 12);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

}  // namespace

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
        check->setIcon(Swatch(ChartColour(index)));
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
        intervalo_->addItem(Swatch(ChartColour(index)), QString::fromStdString(DistributionName(index)), index);
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
    chart_->setLocale(RegionalTickNumbers());
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
    const FrequencyAxes axes = DesenharEixos(options);
    // The band behind everything, then the curves, the bounds, the observed
    // values and over them the study's return periods; the key lists them in
    // that order.
    QList<ChartKey::Entry> key;
    DesenharBanda(axes, options.BandIndex, key);
    DesenharCurvas(axes, key);
    DesenharPontos(axes, key);
    key_->SetEntries(key);
}

TFrequencia::FrequencyAxes TFrequencia::DesenharEixos(const FrequencyChartOptions& options) {
    const QLocale numbers = RegionalTickNumbers();
    FrequencyAxes axes;
    std::vector<AxisTick> periodTicks;
    axes.LogPaper = options.Paper == ProbabilityPaper::LogReturnPeriod;
    // Horizontal axis: return periods on the chosen paper.
    if (axes.LogPaper) {
        auto* axis = new QLogValueAxis;
        axis->setBase(10);
        axis->setLabelFormat(QStringLiteral("%.0f"));
        axis->setMinorTickCount(-1);
        axis->setRange(data_.CoordinateLow, data_.CoordinateHigh);
        axes.X = axis;
    } else {
        auto* axis = new QCategoryAxis;
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        axis->setStartValue(data_.CoordinateLow);
        axis->setRange(data_.CoordinateLow, data_.CoordinateHigh);
        axes.X = axis;
        // The labelled return periods: written whole ("10000"), as many as
        // the axis's width takes.
        for (const PaperTick& tick : data_.Ticks)
            periodTicks.push_back({numbers.toString(tick.ReturnPeriod, 'g', 7), tick.Coordinate, tick.Level});
        // The paper's own variate along the top.
        auto* variate = new QValueAxis;
        variate->setTitleText(options.Paper == ProbabilityPaper::Gumbel
                                  ? QStringLiteral("Variável reduzida de Gumbel, y = −ln(−ln F)")
                                  : QStringLiteral("Variável normal padronizada, z"));
        variate->setGridLineVisible(false);
        variate->setRange(data_.CoordinateLow, data_.CoordinateHigh);
        chart_->addAxis(variate, Qt::AlignTop);
        FitValueTicks(chart_, variate, 1, 1);
    }
    axes.X->setTitleText(QStringLiteral("Tempo de retorno (anos)"));
    chart_->addAxis(axes.X, Qt::AlignBottom);
    if (auto* periods = qobject_cast<QCategoryAxis*>(axes.X)) FitCategoryTicks(chart_, periods, periodTicks, false);

    if (options.LogValues) {
        auto* axis = new QLogValueAxis;
        axis->setBase(10);
        axis->setMinorTickCount(-1);
        axis->setLabelFormat(LabelFormat(std::max(0, -static_cast<int>(std::floor(std::log10(data_.Values.Low))))));
        axis->setRange(data_.Values.Low, data_.Values.High);
        axes.Y = axis;
    } else {
        auto* axis = new QValueAxis;
        SetLinearScale(axis, data_.Values);
        axes.Y = axis;
    }
    axes.Y->setTitleText(ValueTitle());
    chart_->addAxis(axes.Y, Qt::AlignLeft);
    if (auto* values = qobject_cast<QValueAxis*>(axes.Y)) FitValueTicks(chart_, values, data_.Values.Step);
    valueAxis_ = axes.Y;
    axes.Low = data_.Values.Low;
    axes.High = data_.Values.High;
    return axes;
}

void TFrequencia::Linha(const FrequencyAxes& axes, const QString& name, const QPen& pen,
                        const std::vector<FrequencyPoint>& points) {
    // Lines are cut at the value axis's ends by hand (an SVG file keeps no
    // clipping); the horizontal axis spans them by construction. Each piece
    // gets its points in one call, before it joins the chart.
    ChartPoints line;
    line.reserve(points.size());
    for (const FrequencyPoint& p : points) line.emplace_back(p.Coordinate, p.Value);
    for (const ChartPoints& piece : ClipPolyline(line, axes.Low, axes.High, axes.LogPaper)) {
        auto* series = new QLineSeries;
        series->setName(name);
        series->setPen(pen);
        series->replace(PointList(piece));
        AttachSeries(chart_, series, axes.X, axes.Y);
    }
}

void TFrequencia::DesenharBanda(const FrequencyAxes& axes, int index, QList<ChartKey::Entry>& key) {
    if (data_.BandLower.empty()) return;
    const QColor colour = ChartColour(index);
    QColor fill = colour;
    fill.setAlpha(kBandAlpha);
    const QPen edgePen(colour, kBandEdgeWidth, Qt::DashLine);
    // The fill between the limits held inside the axis, the limits dashed
    // (the area's own outline would also close the band at its ends).
    auto clamped = [&](const std::vector<FrequencyPoint>& points) {
        QList<QPointF> list;
        list.reserve(static_cast<qsizetype>(points.size()));
        for (const FrequencyPoint& p : points) list.append(QPointF(p.Coordinate, std::clamp(p.Value, axes.Low, axes.High)));
        return list;
    };
    auto* upper = new QLineSeries;
    auto* lower = new QLineSeries;
    upper->replace(clamped(data_.BandUpper));
    lower->replace(clamped(data_.BandLower));
    auto* band = new QAreaSeries(upper, lower);
    upper->setParent(band);
    lower->setParent(band);
    const QString name = QStringLiteral("Intervalo de confiança 90 % (%1)")
                             .arg(QString::fromStdString(DistributionName(index)));
    band->setName(name);
    band->setBrush(fill);
    band->setPen(Qt::NoPen);
    AttachSeries(chart_, band, axes.X, axes.Y);
    Linha(axes, name, edgePen, data_.BandUpper);
    Linha(axes, name, edgePen, data_.BandLower);
    ChartKey::Entry entry;
    entry.Text = name;
    entry.Fill = fill;
    entry.Line = edgePen;
    key << entry;
}

void TFrequencia::DesenharCurvas(const FrequencyAxes& axes, QList<ChartKey::Entry>& key) {
    for (const FrequencyCurve& curve : data_.Curves) {
        ChartKey::Entry entry;
        entry.Text = QString::fromStdString(DistributionName(curve.Index));
        entry.Line = QPen(ChartColour(curve.Index), kCurveWidth);
        Linha(axes, entry.Text, entry.Line, curve.Points);
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
        entry.Line = QPen(ChartColour(index), kBoundWidth, Qt::DashDotLine);
        for (const BoundLine* bound : bounds) {
            auto* series = new QLineSeries;
            series->setName(entry.Text);
            series->setPen(entry.Line);
            series->replace({QPointF(data_.CoordinateLow, bound->Value), QPointF(data_.CoordinateHigh, bound->Value)});
            AttachSeries(chart_, series, axes.X, axes.Y);
        }
        key << entry;
    }
}

void TFrequencia::DesenharPontos(const FrequencyAxes& axes, QList<ChartKey::Entry>& key) {
    // One entry for the study's return periods on all curves, before the
    // observed values'.
    if (!data_.Marked.empty()) {
        ChartKey::Entry marks;
        marks.Text = QStringLiteral("Quantis nos tempos de retorno do estudo");
        marks.Marker = QScatterSeries::MarkerShapeRectangle;
        marks.MarkerSize = kMarkedMarker;
        marks.MarkerFill = Qt::white;
        marks.MarkerBorder = Qt::black;
        key << marks;
    }
    // Points of the data: a scatter series painted by one item, and its key entry.
    auto addPoints = [&](const QString& name, QScatterSeries::MarkerShape shape, const QColor& fill,
                         const QColor& border, const std::vector<FrequencyPoint>& points) {
        QList<QPointF> list;
        list.reserve(static_cast<qsizetype>(points.size()));
        for (const FrequencyPoint& p : points) list.append(QPointF(p.Coordinate, p.Value));
        QScatterSeries* series = AddScatter(chart_, axes.X, axes.Y, key, name, shape, kObservedMarker, fill, border);
        series->replace(list);
        new MarkerCloud(chart_, series, MarkerLayer::Points);
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
    // The study's return periods on each curve, in its colour, drawn over
    // the observed values they fall among.
    if (data_.Marked.empty()) return;
    for (const FrequencyCurve& curve : data_.Curves) {
        QList<QPointF> list;
        for (const MarkedQuantile& m : data_.Marked)
            if (m.Index == curve.Index && m.Point.Value >= axes.Low && m.Point.Value <= axes.High)
                list.append(QPointF(m.Point.Coordinate, m.Point.Value));
        auto* series = new QScatterSeries;
        series->setName(QStringLiteral("Quantis nos tempos de retorno do estudo"));
        series->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
        series->setMarkerSize(kMarkedMarker);
        series->setColor(Qt::white);
        series->setBorderColor(ChartColour(curve.Index));
        series->replace(list);
        AttachSeries(chart_, series, axes.X, axes.Y);
        new MarkerCloud(chart_, series, MarkerLayer::Marks);
    }
}

}  // namespace zarn
