// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/importdialog.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <new>

#include "files/errors.h"
#include "views/frequencychart.h"
#include "app/application.h"
#include "app/pictures.h"

namespace zarn {

namespace {

// Size of the window when it first opens, in pixels; it may be resized.
constexpr int kInitialWidth = 720;
constexpr int kInitialHeight = 820;
constexpr int kBrowseSize = 25;
constexpr int kButtonWidth = 85;
constexpr int kButtonHeight = 25;
constexpr int kSummaryLines = 7;
constexpr int kRowPadding = 6;  // pixels above and below a table row's text
constexpr int kDailyChartHeight = 230;  // the daily discharges' chart under the table
// Days without a value longer than this break the daily line (shorter gaps are joined).
constexpr qint64 kLongestJoinedGapDays = 15;
constexpr qint64 kMsecsPerDay = 86400000;
constexpr int kLeftOutAlpha = 70;       // the shading of a year left out
constexpr double kKeptMarker = 7.0;
constexpr int kMaxColumn = 99;        // highest column offered for values and dates
constexpr int kMaxHeaderLines = 999;  // highest header-line count offered

const QStringList kMonthNames = {
    QStringLiteral("Janeiro"),  QStringLiteral("Fevereiro"), QStringLiteral("Março"),    QStringLiteral("Abril"),
    QStringLiteral("Maio"),     QStringLiteral("Junho"),     QStringLiteral("Julho"),    QStringLiteral("Agosto"),
    QStringLiteral("Setembro"), QStringLiteral("Outubro"),   QStringLiteral("Novembro"), QStringLiteral("Dezembro")};

const QString kAutomaticStart = QStringLiteral("Automático (menor média mensal)");
const QString kEmptyHint = QStringLiteral(
    "Escolha o arquivo de origem pelo botão ao lado do campo: vazões diárias do HidroWeb (ANA), picos anuais "
    "do USGS (RDB) ou uma tabela de valores (com ou sem coluna de anos ou datas).");

// Columns of the preview table.
enum PreviewColumn { kColAno, kColValor, kColData, kColFalhas, kColSituacao, kColObservacao, kPreviewColumns };

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString ImportDataFileName(const QString& source) {
    const QFileInfo info(source);
    const QString base = info.completeBaseName().isEmpty() ? info.fileName() : info.completeBaseName();
    const QString name = info.suffix().compare(QStringLiteral("dat"), Qt::CaseInsensitive) == 0
                             ? base + QStringLiteral("-serie.dat")
                             : base + QStringLiteral(".dat");
    return info.dir().filePath(name);
}

TImportar::TImportar(Platform& platform, const Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      platform_(platform),
      session_(session) {
    setWindowTitle(QStringLiteral("ZARN - Importar série"));
    resize(kInitialWidth, kInitialHeight);

    auto* layout = new QVBoxLayout(this);

    // Source file.
    auto* fileRow = new QHBoxLayout;
    arquivo_ = new QLineEdit(this);
    arquivo_->setReadOnly(true);
    auto* fileLabel = new QLabel(QStringLiteral("Arquivo de origem:"), this);
    fileLabel->setBuddy(arquivo_);
    buttonArquivo_ = new QPushButton(this);
    buttonArquivo_->setIcon(Picture(Glyph::Abrir));
    buttonArquivo_->setToolTip(QStringLiteral("Escolher o arquivo a importar"));
    buttonArquivo_->setFixedSize(kBrowseSize, kBrowseSize);
    buttonArquivo_->setAutoDefault(false);
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(arquivo_, 1);
    fileRow->addWidget(buttonArquivo_);
    layout->addLayout(fileRow);

    // Format and station.
    auto* formatRow = new QHBoxLayout;
    formato_ = new QComboBox(this);
    formato_->addItems({QStringLiteral("Automático"), QStringLiteral("HidroWeb (ANA)"), QStringLiteral("USGS (picos anuais)"),
                        QStringLiteral("Tabela")});
    auto* formatLabel = new QLabel(QStringLiteral("Formato:"), this);
    formatLabel->setBuddy(formato_);
    detectado_ = new QLabel(this);
    estacao_ = new QComboBox(this);
    estacao_->setMinimumContentsLength(10);
    estacao_->setEnabled(false);
    auto* stationLabel = new QLabel(QStringLiteral("Estação:"), this);
    stationLabel->setBuddy(estacao_);
    formatRow->addWidget(formatLabel);
    formatRow->addWidget(formato_);
    formatRow->addWidget(detectado_, 1);
    formatRow->addWidget(stationLabel);
    formatRow->addWidget(estacao_);
    layout->addLayout(formatRow);

    // Options of the daily files and of the tables.
    auto* optionsRow = new QHBoxLayout;
    grupoHidroWeb_ = new QGroupBox(QStringLiteral("Vazões diárias (HidroWeb)"), this);
    auto* daily = new QFormLayout(grupoHidroWeb_);
    inicioAno_ = new QComboBox(grupoHidroWeb_);
    inicioAno_->addItem(kAutomaticStart);
    inicioAno_->addItems(kMonthNames);
    falhas_ = new QDoubleSpinBox(grupoHidroWeb_);
    falhas_->setRange(0, 100);
    falhas_->setDecimals(1);
    falhas_->setSingleStep(1);
    falhas_->setSuffix(QStringLiteral(" %"));
    falhas_->setValue(kDefaultMaxMissingPercent);
    falhas_->setKeyboardTracking(false);
    daily->addRow(QStringLiteral("Início do ano hidrológico:"), inicioAno_);
    daily->addRow(QStringLiteral("Falhas toleradas por ano:"), falhas_);
    optionsRow->addWidget(grupoHidroWeb_);

    grupoTabela_ = new QGroupBox(QStringLiteral("Tabela"), this);
    auto* table = new QGridLayout(grupoTabela_);
    colunaValores_ = new QSpinBox(grupoTabela_);
    colunaValores_->setRange(0, kMaxColumn);
    colunaValores_->setSpecialValueText(QStringLiteral("automática"));
    colunaValores_->setKeyboardTracking(false);
    colunaDatas_ = new QSpinBox(grupoTabela_);
    colunaDatas_->setRange(0, kMaxColumn);
    colunaDatas_->setSpecialValueText(QStringLiteral("automática"));
    colunaDatas_->setKeyboardTracking(false);
    separador_ = new QComboBox(grupoTabela_);
    separador_->addItems({QStringLiteral("Automático"), QStringLiteral("Tabulação"), QStringLiteral("Ponto e vírgula"),
                          QStringLiteral("Vírgula"), QStringLiteral("Espaços")});
    decimal_ = new QComboBox(grupoTabela_);
    decimal_->addItems({QStringLiteral("Automático"), QStringLiteral("Ponto"), QStringLiteral("Vírgula")});
    cabecalho_ = new QSpinBox(grupoTabela_);
    cabecalho_->setRange(-1, kMaxHeaderLines);
    cabecalho_->setSpecialValueText(QStringLiteral("automático"));
    cabecalho_->setValue(-1);
    cabecalho_->setKeyboardTracking(false);
    table->addWidget(new QLabel(QStringLiteral("Coluna dos valores:"), grupoTabela_), 0, 0);
    table->addWidget(colunaValores_, 0, 1);
    table->addWidget(new QLabel(QStringLiteral("Coluna de anos ou datas:"), grupoTabela_), 1, 0);
    table->addWidget(colunaDatas_, 1, 1);
    table->addWidget(new QLabel(QStringLiteral("Linhas de cabeçalho:"), grupoTabela_), 2, 0);
    table->addWidget(cabecalho_, 2, 1);
    table->addWidget(new QLabel(QStringLiteral("Separador:"), grupoTabela_), 0, 2);
    table->addWidget(separador_, 0, 3);
    table->addWidget(new QLabel(QStringLiteral("Decimal:"), grupoTabela_), 1, 2);
    table->addWidget(decimal_, 1, 3);
    optionsRow->addWidget(grupoTabela_, 1);
    layout->addLayout(optionsRow);

    // The years, kept and left out.
    tabela_ = new QTableWidget(0, kPreviewColumns, this);
    tabela_->setHorizontalHeaderLabels({QStringLiteral("Ano"), QStringLiteral("Valor"), QStringLiteral("Data do máximo"),
                                        QStringLiteral("Dias sem dado"), QStringLiteral("Situação"),
                                        QStringLiteral("Observação")});
    tabela_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabela_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tabela_->verticalHeader()->setVisible(false);
    tabela_->verticalHeader()->setDefaultSectionSize(tabela_->fontMetrics().height() + kRowPadding);
    tabela_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tabela_, 3);

    vazoes_ = new QChartView(new QChart, this);
    vazoes_->setObjectName(QStringLiteral("Vazoes"));
    vazoes_->setRenderHint(QPainter::Antialiasing);
    vazoes_->setMinimumHeight(kDailyChartHeight);
    vazoes_->chart()->legend()->setAlignment(Qt::AlignBottom);  // outside the plot
    vazoes_->hide();
    layout->addWidget(vazoes_, 2);

    resumo_ = new QPlainTextEdit(this);
    resumo_->setReadOnly(true);
    resumo_->setFixedHeight(resumo_->fontMetrics().lineSpacing() * kSummaryLines + 2 * resumo_->frameWidth() + 8);
    layout->addWidget(resumo_);

    auto* buttons = new QHBoxLayout;
    salvar_ = new QPushButton(Picture(Glyph::Salvar), QStringLiteral("Salvar"), this);
    salvar_->setToolTip(QStringLiteral("Gravar a série anual como arquivo de dados (.dat)"));
    fechar_ = new QPushButton(Picture(Glyph::Cancelar), QStringLiteral("Fechar"), this);
    fechar_->setAutoDefault(false);
    for (QPushButton* b : {salvar_, fechar_}) b->setFixedSize(kButtonWidth, kButtonHeight);
    buttons->addStretch(1);
    buttons->addWidget(salvar_);
    buttons->addWidget(fechar_);
    layout->addLayout(buttons);

    abrirserie.Title = QStringLiteral("Importar série");
    abrirserie.Filters = {QStringLiteral("Séries para importar (*.csv *.txt *.tsv *.rdb *.dat)"),
                          QStringLiteral("Todos os arquivos (*.*)")};
    abrirserie.ConfirmOverwrite = false;
    salvardados.Title = QStringLiteral("Salvar arquivo de dados");
    salvardados.Filters = {QStringLiteral("Arquivo de dados (*.dat)"), QStringLiteral("Todos os arquivos (*.*)")};
    salvardados.DefaultSuffix = QStringLiteral("dat");
    salvardados.ConfirmOverwrite = true;

    connect(buttonArquivo_, &QPushButton::clicked, this, [this] { Guarded([this] { ArquivoClick(); }); });
    connect(salvar_, &QPushButton::clicked, this, [this] { Guarded([this] { SalvarClick(); }); });
    connect(fechar_, &QPushButton::clicked, this, [this] { FecharClick(); });
    auto refresh = [this] {
        if (!updating_) Guarded([this] { Atualizar(); });
    };
    for (QComboBox* c : {formato_, inicioAno_, separador_, decimal_, estacao_})
        connect(c, &QComboBox::currentIndexChanged, this, refresh);
    for (QSpinBox* s : {colunaValores_, colunaDatas_, cabecalho_}) connect(s, &QSpinBox::valueChanged, this, refresh);
    connect(falhas_, &QDoubleSpinBox::valueChanged, this, refresh);
    // With the value column chosen by hand, no date column means none.
    connect(colunaValores_, &QSpinBox::valueChanged, this, [this](int v) {
        colunaDatas_->setSpecialValueText(v == 0 ? QStringLiteral("automática") : QStringLiteral("nenhuma"));
    });

    setTabOrder(buttonArquivo_, formato_);
    Limpar();
}

void TImportar::Guarded(const std::function<void()>& command) { RunCommand(platform_, this, command); }

void TImportar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        Guarded([this] { AjudaKey(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

void TImportar::Limpar() {
    updating_ = true;
    arquivo_->clear();
    formato_->setCurrentIndex(0);
    estacao_->clear();
    estacao_->setEnabled(false);
    inicioAno_->setItemText(0, kAutomaticStart);
    inicioAno_->setCurrentIndex(0);
    falhas_->setValue(kDefaultMaxMissingPercent);
    colunaValores_->setValue(0);
    colunaDatas_->setValue(0);
    separador_->setCurrentIndex(0);
    decimal_->setCurrentIndex(0);
    cabecalho_->setValue(-1);
    updating_ = false;
    result_.reset();
    detectado_->clear();
    tabela_->setRowCount(0);
    vazoes_->hide();
    resumo_->setPlainText(kEmptyHint);
    salvar_->setEnabled(false);
    HabilitarOpcoes(ImportFormat::Auto);
}

QString TImportar::Executar() {
    Limpar();
    savedPath_.clear();
    buttonArquivo_->setFocus();
    if (!ModalRun) {
        exec();
        return savedPath_;
    }
    setResult(QDialog::Rejected);
    ModalRun(*this);
    return savedPath_;
}

ImportOptions TImportar::Opcoes() const {
    ImportOptions o;
    static const ImportFormat formats[] = {ImportFormat::Auto, ImportFormat::HidroWeb, ImportFormat::Usgs,
                                           ImportFormat::Table};
    static const ColumnSeparator separators[] = {ColumnSeparator::Auto, ColumnSeparator::Tab, ColumnSeparator::Semicolon,
                                                 ColumnSeparator::Comma, ColumnSeparator::Blanks};
    static const DecimalMark marks[] = {DecimalMark::Auto, DecimalMark::Point, DecimalMark::Comma};
    o.Format = formats[formato_->currentIndex()];
    o.YearStart = inicioAno_->currentIndex();
    o.MaxMissingPercent = falhas_->value();
    o.ValueColumn = colunaValores_->value();
    o.DateColumn = colunaDatas_->value();
    o.Separator = separators[separador_->currentIndex()];
    o.Decimal = marks[decimal_->currentIndex()];
    o.HeaderLines = cabecalho_->value();
    if (estacao_->count() > 1) o.Station = estacao_->currentText().toStdString();
    return o;
}

void TImportar::Carregar(const QString& path) {
    updating_ = true;
    arquivo_->setText(path);
    estacao_->clear();
    estacao_->setEnabled(false);
    updating_ = false;
    Atualizar();
}

// Atualizar: reads the source with the options on screen. A fault of the
// file is shown in the summary (the user changes an option and tries
// again); a file of several stations shows the first and offers the others.
void TImportar::Atualizar() {
    if (arquivo_->text().isEmpty()) return;
    if (colunaValores_->value() != 0 && colunaValores_->value() == colunaDatas_->value()) {
        MostrarErro(QStringLiteral("A coluna dos valores e a coluna de anos ou datas são a mesma."));
        return;
    }
    try {
        auto r = std::make_unique<ImportResult>(ImportSeries(FileSystemPath(arquivo_->text()), Opcoes()));
        Mostrar(*r);
        result_ = std::move(r);
    } catch (const StationChoiceNeeded& e) {
        updating_ = true;
        estacao_->clear();
        for (const auto& s : e.Stations) estacao_->addItem(FromUtf8(s));
        estacao_->setCurrentIndex(0);
        estacao_->setEnabled(true);
        updating_ = false;
        Atualizar();
    } catch (const ZarnError& e) {
        MostrarErro(FromUtf8(e.what()));
    }
}

namespace {

qint64 Msecs(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch(); }

// "dd/mm/yyyy" of a maximum's date; an invalid date otherwise.
QDate DateOf(const std::string& text) { return QDate::fromString(QString::fromStdString(text), QStringLiteral("dd/MM/yyyy")); }

}  // namespace

void TImportar::MostrarVazoes(const ImportResult& r) {
    QChart* chart = vazoes_->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    vazoes_->setVisible(!r.Daily.empty());
    if (r.Daily.empty()) return;
    double high = 0;
    QList<QPointF> days;
    days.reserve(static_cast<qsizetype>(r.Daily.size()));
    for (const DailyValue& d : r.Daily) {
        days.append(QPointF(static_cast<double>(Msecs(d.Year, d.Month, d.Day)), d.Value));
        high = std::max(high, d.Value);
    }
    auto* x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("yyyy"));
    x->setTitleText(QStringLiteral("Data"));
    x->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(days.front().x()), Qt::UTC),
                QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(days.back().x()), Qt::UTC));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("m³/s"));
    const LinearScale scale = NiceScale(0, high > 0 ? high : 1);
    y->setRange(scale.Low, scale.High);
    y->setTickCount(scale.Steps + 1);
    y->setLabelFormat(QStringLiteral("%.") + QString::number(scale.Decimals) + QStringLiteral("f"));
    high = scale.High;
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    auto attach = [&](QAbstractSeries* series) {
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    };

    // The years left out, shaded over their whole hydrological year, under the series.
    const QColor shade = [] {
        QColor c(Qt::gray);
        c.setAlpha(kLeftOutAlpha);
        return c;
    }();
    bool named = false;
    for (const LeftOutYear& year : r.LeftOut) {
        const int first = QString::fromStdString(year.Label).left(4).toInt();
        if (first <= 0 || r.YearStart < 1) continue;
        const double from = static_cast<double>(Msecs(first, r.YearStart, 1));
        const double to = static_cast<double>(Msecs(first + 1, r.YearStart, 1));
        auto* upper = new QLineSeries;
        upper->append({QPointF(from, high), QPointF(to, high)});
        auto* lower = new QLineSeries;
        lower->append({QPointF(from, 0), QPointF(to, 0)});
        auto* area = new QAreaSeries(upper, lower);
        upper->setParent(area);
        lower->setParent(area);
        area->setBrush(shade);
        area->setPen(Qt::NoPen);
        area->setName(QStringLiteral("Anos deixados de fora"));
        attach(area);
        // One entry in the legend for all of them.
        if (named) chart->legend()->markers(area).first()->setVisible(false);
        named = true;
    }

    // The daily line, broken where a long stretch of days has no value (one
    // legend entry for all its pieces).
    const QPen dailyPen(QColor(0, 114, 178), 1);
    qsizetype start = 0;
    for (qsizetype k = 1; k <= days.size(); ++k) {
        if (k < days.size() && days[k].x() - days[k - 1].x() <= kLongestJoinedGapDays * kMsecsPerDay) continue;
        auto* piece = new QLineSeries;
        piece->setName(QStringLiteral("Vazões diárias"));
        piece->setPen(dailyPen);
        piece->replace(days.mid(start, k - start));
        attach(piece);
        if (start > 0) chart->legend()->markers(piece).first()->setVisible(false);
        start = k;
    }

    auto* maxima = new QScatterSeries;
    maxima->setName(QStringLiteral("Máximos anuais mantidos"));
    maxima->setMarkerSize(kKeptMarker);
    maxima->setColor(QColor(213, 94, 0));
    maxima->setBorderColor(Qt::black);
    for (const ImportedYear& year : r.Kept) {
        const QDate date = DateOf(year.Date);
        if (!date.isValid()) continue;
        maxima->append(static_cast<double>(Msecs(date.year(), date.month(), date.day())),
                       QString::fromStdString(year.Value).toDouble());
    }
    attach(maxima);
}

void TImportar::HabilitarOpcoes(ImportFormat format) {
    grupoHidroWeb_->setEnabled(format == ImportFormat::HidroWeb || format == ImportFormat::Auto);
    grupoTabela_->setEnabled(format == ImportFormat::Table || format == ImportFormat::Auto);
}

void TImportar::Mostrar(const ImportResult& r) {
    detectado_->setText((formato_->currentIndex() == 0 ? QStringLiteral("Detectado: ") : QStringLiteral("Lido como: ")) +
                        FromUtf8(r.FormatText));
    HabilitarOpcoes(r.Format);
    updating_ = true;
    if (r.Stations.size() > 1 && estacao_->count() == 0) {
        for (const auto& s : r.Stations) estacao_->addItem(FromUtf8(s));
        estacao_->setCurrentText(FromUtf8(r.Station));
    } else if (r.Stations.size() <= 1) {
        estacao_->clear();
        if (!r.Station.empty()) estacao_->addItem(FromUtf8(r.Station));
    }
    estacao_->setEnabled(r.Stations.size() > 1);
    inicioAno_->setItemText(0, r.Format == ImportFormat::HidroWeb && r.YearStartAuto
                                   ? QStringLiteral("Automático (%1)").arg(kMonthNames[r.YearStart - 1].toLower())
                                   : kAutomaticStart);
    updating_ = false;

    const auto rows = ImportPreviewRows(r);
    tabela_->setRowCount(static_cast<int>(rows.size()));
    const QColor leftOut = palette().color(QPalette::Disabled, QPalette::Text);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const auto& row = rows[i];
        const QString texts[kPreviewColumns] = {
            FromUtf8(row.Label), FromUtf8(row.Value),  FromUtf8(row.Date), FromUtf8(row.Missing),
            row.Kept ? QStringLiteral("mantido") : QStringLiteral("deixado de fora"), FromUtf8(row.Remark)};
        for (int c = 0; c < kPreviewColumns; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (c == kColValor || c == kColFalhas) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (!row.Kept) item->setForeground(leftOut);
            tabela_->setItem(i, c, item);
        }
    }
    tabela_->resizeColumnsToContents();
    MostrarVazoes(r);
    QStringList summary;
    for (const auto& line : ImportSummary(r)) summary << FromUtf8(line);
    resumo_->setPlainText(summary.join(QLatin1Char('\n')));
    salvar_->setEnabled(!r.Kept.empty());
}

void TImportar::MostrarErro(const QString& text) {
    result_.reset();
    detectado_->clear();
    HabilitarOpcoes(ImportFormat::Auto);
    tabela_->setRowCount(0);
    vazoes_->hide();
    resumo_->setPlainText(QStringLiteral("O arquivo não pôde ser importado com estas opções:\n") + text);
    salvar_->setEnabled(false);
}

void TImportar::ArquivoClick() {
    FileDialogOptions options = abrirserie;
    options.FileName = arquivo_->text();
    const QString chosen = platform_.OpenFileName(this, options);
    if (!chosen.isEmpty()) Carregar(chosen);
}

// SalvarClick: asks for the data file's name (beside the source, named
// after it) and writes the series shown. The source itself is never
// overwritten.
void TImportar::SalvarClick() {
    if (!result_ || result_->Kept.empty()) return;
    const QString source = arquivo_->text();
    FileDialogOptions options = salvardados;
    options.FileName = ImportDataFileName(source);
    options.InitialFolder = QFileInfo(source).absolutePath();
    const QString path = platform_.SaveFileName(this, options);
    if (path.isEmpty()) return;
    if (QFileInfo(path).absoluteFilePath() == QFileInfo(source).absoluteFilePath() ||
        (QFileInfo::exists(path) && QFileInfo(path).canonicalFilePath() == QFileInfo(source).canonicalFilePath()))
        throw ZarnError("O arquivo de dados não pode substituir o arquivo de origem");
    WriteImportedDataFile(*result_, FileSystemPath(path));
    savedPath_ = path;
    accept();
}

void TImportar::FecharClick() { reject(); }

void TImportar::AjudaKey() { ShowHelpTopic(platform_, this, session_, HelpFile, kImportarHelpContext); }

}  // namespace zarn
