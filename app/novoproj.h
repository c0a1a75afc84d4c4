// SPDX-License-Identifier: GPL-3.0-or-later
// The new-project dialog: title, location, comment and the data file of a
// new analysis. Created once at start-up and reused; every creation starts
// with empty fields. The data file is chosen by browsing, or made by the
// import window from a HidroWeb, USGS or table file, or typed or pasted.
// Above the buttons, the study's return periods: the report's seven each
// time the dialog opens ("Padrão" puts them back). A data file the
// calculation refuses keeps the dialog open with its fields.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "platform/platform.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zarn {

class TImportar;

// Help topic of the dialog.
constexpr int kNovoProjHelpContext = 106;

inline const QString kInvalidDataFileText = QStringLiteral("Nome de arquivo de Dados inválido");

class TNovoProj : public QDialog {
    Q_OBJECT
public:
    // `session` gives the help lookup its folders.
    TNovoProj(Platform& platform, const Session& session, QWidget* parent = nullptr);

    // Shows the dialog modally; true when it was closed with "Criar".
    bool Executar();
    // Empties the four fields.
    void LimparCampos();

    void buttondadosClick();
    // Opens the import window; the data file it saves fills `Dados`.
    void ImportarClick();
    void CriarClick();
    void CancelarClick();
    // Puts the report's seven return periods back into `Periodos`.
    void PadraoClick();
    void AjudaKey();

    QLineEdit* Projeto() const { return projeto_; }
    QLineEdit* Local() const { return local_; }
    QLineEdit* Comentario() const { return comentario_; }
    QLineEdit* Dados() const { return dados_; }
    QPushButton* buttondados() const { return buttondados_; }
    QPushButton* buttonimportar() const { return buttonimportar_; }
    // The import window, created on first use.
    TImportar* ImportarJanela();
    QPushButton* Criar() const { return criar_; }
    QLineEdit* Periodos() const { return periodos_; }
    // The list of `Periodos`, read when "Criar" accepted it.
    const std::vector<double>& PeriodosDeRetorno() const { return periods_; }
    QPushButton* Cancelar() const { return cancelar_; }
    QPushButton* Padrao() const { return padrao_; }

    // Run by "Criar" once the fields were accepted, before the dialog closes
    // (the main window calculates the new project in it): false keeps the
    // dialog open without a word; an error it throws keeps it open too and
    // is shown by the command's handler.
    std::function<bool()> Confirmar;

    // Set at start-up: HelpFilePath(), "ajuda.hlp" in the start-up folder first.
    QString HelpFile;
    // The data file dialog; its initial folder is set at start-up.
    FileDialogOptions abrirdados;

    // Stands in for the modal loop when set (the window tests act as the
    // user through it); Executar then returns whether it ended with "Criar".
    std::function<void(TNovoProj&)> ModalRun;

private:
    QLineEdit* AddRow(const QString& label, int top, int width);
    void FitLabels();

    Platform& platform_;
    const Session& session_;
    QList<QLabel*> labels_;
    QLineEdit* projeto_;
    QLineEdit* local_;
    QLineEdit* comentario_;
    QLineEdit* dados_;
    QPushButton* buttondados_;
    QPushButton* buttonimportar_;
    TImportar* importar_ = nullptr;
    QPushButton* criar_;
    QPushButton* cancelar_;
    QLineEdit* periodos_;
    QPushButton* padrao_;
    std::vector<double> periods_;
};

}  // namespace zarn
