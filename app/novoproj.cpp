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
// The import button sits under the browse button, right-aligned with it.
constexpr int kImportLeft = 331;
constexpr int kImportTop = 146;
constexpr int kImportWidth = 70;
constexpr int kImportHeight = 20;
// The return periods' row, between the fields and the buttons: the dialog
// grows by kPeriodsHeight and "Criar" and "Cancelar" move down by as much.
constexpr int kPeriodsTop = 174;
constexpr int kPeriodsLabelWidth = 150;  // at least; wider when its font needs it
constexpr int kPeriodsHeight = 32;
constexpr int kPadraoWidth = 56;
constexpr int kButtonTop = 168 + kPeriodsHeight;

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
    // Typed, pasted or browsed; whether the file can be read is the calculation's to say.
    dados_ = AddRow(QStringLiteral("Arquivo de dados:"), 120, kDataField);
    dados_->setObjectName(QStringLiteral("Dados"));
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
    const int periodsLeft = kLabelLeft + labelWidth + 4;
    periodos_->setGeometry(periodsLeft, kPeriodsTop, kBrowseLeft + 25 - kPadraoWidth - 4 - periodsLeft, kFieldHeight);
    periodos_->setToolTip(QStringLiteral("Até 20 tempos de retorno maiores que 1 ano, separados por \";\" "
                                         "(por exemplo 2; 10; 25; 100; 1000; 10000)"));
    periodsLabel->setBuddy(periodos_);
    padrao_ = new QPushButton(QStringLiteral("Padrão"), this);
    padrao_->setObjectName(QStringLiteral("Padrao"));
    padrao_->setToolTip(QStringLiteral("Os sete períodos de retorno da memória de cálculo: 2; 5; 10; 50; 100; 200; 1000"));
    padrao_->setGeometry(kBrowseLeft + 25 - kPadraoWidth, kPeriodsTop - 1, kPadraoWidth, kFieldHeight + 2);
    padrao_->setAutoDefault(false);
    PadraoClick();

    setTabOrder(projeto_, local_);
    setTabOrder(local_, comentario_);
    setTabOrder(comentario_, dados_);
    setTabOrder(dados_, buttondados_);
    setTabOrder(buttondados_, criar_);
    setTabOrder(criar_, cancelar_);
    setTabOrder(cancelar_, buttonimportar_);
    setTabOrder(buttonimportar_, periodos_);
    setTabOrder(periodos_, padrao_);

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
    connect(padrao_, &QPushButton::clicked, this, guarded(&TNovoProj::PadraoClick));
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
    PadraoClick();
}

void TNovoProj::PadraoClick() {
    periods_ = StandardReturnPeriods();
    periodos_->setText(QString::fromStdString(FormatReturnPeriods(periods_, RegionalDecimalSeparator())));
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
    // A name typed or pasted may carry blanks around it, never meant.
    const QString name = dados_->text().trimmed();
    if (name != dados_->text()) dados_->setText(name);
    if (name.isEmpty()) {
        platform_.Notice(this, kInvalidDataFileText);
        return;
    }
    if (!ReadReturnPeriodsField(platform_, this, periodos_, periods_)) return;
    // The calculation runs while the dialog is open: a file it refuses
    // (the error goes up to the command's handler) or a cancelled run
    // leaves the dialog open with everything typed.
    if (Confirmar && !Confirmar()) return;
    accept();
}

void TNovoProj::CancelarClick() { reject(); }

void TNovoProj::AjudaKey() { ShowHelpTopic(platform_, this, session_, HelpFile, kNovoProjHelpContext); }

}  // namespace zarn
