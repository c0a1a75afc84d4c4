// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/novoproj.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

#include "app/application.h"
#include "app/importdialog.h"
#include "app/pictures.h"
#include "analysis/returnperiods.h"
#include "dialogs/periodos.h"
#include "dialogs/resultdialogs.h"

namespace zarn {

namespace {

// Client area and the grid of the layout, in pixels.
constexpr int kClientWidth = 417;
constexpr int kClientHeight = 209;
constexpr int kLabelLeft = 8;
constexpr int kFieldLeft = 104;
constexpr int kFieldHeight = 21;
constexpr int kLabelWidth = kFieldLeft - kLabelLeft - 2;
constexpr int kSmallestLabelPixels = 9;
constexpr int kWideField = 297;
constexpr int kDataField = 265;
constexpr int kBrowseLeft = 376;
constexpr int kButtonTop = 168;
// The import button sits under the browse button, right-aligned with it,
// in the free band above the bottom row and to the right of "Cancelar".
constexpr int kImportLeft = 331;
constexpr int kImportTop = 146;
constexpr int kImportWidth = 70;
constexpr int kImportHeight = 20;
// The return periods' row, under the controls above, which keep their places.
constexpr int kPeriodsTop = 206;
constexpr int kPeriodsLabelWidth = 150;  // at least; wider when its font needs it
constexpr int kPeriodsHeight = 32;  // the dialog grows by this

}  // namespace

TNovoProj::TNovoProj(Platform& platform, const Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform),
      session_(session) {
    setWindowTitle(QStringLiteral("ZARN - Criar projeto"));
    setFixedSize(kClientWidth, kClientHeight + kPeriodsHeight);

    projeto_ = AddRow(QStringLiteral("Título:"), 24, kWideField);
    local_ = AddRow(QStringLiteral("Local:"), 56, kWideField);
    comentario_ = AddRow(QStringLiteral("Comentário:"), 88, kWideField);
    dados_ = AddRow(QStringLiteral("Arquivo de dados:"), 120, kDataField);
    dados_->setReadOnly(true);
    FitLabels();

    buttondados_ = new QPushButton(this);
    buttondados_->setIcon(Picture(Glyph::Abrir));
    buttondados_->setToolTip(QStringLiteral("Procurar o arquivo de dados"));
    buttondados_->setGeometry(kBrowseLeft, 118, 25, 25);
    buttondados_->setAutoDefault(false);

    buttonimportar_ = new QPushButton(QStringLiteral("Importar..."), this);
    buttonimportar_->setToolTip(QStringLiteral("Importar série (HidroWeb, USGS ou tabela) e usar o arquivo de dados gravado"));
    buttonimportar_->setGeometry(kImportLeft, kImportTop, kImportWidth, kImportHeight);
    buttonimportar_->setAutoDefault(false);

    criar_ = new QPushButton(Picture(Glyph::Confirmar), QStringLiteral("Criar"), this);
    criar_->setGeometry(139, kButtonTop, 75, 25);
    cancelar_ = new QPushButton(Picture(Glyph::Cancelar), QStringLiteral("Cancelar"), this);
    cancelar_->setGeometry(251, kButtonTop, 75, 25);
    cancelar_->setAutoDefault(false);

    auto* periodsLabel = new QLabel(QStringLiteral("Períodos de retorno (anos):"), this);
    const int labelWidth = std::max(kPeriodsLabelWidth, periodsLabel->sizeHint().width());
    periodsLabel->setGeometry(kLabelLeft, kPeriodsTop, labelWidth, kFieldHeight);
    periodos_ = new QLineEdit(this);
    periodos_->setObjectName(QStringLiteral("Periodos"));
    periodos_->setGeometry(kLabelLeft + labelWidth + 4, kPeriodsTop, kBrowseLeft + 25 - kLabelLeft - labelWidth - 4,
                           kFieldHeight);
    periodos_->setToolTip(QStringLiteral("Até 20 tempos de retorno maiores que 1 ano, separados por \";\" "
                                         "(por exemplo 2; 10; 25; 100; 1000; 10000)"));
    periodsLabel->setBuddy(periodos_);
    periods_ = StandardReturnPeriods();
    periodos_->setText(QString::fromStdString(FormatReturnPeriods(periods_, RegionalDecimalSeparator())));

    setTabOrder(projeto_, local_);
    setTabOrder(local_, comentario_);
    setTabOrder(comentario_, dados_);
    setTabOrder(dados_, buttondados_);
    setTabOrder(buttondados_, criar_);
    setTabOrder(criar_, cancelar_);
    setTabOrder(cancelar_, buttonimportar_);
    setTabOrder(buttonimportar_, periodos_);

    abrirdados.Filters = {QStringLiteral("Arquivo de dados (*.dat)"), QStringLiteral("Todos os arquivos (*.*)")};
    abrirdados.DefaultSuffix = QStringLiteral("dat");
    abrirdados.ConfirmOverwrite = false;

    auto guarded = [this](void (TNovoProj::*handler)()) {
        return [this, handler] { RunCommand(platform_, this, [this, handler] { (this->*handler)(); }); };
    };
    connect(buttondados_, &QPushButton::clicked, this, guarded(&TNovoProj::buttondadosClick));
    connect(buttonimportar_, &QPushButton::clicked, this, guarded(&TNovoProj::ImportarClick));
    connect(criar_, &QPushButton::clicked, this, guarded(&TNovoProj::CriarClick));
    connect(cancelar_, &QPushButton::clicked, this, guarded(&TNovoProj::CancelarClick));
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, guarded(&TNovoProj::AjudaKey));

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QLineEdit* TNovoProj::AddRow(const QString& label, int top, int width) {
    auto* caption = new QLabel(label, this);
    caption->setGeometry(kLabelLeft, top, kLabelWidth, kFieldHeight);
    labels_ << caption;
    auto* field = new QLineEdit(this);
    field->setGeometry(kFieldLeft, top, width, kFieldHeight);
    caption->setBuddy(field);
    return field;
}

// The labels were laid out for a narrow 8-point system font: with a wider
// one, a narrower face (or, failing that, a smaller size) keeps
// "Arquivo de dados:" whole in front of its field. All labels share it.
void TNovoProj::FitLabels() {
    QFont font = labels_.first()->font();
    auto widest = [this](const QFont& f) {
        int w = 0;
        for (QLabel* l : labels_) w = std::max(w, QFontMetrics(f).horizontalAdvance(l->text()));
        return w;
    };
    for (int stretch : {QFont::SemiCondensed, QFont::Condensed}) {
        if (widest(font) <= kLabelWidth) break;
        font.setStretch(stretch);
    }
    for (int size = QFontInfo(font).pixelSize(); widest(font) > kLabelWidth && size > kSmallestLabelPixels;) {
        font.setPixelSize(--size);
    }
    for (QLabel* l : labels_) l->setFont(font);
}

bool TNovoProj::Executar() {
    projeto_->setFocus();
    if (!ModalRun) return exec() == QDialog::Accepted;
    setResult(QDialog::Rejected);
    ModalRun(*this);
    return result() == QDialog::Accepted;
}

void TNovoProj::LimparCampos() {
    projeto_->clear();
    local_->clear();
    comentario_->clear();
    dados_->clear();
}

void TNovoProj::buttondadosClick() {
    FileDialogOptions options = abrirdados;
    options.FileName = dados_->text();
    const QString chosen = platform_.OpenFileName(this, options);
    if (!chosen.isEmpty()) dados_->setText(chosen);
}

TImportar* TNovoProj::ImportarJanela() {
    if (importar_ == nullptr) importar_ = new TImportar(platform_, session_, this);
    return importar_;
}

void TNovoProj::ImportarClick() {
    TImportar* janela = ImportarJanela();
    janela->HelpFile = HelpFile;
    janela->abrirserie.InitialFolder = abrirdados.InitialFolder;
    const QString saved = janela->Executar();
    if (!saved.isEmpty()) dados_->setText(saved);
}

void TNovoProj::CriarClick() {
    if (dados_->text().isEmpty()) {
        platform_.Notice(this, kInvalidDataFileText);
        return;
    }
    if (ReadReturnPeriodsField(platform_, this, periodos_, periods_)) accept();
}

void TNovoProj::CancelarClick() { reject(); }

void TNovoProj::AjudaKey() { ShowHelpTopic(platform_, this, session_, HelpFile, kNovoProjHelpContext); }

}  // namespace zarn
