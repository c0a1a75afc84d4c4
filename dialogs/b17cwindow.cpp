// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/b17cwindow.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "dialogs/historica.h"
#include "platform/document.h"
#include "platform/platform.h"
#include "rules/b17cfacts.h"

namespace zarn {

namespace {

constexpr int kWidth = 1180;
constexpr int kHeight = 760;
// The options and results panel (wider than the chart windows' own).
constexpr int kB17cPanelWidth = 330;
constexpr double kLimitWidth = 1.2;
constexpr int kBandAlpha = 35;
const QColor kCurveColour(0, 114, 178);
const QColor kOutlierColour(204, 121, 167);
const QColor kBandColour(0, 158, 115);

QString Utf8(const std::string& s) { return QString::fromStdString(s); }
// The results in the Portuguese number style of every text beyond the
// specified windows ("12.483", "0,8805"), as the study prints them.
NumberStyle WindowStyle() { return TextStyle(); }

// A number typed with either decimal mark; false when it is not one.
bool ReadField(const QLineEdit* field, double& v) {
    std::string text = field->text().trimmed().toStdString();
    std::replace(text.begin(), text.end(), ',', '.');
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(v);
}

QString FieldText(double v) {
    QString text = QString::number(v, 'g', 10);
    return text.replace(QLatin1Char('.'), QLatin1Char(RegionalDecimalSeparator()));
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QTableWidget* MakeTable(QWidget* parent, const QStringList& header, const QString& name) {
    auto* table = new QTableWidget(0, header.size(), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(header);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setFocusPolicy(Qt::NoFocus);
    return table;
}

void Attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

// A band from each threshold's level up to its upper flow (the axis's top
// when open), across the plot, and one key entry for them all.
void AddThresholdBands(QChart* chart, const B17cChartData& data, QAbstractAxis* x, QAbstractAxis* y,
                       QList<ChartKey::Entry>& key) {
    if (data.Thresholds.empty()) return;
    const double top = data.FlowHigh;
    QColor fill = kBandColour;
    fill.setAlpha(kBandAlpha);
    for (const B17cBand& band : data.Thresholds) {
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        upper->append(data.CoordinateLow, std::min(band.High, top));
        upper->append(data.CoordinateHigh, std::min(band.High, top));
        lower->append(data.CoordinateLow, band.Low);
        lower->append(data.CoordinateHigh, band.Low);
        auto* area = new QAreaSeries(upper, lower);
        upper->setParent(area);
        lower->setParent(area);
        area->setBrush(fill);
        area->setPen(QPen(kBandColour, 1.0, Qt::DotLine));
        Attach(chart, area, x, y);
    }
    ChartKey::Entry entry;
    entry.Text = QStringLiteral("Limiares de percepção");
    entry.Fill = fill;
    entry.Line = QPen(kBandColour, 1.0, Qt::DotLine);
    key << entry;
}

QString ConfidenceText(double c) { return QStringLiteral("%1 %").arg(std::lround(c * 100)); }

}  // namespace

std::vector<std::string> ProjectB17cFacts(const Document& document) {
    const B17cProject project = ReadB17cProject(document.Settings());
    if (project.Record.Observations.empty()) return {};
    const B17cOptions options = B17cAnalysisOptions(project.Options, StudyReturnPeriods(document));
    return B17cFacts(document.Record(), StudyZeroYears(document), options, AnalyseB17c(project.Record, options));
}

TAnaliseB17c::TAnaliseB17c(Platform& platform, Document& document, QWidget* parent)
    : ChartWindowBase(platform, document, parent, QStringLiteral("ZARN - Análise B17C"), kWidth, kHeight) {
    setObjectName(QStringLiteral("AnaliseB17c"));
    SetHelpContext(kB17cHelpContext);

    auto* panel = new QWidget(this);
    panel->setFixedWidth(kB17cPanelWidth);
    auto* controls = new QVBoxLayout(panel);
    controls->setContentsMargins(0, 0, 0, 0);

    historica_ = new QPushButton(QStringLiteral("Informação histórica..."), panel);
    historica_->setAutoDefault(false);
    controls->addWidget(historica_);

    auto* options = new QGroupBox(QStringLiteral("Opções"), panel);
    auto* form = new QFormLayout(options);
    atipicos_ = new QComboBox(options);
    atipicos_->addItem(QStringLiteral("Grubbs-Beck múltiplo"), static_cast<int>(LowOutlierMethod::MultipleGrubbsBeck));
    atipicos_->addItem(QStringLiteral("Grubbs-Beck (10 %)"), static_cast<int>(LowOutlierMethod::GrubbsBeck));
    atipicos_->addItem(QStringLiteral("Nenhum"), static_cast<int>(LowOutlierMethod::None));
    atipicos_->addItem(QStringLiteral("Limiar dado"), static_cast<int>(LowOutlierMethod::UserThreshold));
    limiarAtipicos_ = new QLineEdit(options);
    limiarAtipicos_->setObjectName(QStringLiteral("LimiarAtipicos"));
    assimetria_ = new QComboBox(options);
    assimetria_->addItem(QStringLiteral("Da estação"), static_cast<int>(SkewOption::Station));
    assimetria_->addItem(QStringLiteral("Ponderada"), static_cast<int>(SkewOption::Weighted));
    assimetria_->addItem(QStringLiteral("Regional"), static_cast<int>(SkewOption::Regional));
    regional_ = new QLineEdit(options);
    regional_->setObjectName(QStringLiteral("AssimetriaRegional"));
    erroPadrao_ = new QLineEdit(options);
    erroPadrao_->setObjectName(QStringLiteral("ErroPadrao"));
    confianca_ = new QComboBox(options);
    confianca_->addItem(QStringLiteral("90 %"), 0.90);
    confianca_->addItem(QStringLiteral("95 %"), 0.95);
    form->addRow(QStringLiteral("Atípicos baixos:"), atipicos_);
    form->addRow(QStringLiteral("Limiar:"), limiarAtipicos_);
    form->addRow(QStringLiteral("Assimetria:"), assimetria_);
    form->addRow(QStringLiteral("Assimetria regional:"), regional_);
    form->addRow(QStringLiteral("Erro padrão:"), erroPadrao_);
    form->addRow(QStringLiteral("Intervalo de confiança:"), confianca_);
    calcular_ = new QPushButton(QStringLiteral("Calcular"), options);
    calcular_->setDefault(true);
    form->addRow(calcular_);
    controls->addWidget(options);

    aviso_ = new QLabel(panel);
    aviso_->setObjectName(QStringLiteral("Aviso"));
    aviso_->setWordWrap(true);
    controls->addWidget(aviso_);
    resumo_ = MakeTable(panel, {QStringLiteral("Resultado"), QStringLiteral("Valor")}, QStringLiteral("Resumo"));
    resumo_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    resumo_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    controls->addWidget(resumo_, 1);
    AddCloseButton(panel, controls);

    MakeChart(QStringLiteral("LOG-PEARSON III (B17C, EMA)"), QStringLiteral("b17c"));
    quantis_ = MakeTable(this, {}, QStringLiteral("Quantis"));
    quantis_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto* right = new QSplitter(Qt::Vertical, this);
    right->addWidget(view_);
    right->addWidget(quantis_);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 1);
    right->setSizes({kHeight * 2 / 3, kHeight / 3});
    auto* body = new QHBoxLayout;
    body->addWidget(panel);
    body->addWidget(right, 1);
    LayOut(body);

    connect(historica_, &QPushButton::clicked, this, [this] { Guarded([this] { InformacaoHistoricaClick(); }); });
    connect(calcular_, &QPushButton::clicked, this, [this] { Guarded([this] { CalcularClick(); }); });
    for (QComboBox* box : {atipicos_, assimetria_})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { HabilitarCampos(); });
}

TInformacaoHistorica* TAnaliseB17c::Editor() {
    if (editor_ == nullptr) editor_ = new TInformacaoHistorica(platform(), document(), this);
    return editor_;
}

void TAnaliseB17c::Exibir() {
    Preencher();
    ShowChart();
}

void TAnaliseB17c::Preencher() {
    project_ = ReadB17cProject(document().Settings());
    MostrarOpcoes(project_.Options);
    Analisar();
}

void TAnaliseB17c::MostrarOpcoes(const B17cOptions& o) {
    atipicos_->setCurrentIndex(atipicos_->findData(static_cast<int>(o.LowOutliers)));
    limiarAtipicos_->setText(o.LowOutliers == LowOutlierMethod::UserThreshold ? FieldText(o.UserThreshold) : QString());
    assimetria_->setCurrentIndex(assimetria_->findData(static_cast<int>(o.Skew)));
    regional_->setText(o.Skew != SkewOption::Station ? FieldText(o.RegionalSkew) : QString());
    erroPadrao_->setText(o.Skew == SkewOption::Weighted ? FieldText(o.RegionalSkewSE) : QString());
    confianca_->setCurrentIndex(o.Confidence > 0.925 ? 1 : 0);
    HabilitarCampos();
}

void TAnaliseB17c::HabilitarCampos() {
    const auto skew = static_cast<SkewOption>(assimetria_->currentData().toInt());
    limiarAtipicos_->setEnabled(static_cast<LowOutlierMethod>(atipicos_->currentData().toInt()) ==
                                LowOutlierMethod::UserThreshold);
    regional_->setEnabled(skew != SkewOption::Station);
    erroPadrao_->setEnabled(skew == SkewOption::Weighted);
}

bool TAnaliseB17c::LerOpcoes(B17cOptions& o) {
    auto refuse = [this](QLineEdit* field, const QString& text) {
        platform().Notice(this, text);
        field->setFocus();
        return false;
    };
    o.LowOutliers = static_cast<LowOutlierMethod>(atipicos_->currentData().toInt());
    o.Skew = static_cast<SkewOption>(assimetria_->currentData().toInt());
    o.Confidence = confianca_->currentData().toDouble();
    if (o.LowOutliers == LowOutlierMethod::UserThreshold &&
        (!ReadField(limiarAtipicos_, o.UserThreshold) || o.UserThreshold < 0))
        return refuse(limiarAtipicos_, QStringLiteral("Informe o limiar de atípicos baixos: uma vazão maior ou igual a zero."));
    if (o.Skew != SkewOption::Station && !ReadField(regional_, o.RegionalSkew))
        return refuse(regional_, QStringLiteral("Informe a assimetria regional (dos logaritmos decimais das vazões)."));
    if (o.Skew == SkewOption::Weighted && (!ReadField(erroPadrao_, o.RegionalSkewSE) || o.RegionalSkewSE <= 0))
        return refuse(erroPadrao_, QStringLiteral("Informe o erro padrão da assimetria regional: um valor maior que zero."));
    return true;
}

void TAnaliseB17c::Guardar(const B17cProject& project) {
    ProjectSettings& settings = document().Settings();
    const ProjectSettings before = settings;
    SetB17cProject(settings, project);
    if (settings.Other != before.Other) document().SetModified(true);
    project_ = ReadB17cProject(settings);
}

void TAnaliseB17c::CalcularClick() {
    B17cProject project = project_;
    if (!LerOpcoes(project.Options)) return;
    Guardar(project);
    Analisar();
}

bool TAnaliseB17c::InformacaoHistoricaClick() {
    // A hidden window shows the project first; the options on screen go
    // with the record, as "Calcular" would keep them.
    if (!isVisible()) Preencher();
    B17cProject project = project_;
    if (!LerOpcoes(project.Options)) return false;
    const std::optional<HistoricalRecord> record = Editor()->Executar(project.Record);
    if (!record) return false;
    project.Record = *record;
    Guardar(project);
    Analisar();
    return true;
}

void TAnaliseB17c::Analisar() {
    result_.reset();
    data_ = {};
    if (project_.Record.Observations.empty()) {
        aviso_->setText(QStringLiteral("O projeto ainda não tem registro de cheias para o B17C: use \"Informação "
                                       "histórica...\" para informar os anos (a série do projeto a partir do primeiro "
                                       "ano, um arquivo de picos do USGS ou uma tabela) e os limiares de percepção."));
    } else {
        platform().SetBusyCursor();
        struct CursorGuard {
            Platform& platform;
            ~CursorGuard() { platform.RestoreCursor(); }
        } cursor{platform()};
        const B17cOptions options = B17cAnalysisOptions(project_.Options, StudyReturnPeriods(document()));
        B17cResult result = AnalyseB17c(project_.Record, options);
        if (result.Ok) {
            data_ = B17cChart(project_.Record, result);
            // Historical years no threshold covers carry no information.
            QStringList left;
            for (int year : result.LeftOutYears) left << QString::number(year);
            aviso_->setText(left.isEmpty() ? QString()
                                           : QStringLiteral("Anos históricos fora de qualquer limiar de percepção, "
                                                            "deixados de fora: %1.")
                                                 .arg(left.join(QStringLiteral(", "))));
            result_ = std::move(result);
        } else {
            aviso_->setText(QStringLiteral("A análise B17C não pôde ser feita: %1").arg(Utf8(result.Failure)));
        }
    }
    PreencherTabelas();
    Desenhar();
}

void TAnaliseB17c::PreencherTabelas() {
    const NumberStyle style = WindowStyle();
    resumo_->setRowCount(0);
    quantis_->setRowCount(0);
    const QString level = ConfidenceText(project_.Options.Confidence);
    quantis_->setColumnCount(5);
    quantis_->setHorizontalHeaderLabels({QStringLiteral("AEP"), QStringLiteral("T (anos)"), QStringLiteral("Quantil"),
                                         QStringLiteral("Limite inferior (%1)").arg(level),
                                         QStringLiteral("Limite superior (%1)").arg(level)});
    if (!result_) return;
    const auto summary = B17cSummaryRows(*result_, project_.Options, style);
    resumo_->setRowCount(static_cast<int>(summary.size()));
    for (int row = 0; row < resumo_->rowCount(); ++row) {
        resumo_->setItem(row, 0, Cell(Utf8(summary[row].first), Qt::AlignLeft));
        resumo_->setItem(row, 1, Cell(Utf8(summary[row].second), Qt::AlignRight));
    }
    const auto rows = B17cQuantileRows(*result_, StudyReturnPeriods(document()), style);
    quantis_->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < quantis_->rowCount(); ++row)
        for (int c = 0; c < 5 && c < static_cast<int>(rows[row].size()); ++c)
            quantis_->setItem(row, c, Cell(Utf8(rows[row][c]), Qt::AlignRight));
}

void TAnaliseB17c::Desenhar() {
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    QList<ChartKey::Entry> key;
    auto* x = new QCategoryAxis;
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    x->setStartValue(data_.CoordinateLow);
    QLocale numbers;
    numbers.setNumberOptions(numbers.numberOptions() | QLocale::OmitGroupSeparator);
    for (const auto& [aep, coordinate] : data_.Ticks) x->append(numbers.toString(aep, 'g', 4), coordinate);
    x->setRange(data_.CoordinateLow, data_.CoordinateHigh);
    x->setTitleText(QStringLiteral("Probabilidade anual de excedência (AEP)"));
    // Flow ticks without a thousands separator, as the other charts write them.
    chart_->setLocale(RegionalTickNumbers());
    auto* y = new QLogValueAxis;
    y->setBase(10);
    y->setMinorTickCount(-1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->setRange(data_.FlowLow, data_.FlowHigh);
    y->setTitleText(QString::fromStdString(document().Settings().Unit && !document().Settings().Unit->empty()
                                               ? "Vazão (" + *document().Settings().Unit + ")"
                                               : std::string("Vazão")));
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);
    if (!result_) {
        key_->SetEntries(key);
        return;
    }
    const double top = data_.FlowHigh;
    // Thresholds behind everything.
    AddThresholdBands(chart_, data_, x, y, key);
    auto line = [&](const B17cChartLine& points, const QPen& pen, const QString& name, bool keyed) {
        if (points.Points.empty()) return;
        auto* series = new QLineSeries;
        series->setPen(pen);
        series->setName(name);
        for (const auto& [c, v] : points.Points) series->append(c, std::clamp(v, data_.FlowLow, top));
        Attach(chart_, series, x, y);
        if (keyed) {
            ChartKey::Entry entry;
            entry.Text = name;
            entry.Line = pen;
            key << entry;
        }
    };
    const QString limits = QStringLiteral("Limites de confiança (%1)").arg(ConfidenceText(project_.Options.Confidence));
    line(data_.Lower, QPen(kCurveColour, kLimitWidth, Qt::DashLine), limits, true);
    line(data_.Upper, QPen(kCurveColour, kLimitWidth, Qt::DashLine), limits, false);
    line(data_.Curve, QPen(kCurveColour, kCurveWidth), QStringLiteral("Log-Pearson III (EMA)"), true);
    if (!data_.Intervals.empty()) {
        const QPen pen(kRecordIntervalColour, kRecordBarWidth);
        for (const B17cChartPoint& p : data_.Intervals) {
            auto* bar = new QLineSeries;
            bar->setPen(pen);
            bar->append(p.Coordinate, std::max(p.Low, data_.FlowLow));
            bar->append(p.Coordinate, std::min(p.High, top));
            Attach(chart_, bar, x, y);
        }
        ChartKey::Entry entry;
        entry.Text = QStringLiteral("Intervalos e censuras");
        entry.Line = pen;
        key << entry;
    }
    auto scatter = [&](const QString& name, QScatterSeries::MarkerShape shape, const QColor& fill,
                       const auto& wanted) {
        auto* series = new QScatterSeries;
        series->setMarkerShape(shape);
        series->setMarkerSize(kRecordPointSize);
        series->setColor(fill);
        series->setBorderColor(Qt::black);
        for (const B17cChartPoint& p : data_.Points)
            if (wanted(p)) series->append(p.Coordinate, p.Low);
        if (series->count() == 0) {
            delete series;
            return;
        }
        Attach(chart_, series, x, y);
        ChartKey::Entry entry;
        entry.Text = name;
        entry.Marker = shape;
        entry.MarkerSize = kRecordPointSize;
        entry.MarkerFill = fill;
        entry.MarkerBorder = Qt::black;
        key << entry;
    };
    scatter(QStringLiteral("Sistemáticos"), QScatterSeries::MarkerShapeCircle, kRecordPointColour,
            [](const B17cChartPoint& p) { return !p.Historical && !p.LowOutlier; });
    scatter(QStringLiteral("Históricos"), QScatterSeries::MarkerShapeRotatedRectangle, kRecordHistoricalColour,
            [](const B17cChartPoint& p) { return p.Historical && !p.LowOutlier; });
    scatter(QStringLiteral("Atípicos baixos"), QScatterSeries::MarkerShapeTriangle, kOutlierColour,
            [](const B17cChartPoint& p) { return p.LowOutlier; });
    key_->SetEntries(key);
}

}  // namespace zarn
