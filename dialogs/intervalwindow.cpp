// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/intervalwindow.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

#include "files/errors.h"
#include "files/filewrite.h"
#include "files/format.h"
#include "analysis/record.h"
#include "dialogs/resultdialogs.h"
#include "views/intervaltable.h"
#include "platform/help.h"
#include "platform/platform.h"
#include "dialogs/resultdialogs.h"
#include "platform/documentsignal.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

constexpr int kWidth = 780;
constexpr int kHeight = 560;
// Decimals of the quantiles and limits, as in the report's quantile table.
constexpr int kDecimals = 3;

// A quantile or limit with the regional decimal separator; a dash when not finite.
QString Number(double v) {
    if (!std::isfinite(v)) return QStringLiteral("—");
    QString text = QString::fromStdString(FormatFixed(v, 0, kDecimals));
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

const QString kNote = QStringLiteral(
    "Quantis estimados e limites do intervalo de confiança de 90 %: os percentis de 5 % e 95 % dos quantis "
    "das distribuições reajustadas às 500 amostras simuladas no teste de Filliben (bootstrap paramétrico). "
    "\"Amostras\" é o número de amostras simuladas em que os limites se apoiam.");
// The limits' cells of a return period at which the river is expected dry.
const QString kDryText = QStringLiteral("rio seco");

// A return period as typed, with the regional decimal separator.
QString PeriodText(double T) { return QString::fromStdString(FormatReturnPeriods({T}, RegionalDecimalSeparator())); }

// What the zeros of the series change in the table, said after the note.
QString ZeroYearsNote(const ZeroYears& zeros) {
    if (zeros.Zeros == 0) return {};
    return QStringLiteral(" Anos sem vazão: %1 de %2 (p0 = %3); o quantil de T anos é 0 (rio seco) quando "
                          "1 - 1/T <= p0, senão o da distribuição dos valores positivos em (1 - 1/T - p0) / (1 - p0) "
                          "(Bulletin 17B, apêndice 5).")
        .arg(zeros.Zeros)
        .arg(zeros.Years)
        .arg(QString::fromStdString(Fixed4(zeros.Probability(), RegionalDecimalSeparator())));
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

TIntervalos::TIntervalos(Platform& platform, Document& document, QWidget* parent)
    : QDialog(parent, Qt::Window), platform_(platform), document_(document) {
    setWindowTitle(QStringLiteral("ZARN - Intervalos de confiança dos quantis"));
    resize(kWidth, kHeight);

    nota_ = new QLabel(this);
    nota_->setWordWrap(true);
    nota_->setText(kNote);

    tabela_ = new QTableWidget(0, 6, this);
    tabela_->setHorizontalHeaderLabels({QStringLiteral("Distribuição"), QStringLiteral("Tempo de retorno (anos)"),
                                        QStringLiteral("Quantil"), QStringLiteral("Limite inferior (5 %)"),
                                        QStringLiteral("Limite superior (95 %)"), QStringLiteral("Amostras")});
    tabela_->verticalHeader()->setVisible(false);
    tabela_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabela_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tabela_->setAlternatingRowColors(true);
    tabela_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tabela_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tabela_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    tabela_->setFocusPolicy(Qt::NoFocus);

    separador_ = new QComboBox(this);
    separador_->addItem(QStringLiteral("; (decimal com vírgula)"), QChar(';'));
    separador_->addItem(QStringLiteral(", (decimal com ponto)"), QChar(','));
    salvar_ = new QPushButton(QStringLiteral("Salvar"), this);
    fechar_ = new QPushButton(QStringLiteral("Fechar"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fechar_);
    buttons->addStretch();
    buttons->addWidget(new QLabel(QStringLiteral("Separador do CSV:"), this));
    buttons->addWidget(separador_);
    buttons->addWidget(salvar_);

    projeto_ = new QLabel(this);
    projeto_->setObjectName(QStringLiteral("Projeto"));
    QFont bold = projeto_->font();
    bold.setBold(true);
    projeto_->setFont(bold);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(projeto_);
    layout->addWidget(nota_);
    layout->addWidget(tabela_, 1);
    layout->addLayout(buttons);

    auto guarded = [this](auto command) {
        return [this, command] {
            try {
                (this->*command)();
            } catch (const std::exception& e) {
                platform_.ShowError(this, QString::fromStdString(e.what()));
            }
        };
    };
    connect(salvar_, &QPushButton::clicked, this, guarded(&TIntervalos::SalvarClick));
    connect(fechar_, &QPushButton::clicked, this, guarded(&TIntervalos::FecharClick));
    // An open window follows the document: it shows the new analysis, or
    // closes when its simulations were declined.
    connect(new DocumentSignal(document_, this), &DocumentSignal::Replaced, this, [this] {
        if (!isVisible()) return;
        try {
            if (!Preencher(false)) hide();
        } catch (const std::exception& e) {
            hide();
            platform_.ShowError(this, QString::fromStdString(e.what()));
        }
    });
}

void TIntervalos::Exibir() {
    if (!Preencher(true)) return;
    show();
    raise();
    activateWindow();
}

bool TIntervalos::Preencher(bool askAgain) {
    if (!EnsureSimulations(platform_, this, document_, askAgain)) return false;
    const ZeroYears zeros = StudyZeroYears(document_);
    rows_ = IntervalRows(document_.Record(), document_.Simulations(), StudyReturnPeriods(document_), zeros);
    nota_->setText(kNote + ZeroYearsNote(zeros));
    title_ = QString::fromStdString(Windows1252ToUtf8(TextOf(document_.Record().Title))).trimmed();
    projeto_->setText(ProjectName(document_.Record()));
    const std::vector<IntervalRow>& rows = rows_;
    tabela_->setRowCount(static_cast<int>(rows.size()));
    const QColor shade = palette().color(QPalette::AlternateBase);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const IntervalRow& row = rows[i];
        const bool first = i == 0 || rows[i - 1].Index != row.Index;
        tabela_->setItem(i, 0, Cell(first ? QString::fromStdString(DistributionName(row.Index)) : QString(), Qt::AlignLeft));
        tabela_->setItem(i, 1, Cell(PeriodText(row.ReturnPeriod), Qt::AlignRight));
        tabela_->setItem(i, 2, Cell(Number(row.Quantile), Qt::AlignRight));
        tabela_->setItem(i, 3, Cell(row.Dry ? kDryText : Number(row.Limits.Lower), Qt::AlignRight));
        tabela_->setItem(i, 4, Cell(row.Dry ? kDryText : Number(row.Limits.Upper), Qt::AlignRight));
        tabela_->setItem(i, 5, Cell(QString::number(row.Samples), Qt::AlignRight));
        // One band of colour per distribution instead of per row.
        if (row.Index % 2 == 0)
            for (int c = 0; c < tabela_->columnCount(); ++c) tabela_->item(i, c)->setBackground(shade);
    }
    tabela_->setAlternatingRowColors(false);
    return true;
}

void TIntervalos::SalvarClick() {
    FileDialogOptions options;
    options.Title = QStringLiteral("Salvar como");
    options.Filters = {QStringLiteral("Planilha CSV (*.csv)"), QStringLiteral("Todos os arquivos (*.*)")};
    options.DefaultSuffix = QStringLiteral("csv");
    // The rows and the name of the analysis the table shows.
    options.FileName = (title_.isEmpty() ? QStringLiteral("intervalos") : title_ + QStringLiteral(" - intervalos")) +
                       QStringLiteral(".csv");
    options.InitialFolder = FromFileSystem(document_.session().StartupDir);
    const QString path = platform_.SaveFileName(this, options);
    if (path.isEmpty()) return;
    const char separator = separador_->currentData().toChar().toLatin1();
    const std::string file = FileSystemPath(path);
    ReplaceFileContents(file, IntervalCsv(rows_, separator),
                        [&](WriteStage, int code) { return FileErrorText(code, file); });
}

void TIntervalos::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) ShowHelpTopic(platform_, this, document_.session(), HelpFilePath(document_.session()), kIntervalHelpContext);
    else QDialog::keyPressEvent(event);
}

}  // namespace zarn
