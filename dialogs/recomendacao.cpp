// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/recomendacao.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <exception>

#include "files/format.h"
#include "analysis/intervals.h"
#include "files/numbertext.h"
#include "analysis/record.h"
#include "dialogs/b17cwindow.h"
#include "dialogs/chartexport.h"
#include "views/report.h"
#include "platform/platform.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

constexpr int kWidth = 820;
constexpr int kHeight = 640;
constexpr int kMargin = 8;
// Heights of the summary box: it grows with the cautions up to a third of
// the window, then scrolls.
constexpr int kSummaryMin = 40, kSummaryMax = kHeight / 3;

// Columns of the ranking.
enum Column { kLugar, kDistribuicao, kSituacao, kGrau, kPertZ, kPertR, kZ, kR, kR90, kColumns };

// Background of the recommended distribution's row, and the colour of each status.
const QColor kRecommendedRow(214, 238, 214);
QColor StatusColour(AdviceStatus status) {
    switch (status) {
        case AdviceStatus::Accepted: return QColor(0, 110, 0);
        case AdviceStatus::Parsimony: return QColor(0, 75, 160);
        case AdviceStatus::UpperBound: return QColor(170, 90, 0);
        case AdviceStatus::Rejected: break;
    }
    return QColor(165, 0, 0);
}

QString Utf8(const std::string& s) { return QString::fromStdString(s); }

// A sentence of the advice as the window shows it: numbers in the text
// style, compared ones told apart, ready for HTML.
QString Sentence(const Phrase& phrase) {
    QString html = Utf8(ComparedPhraseText(phrase, TextStyle())).toHtmlEscaped();
    // |Z| is one word: word joiners keep a line from breaking at its bars.
    html.replace(QStringLiteral("|Z|"), QStringLiteral("|\u2060Z\u2060|"));
    return html;
}

QString Capitalised(const std::string& s) {
    QString text = Utf8(s);
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QLabel* Heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QStyle::StandardPixmap glyph) {
    auto* button = new QPushButton(parent->style()->standardIcon(glyph), caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIconSize(QSize(14, 14));
    button->setMinimumHeight(25);
    return button;
}

QTableWidget* MakeTable(QWidget* parent, int rows, const QStringList& headers) {
    auto* table = new QTableWidget(rows, static_cast<int>(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAlternatingRowColors(false);
    table->setWordWrap(false);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->horizontalHeader()->setHighlightSections(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->setFixedHeight(table->horizontalHeader()->sizeHint().height() +
                          rows * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth());
    return table;
}

}  // namespace

TRecomendacao::TRecomendacao(Platform& platform, Document& document, QWidget* parent)
    : ResultDialogBase(platform, document, parent, QStringLiteral("ZARN - Recomendação"), kWidth, kHeight) {
    setObjectName(QStringLiteral("Recomendacao"));
    SetHelpContext(kRecomendacaoHelpContext);

    resumo_ = new QTextBrowser(this);
    resumo_->setObjectName(QStringLiteral("Resumo"));
    resumo_->setOpenLinks(false);
    resumo_->setFixedHeight(kSummaryMin);
    conclusao_ = new QLabel(this);
    conclusao_->setObjectName(QStringLiteral("Conclusao"));
    conclusao_->setWordWrap(true);
    conclusao_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    conclusao_->setFrameShape(QFrame::StyledPanel);
    conclusao_->setMargin(6);
    conclusao_->setAutoFillBackground(true);

    tabela_ = MakeTable(this, kDistributionCount,
                        {QStringLiteral("Lugar"), QStringLiteral("Distribuição"), QStringLiteral("Situação"),
                         QStringLiteral("g"), QStringLiteral("Pert. |Z|"), QStringLiteral("Pert. R"),
                         QStringLiteral("|Z|"), QStringLiteral("R"), QStringLiteral("R(90%)")});
    tabela_->setObjectName(QStringLiteral("Tabela"));
    // A light selection that leaves the recommended row's colour readable.
    QPalette palette = tabela_->palette();
    palette.setColor(QPalette::Highlight, QColor(204, 224, 246));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    tabela_->setPalette(palette);
    QHeaderView* header = tabela_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setSectionResizeMode(kLugar, QHeaderView::Fixed);
    header->resizeSection(kLugar, 48);
    header->setSectionResizeMode(kDistribuicao, QHeaderView::Fixed);
    header->resizeSection(kDistribuicao, 118);
    header->setSectionResizeMode(kSituacao, QHeaderView::Fixed);
    header->resizeSection(kSituacao, 170);
    const struct {
        Column Index;
        const char* Tip;
    } tips[] = {
        {kGrau, "Grau de ajuste: a menor das duas pertinências; abaixo de 0,5 a distribuição é rejeitada"},
        {kPertZ, "Pertinência de |Z| do teste da variância (1 em 0, 0,5 em 1,65, 0 a partir de 3,3)"},
        {kPertR, "Pertinência de R do teste de Filliben (0 até 2 R(90%) - 1, 0,5 em R(90%), 1 em 1)"},
        {kZ, "Estatística |Z| do teste da variância"},
        {kR, "Correlação R do teste de Filliben"},
        {kR90, "Valor crítico R(90%) simulado do teste de Filliben"},
    };
    for (const auto& tip : tips) tabela_->horizontalHeaderItem(tip.Index)->setToolTip(QString::fromUtf8(tip.Tip));
    connect(tabela_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { Guarded([this, row] { TabelaSelecionada(row); }); });

    tituloMotivos_ = Heading(QStringLiteral("Motivos, na ordem da classificação"), this);
    motivos_ = new QTextBrowser(this);
    motivos_->setObjectName(QStringLiteral("Motivos"));
    motivos_->setOpenLinks(false);

    tituloQuantis_ = Heading(QStringLiteral("Quantis da distribuição recomendada"), this);
    quantis_ = MakeTable(this, kReturnPeriodCount,
                         {QStringLiteral("T (anos)"), QStringLiteral("Quantil"), QStringLiteral("Limite inferior\n(5 %)"),
                          QStringLiteral("Limite superior\n(95 %)")});
    quantis_->setObjectName(QStringLiteral("Quantis"));
    quantis_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    quantis_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    quantis_->horizontalHeader()->resizeSection(0, 62);
    quantis_->setSelectionMode(QAbstractItemView::NoSelection);
    quantis_->setFocusPolicy(Qt::NoFocus);
    // Room for every period when the window has it; when long cautions take
    // the height, the table gives way to half of it and scrolls, so that the
    // note under it is never drawn over its last rows.
    quantis_->setMinimumHeight(quantis_->maximumHeight() / 2);
    quantis_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    notaQuantis_ = new QLabel(this);
    notaQuantis_->setWordWrap(true);
    notaQuantis_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    baseDeRegras_ = new QLabel(this);
    baseDeRegras_->setObjectName(QStringLiteral("BaseDeRegras"));
    baseDeRegras_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    baseDeRegras_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    estado_ = new QLabel(this);
    estado_->setObjectName(QStringLiteral("Estado"));
    estado_->setWordWrap(true);
    estado_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    estado_->hide();

    fechar_ = MakeButton(this, "Fechar", QStringLiteral("Fechar"), QStyle::SP_DialogCloseButton);
    salvar_ = MakeButton(this, "Salvar", QStringLiteral("Salvar"), QStyle::SP_DialogSaveButton);
    imprimir_ = MakeButton(this, "Imprimir", QStringLiteral("Imprimir"), QStyle::SP_FileDialogDetailedView);
    imprimir_->setIcon(QIcon::fromTheme(QStringLiteral("document-print"), imprimir_->icon()));
    voltar_ = MakeButton(this, "Voltar", QString(), QStyle::SP_ArrowLeft);
    voltar_->setToolTip(QStringLiteral("Voltar à memória de cálculo"));
    salvar_->setShortcut(QKeySequence::Save);
    imprimir_->setShortcut(QKeySequence::Print);
    fechar_->setFixedWidth(75);
    salvar_->setFixedWidth(75);
    imprimir_->setFixedWidth(75);
    voltar_->setFixedWidth(30);

    auto* quantisColuna = new QVBoxLayout;
    quantisColuna->setSpacing(4);
    quantisColuna->addWidget(tituloQuantis_);
    quantisColuna->addWidget(quantis_);
    quantisColuna->addWidget(notaQuantis_, 1);
    auto* motivosColuna = new QVBoxLayout;
    motivosColuna->setSpacing(4);
    motivosColuna->addWidget(tituloMotivos_);
    motivosColuna->addWidget(motivos_, 1);
    auto* abaixo = new QHBoxLayout;
    abaixo->setSpacing(10);
    abaixo->addLayout(motivosColuna, 1);
    abaixo->addLayout(quantisColuna, 1);
    auto* botoes = new QHBoxLayout;
    botoes->setSpacing(8);
    botoes->addWidget(fechar_);
    botoes->addWidget(salvar_);
    botoes->addWidget(imprimir_);
    botoes->addSpacing(8);
    botoes->addWidget(voltar_);
    botoes->addSpacing(16);
    botoes->addWidget(baseDeRegras_, 1);
    auto* menus = new QMenuBar(this);
    QMenu* base = menus->addMenu(QStringLiteral("&Base de regras"));
    escolherBase_ = base->addAction(QStringLiteral("&Escolher outra base de regras..."));
    baseEncontrada_ = base->addAction(QStringLiteral("&Usar a base de regras encontrada"));
    connect(escolherBase_, &QAction::triggered, this, [this] { Guarded([this] { EscolherBaseClick(); }); });
    connect(baseEncontrada_, &QAction::triggered, this, [this] { Guarded([this] { BaseEncontradaClick(); }); });
    auto* janela = new QVBoxLayout(this);
    janela->setMenuBar(menus);
    janela->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    janela->setSpacing(6);
    janela->addWidget(MakeProjectLabel(this));
    janela->addWidget(resumo_);
    janela->addWidget(conclusao_);
    janela->addWidget(tabela_);
    janela->addLayout(abaixo, 1);
    janela->addLayout(botoes);
    janela->addWidget(estado_);

    setTabOrder(fechar_, tabela_);
    setTabOrder(tabela_, salvar_);
    setTabOrder(salvar_, imprimir_);
    setTabOrder(imprimir_, voltar_);
    connect(fechar_, &QPushButton::clicked, this, [this] { Guarded([this] { FecharClick(); }); });
    connect(salvar_, &QPushButton::clicked, this, [this] { Guarded([this] { SalvarClick(); }); });
    connect(imprimir_, &QPushButton::clicked, this, [this] { Guarded([this] { ImprimirClick(); }); });
    connect(voltar_, &QPushButton::clicked, this, [this] { Guarded([this] { VoltarClick(); }); });
}

void TRecomendacao::Exibir() {
    Consultar(true);
    ShowModeless(fechar_);
}

void TRecomendacao::Refresh() { Consultar(false); }

void TRecomendacao::Consultar(bool askAgain) {
    const AnalysisRecord& record = document().Record();
    const ZeroYears zeros = StudyZeroYears(document());
    // A project with a Bulletin 17C analysis tells the rule base about it too.
    advice_ = Advise(record, document().session(), zeros, ProjectB17cFacts(document()));
    // The confidence limits come from the simulations of the analysis; an
    // opened project simulates again (with progress, over the window that
    // asked while this one is still hidden). Cancelled: no limits.
    QWidget* owner = isVisible() || parentWidget() == nullptr ? this : parentWidget();
    limits_ = advice_.Recommended != 0 && EnsureSimulations(platform(), owner, document(), askAgain);
    // The quantiles at the study's return periods, the years without flow taken back in.
    table_ = MakeReturnPeriodTable(record, limits_ ? &document().Simulations() : nullptr, StudyReturnPeriods(document()),
                                   zeros.Probability(), QuantileFaults::Show);
    // What Salvar and Imprimir write: the advice as the window shows it.
    lines_ = AdviceLines(advice_, record, table_, limits_);
    Preencher();
}

void TRecomendacao::Preencher() {
    QString html;
    if (!advice_.RuleBaseProblem.empty())
        html += QStringLiteral("<p style='color:#a00000'><b>Base de regras:</b> %1</p>")
                    .arg(Utf8(advice_.RuleBaseProblem).toHtmlEscaped());
    if (!advice_.Cautions.empty()) {
        html += QStringLiteral("<p style='margin-bottom:2px'><b>Atenção:</b></p><ul style='margin-top:0px'>");
        for (const Phrase& caution : advice_.Cautions)
            html += QStringLiteral("<li>%1</li>").arg(Sentence(caution));
        html += QStringLiteral("</ul>");
    }
    resumo_->setHtml(html);
    resumo_->setVisible(!html.isEmpty());
    AjustarResumo();

    conclusao_->setText(QStringLiteral("<b>Parecer:</b> %1").arg(Sentence(advice_.Conclusion)));
    QPalette palette = conclusao_->palette();
    palette.setColor(QPalette::Window, advice_.Recommended != 0 ? kRecommendedRow : QColor(248, 226, 208));
    conclusao_->setPalette(palette);

    baseDeRegras_->setText(QStringLiteral("Base de regras: %1").arg(Utf8(advice_.RuleBase)));
    baseDeRegras_->setToolTip(Utf8(advice_.RuleBase));
    baseEncontrada_->setEnabled(!document().session().RuleBase.empty());
    PreencherTabela();
    PreencherMotivos();
    PreencherQuantis();
}

void TRecomendacao::AjustarResumo() {
    // As tall as its text in the font it is drawn with (polished first: the
    // style's font may differ from the default one), at the width it has
    // once laid out (the window's width is fixed); beyond kSummaryMax it scrolls.
    resumo_->ensurePolished();
    const int frame = 2 * resumo_->frameWidth();
    const int width = resumo_->isVisible() && resumo_->width() > frame ? resumo_->width() : kWidth - 2 * kMargin;
    QTextDocument* text = resumo_->document();
    text->setDefaultFont(resumo_->font());
    text->setTextWidth(width - frame);
    const int height = static_cast<int>(std::ceil(text->size().height())) + frame;
    resumo_->setFixedHeight(std::clamp(height, kSummaryMin, kSummaryMax));
}

void TRecomendacao::showEvent(QShowEvent* event) {
    ResultDialogBase::showEvent(event);
    if (resumo_->isVisible()) AjustarResumo();
}

void TRecomendacao::PreencherTabela() {
    const NumberStyle style = TextStyle();
    const auto number = [&style](double v) { return Utf8(FormatNumber(v, style)); };
    const Qt::Alignment right = Qt::AlignRight, left = Qt::AlignLeft, centre = Qt::AlignHCenter;
    tabela_->clearContents();
    for (int row = 0; row < static_cast<int>(advice_.Ranking.size()) && row < kDistributionCount; ++row) {
        const DistributionAdvice& d = advice_.Ranking[static_cast<std::size_t>(row)];
        const FitResult& fit = FitTestOf(document().Record(), d.Index);
        const auto rr = FormatCompared({fit.R, fit.R90}, style);
        QTableWidgetItem* items[kColumns] = {
            Cell(QString::number(d.Rank), centre),
            Cell(Utf8(DistributionName(d.Index)), left),
            Cell(Capitalised(StatusName(d.Status)), left),
            Cell(number(d.Degree), right),
            Cell(number(d.ZMembership), right),
            Cell(number(d.RMembership), right),
            Cell(number(VarianceTestZOf(document().Record(), d.Index)), right),
            Cell(Utf8(rr[0]), right),
            Cell(Utf8(rr[1]), right),
        };
        items[kSituacao]->setForeground(StatusColour(d.Status));
        const bool recommended = d.Index == advice_.Recommended;
        if (recommended) items[kSituacao]->setText(items[kSituacao]->text() + QStringLiteral(" (recomendada)"));
        QStringList reasons;
        for (const Phrase& reason : d.Reasons)
            reasons << Utf8(ComparedPhraseText(reason, style));
        for (int column = 0; column < kColumns; ++column) {
            QTableWidgetItem* item = items[column];
            item->setToolTip(reasons.join(QLatin1Char('\n')));
            if (recommended) {
                item->setBackground(kRecommendedRow);
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            tabela_->setItem(row, column, item);
        }
    }
    // No row selected at first: the recommended row keeps its colour until
    // the user picks a row.
    tabela_->clearSelection();
    tabela_->selectionModel()->setCurrentIndex(tabela_->model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

void TRecomendacao::PreencherMotivos() {
    QString html;
    for (const DistributionAdvice& d : advice_.Ranking) {
        html += QStringLiteral("<p style='margin-top:6px; margin-bottom:0px'><a name='d%1'></a><b>%2º %3</b> "
                               "<span style='color:%4'>(%5)</span></p><ul style='margin-top:2px; margin-left:-24px'>")
                    .arg(d.Index)
                    .arg(d.Rank)
                    .arg(Utf8(DistributionName(d.Index)), StatusColour(d.Status).name(), Utf8(StatusName(d.Status)));
        for (const Phrase& reason : d.Reasons) html += QStringLiteral("<li>%1</li>").arg(Sentence(reason));
        html += QStringLiteral("</ul>");
    }
    motivos_->setHtml(html);
}

void TRecomendacao::TabelaSelecionada(int row) {
    if (row < 0 || row >= static_cast<int>(advice_.Ranking.size())) return;
    if (row == 0) {  // the top, with its margin
        motivos_->verticalScrollBar()->setValue(0);
        return;
    }
    motivos_->scrollToAnchor(QStringLiteral("d%1").arg(advice_.Ranking[static_cast<std::size_t>(row)].Index));
}

void TRecomendacao::PreencherQuantis() {
    const NumberStyle style = TextStyle();
    quantis_->clearContents();
    const int index = advice_.Recommended;
    quantis_->setVisible(index != 0);
    if (index == 0) {
        tituloQuantis_->setText(QStringLiteral("Quantis"));
        notaQuantis_->setText(QStringLiteral("Nenhuma distribuição foi recomendada: não há quantis a mostrar. "
                                             "Os quantis de todas as distribuições estão na memória de cálculo."));
        return;
    }
    tituloQuantis_->setText(QStringLiteral("Quantis da distribuição recomendada: %1").arg(Utf8(DistributionName(index))));
    const std::size_t k = table_.Periods.size();
    quantis_->setRowCount(static_cast<int>(k));
    bool allDry = k > 0;
    for (std::size_t t = 0; t < k; ++t) {
        const int row = static_cast<int>(t);
        quantis_->setItem(row, 0,
                          Cell(Utf8(FormatReturnPeriods({table_.Periods[t]}, style.DecimalSeparator)), Qt::AlignHCenter));
        // The quantile and its limits told apart where they would read alike.
        const double q = table_.Quantiles[index - 1][t];
        const QuantileInterval& band = table_.Intervals[index - 1][t];
        const bool dry = table_.Dry(t);
        allDry = allDry && dry;
        const auto texts = limits_ && !dry ? FormatCompared({q, band.Lower, band.Upper}, style)
                                           : std::vector<std::string>{FormatNumber(q, style)};
        auto* quantile = Cell(Utf8(texts[0]), Qt::AlignRight);
        QFont bold = quantile->font();
        bold.setBold(true);
        quantile->setFont(bold);
        quantis_->setItem(row, 1, quantile);
        if (dry) {
            quantis_->setItem(row, 2, Cell(QStringLiteral("rio seco"), Qt::AlignRight));
            quantis_->setItem(row, 3, Cell(QStringLiteral("rio seco"), Qt::AlignRight));
            quantile->setToolTip(QStringLiteral("1 - 1/T não passa de p0: o rio deve estar seco nesse tempo de retorno"));
        } else if (limits_) {
            quantis_->setItem(row, 2, Cell(Utf8(texts[1]), Qt::AlignRight));
            quantis_->setItem(row, 3, Cell(Utf8(texts[2]), Qt::AlignRight));
        }
    }
    quantis_->setColumnHidden(2, !limits_ && table_.ZeroProbability == 0);
    quantis_->setColumnHidden(3, !limits_ && table_.ZeroProbability == 0);
    QString nota = limits_ ? QStringLiteral("Intervalo de confiança de 90 %, pelo bootstrap paramétrico das "
                                            "amostras simuladas (reajuste da distribuição a cada amostra).")
                           : QStringLiteral("Os limites de confiança não foram calculados: a simulação do "
                                            "projeto foi cancelada.");
    if (table_.ZeroProbability > 0) {
        nota += QStringLiteral(" Anos sem vazão: p0 = %1; o quantil de T anos é 0 (rio seco) quando 1 - 1/T <= p0, "
                               "senão o dos valores positivos em (1 - 1/T - p0) / (1 - p0) (Bulletin 17B, apêndice 5).")
                    .arg(Utf8(FormatNumber(table_.ZeroProbability, style)));
        if (allDry) nota += QStringLiteral(" Em todos os tempos de retorno pedidos o rio deve estar seco.");
    }
    notaQuantis_->setText(nota);
}

void TRecomendacao::FecharClick() { hide(); }

void TRecomendacao::SetLaunchNote(const QString& note) {
    estado_->setText(note.isEmpty() ? QString() : note + QLatin1Char('.'));
    estado_->setVisible(!note.isEmpty());
}

void TRecomendacao::EscolherBaseClick() {
    FileDialogOptions options;
    options.Title = QStringLiteral("Base de regras");
    options.Filters = {QStringLiteral("Base de regras (*.clp)"), QStringLiteral("Todos os arquivos (*)")};
    const std::string chosen = document().session().RuleBase;
    options.InitialFolder = FromFileSystem(chosen.empty() ? UserConfigDir() : chosen.substr(0, chosen.rfind('/')));
    const QString path = platform().OpenFileName(this, options);
    if (path.isEmpty()) return;
    document().session().RuleBase = FileSystemPath(path);  // for the rest of the run
    Exibir();
}

void TRecomendacao::BaseEncontradaClick() {
    document().session().RuleBase.clear();
    Exibir();
}

void TRecomendacao::SalvarClick() {
    FileDialogOptions options;
    options.Title = QStringLiteral("Salvar como");
    options.Filters = {QStringLiteral("Arquivo texto (*.txt)"), QStringLiteral("Todos os arquivos (*.*)")};
    options.DefaultSuffix = QStringLiteral("txt");
    options.FileName = ChartFileName(Windows1252ToUtf8(TextOf(document().Record().Title)),
                                     QStringLiteral("recomendação")) + QStringLiteral(".txt");
    const QString path = platform().SaveFileName(this, options);
    if (path.isEmpty()) return;
    std::vector<std::string> lines = lines_;
    for (std::string& line : lines) line = Utf8ToWindows1252(line);
    // The report's writer: CR LF after every line, an existing file replaced whole.
    SaveReport(lines, FileSystemPath(path));
}

void TRecomendacao::ImprimirClick() {
    PrintLines(platform(), this, document(), QStringLiteral("Recomendação"), lines_);
}

void TRecomendacao::VoltarClick() {
    hide();
    if (back_) back_->Exibir();
}

void LinkRecomendacao(Tresult* resultado, TRecomendacao* recomendacao) {
    resultado->SetNext(recomendacao);
    recomendacao->SetBack(resultado);
}

}  // namespace zarn
