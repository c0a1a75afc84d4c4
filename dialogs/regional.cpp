// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/regional.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

#include "files/errors.h"
#include "files/filewrite.h"
#include "import/importer.h"
#include "dialogs/chartexport.h"
#include "dialogs/regionalcharts.h"
#include "views/regionallines.h"
#include "platform/platform.h"
#include "platform/session.h"
#include "rules/regionaladvice.h"

namespace zarn {

namespace {

constexpr int kWidth = 980;
constexpr int kHeight = 700;
// Columns of the stations' table.
enum { kFileColumn, kNameColumn, kAreaColumn };
// Choices of "Precisão", in the order of the combo box.
const QStringList kAccuracyChoices = {QStringLiteral("automática"), QStringLiteral("nenhuma"),
                                      QStringLiteral("GLO"), QStringLiteral("GEV"), QStringLiteral("GNO"),
                                      QStringLiteral("PE3"), QStringLiteral("GPA"), QStringLiteral("WAK")};
const QStringList kDataFilters = {QStringLiteral("Arquivos de dados e de importação (*.dat *.csv *.tsv *.txt *.rdb)"),
                                  QStringLiteral("Todos os arquivos (*.*)")};

QString Text(const std::string& s) { return QString::fromStdString(s); }

QTableWidgetItem* Cell(const QString& text, bool editable = false) {
    auto* item = new QTableWidgetItem(text);
    if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QPlainTextEdit* TextBox() {
    auto* box = new QPlainTextEdit;
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return box;
}

// The lines of one section of the report, from its heading to the next.
std::vector<std::string> Section(const std::vector<std::string>& report, const char* from, const char* to) {
    std::vector<std::string> out;
    bool inside = false;
    for (const std::string& line : report) {
        if (line.rfind(from, 0) == 0) inside = true;
        else if (to != nullptr && line.rfind(to, 0) == 0) inside = false;
        if (inside) out.push_back(line);
    }
    return out;
}

}  // namespace

TRegional::TRegional(Platform& platform, Document& document, QWidget* parent)
    : ResultDialogBase(platform, document, parent, QStringLiteral("ZARN - Análise regional"), kWidth, kHeight) {
    setObjectName(QStringLiteral("Regional"));
    SetHelpContext(kRegionalHelpContext);
    auto* layout = new QVBoxLayout(this);

    // The stations and the options
    auto* entrada = new QGroupBox(QStringLiteral("Postos da região"));
    auto* grid = new QGridLayout(entrada);
    BuildInput(grid);
    BuildOptions(grid);
    layout->addWidget(entrada);

    // The results, under the line that says which input they belong to
    origem_ = new QLabel(QStringLiteral("Sem resultados: escolha os postos e clique em Calcular."));
    origem_->setWordWrap(true);
    layout->addWidget(origem_);
    abas_ = new QTabWidget;
    sitios_ = new QTableWidget(0, 9);
    sitios_->setHorizontalHeaderLabels({QStringLiteral("Posto"), QStringLiteral("n"), QStringLiteral("l1"),
                                        QStringLiteral("t"), QStringLiteral("t3"), QStringLiteral("t4"),
                                        QStringLiteral("t5"), QStringLiteral("D"), QStringLiteral("Discordante")});
    abas_->addTab(sitios_, QStringLiteral("Postos"));
    testes_ = TextBox();
    abas_->addTab(testes_, QStringLiteral("Heterogeneidade e candidatas"));
    curvas_ = new QTableWidget(0, kRegionalPeriodCount);
    abas_->addTab(curvas_, QStringLiteral("Curva regional e quantis"));

    // A chart tab: the chart, titled, with its export button below it.
    auto chartTab = [&](const QString& title, const QString& fileName, const QString& tab, ChartExport*& exporter) {
        auto* chart = new QChart;
        chart->setTitle(title);
        auto* view = new QChartView(chart);
        view->setRenderHint(QPainter::Antialiasing);
        exporter = new ChartExport(platform, document, this, chart, fileName);
        auto* page = new QWidget;
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->addWidget(view);
        pageLayout->addWidget(exporter->MakeButton(page), 0, Qt::AlignRight);
        abas_->addTab(page, tab);
        return chart;
    };
    diagrama_ = chartTab(QStringLiteral("Diagrama de momentos-L da região"), QStringLiteral("diagrama regional"),
                         QStringLiteral("Diagrama de momentos-L"), exportDiagrama_);
    crescimento_ = chartTab(QStringLiteral("Curva regional de crescimento"), QStringLiteral("curva regional"),
                            QStringLiteral("Curva de crescimento"), exportCrescimento_);

    conselhos_ = TextBox();
    conselhos_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    abas_->addTab(conselhos_, QStringLiteral("Recomendações"));
    relatorio_ = TextBox();
    abas_->addTab(relatorio_, QStringLiteral("Relatório"));
    layout->addWidget(abas_, 1);
    BuildFooter(layout);
}

// The stations' table and the buttons that fill it.
void TRegional::BuildInput(QGridLayout* grid) {
    postos_ = new QTableWidget(0, 3);
    postos_->setHorizontalHeaderLabels({QStringLiteral("Arquivo"), QStringLiteral("Nome"), QStringLiteral("Área (km²)")});
    postos_->horizontalHeader()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
    postos_->setColumnWidth(kFileColumn, 300);
    postos_->setColumnWidth(kAreaColumn, 110);
    postos_->verticalHeader()->setDefaultSectionSize(22);
    postos_->setSelectionBehavior(QAbstractItemView::SelectRows);
    postos_->setFixedHeight(150);
    connect(postos_, &QTableWidget::itemChanged, this, [this] { MarcarDesatualizado(); });
    grid->addWidget(postos_, 0, 0, 6, 1);
    auto button = [&](const QString& text, void (TRegional::*handler)(), int row) {
        auto* b = new QPushButton(text);
        connect(b, &QPushButton::clicked, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
        grid->addWidget(b, row, 1);
        return b;
    };
    button(QStringLiteral("Pasta..."), &TRegional::PastaClick, 0);
    button(QStringLiteral("Arquivos..."), &TRegional::ArquivosClick, 1);
    button(QStringLiteral("Lista ou tabela..."), &TRegional::ListaClick, 2);
    button(QStringLiteral("Remover"), &TRegional::RemoverClick, 3);
    button(QStringLiteral("Visualizar importação"), &TRegional::VisualizarClick, 4);
}

// The simulations' options and Calcular; a change of any marks the results stale.
void TRegional::BuildOptions(QGridLayout* grid) {
    auto* opcoes = new QHBoxLayout;
    nsim_ = new QSpinBox;
    nsim_->setRange(2, 1000000);
    nsim_->setValue(1000);
    nrep_ = new QSpinBox;
    nrep_->setRange(2, 1000000);
    nrep_->setValue(10000);
    semente_ = new QSpinBox;
    semente_->setRange(1, 2147483646);
    semente_->setValue(static_cast<int>(kRegionalSeed));
    precisao_ = new QComboBox;
    precisao_->addItems(kAccuracyChoices);
    precisao_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    precisao_->setToolTip(QStringLiteral("automática: a precisão da distribuição escolhida"));
    correlacao_ = new QDoubleSpinBox;
    correlacao_->setRange(0.0, 0.99);
    correlacao_->setSingleStep(0.05);
    correlacao_->setDecimals(2);
    for (auto [label, widget] : std::initializer_list<std::pair<QString, QWidget*>>{
             {QStringLiteral("Regiões simuladas:"), nsim_},
             {QStringLiteral("Repetições:"), nrep_},
             {QStringLiteral("Semente:"), semente_},
             {QStringLiteral("Precisão:"), precisao_},
             {QStringLiteral("Correlação:"), correlacao_}}) {
        opcoes->addWidget(new QLabel(label));
        opcoes->addWidget(widget);
    }
    for (QSpinBox* box : {nsim_, nrep_, semente_})
        connect(box, &QSpinBox::valueChanged, this, [this] { MarcarDesatualizado(); });
    connect(correlacao_, &QDoubleSpinBox::valueChanged, this, [this] { MarcarDesatualizado(); });
    connect(precisao_, &QComboBox::currentIndexChanged, this, [this] { MarcarDesatualizado(); });
    calcular_ = new QPushButton(QStringLiteral("Calcular"));
    connect(calcular_, &QPushButton::clicked, this, [this] { Guarded([this] { CalcularClick(); }); });
    opcoes->addWidget(calcular_);
    grid->addLayout(opcoes, 6, 0, 1, 2);
}

// The ungauged site and the window's commands, which wait for a result.
void TRegional::BuildFooter(QVBoxLayout* layout) {
    auto* rodape = new QHBoxLayout;
    rodape->addWidget(new QLabel(QStringLiteral("Posto sem dados, área (km²):")));
    area_ = new QLineEdit;
    area_->setFixedWidth(90);
    rodape->addWidget(area_);
    estimar_ = new QPushButton(QStringLiteral("Estimar"));
    connect(estimar_, &QPushButton::clicked, this, [this] { Guarded([this] { EstimarClick(); }); });
    rodape->addWidget(estimar_);
    semDados_ = new QLabel;
    semDados_->setWordWrap(true);
    rodape->addWidget(semDados_, 1);
    salvar_ = new QPushButton(QStringLiteral("Salvar..."));
    connect(salvar_, &QPushButton::clicked, this, [this] { Guarded([this] { SalvarClick(); }); });
    imprimir_ = new QPushButton(QStringLiteral("Imprimir..."));
    connect(imprimir_, &QPushButton::clicked, this, [this] { Guarded([this] { ImprimirClick(); }); });
    estudo_ = new QPushButton(QStringLiteral("Relatório do estudo (PDF)..."));
    connect(estudo_, &QPushButton::clicked, this, [this] { Guarded([this] { EstudoClick(); }); });
    estudo_->setVisible(false);  // until the study's writer is given
    fechar_ = new QPushButton(QStringLiteral("Fechar"));
    connect(fechar_, &QPushButton::clicked, this, &QWidget::hide);
    for (QPushButton* b : {salvar_, imprimir_, estudo_, fechar_}) rodape->addWidget(b);
    for (QPushButton* b : {estimar_, salvar_, imprimir_, estudo_}) b->setEnabled(false);
    layout->addLayout(rodape);
}

void TRegional::MarcarDesatualizado() {
    if (!result_ || stale_) return;
    stale_ = true;
    for (QPushButton* b : {estimar_, salvar_, imprimir_, estudo_}) b->setEnabled(false);
    origem_->setText(QStringLiteral("Resultados de %1, DESATUALIZADOS: os postos, as áreas ou as opções mudaram "
                                    "depois do cálculo. Clique em Calcular.")
                         .arg(Text(resultInput_)));
    semDados_->clear();
}

bool TRegional::Recusa() {
    if (!result_) {
        platform().Notice(this, QStringLiteral("Calcule a região primeiro."));
        return true;
    }
    if (stale_) {
        platform().Notice(this, QStringLiteral("Os postos, as áreas ou as opções mudaram depois do cálculo: "
                                               "clique em Calcular antes."));
        return true;
    }
    return false;
}

void TRegional::Exibir() { ShowModeless(calcular_); }

std::vector<RegionEntry> TRegional::Entries() const {
    std::vector<RegionEntry> entries;
    for (int row = 0; row < postos_->rowCount(); ++row) {
        const QTableWidgetItem* file = postos_->item(row, kFileColumn);
        const QVariant given = file->data(Qt::UserRole + 1);
        RegionEntry e = given.isValid() && given.toInt() < static_cast<int>(given_.size())
                            ? given_[given.toInt()]
                            : RegionEntryOf(FileSystemPath(file->data(Qt::UserRole).toString()));
        e.Area = 0;
        const QString name = postos_->item(row, kNameColumn)->text().trimmed();
        if (!name.isEmpty()) e.Name = name.toStdString();
        const QString area = postos_->item(row, kAreaColumn)->text().trimmed();
        if (!area.isEmpty() && (!ParseDecimal(area.toStdString(), e.Area) || !(e.Area > 0)))
            throw ZarnError("A área de drenagem do posto " + e.Name + " (\"" + area.toStdString() +
                            "\") não é um número positivo");
        entries.push_back(e);
    }
    return entries;
}

void TRegional::SetEntries(const std::vector<RegionEntry>& entries) {
    postos_->setRowCount(0);
    given_ = entries;
    for (const RegionEntry& e : entries) {
        const int row = postos_->rowCount();
        postos_->insertRow(row);
        // The file's name shows (with the line of a table of L-moments), its whole path in the tip.
        const QString path = FromFileSystem(e.Path);
        QTableWidgetItem* file =
            Cell(e.Given ? QStringLiteral("%1, linha %2").arg(QFileInfo(path).fileName()).arg(e.Line)
                         : QFileInfo(path).fileName());
        file->setData(Qt::UserRole, path);
        if (e.Given) file->setData(Qt::UserRole + 1, row);
        file->setToolTip(path);
        postos_->setItem(row, kFileColumn, file);
        postos_->setItem(row, kNameColumn, Cell(Text(e.Name), true));
        postos_->setItem(row, kAreaColumn,
                         Cell(e.Area > 0 ? QString::fromStdString(RegionNumber(e.Area, 1)) : QString(), true));
    }
}

RegionOptions TRegional::Options() const {
    RegionOptions o;
    o.NSim = nsim_->value();
    o.NRep = nrep_->value();
    o.Seed = semente_->value();
    o.Correlation = correlacao_->value();
    // The study's return periods when the project has its own list; else the regional seven.
    if (document().Settings().ReturnPeriods) o.ReturnPeriods = StudyReturnPeriods(document());
    const int choice = precisao_->currentIndex();
    o.Accuracy = choice != 1;
    o.AccuracyAuto = choice == 0;
    if (choice >= 2) FamilyFromName(precisao_->currentText().toStdString(), o.AccuracyFamily);
    return o;
}

void TRegional::PastaClick() {
    FileDialogOptions options;
    options.Title = QStringLiteral("Pasta dos postos");
    options.InitialFolder = FromFileSystem(document().session().StartupDir);
    const QString folder = platform().FolderName(this, options);
    if (folder.isEmpty()) return;
    SetEntries(RegionEntriesOf(FileSystemPath(folder)));
    input_ = FileSystemPath(folder);
}

void TRegional::ArquivosClick() {
    FileDialogOptions options;
    options.Title = QStringLiteral("Arquivos dos postos");
    options.Filters = kDataFilters;
    const QStringList files = platform().OpenFileNames(this, options);
    if (files.isEmpty()) return;
    std::vector<RegionEntry> entries = Entries();
    for (const QString& f : files) entries.push_back(RegionEntryOf(FileSystemPath(f)));
    SetEntries(entries);
    input_ = "arquivos escolhidos";
}

void TRegional::ListaClick() {
    FileDialogOptions options;
    options.Title = QStringLiteral("Lista de postos (arquivo;nome;área)");
    options.Filters = {QStringLiteral("Lista de postos (*.txt *.lst)"), QStringLiteral("Todos os arquivos (*.*)")};
    options.Filters.prepend(QStringLiteral("Tabela de momentos-L dos postos (*.csv *.txt)"));
    const QString list = platform().OpenFileName(this, options);
    if (list.isEmpty()) return;
    SetEntries(RegionEntriesOf(FileSystemPath(list)));
    input_ = FileSystemPath(list);
}

void TRegional::RemoverClick() {
    const int row = postos_->currentRow();
    if (row < 0) return;
    postos_->removeRow(row);
    MarcarDesatualizado();
}

// The importer's summary and first years of the selected station, as the
// import window shows them, without writing anything.
void TRegional::VisualizarClick() {
    const int row = postos_->currentRow();
    if (row < 0) return platform().Notice(this, QStringLiteral("Selecione um posto na tabela."));
    const RegionEntry e = Entries()[row];
    if (!e.Import) {
        platform().Notice(this, QStringLiteral("%1 é um arquivo de dados (.dat): é lido sem importação.")
                                    .arg(FromFileSystem(e.Path)));
        return;
    }
    constexpr int kPreviewYears = 12;
    const ImportResult imported = ImportSeries(e.Path, ImportOptions{});
    QString text;
    for (const std::string& line : ImportSummary(imported)) text += Text(line) + "\n";
    text += "\n";
    int shown = 0;
    for (const ImportPreviewRow& p : ImportPreviewRows(imported)) {
        if (shown++ == kPreviewYears) break;
        text += Text(p.Label + "  " + p.Value + (p.Kept ? "" : "  (fora: " + p.Remark + ")")) + "\n";
    }
    platform().Notice(this, text);
}

void TRegional::CalcularClick() {
    const std::vector<RegionEntry> entries = Entries();
    std::vector<std::string> warnings;
    std::vector<RegionSite> sites = ReadRegionSites(entries, warnings);
    const RegionOptions base = Options();
    CalculationProgress progress;
    std::optional<RegionalResult> result;
    try {
        platform().RunWithProgress(this, QStringLiteral("Análise regional"), progress, [&] {
            RegionOptions o = base;
            o.Progress = &progress;
            result = AnalyseRegion(std::move(sites), o);
        });
    } catch (const CalculationCancelled&) {
        return;  // "Cancelar": the window keeps what it showed
    }
    result->Warnings = warnings;
    advice_ = RegionalAdviceLines(*result, document().session());
    warnings_ = warnings;
    result_ = std::move(result);
    if (input_.empty()) input_ = "arquivos escolhidos";
    resultInput_ = input_;
    stale_ = false;
    for (QPushButton* b : {estimar_, salvar_, imprimir_, estudo_}) b->setEnabled(true);
    const RegionOptions o = Options();
    origem_->setText(QStringLiteral("Resultados de %1: %2 postos, %3 regiões simuladas, semente %4.")
                         .arg(Text(resultInput_))
                         .arg(result_->Sites.size())
                         .arg(o.NSim)
                         .arg(result_->Seed));
    semDados_->clear();
    Mostrar();
}

void TRegional::Mostrar() {
    const RegionalResult& r = *result_;
    const std::vector<std::string> report = RegionReportLines(r, resultInput_, advice_);
    SetLines(relatorio_, report);
    SetLines(conselhos_, advice_);
    std::vector<std::string> tests = Section(report, "2. ", "5. ");
    SetLines(testes_, tests);

    sitios_->setRowCount(0);
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        const RegionSite& s = r.Sites[i];
        const int row = sitios_->rowCount();
        sitios_->insertRow(row);
        sitios_->setItem(row, 0, Cell(Text(s.Name)));
        sitios_->setItem(row, 1, Cell(QString::number(s.N)));
        sitios_->setItem(row, 2, Cell(Text(RegionNumber(s.LMoments[0], 3))));
        for (int j = 1; j < 5; ++j) sitios_->setItem(row, 2 + j, Cell(Text(RegionNumber(s.LMoments[j], 4))));
        sitios_->setItem(row, 7, Cell(r.D[i] ? Text(RegionNumber(*r.D[i], 2)) : QStringLiteral("-")));
        sitios_->setItem(row, 8, Cell(r.Discordant[i] ? QStringLiteral("SIM") : QStringLiteral("não")));
        if (r.Discordant[i])
            for (int c = 0; c < sitios_->columnCount(); ++c) sitios_->item(row, c)->setBackground(QColor(255, 210, 200));
    }

    // The growth curves of the candidates, the accuracy, and the sites' quantiles
    QStringList columns;
    for (double T : result_->ReturnPeriods) columns << QStringLiteral("T = %1").arg(Text(PeriodLabel(T)));
    curvas_->clear();
    curvas_->setRowCount(0);
    curvas_->setColumnCount(static_cast<int>(result_->ReturnPeriods.size()));
    curvas_->setHorizontalHeaderLabels(columns);
    QStringList rows;
    auto addRow = [&](const QString& name, const PeriodValues& v, int decimals) {
        const int row = curvas_->rowCount();
        curvas_->insertRow(row);
        rows << name;
        for (std::size_t t = 0; t < v.size(); ++t)
            curvas_->setItem(row, static_cast<int>(t), Cell(Text(RegionNumber(v[t], decimals))));
    };
    for (const CandidateResult& c : r.Candidates) addRow(Text(std::string(FamilyName(c.Fit.Family))), c.GrowthCurve, 4);
    addRow(QStringLiteral("WAK"), r.WakebyGrowthCurve, 4);
    if (r.Accuracy) {
        const QString family = Text(std::string(FamilyName(r.Accuracy->Family)));
        addRow(family + QStringLiteral(": EQM relativo"), r.Accuracy->RelativeRMSE, 4);
        addRow(family + QStringLiteral(": limite 5 %"), r.Accuracy->Lower, 4);
        addRow(family + QStringLiteral(": limite 95 %"), r.Accuracy->Upper, 4);
    }
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        addRow(Text(r.Sites[i].Name), RegionSiteQuantiles(r, i), 2);
        if (r.Accuracy) {
            addRow(Text(r.Sites[i].Name) + QStringLiteral(": limite 5 %"), r.Accuracy->Sites[i].Lower, 2);
            addRow(Text(r.Sites[i].Name) + QStringLiteral(": limite 95 %"), r.Accuracy->Sites[i].Upper, 2);
        }
    }
    curvas_->setVerticalHeaderLabels(rows);
    curvas_->resizeColumnsToContents();
    sitios_->resizeColumnsToContents();
    semDados_->setText(r.Regression ? QStringLiteral("ln l1 = %1 + %2 ln(área), R² = %3, erro-padrão %4")
                                          .arg(Text(RegionNumber(r.Regression->A, 3)), Text(RegionNumber(r.Regression->B, 3)),
                                               Text(RegionNumber(r.Regression->R2, 3)),
                                               Text(RegionNumber(r.Regression->StandardError, 3)))
                                    : QStringLiteral("Sem regressão: informe as áreas de pelo menos 3 postos."));
    FillDiagram();
    FillGrowthChart();
}

void TRegional::FillDiagram() { FillRegionalDiagram(diagrama_, *result_); }

void TRegional::FillGrowthChart() { FillRegionalGrowthChart(crescimento_, *result_); }

void TRegional::EstimarClick() {
    if (Recusa()) return;
    double area = 0;
    if (!ParseDecimal(area_->text().trimmed().toStdString(), area) || !(area > 0))
        return platform().Notice(this, QStringLiteral("Informe a área de drenagem em km², um número positivo."));
    result_->Ungauged = UngaugedSite(*result_, area);
    const UngaugedResult& u = *result_->Ungauged;
    const std::size_t t = result_->PeriodIndex(100);
    QString text = QStringLiteral("Índice de cheia %1; Q%2 = %3")
                       .arg(Text(RegionNumber(u.IndexFlood, 2)), Text(PeriodLabel(result_->ReturnPeriods[t])),
                            Text(RegionNumber(u.Quantiles[t], 2)));
    if (u.HasBounds)
        text += QStringLiteral(" (limites da curva: %1 a %2; sem o erro da regressão, erro-padrão %3 em ln)")
                    .arg(Text(RegionNumber(u.Lower[t], 2)), Text(RegionNumber(u.Upper[t], 2)),
                         Text(RegionNumber(result_->Regression->StandardError, 3)));
    if (const std::string caution = UngaugedCaution(*result_); !caution.empty()) text += " " + Text(caution);
    semDados_->setText(text);
    advice_ = RegionalAdviceLines(*result_, document().session());  // the rule base's word on the estimate too
    SetLines(conselhos_, advice_);
    SetLines(relatorio_, RegionReportLines(*result_, resultInput_, advice_));
}

// The report as text and, beside it, the stations' table as CSV (same name, .csv).
void TRegional::SalvarClick() {
    if (Recusa()) return;
    FileDialogOptions options;
    options.Title = QStringLiteral("Salvar o relatório regional");
    options.Filters = {QStringLiteral("Relatório (*.txt)")};
    options.DefaultSuffix = QStringLiteral("txt");
    options.FileName = QStringLiteral("regional.txt");
    const QString path = platform().SaveFileName(this, options);
    if (path.isEmpty()) return;
    std::string text;
    for (const std::string& line : RegionReportLines(*result_, resultInput_, advice_)) text += line + "\r\n";
    const std::string report = FileSystemPath(path);
    auto error = [](const std::string& p) { return [p](WriteStage, int code) { return FileErrorText(code, p); }; };
    ReplaceFileContents(report, text, error(report));
    const QFileInfo info(path);
    const std::string csv = FileSystemPath(info.absolutePath() + "/" + info.completeBaseName() + ".csv");
    ReplaceFileContents(csv, RegionCsvText(*result_), error(csv));
}

void TRegional::ImprimirClick() {
    if (Recusa()) return;
    PrintLines(platform(), this, document(), QStringLiteral("análise regional"),
               RegionReportLines(*result_, resultInput_, advice_), true);
}

void TRegional::SetStudyWriter(RegionalStudyWriter writer) {
    studyWriter_ = std::move(writer);
    estudo_->setVisible(static_cast<bool>(studyWriter_));
}

// The regional study as a PDF; never in place of the region's list or of a
// station's file.
void TRegional::EstudoClick() {
    if (Recusa() || !studyWriter_) return;
    FileDialogOptions options;
    options.Title = QStringLiteral("Relatório do estudo regional");
    options.Filters = {QStringLiteral("Documento PDF (*.pdf)")};
    options.DefaultSuffix = QStringLiteral("pdf");
    options.FileName = QStringLiteral("estudo-regional.pdf");
    const QString path = platform().SaveFileName(this, options);
    if (path.isEmpty()) return;
    const QString target = QFileInfo(path).absoluteFilePath();
    std::vector<std::string> inputs = {resultInput_};
    for (const RegionSite& site : result_->Sites) inputs.push_back(site.File);
    for (const std::string& input : inputs) {
        const QFileInfo file(Text(input));
        if (!input.empty() && file.isFile() && file.canonicalFilePath() == QFileInfo(target).canonicalFilePath())
            return platform().ShowError(
                this, QStringLiteral("O relatório não pode substituir um arquivo de entrada da região: \"%1\".")
                          .arg(QDir::toNativeSeparators(target)));
    }
    platform().SetBusyCursor();
    struct CursorGuard {
        Platform& platform;
        ~CursorGuard() { platform.RestoreCursor(); }
    } cursor{platform()};
    const int pages = studyWriter_(path, *result_, resultInput_, advice_);
    platform().Notice(this, QStringLiteral("Relatório do estudo gravado em \"%1\" (%2 páginas).")
                                .arg(QDir::toNativeSeparators(path))
                                .arg(pages));
}

}  // namespace zarn
