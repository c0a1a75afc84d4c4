// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: menu, toolbar, title text and status bar. It starts
// every command: create, open and save a project, write the study report,
// show each result window, help, and leave the program.
//
//   TDesktop       the window and its commands over the program's Document
//   StartSession   the start-up values once the windows exist
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <functional>
#include <string>

#include "platform/platform.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QTextEdit;
class QToolBar;

namespace zarn {

class TNovoProj;
class TImportar;
class TEstatisticas;
class TTesteDLG;
class TParaDLG;
class Tresult;
class TRecomendacao;
class TFrequencia;
class TDiagramaMomentos;
class TPeriodos;
class TAnaliseB17c;

// Help topic of the main window, its menu items and toolbar buttons.
constexpr int kDesktopHelpContext = 101;
// The help viewer's contents page.
constexpr int kHelpContents = 0;

inline const QString kSaveFirstQuestion = QStringLiteral("Deseja salvar o projeto corrente antes de prosseguir?");

// The hint after the error of a data file opened as a project (UTF-8).
std::string DataFileAsProjectText(const std::string& fileName);

class TDesktop : public QMainWindow {
    Q_OBJECT
public:
    TDesktop(Platform& platform, Document& document, QWidget* parent = nullptr);

    Document& document() const { return document_; }

    // The windows created after this one at start-up.
    void SetWindows(TNovoProj* novoProj, TEstatisticas* estatisticas, TTesteDLG* testeDLG, TParaDLG* paraDLG,
                    Tresult* result);
    // A further item of "Ferramentas", after the four result windows:
    // enabled, like them, once an analysis exists; `show` runs under the
    // default error handler. Returns the item.
    QAction* AddTool(const QString& text, const std::function<void()>& show);
    // An item of "Ferramentas" that needs no project, with a toolbar button.
    QAction* AddRegionalTool(const QString& text, const std::function<void()>& show);
    // The advice window, opened by "Ferramentas > Recomendação".
    void SetRecomendacao(TRecomendacao* recomendacao) { recomendacao_ = recomendacao; }
    // The chart windows of "Ferramentas": frequency chart, ratio diagram.
    void SetChartWindows(TFrequencia* frequencia, TDiagramaMomentos* diagrama);

    // The commands. Each runs to its end or throws; the menu items and
    // buttons run them under the default error handler.
    void Criarprojeto();
    void Abrirprojeto();
    // Reads the project file `path` and shows it, without asking: the
    // second half of Abrirprojeto, and `zarn PROJECT` at start-up.
    void Abrirprojeto(const QString& path);
    void Salvarprojeto();
    // "Relatório do estudo...": asks for a PDF file and writes the study of
    // the analysis in memory (study/study.h).
    void Relatoriodoestudo();
    // Asks for the study's return periods; the windows that show quantiles
    // follow the new list, kept beside the project when it is saved.
    void Periodosderetorno();
    // The return-periods window, created on first use.
    TPeriodos* PeriodosJanela();
    // "Análise B17C...": the Bulletin 17C window of the project.
    void AnaliseB17c();
    // "Informação histórica...": the flood record of that window, then the window.
    void Informacaohistorica();
    void SetAnaliseB17c(TAnaliseB17c* window) { b17c_ = window; }
    // Opens the import window; a saved data file is announced in a notice.
    void Importarserie();
    // The import window, created on first use.
    TImportar* ImportarJanela();
    // The save-first question: true when the command that asks may go on.
    bool PassSaveFirstQuestion();
    // Asks for a name and writes the project; false when the dialog was cancelled.
    bool GravarProjeto();
    // Calculates the project the new-project dialog describes and puts it in
    // the document; false when the user cancelled the calculation. Throws
    // the calculation's error. `dataFile` receives the file read.
    bool CalcularProjeto(std::string& dataFile);
    void AjudaClick();
    void AjudaKey();

    QToolBar* ToolBar1() const { return toolBar_; }
    QAction* Criar() const { return criar_; }
    QAction* Abrir() const { return abrir_; }
    QAction* Salvar() const { return salvar_; }
    QAction* sair() const { return sair_; }
    QTextEdit* Memo1() const { return memo_; }
    QStatusBar* Barradestatus() const { return statusBar_; }
    QLabel* StatusPanel() const { return panel_; }
    QMenu* Arquivo1() const { return arquivo_; }
    QMenu* Ferramentas1() const { return ferramentas_; }
    QAction* Novo1() const { return novo1_; }
    QAction* Abrir1() const { return abrir1_; }
    QAction* Importar1() const { return importar1_; }
    QAction* menusalvar() const { return menusalvar_; }
    QAction* menuestudo() const { return menuestudo_; }
    QAction* menuperiodos() const { return menuperiodos_; }
    QAction* menub17c() const { return menub17c_; }
    QAction* menuhistorica() const { return menuhistorica_; }
    QAction* Sair1() const { return sair1_; }
    QAction* menuestat() const { return menuestat_; }
    QAction* menuteste() const { return menuteste_; }
    QAction* menupara() const { return menupara_; }
    QAction* menumemo() const { return menumemo_; }
    QAction* menureco() const { return menureco_; }
    QAction* menufrequencia() const { return menufrequencia_; }
    QAction* menudiagrama() const { return menudiagrama_; }
    QAction* Ajuda1() const { return ajuda1_; }
    const QList<QPixmap>& Imagens() const { return imagens_; }

    // Set at start-up: HelpFilePath(), "ajuda.hlp" in the start-up folder first.
    QString HelpFile;
    // The open-project and save-project dialogs; initial folders set at start-up.
    FileDialogOptions AProj;
    FileDialogOptions GravarProj;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildToolBar();
    void BuildText();
    void BuildStatusBar();
    // Enables Save, the four result windows and the advice (never disabled again).
    void HabilitarComandos();
    // Runs a command under the default error handler.
    void Run(const std::function<void()>& command);
    QAction* Command(QMenu* menu, const QString& text, void (TDesktop::*handler)(), bool enabled = true);

    Platform& platform_;
    Document& document_;
    QList<QPixmap> imagens_;
    QToolBar* toolBar_ = nullptr;
    QAction* criar_ = nullptr;
    QAction* abrir_ = nullptr;
    QAction* salvar_ = nullptr;
    QAction* sair_ = nullptr;
    QTextEdit* memo_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* panel_ = nullptr;
    QMenu* arquivo_ = nullptr;
    QMenu* ferramentas_ = nullptr;
    QAction* novo1_ = nullptr;
    QAction* abrir1_ = nullptr;
    QAction* importar1_ = nullptr;
    QAction* menusalvar_ = nullptr;
    QAction* menuperiodos_ = nullptr;
    QAction* menub17c_ = nullptr;
    QAction* menuhistorica_ = nullptr;
    QAction* sair1_ = nullptr;
    QAction* menuestat_ = nullptr;
    QAction* menuteste_ = nullptr;
    QAction* menupara_ = nullptr;
    QAction* menumemo_ = nullptr;
    QAction* menureco_ = nullptr;
    QAction* menuestudo_ = nullptr;
    QAction* menufrequencia_ = nullptr;
    QAction* menudiagrama_ = nullptr;
    QAction* ajuda1_ = nullptr;
    QList<QAction*> tools_;  // the further items of "Ferramentas"

    TNovoProj* novoProj_ = nullptr;
    TEstatisticas* estatisticas_ = nullptr;
    TTesteDLG* testeDLG_ = nullptr;
    TParaDLG* paraDLG_ = nullptr;
    Tresult* result_ = nullptr;
    TImportar* importar_ = nullptr;
    TRecomendacao* recomendacao_ = nullptr;
    TFrequencia* frequencia_ = nullptr;
    TDiagramaMomentos* diagrama_ = nullptr;
    TPeriodos* periodos_ = nullptr;
    TAnaliseB17c* b17c_ = nullptr;
};

// Start-up once the windows exist: the document is not modified, the
// session's start-up folder is the current directory, every window's help
// file is the first "ajuda.hlp" there, beside the program or installed
// (HelpFilePath), and the file dialogs start there.
void StartSession(TDesktop& desktop, TNovoProj& novoProj);

}  // namespace zarn
