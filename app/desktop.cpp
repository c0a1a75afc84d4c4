// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktop.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <memory>
#include <optional>

#include "analysis/calculation.h"
#include "files/datafile.h"
#include "files/errors.h"
#include "import/importer.h"
#include "analysis/progress.h"
#include "analysis/record.h"
#include "analysis/returnperiods.h"
#include "app/application.h"
#include "app/importdialog.h"
#include "app/novoproj.h"
#include "app/pictures.h"
#include "analysis/projectfile.h"
#include "platform/datawarnings.h"
#include "platform/session.h"
#include "dialogs/chartwindows.h"
#include "dialogs/intervalwindow.h"
#include "dialogs/b17cwindow.h"
#include "dialogs/periodos.h"
#include "dialogs/recomendacao.h"
#include "dialogs/resultdialogs.h"
#include "dialogs/chartexport.h"
#include "study/study.h"
#include "zarn/about.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

// Where the data-file warnings send the user.
const std::string kImporterHint = "Use Projeto > Importar série... para montar o arquivo de dados.";

// Client area below the menu bar, and the bars in it, in pixels.
constexpr int kClientWidth = 382;
constexpr int kClientHeight = 243;
constexpr int kToolBarHeight = 29;
constexpr int kToolBarSeparator = 8;
constexpr int kStatusBarHeight = 19;
constexpr int kStatusPanelWidth = 325;
// The title text is set in a size close to the 8-point system font it was
// laid out for, so that its longest line fits the window's width.
constexpr int kTextPixelSize = 11;

// The lines of the title text, centred.
const QStringList kTitleLines = {
    QString(),
    QStringLiteral("ZARN - PROGRAMA PARA ANÁLISE DE FREQUÊNCIA DE EVENTOS "),
    QStringLiteral("HIDROLÓGICOS MÁXIMOS ANUAIS"),
    QString(),
    QStringLiteral("Versâo 1.0"),
    QStringLiteral("Software livre: licença GNU GPL versão 3 ou posterior"),
    QString(),
    QStringLiteral("Autor: Equipe ZARN"),
    QStringLiteral("Engenharia de recursos hídricos - Equipe ZARN"),
    QStringLiteral("E-mail: %1").arg(QLatin1String(kContactEmail)),
    QString(),
    QStringLiteral("Orientador: Equipe ZARN"),
    QStringLiteral("Revisão técnica e metodológica - Equipe ZARN"),
    QString(),
    QString(),
};

// A file that reads as a data file (at least the fewest values an analysis
// takes): what a user who gives one where a project is asked for meant.
bool ReadsAsDataFile(const std::string& path) {
    std::vector<double> values(kSampleCapacity);
    try {
        return ReadDataFile(path, values.data()) >= kMinimumSampleSize;
    } catch (const ZarnError&) {
        return false;
    }
}

const QStringList kProjectFilters = {QStringLiteral("Arquivo de projeto (*.Prj)"),
                                     QStringLiteral("Todos os arquivos (*.*)")};

}  // namespace

std::string DataFileAsProjectText(const std::string& fileName) {
    return "\"" + fileName + "\" é um arquivo de dados (uma série de valores), não um projeto. Para analisá-lo, use "
           "Projeto > Novo e escolha-o em \"Arquivo de dados\".";
}

TDesktop::TDesktop(Platform& platform, Document& document, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform),
      document_(document),
      imagens_(zarn::Imagens()) {
    setWindowTitle(QStringLiteral("ZARN - KELMORIDA"));
    BuildMenu();
    BuildToolBar();
    BuildText();
    BuildStatusBar();
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    AProj.Filters = kProjectFilters;
    AProj.DefaultSuffix = QStringLiteral("prj");
    AProj.ConfirmOverwrite = false;
    GravarProj.Filters = kProjectFilters;
    GravarProj.DefaultSuffix = QStringLiteral("prj");
    GravarProj.ConfirmOverwrite = true;

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { Run([this] { AjudaKey(); }); });
    // F10 opens the menu bar, as the status bar says.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        menuBar()->setFocus(Qt::ShortcutFocusReason);
        menuBar()->setActiveAction(arquivo_->menuAction());
    });
}

QAction* TDesktop::Command(QMenu* menu, const QString& text, void (TDesktop::*handler)(), bool enabled) {
    QAction* action = menu->addAction(text);
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, this, [this, handler] { Run([this, handler] { (this->*handler)(); }); });
    return action;
}

void TDesktop::BuildMenu() {
    arquivo_ = menuBar()->addMenu(QStringLiteral("&Projeto"));
    novo1_ = Command(arquivo_, QStringLiteral("&Novo"), &TDesktop::Criarprojeto);
    abrir1_ = Command(arquivo_, QStringLiteral("&Abrir"), &TDesktop::Abrirprojeto);
    importar1_ = Command(arquivo_, QStringLiteral("&Importar série..."), &TDesktop::Importarserie);
    menusalvar_ = Command(arquivo_, QStringLiteral("&Salvar"), &TDesktop::Salvarprojeto, false);
    menuperiodos_ = Command(arquivo_, QStringLiteral("&Períodos de retorno..."), &TDesktop::Periodosderetorno, false);
    menuhistorica_ = Command(arquivo_, QStringLiteral("Informação &histórica..."), &TDesktop::Informacaohistorica, false);
    menub17c_ = Command(arquivo_, QStringLiteral("Análise &B17C..."), &TDesktop::AnaliseB17c, false);
    arquivo_->addSeparator();
    menuestudo_ = Command(arquivo_, QStringLiteral("Relatório do &estudo..."), &TDesktop::Relatoriodoestudo, false);
    arquivo_->addSeparator();
    sair1_ = arquivo_->addAction(QStringLiteral("Sai&r"));
    connect(sair1_, &QAction::triggered, this, &QWidget::close);
    // The standard keys; Ctrl+P writes the study, the program's printable document.
    novo1_->setShortcut(QKeySequence::New);
    abrir1_->setShortcut(QKeySequence::Open);
    menusalvar_->setShortcut(QKeySequence::Save);
    menuestudo_->setShortcut(QKeySequence::Print);
    sair1_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    ferramentas_ = menuBar()->addMenu(QStringLiteral("&Ferramentas"));
    auto show = [this](const QString& text, auto window) {
        QAction* action = ferramentas_->addAction(text);
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, [this, window] {
            Run([this, window] {
                if (auto* dialog = this->*window) dialog->Exibir();
            });
        });
        return action;
    };
    menuestat_ = show(QStringLiteral("&Estatísticas descritivas"), &TDesktop::estatisticas_);
    menuteste_ = show(QStringLiteral("&Teste não paramétricos"), &TDesktop::testeDLG_);
    menupara_ = show(QStringLiteral("Estimação de &parâmetros"), &TDesktop::paraDLG_);
    menumemo_ = show(QStringLiteral("&Memória de cálculo"), &TDesktop::result_);
    menureco_ = show(QStringLiteral("Re&comendação"), &TDesktop::recomendacao_);
    ferramentas_->addSeparator();
    menufrequencia_ = show(QStringLiteral("&Gráfico de frequência"), &TDesktop::frequencia_);
    menudiagrama_ = show(QStringLiteral("&Diagrama de momentos-L"), &TDesktop::diagrama_);

    // "Ajuda" has no items: the top-level entry itself is the command.
    ajuda1_ = menuBar()->addAction(QStringLiteral("A&juda"));
    connect(ajuda1_, &QAction::triggered, this, [this] { Run([this] { AjudaClick(); }); });
}

void TDesktop::BuildToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBar_->setIconSize(QSize(kPictureSize, kPictureSize));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->setFixedHeight(kToolBarHeight);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    auto button = [this](Glyph picture, const QString& tip) {
        QAction* action = toolBar_->addAction(QIcon(imagens_[static_cast<int>(picture)]), tip);
        action->setToolTip(tip);
        return action;
    };
    criar_ = button(Glyph::Novo, QStringLiteral("Criar Projeto"));
    abrir_ = button(Glyph::Abrir, QStringLiteral("Abrir Projeto"));
    salvar_ = button(Glyph::Salvar, QStringLiteral("Salvar Projeto"));
    salvar_->setEnabled(false);
    auto* gap = new QWidget(toolBar_);
    gap->setFixedWidth(kToolBarSeparator);
    toolBar_->addWidget(gap);
    sair_ = button(Glyph::Sair, QStringLiteral("Sair"));

    connect(criar_, &QAction::triggered, this, [this] { Run([this] { Criarprojeto(); }); });
    connect(abrir_, &QAction::triggered, this, [this] { Run([this] { Abrirprojeto(); }); });
    connect(salvar_, &QAction::triggered, this, [this] { Run([this] { Salvarprojeto(); }); });
    connect(sair_, &QAction::triggered, this, &QWidget::close);
}

void TDesktop::BuildText() {
    memo_ = new QTextEdit(this);
    memo_->setReadOnly(true);
    memo_->setFrameShape(QFrame::StyledPanel);
    QFont font = memo_->font();
    font.setPixelSize(kTextPixelSize);
    memo_->setFont(font);
    QPalette palette = memo_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    memo_->setPalette(palette);
    memo_->setPlainText(kTitleLines.join(QLatin1Char('\n')));
    QTextCursor all(memo_->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
    setCentralWidget(memo_);
}

void TDesktop::BuildStatusBar() {
    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(false);
    statusBar_->setFixedHeight(kStatusBarHeight);
    panel_ = new QLabel(QStringLiteral("F1-Ajuda   F10-Opções "), statusBar_);
    panel_->setFixedWidth(kStatusPanelWidth);
    panel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel_->setFrameShape(QFrame::Panel);
    panel_->setFrameShadow(QFrame::Sunken);
    statusBar_->addWidget(panel_);
    setStatusBar(statusBar_);
}

void TDesktop::SetWindows(TNovoProj* novoProj, TEstatisticas* estatisticas, TTesteDLG* testeDLG,
                          TParaDLG* paraDLG, Tresult* result) {
    novoProj_ = novoProj;
    estatisticas_ = estatisticas;
    testeDLG_ = testeDLG;
    paraDLG_ = paraDLG;
    result_ = result;
}

void TDesktop::SetChartWindows(TFrequencia* frequencia, TDiagramaMomentos* diagrama) {
    frequencia_ = frequencia;
    diagrama_ = diagrama;
}

void TDesktop::Run(const std::function<void()>& command) { RunCommand(platform_, this, command); }

void TDesktop::HabilitarComandos() {
    for (QAction* a : {salvar_, menusalvar_, menuestudo_, menuperiodos_, menuhistorica_, menub17c_, menuestat_,
                       menuteste_, menupara_, menumemo_, menureco_, menufrequencia_, menudiagrama_})
        a->setEnabled(true);
    for (QAction* a : tools_) a->setEnabled(true);
}

QAction* TDesktop::AddTool(const QString& text, const std::function<void()>& show) {
    QAction* action = ferramentas_->addAction(text);
    action->setEnabled(menuestat_->isEnabled());
    connect(action, &QAction::triggered, this, [this, show] { Run(show); });
    tools_.append(action);
    return action;
}

QAction* TDesktop::AddRegionalTool(const QString& text, const std::function<void()>& show) {
    QAction* action = ferramentas_->addAction(text);
    connect(action, &QAction::triggered, this, [this, show] { Run(show); });
    QAction* button = new QAction(QIcon(zarn::Picture(Glyph::Parametros)), text, toolBar_);
    button->setToolTip(text);
    toolBar_->insertAction(sair_, button);
    connect(button, &QAction::triggered, this, [this, show] { Run(show); });
    return action;
}

bool TDesktop::GravarProjeto() {
    const QString path = platform_.SaveFileName(this, GravarProj);
    if (path.isEmpty()) return false;
    document_.Save(FileSystemPath(path));
    return true;
}

bool TDesktop::PassSaveFirstQuestion() {
    if (!document_.Modified()) return true;
    switch (platform_.Confirm(this, kSaveFirstQuestion)) {
        case Answer::Yes: return GravarProjeto();
        case Answer::No: return true;
        case Answer::Cancel: break;
    }
    return false;
}

void TDesktop::Criarprojeto() {
    if (!PassSaveFirstQuestion() || !novoProj_) return;
    novoProj_->LimparCampos();
    // The calculation runs from the dialog's "Criar": a refused data file
    // keeps the dialog open with its fields, for another file or "Cancelar".
    std::string dataFile;
    novoProj_->Confirmar = [this, &dataFile] { return CalcularProjeto(dataFile); };
    struct Reset {
        TNovoProj* dialog;
        ~Reset() { dialog->Confirmar = nullptr; }
    } reset{novoProj_};
    if (!novoProj_->Executar()) return;
    HabilitarComandos();
    if (estatisticas_) estatisticas_->Exibir();

    // A data file the reader took but probably not as meant (a "year value"
    // table, a huge span of values, UTF-16 text): said once the results show.
    QStringList warnings;
    for (const auto& w : InspectDataFile(dataFile))
        warnings << QString::fromStdString(DataFileWarningText(w, kImporterHint));
    if (!warnings.isEmpty())
        platform_.Notice(estatisticas_ ? static_cast<QWidget*>(estatisticas_) : this, warnings.join(QStringLiteral("\n\n")));
}

bool TDesktop::CalcularProjeto(std::string& dataFile) {
    platform_.SetBusyCursor();
    struct CursorGuard {
        Platform& platform;
        ~CursorGuard() { platform.RestoreCursor(); }
    } cursor{platform_};

    // The calculation fills a copy of the record: a failure or a cancel
    // leaves the analysis on screen and in memory as it was. The copy keeps
    // what the calculation does not write (the parsimony values), as
    // calculating in place would.
    auto scratch = std::make_unique<AnalysisRecord>(document_.Record());
    scratch->TestFlags = 0;
    const std::string title = ToWindows1252(novoProj_->Projeto()->text());
    const std::string location = ToWindows1252(novoProj_->Local()->text());
    const std::string comment = ToWindows1252(novoProj_->Comentario()->text());
    dataFile = FileSystemPath(novoProj_->Dados()->text());
    // The calculation runs off the window thread, with a progress dialog
    // after half a second; "Cancelar" there returns to the dialog without a message.
    CalculationProgress progress;
    SimulationSummary simulations;
    ZeroYears zeros;
    try {
        platform_.RunWithProgress(novoProj_, QStringLiteral("ZARN - Calculando"), progress, [&] {
            CalculateAll(*scratch, title, location, comment, dataFile, document_.Options(&progress), &simulations,
                         &zeros);
        });
    } catch (const CalculationCancelled&) {
        return false;
    }
    // A new project: no file yet, its own settings (the return periods asked
    // for and the years without flow set aside); every open window follows.
    ProjectSettings settings;
    SetStudy(settings, novoProj_->PeriodosDeRetorno(), zeros);
    document_.Replace(std::move(scratch), std::move(simulations), std::string(), std::move(settings), true);
    return true;
}

void TDesktop::Abrirprojeto() {
    if (!PassSaveFirstQuestion()) return;
    const QString path = platform_.OpenFileName(this, AProj);
    if (path.isEmpty()) return;
    Abrirprojeto(path);
}

void TDesktop::Abrirprojeto(const QString& path) {
    // The simulations are not in the project file: run again when asked for.
    const std::string file = FileSystemPath(path);
    try {
        document_.Open(file);
    } catch (const ZarnError& e) {
        // A data file given as a project (a likely first mistake): the
        // reader's own text, then what to do instead.
        if (!ReadsAsDataFile(file)) throw;
        std::string text = e.what();
        if (!text.empty() && text.back() != '.') text += '.';
        throw ZarnError(text + "\n\n" + DataFileAsProjectText(QFileInfo(path).fileName().toStdString()));
    }
    HabilitarComandos();
    if (estatisticas_) estatisticas_->Exibir();
}

void TDesktop::Salvarprojeto() {
    if (GravarProjeto()) document_.SetModified(false);
}

void TDesktop::Relatoriodoestudo() {
    FileDialogOptions options;
    options.Title = QStringLiteral("Relatório do estudo");
    options.Filters = {QStringLiteral("Documento PDF (*.pdf)"), QStringLiteral("Todos os arquivos (*.*)")};
    options.DefaultSuffix = QStringLiteral("pdf");
    options.FileName = ChartFileName(Windows1252ToUtf8(TextOf(document_.Record().Title)), QStringLiteral("estudo")) +
                       QStringLiteral(".pdf");
    const QString path = platform_.SaveFileName(this, options);
    if (path.isEmpty()) return;
    // The variable, unit and return periods the project keeps beside its
    // file; where it keeps none, the frequency chart's variable and unit.
    StudyOptions study = ProjectStudyOptions(document_.Settings());
    const auto chart = ChartSettings();
    if (!document_.Settings().Variable)
        study.Variable = chart->value(QStringLiteral("Frequencia/Variavel"), study.Variable).toString();
    if (!document_.Settings().Unit) study.Unit = chart->value(QStringLiteral("Frequencia/Unidade"), study.Unit).toString();
    platform_.SetBusyCursor();
    struct CursorGuard {
        Platform& platform;
        ~CursorGuard() { platform.RestoreCursor(); }
    } cursor{platform_};
    int pages = 0;
    if (!WriteRecordStudy(platform_, document_, path, study, &pages)) return;
    platform_.Notice(this, QStringLiteral("Relatório do estudo gravado em \"%1\" (%2 páginas).")
                               .arg(QDir::toNativeSeparators(path))
                               .arg(pages));
}

TPeriodos* TDesktop::PeriodosJanela() {
    if (periodos_ == nullptr) periodos_ = new TPeriodos(platform_, this);
    return periodos_;
}

void TDesktop::Periodosderetorno() {
    const std::vector<double> current = StudyReturnPeriods(document_.Settings());
    const std::optional<std::vector<double>> periods = PeriodosJanela()->Executar(current);
    if (!periods || *periods == current) return;
    SetStudy(document_.Settings(), *periods, ProjectZeroYears(document_.Record(), document_.Settings()));
    document_.SetModified(true);
    // The open windows that show quantiles follow the new list.
    if (recomendacao_ && recomendacao_->isVisible()) recomendacao_->Exibir();
    if (frequencia_ && frequencia_->isVisible()) frequencia_->Exibir();
    for (TIntervalos* intervalos : findChildren<TIntervalos*>())
        if (intervalos->isVisible()) intervalos->Exibir();
}

void TDesktop::AnaliseB17c() {
    if (b17c_) b17c_->Exibir();
}

void TDesktop::Informacaohistorica() {
    if (b17c_ && b17c_->InformacaoHistoricaClick()) b17c_->Exibir();
}

TImportar* TDesktop::ImportarJanela() {
    if (importar_ == nullptr) importar_ = new TImportar(platform_, document_.session(), this);
    return importar_;
}

void TDesktop::Importarserie() {
    TImportar* janela = ImportarJanela();
    janela->HelpFile = HelpFile;
    janela->abrirserie.InitialFolder = AProj.InitialFolder;
    const QString saved = janela->Executar();
    if (saved.isEmpty() || janela->Resultado() == nullptr) return;
    platform_.Notice(this, QStringLiteral("Série anual gravada em \"%1\" (%2 valores). Para analisá-la, use "
                                          "Projeto > Novo e escolha este arquivo de dados.")
                               .arg(QDir::toNativeSeparators(saved))
                               .arg(janela->Resultado()->Kept.size()));
}

void TDesktop::AjudaClick() { ShowHelpTopic(platform_, this, document_.session(), HelpFile, kHelpContents); }

void TDesktop::AjudaKey() { ShowHelpTopic(platform_, this, document_.session(), HelpFile, kDesktopHelpContext); }

void TDesktop::closeEvent(QCloseEvent* event) {
    if (RunQuery(platform_, this, [this] { return PassSaveFirstQuestion(); }))
        event->accept();
    else
        event->ignore();
}

void StartSession(TDesktop& desktop, TNovoProj& novoProj) {
    Document& document = desktop.document();
    document.SetModified(false);
    const QString folder = QDir::currentPath();
    document.session().StartupDir = FileSystemPath(folder);
    // "ajuda.hlp" in the start-up folder, else beside the program, else installed.
    const QString helpFile = HelpFilePath(document.session());
    novoProj.HelpFile = helpFile;
    desktop.HelpFile = helpFile;
    desktop.AProj.InitialFolder = folder;
    desktop.GravarProj.InitialFolder = folder;
    novoProj.abrirdados.InitialFolder = folder;
}

}  // namespace zarn
