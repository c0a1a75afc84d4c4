// SPDX-License-Identifier: GPL-3.0-or-later
// The "Períodos de retorno" window of an open project: the list of return
// periods at which the advice, the intervals and the frequency chart give
// their quantiles (up to 20 values T > 1 in years, decimals allowed, kept
// in the order given; the report's seven by default). Modal; a list that
// cannot be read is refused with its reason and the window stays open.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

class QLineEdit;
class QPushButton;
class QWidget;

namespace zarn {

class Platform;

// Reads the list typed in `field` into `periods`; a refusal is shown in a
// notice over `owner`, the field gets the focus, and false is returned.
bool ReadReturnPeriodsField(Platform& platform, QWidget* owner, QLineEdit* field, std::vector<double>& periods);

class TPeriodos : public QDialog {
    Q_OBJECT
public:
    explicit TPeriodos(Platform& platform, QWidget* parent = nullptr);

    // Shows `current`; the accepted list, or nothing when cancelled.
    std::optional<std::vector<double>> Executar(const std::vector<double>& current);

    void OkClick();
    // Fills the field with the report's seven periods.
    void PadraoClick();

    QLineEdit* Lista() const { return lista_; }
    QPushButton* Ok() const { return ok_; }
    QPushButton* Padrao() const { return padrao_; }
    QPushButton* Cancelar() const { return cancelar_; }

    // Stands in for the modal loop when set (the window tests act as the user
    // through it).
    std::function<void(TPeriodos&)> ModalRun;

private:
    Platform& platform_;
    QLineEdit* lista_;
    QPushButton* ok_;
    QPushButton* padrao_;
    QPushButton* cancelar_;
    std::vector<double> accepted_;
};

}  // namespace zarn
