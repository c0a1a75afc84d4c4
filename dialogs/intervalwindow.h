// The window of the quantiles with their 90 % confidence limits, for the
// eight distributions (Ferramentas > Intervalos de confiança). An opened
// project simulates again first, under a progress dialog. "Salvar" writes
// the table as CSV with the separator the user picks (";" with decimal
// commas, as spreadsheets in Brazil expect, or "," with points).
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QKeyEvent;

namespace zarn {

class Platform;

// Help topic of the intervals window.
constexpr int kIntervalHelpContext = 109;

class TIntervalos : public QDialog {
    Q_OBJECT
public:
    explicit TIntervalos(Platform& platform, QWidget* parent = nullptr);
    // Refills the table from Record and CurrentSimulations (simulating an
    // opened project first) and shows the window; nothing when cancelled.
    void Exibir();

    QTableWidget* Tabela() const { return tabela_; }
    QComboBox* Separador() const { return separador_; }
    QPushButton* Salvar() const { return salvar_; }
    QPushButton* Fechar() const { return fechar_; }

    void SalvarClick();
    void FecharClick() { hide(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Platform& platform_;
    QLabel* nota_;
    QTableWidget* tabela_;
    QComboBox* separador_;
    QPushButton* salvar_;
    QPushButton* fechar_;
};

}  // namespace zarn
