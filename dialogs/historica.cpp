// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/historica.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <map>

#include "analysis/b17cproject.h"
#include "files/filewrite.h"
#include "dialogs/resultdialogs.h"
#include "platform/document.h"
#include "platform/help.h"
#include "platform/platform.h"
#include "views/b17cview.h"
#include "views/frequencychart.h"

namespace zarn {

namespace {

constexpr int kWidth = 1040;
constexpr int kHeight = 640;
constexpr int kTablesWidth = 400;
// Years the first-year field offers.
constexpr int kEarliestYear = 1000;
constexpr int kLatestYear = 2200;
// Opacity (0..255) of a threshold's band.
constexpr int kBandAlpha = 45;
const QColor kBandColour(0, 114, 178);

// The Portuguese number style of every text beyond the specified windows
// ("41.000", "1.262,9"), in the table and in what is typed there.
NumberStyle EditStyle() { return TextStyle(); }

QString Utf8(const std::string& s) { return QString::fromStdString(s); }

QTableWidget* MakeTable(QWidget* parent, const QStringList& header, const QString& name) {
    auto* table = new QTableWidget(0, header.size(), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(header);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    return table;
}

QString CellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

bool ReadYear(const QString& text, int& year) {
    const std::string s = text.toStdString();
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), year);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

// One flow of a threshold: a plain value, or (for the high end) empty for no limit.
bool ReadFlow(const QString& text, bool emptyIsInfinite, double& v) {
    if (text.isEmpty()) {
        v = INFINITY;
        return emptyIsInfinite;
    }
    double low = 0, high = 0;
    if (!ParseObservation(text.toStdString(), EditStyle(), low, high).empty() || low != high) return false;
    v = low;
    return true;
}

QString FlowText(double v) {
    if (std::isinf(v)) return {};
    return Utf8(ObservationText({0, v, v}, EditStyle()));
}

QTableWidgetItem* HistoricalCell(bool historical) {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(historical ? Qt::Checked : Qt::Unchecked);
    return item;
}

bool IsHistorical(const QTableWidget* table, int row) {
    const QTableWidgetItem* item = table->item(row, 2);
    return item && item->checkState() == Qt::Checked;
}

void Attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

}  // namespace

TInformacaoHistorica::TInformacaoHistorica(Platform& platform, Document& document, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint),
      platform_(platform), document_(document) {
    setObjectName(QStringLiteral("InformacaoHistorica"));
    setWindowTitle(QStringLiteral("ZARN - Informação histórica"));
    resize(kWidth, kHeight);

    auto* explanation = new QLabel(
        QStringLiteral("Vazão de cada ano: um valor, \"< Q\" (menor que Q), \"> Q\" (maior que Q) ou um intervalo "
                       "\"mínimo - máximo\". Limiar de percepção: nos anos indicados toda cheia acima da vazão "
                       "mínima seria conhecida (vazão máxima em branco: sem limite). Um ano histórico (fora da série "
                       "sistemática) só entra na análise sob um limiar; os anos da série sistemática não precisam dele."),
        this);
    explanation->setWordWrap(true);

    anos_ = MakeTable(this, {QStringLiteral("Ano"), QStringLiteral("Vazão"), QStringLiteral("Histórico")},
                      QStringLiteral("Anos"));
    limiares_ = MakeTable(this,
                          {QStringLiteral("De"), QStringLiteral("Até"), QStringLiteral("Vazão mín."),
                           QStringLiteral("Vazão máx.")},
                          QStringLiteral("Limiares"));
    auto button = [this](const QString& text, void (TInformacaoHistorica::*command)()) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, command] { Guarded([this, command] { (this->*command)(); }); });
        return b;
    };
    primeiroAno_ = new QSpinBox(this);
    primeiroAno_->setObjectName(QStringLiteral("PrimeiroAno"));
    primeiroAno_->setRange(kEarliestYear, kLatestYear);
    primeiroAno_->setValue(1950);
    primeiroAno_->setToolTip(QStringLiteral("Ano do primeiro valor da série do projeto"));
    serieDoProjeto_ = button(QStringLiteral("Série do projeto"), &TInformacaoHistorica::SerieDoProjetoClick);
    serieDoProjeto_->setToolTip(QStringLiteral("Os valores da série do projeto, em anos seguidos a partir do primeiro ano"));
    importar_ = button(QStringLiteral("Importar..."), &TInformacaoHistorica::ImportarClick);
    importar_->setToolTip(QStringLiteral("Arquivo de picos anuais do USGS (RDB) ou tabela ano;vazão"));

    auto* yearsBox = new QGroupBox(QStringLiteral("Anos"), this);
    auto* yearsLayout = new QVBoxLayout(yearsBox);
    yearsLayout->addWidget(anos_, 1);
    auto* yearButtons = new QHBoxLayout;
    yearButtons->addWidget(button(QStringLiteral("Incluir"), &TInformacaoHistorica::IncluirAnoClick));
    yearButtons->addWidget(button(QStringLiteral("Excluir"), &TInformacaoHistorica::ExcluirAnoClick));
    yearButtons->addStretch();
    yearButtons->addWidget(importar_);
    yearsLayout->addLayout(yearButtons);
    auto* seriesRow = new QHBoxLayout;
    seriesRow->addWidget(new QLabel(QStringLiteral("Primeiro ano:"), this));
    seriesRow->addWidget(primeiroAno_);
    seriesRow->addWidget(serieDoProjeto_);
    seriesRow->addStretch();
    yearsLayout->addLayout(seriesRow);

    auto* thresholdBox = new QGroupBox(QStringLiteral("Limiares de percepção"), this);
    auto* thresholdLayout = new QVBoxLayout(thresholdBox);
    thresholdLayout->addWidget(limiares_, 1);
    auto* thresholdButtons = new QHBoxLayout;
    thresholdButtons->addWidget(button(QStringLiteral("Incluir"), &TInformacaoHistorica::IncluirLimiarClick));
    thresholdButtons->addWidget(button(QStringLiteral("Excluir"), &TInformacaoHistorica::ExcluirLimiarClick));
    thresholdButtons->addStretch();
    thresholdLayout->addLayout(thresholdButtons);

    auto* tables = new QWidget(this);
    tables->setFixedWidth(kTablesWidth);
    auto* tablesLayout = new QVBoxLayout(tables);
    tablesLayout->setContentsMargins(0, 0, 0, 0);
    tablesLayout->addWidget(yearsBox, 3);
    tablesLayout->addWidget(thresholdBox, 2);

    chart_ = new QChart;
    chart_->setTitle(QStringLiteral("Registro de cheias e limiares de percepção"));
    chart_->setBackgroundRoundness(0);
    chart_->setLocalizeNumbers(true);
    // Years read without a thousands separator (1880, not 1,880).
    QLocale numbers = chart_->locale();
    numbers.setNumberOptions(numbers.numberOptions() | QLocale::OmitGroupSeparator);
    chart_->setLocale(numbers);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    view_ = new QChartView(chart_, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setObjectName(QStringLiteral("Grafico"));

    auto* body = new QHBoxLayout;
    body->addWidget(tables);
    body->addWidget(view_, 1);

    ok_ = button(QStringLiteral("OK"), &TInformacaoHistorica::OkClick);
    ok_->setDefault(true);
    cancelar_ = new QPushButton(QStringLiteral("Cancelar"), this);
    cancelar_->setAutoDefault(false);
    connect(cancelar_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancelar_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    for (QTableWidget* table : {anos_, limiares_})
        connect(table, &QTableWidget::itemChanged, this, [this] {
            if (!filling_) Desenhar();
        });
}

void TInformacaoHistorica::Guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        platform_.ShowError(this, QString::fromStdString(e.what()));
    }
}

std::optional<HistoricalRecord> TInformacaoHistorica::Executar(const HistoricalRecord& current) {
    Mostrar(current);
    // The series' first year: the first year of the record when there is one.
    if (!current.Observations.empty()) primeiroAno_->setValue(current.Observations.front().Year);
    serieDoProjeto_->setEnabled(document_.Record().SampleSize > 0);
    setResult(QDialog::Rejected);
    if (ModalRun) ModalRun(*this);
    else exec();
    if (result() != QDialog::Accepted) return std::nullopt;
    return accepted_;
}

void TInformacaoHistorica::SetYearRow(int row, const FloodObservation& o) {
    anos_->setItem(row, 0, new QTableWidgetItem(QString::number(o.Year)));
    anos_->setItem(row, 1, new QTableWidgetItem(Utf8(ObservationText(o, EditStyle()))));
    anos_->setItem(row, 2, HistoricalCell(o.Historical));
}

void TInformacaoHistorica::SetThresholdRow(int row, const PerceptionThreshold& t) {
    limiares_->setItem(row, 0, new QTableWidgetItem(QString::number(t.First)));
    limiares_->setItem(row, 1, new QTableWidgetItem(QString::number(t.Last)));
    limiares_->setItem(row, 2, new QTableWidgetItem(FlowText(t.Low)));
    limiares_->setItem(row, 3, new QTableWidgetItem(FlowText(t.High)));
}

void TInformacaoHistorica::Mostrar(const HistoricalRecord& record) {
    filling_ = true;
    anos_->setRowCount(static_cast<int>(record.Observations.size()));
    for (int row = 0; row < anos_->rowCount(); ++row) SetYearRow(row, record.Observations[row]);
    limiares_->setRowCount(static_cast<int>(record.Thresholds.size()));
    for (int row = 0; row < limiares_->rowCount(); ++row) SetThresholdRow(row, record.Thresholds[row]);
    filling_ = false;
    Desenhar();
}

bool TInformacaoHistorica::Ler(HistoricalRecord& record) {
    record = {};
    std::map<int, FloodObservation> years;
    auto refuse = [this](QTableWidget* table, int row, const QString& text) {
        platform_.Notice(this, text);
        table->setCurrentCell(row, 0);
        table->setFocus();
        return false;
    };
    for (int row = 0; row < anos_->rowCount(); ++row) {
        const QString yearText = CellText(anos_, row, 0), flowText = CellText(anos_, row, 1);
        if (yearText.isEmpty() && flowText.isEmpty()) continue;  // an empty row is no year
        FloodObservation o;
        if (!ReadYear(yearText, o.Year))
            return refuse(anos_, row, QStringLiteral("Linha %1 dos anos: \"%2\" não é um ano.").arg(row + 1).arg(yearText));
        const std::string refusal = ParseObservation(flowText.toStdString(), EditStyle(), o.Low, o.High);
        if (!refusal.empty())
            return refuse(anos_, row, QStringLiteral("Ano %1: %2").arg(o.Year).arg(Utf8(refusal)));
        if (years.count(o.Year))
            return refuse(anos_, row, QStringLiteral("O ano %1 aparece mais de uma vez.").arg(o.Year));
        o.Historical = IsHistorical(anos_, row);
        years[o.Year] = o;
    }
    for (const auto& [year, o] : years) record.Observations.push_back(o);
    for (int row = 0; row < limiares_->rowCount(); ++row) {
        QString texts[4];
        bool empty = true;
        for (int c = 0; c < 4; ++c) {
            texts[c] = CellText(limiares_, row, c);
            empty = empty && texts[c].isEmpty();
        }
        if (empty) continue;
        PerceptionThreshold t;
        const QString where = QStringLiteral("Limiar da linha %1: ").arg(row + 1);
        if (!ReadYear(texts[0], t.First) || !ReadYear(texts[1], t.Last) || t.Last < t.First)
            return refuse(limiares_, row, where + QStringLiteral("informe o primeiro e o último ano, nesta ordem."));
        if (!ReadFlow(texts[2], false, t.Low) || !ReadFlow(texts[3], true, t.High) || t.High < t.Low)
            return refuse(limiares_, row,
                          where + QStringLiteral("a vazão mínima é um valor e a máxima, maior que ela ou em branco."));
        record.Thresholds.push_back(t);
    }
    return true;
}

void TInformacaoHistorica::OkClick() {
    HistoricalRecord record;
    if (!Ler(record)) return;
    // What the analysis itself would refuse, said before the window closes.
    if (const std::string problem = CheckHistoricalRecord(record); !problem.empty()) {
        platform_.Notice(this, Utf8(problem));
        return;
    }
    accepted_ = record;
    accept();
}

void TInformacaoHistorica::IncluirAnoClick() {
    const int row = anos_->currentRow() >= 0 ? anos_->currentRow() + 1 : anos_->rowCount();
    filling_ = true;
    anos_->insertRow(row);
    anos_->setItem(row, 2, HistoricalCell(false));
    filling_ = false;
    anos_->setCurrentCell(row, 0);
    anos_->editItem(anos_->item(row, 0));
}

void TInformacaoHistorica::ExcluirAnoClick() {
    if (anos_->currentRow() < 0) return;
    anos_->removeRow(anos_->currentRow());
    Desenhar();
}

void TInformacaoHistorica::IncluirLimiarClick() {
    filling_ = true;
    limiares_->insertRow(limiares_->rowCount());
    filling_ = false;
    limiares_->setCurrentCell(limiares_->rowCount() - 1, 0);
}

void TInformacaoHistorica::ExcluirLimiarClick() {
    if (limiares_->currentRow() < 0) return;
    limiares_->removeRow(limiares_->currentRow());
    Desenhar();
}

void TInformacaoHistorica::SerieDoProjetoClick() {
    HistoricalRecord record;
    if (!Ler(record)) return;
    std::map<int, FloodObservation> years;
    for (const FloodObservation& o : record.Observations) years[o.Year] = o;
    for (const FloodObservation& o : SystematicRecord(document_.Record(), primeiroAno_->value())) years[o.Year] = o;
    record.Observations.clear();
    for (const auto& [year, o] : years) record.Observations.push_back(o);
    Mostrar(record);
}

void TInformacaoHistorica::ImportarClick() {
    HistoricalRecord record;
    if (!Ler(record)) return;
    FileDialogOptions options;
    options.Title = QStringLiteral("Importar informação histórica");
    options.Filters = {QStringLiteral("Picos anuais do USGS (*.txt *.rdb)"),
                       QStringLiteral("Tabela ano;vazão (*.csv *.txt)"), QStringLiteral("Todos os arquivos (*.*)")};
    options.InitialFolder = FromFileSystem(document_.session().StartupDir);
    options.ConfirmOverwrite = false;
    const QString path = platform_.OpenFileName(this, options);
    if (path.isEmpty()) return;
    const HistoricalReading reading = ParseHistoricalRecord(ReadFileContents(FileSystemPath(path)));
    if (!reading.Ok) {
        platform_.Notice(this, QStringLiteral("\"%1\" não pôde ser importado: %2").arg(path, Utf8(reading.Failure)));
        return;
    }
    std::map<int, FloodObservation> years;
    for (const FloodObservation& o : record.Observations) years[o.Year] = o;
    for (const FloodObservation& o : reading.Record.Observations) years[o.Year] = o;
    record.Observations.clear();
    for (const auto& [year, o] : years) record.Observations.push_back(o);
    record.Thresholds.insert(record.Thresholds.end(), reading.Record.Thresholds.begin(), reading.Record.Thresholds.end());
    Mostrar(record);
}

void TInformacaoHistorica::Desenhar() {
    // The rows that read; a row being typed is left out until it does.
    HistoricalRecord record;
    for (int row = 0; row < anos_->rowCount(); ++row) {
        FloodObservation o;
        if (ReadYear(CellText(anos_, row, 0), o.Year) &&
            ParseObservation(CellText(anos_, row, 1).toStdString(), EditStyle(), o.Low, o.High).empty()) {
            o.Historical = IsHistorical(anos_, row);
            record.Observations.push_back(o);
        }
    }
    for (int row = 0; row < limiares_->rowCount(); ++row) {
        PerceptionThreshold t;
        if (ReadYear(CellText(limiares_, row, 0), t.First) && ReadYear(CellText(limiares_, row, 1), t.Last) &&
            ReadFlow(CellText(limiares_, row, 2), false, t.Low) && ReadFlow(CellText(limiares_, row, 3), true, t.High))
            record.Thresholds.push_back(t);
    }
    const RecordChartData data = RecordChart(record);

    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("Ano"));
    x->setLabelFormat(QStringLiteral("%.0f"));
    const LinearScale years = NiceScale(data.FirstYear, data.LastYear, 8);
    x->setRange(data.FirstYear, data.LastYear);
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(std::max(1.0, years.Step));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("Vazão"));
    y->setRange(0, data.FlowHigh);
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);

    bool bandNamed = false;
    for (const B17cBand& band : data.Thresholds) {
        auto* top = new QLineSeries;
        auto* bottom = new QLineSeries;
        const double high = std::min(band.High, data.FlowHigh);
        top->append(band.First - 0.5, high);
        top->append(band.Last + 0.5, high);
        bottom->append(band.First - 0.5, band.Low);
        bottom->append(band.Last + 0.5, band.Low);
        auto* area = new QAreaSeries(top, bottom);
        top->setParent(area);
        bottom->setParent(area);
        QColor fill = kBandColour;
        fill.setAlpha(kBandAlpha);
        area->setBrush(fill);
        area->setPen(QPen(kBandColour, 1.0));
        area->setName(QStringLiteral("Limiar de percepção"));
        Attach(chart_, area, x, y);
        if (bandNamed) chart_->legend()->markers(area).value(0)->setVisible(false);
        bandNamed = true;
    }
    bool barNamed = false;
    for (const FloodObservation& o : data.Intervals) {
        auto* bar = new QLineSeries;
        bar->setPen(QPen(kRecordIntervalColour, kRecordBarWidth));
        bar->append(o.Year, o.Low);
        bar->append(o.Year, std::min(o.High, data.FlowHigh));
        bar->setName(QStringLiteral("Intervalo ou censura"));
        Attach(chart_, bar, x, y);
        if (barNamed) chart_->legend()->markers(bar).value(0)->setVisible(false);
        barNamed = true;
    }
    auto addPoints = [&](const QString& name, const QColor& colour, const std::vector<std::pair<int, double>>& list) {
        if (list.empty()) return;
        auto* points = new QScatterSeries;
        points->setName(name);
        points->setMarkerSize(kRecordPointSize);
        points->setColor(colour);
        points->setBorderColor(Qt::black);
        for (const auto& [year, flow] : list) points->append(year, flow);
        Attach(chart_, points, x, y);
    };
    addPoints(QStringLiteral("Série sistemática"), kRecordPointColour, data.Points);
    addPoints(QStringLiteral("Cheias históricas"), kRecordHistoricalColour, data.HistoricalPoints);
}

void TInformacaoHistorica::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1)
        ShowHelpTopic(platform_, this, document_.session(), HelpFilePath(document_.session()), kB17cHelpContext);
    else
        QDialog::keyPressEvent(event);
}

}  // namespace zarn
