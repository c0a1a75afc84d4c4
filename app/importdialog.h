// SPDX-License-Identifier: GPL-3.0-or-later
// The import window: a HidroWeb, USGS or table file previewed as the annual
// series it gives (years kept and left out, with missing days and the date
// of each maximum), its options, the summary, and "Salvar", which writes the
// data file. Opened from Projeto > Importar série... and from the
// new-project dialog, which then takes the saved file.
//
//   TImportar          the window; every option change reads the file again
//   ImportDataFileName the default name of the data file for a source file
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "import/importer.h"
#include "platform/platform.h"

class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QChartView;

namespace zarn {

// Help topic of the window.
constexpr int kImportarHelpContext = 118;

// "/dados/vazoes_C_58110002.csv" gives "/dados/vazoes_C_58110002.dat"; a
// source that is itself a .dat gives "<name>-serie.dat", never the source.
QString ImportDataFileName(const QString& source);

class TImportar : public QDialog {
    Q_OBJECT
public:
    TImportar(Platform& platform, const Session& session, QWidget* parent = nullptr);

    // Shows the window modally, emptied; the path of the data file written,
    // or "" when it was closed without saving.
    QString Executar();
    // Takes `path` as the source file and previews it.
    void Carregar(const QString& path);
    // Reads the source file again with the options on screen.
    void Atualizar();

    void ArquivoClick();
    void SalvarClick();
    void FecharClick();
    void AjudaKey();

    QLineEdit* Arquivo() const { return arquivo_; }
    QPushButton* ButtonArquivo() const { return buttonArquivo_; }
    QComboBox* Formato() const { return formato_; }
    QLabel* Detectado() const { return detectado_; }
    QComboBox* Estacao() const { return estacao_; }
    QComboBox* InicioAno() const { return inicioAno_; }
    QDoubleSpinBox* Falhas() const { return falhas_; }
    QSpinBox* ColunaValores() const { return colunaValores_; }
    QSpinBox* ColunaDatas() const { return colunaDatas_; }
    QComboBox* Separador() const { return separador_; }
    QComboBox* Decimal() const { return decimal_; }
    QSpinBox* Cabecalho() const { return cabecalho_; }
    QTableWidget* Tabela() const { return tabela_; }
    // The daily discharges under the table (HidroWeb), the kept annual
    // maxima marked and the years left out shaded; hidden for other files.
    QChartView* Vazoes() const { return vazoes_; }
    QPlainTextEdit* Resumo() const { return resumo_; }
    QPushButton* Salvar() const { return salvar_; }
    QPushButton* Fechar() const { return fechar_; }
    // The last preview read without a fault, or nullptr.
    const ImportResult* Resultado() const { return result_.get(); }
    QString SavedPath() const { return savedPath_; }

    // The help file and the source file dialog's initial folder, set by the
    // window that opens this one.
    QString HelpFile;
    FileDialogOptions abrirserie;
    FileDialogOptions salvardados;

    // Stands in for the modal loop when set (the window tests act as the
    // user through it).
    std::function<void(TImportar&)> ModalRun;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ImportOptions Opcoes() const;
    void Mostrar(const ImportResult& result);
    void MostrarErro(const QString& text);
    void HabilitarOpcoes(ImportFormat format);
    void Limpar();
    void Guarded(const std::function<void()>& command);

    Platform& platform_;
    const Session& session_;
    std::unique_ptr<ImportResult> result_;
    QString savedPath_;
    bool updating_ = false;  // widgets being set by the window, not the user

    QLineEdit* arquivo_;
    QPushButton* buttonArquivo_;
    QComboBox* formato_;
    QLabel* detectado_;
    QComboBox* estacao_;
    QGroupBox* grupoHidroWeb_;
    QComboBox* inicioAno_;
    QDoubleSpinBox* falhas_;
    QGroupBox* grupoTabela_;
    QSpinBox* colunaValores_;
    QSpinBox* colunaDatas_;
    QComboBox* separador_;
    QComboBox* decimal_;
    QSpinBox* cabecalho_;
    QTableWidget* tabela_;
    QChartView* vazoes_;
    QPlainTextEdit* resumo_;
    QPushButton* salvar_;
    QPushButton* fechar_;

    // Draws the daily series of `r` in vazoes_ (hides it without one).
    void MostrarVazoes(const ImportResult& r);
};

}  // namespace zarn
