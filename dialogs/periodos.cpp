// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/periodos.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/returnperiods.h"
#include "dialogs/resultdialogs.h"
#include "platform/platform.h"

namespace zarn {

namespace {

constexpr int kFieldWidth = 380;

QString ListText(const std::vector<double>& periods) {
    return QString::fromStdString(FormatReturnPeriods(periods, RegionalDecimalSeparator()));
}

}  // namespace

TPeriodos::TPeriodos(Platform& platform, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      platform_(platform) {
    setWindowTitle(QStringLiteral("ZARN - Períodos de retorno"));
    auto* explanation = new QLabel(
        QStringLiteral("Tempos de retorno (anos) dos quantis da recomendação, dos intervalos de confiança e do "
                       "gráfico de frequência: até 20 valores maiores que 1, separados por \";\", na ordem "
                       "desejada. A memória de cálculo mantém os sete de sempre."),
        this);
    explanation->setWordWrap(true);
    lista_ = new QLineEdit(this);
    lista_->setObjectName(QStringLiteral("Lista"));
    lista_->setMinimumWidth(kFieldWidth);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    padrao_ = new QPushButton(QStringLiteral("Padrão"), this);
    padrao_->setToolTip(QStringLiteral("2; 5; 10; 50; 100; 200; 1000"));
    padrao_->setAutoDefault(false);
    cancelar_ = new QPushButton(QStringLiteral("Cancelar"), this);
    cancelar_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(padrao_);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancelar_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(lista_);
    layout->addLayout(buttons);
    setFixedWidth(sizeHint().width());

    connect(ok_, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(padrao_, &QPushButton::clicked, this, [this] { PadraoClick(); });
    connect(cancelar_, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<std::vector<double>> TPeriodos::Executar(const std::vector<double>& current) {
    lista_->setText(ListText(current));
    lista_->selectAll();
    lista_->setFocus();
    setResult(QDialog::Rejected);
    if (ModalRun) ModalRun(*this);
    else exec();
    if (result() != QDialog::Accepted) return std::nullopt;
    return accepted_;
}

bool ReadReturnPeriodsField(Platform& platform, QWidget* owner, QLineEdit* field, std::vector<double>& periods) {
    const std::string refusal = ParseReturnPeriods(field->text().toStdString(), periods);
    if (refusal.empty()) return true;
    platform.Notice(owner, QString::fromStdString(refusal));
    field->setFocus();
    return false;
}

void TPeriodos::OkClick() {
    if (ReadReturnPeriodsField(platform_, this, lista_, accepted_)) accept();
}

void TPeriodos::PadraoClick() { lista_->setText(ListText(StandardReturnPeriods())); }

}  // namespace zarn
