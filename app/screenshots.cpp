// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-screenshots: draws the windows headless and saves them as PNG for
// the documentation. Creates a project from the bundled Ocmulgee example,
// then grabs the main window, the new-project dialog, each result window,
// the import window, the advice, the two chart windows and the help viewer;
// then a series with years without flow and a study's own return periods.
//
//   zarn-screenshots [OUTPUT-FOLDER]     (default: docs/screenshots)
#include <QDir>
#include <QFile>
#include <QEventLoop>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/application.h"
#include "app/desktop.h"
#include "app/importdialog.h"
#include "app/novoproj.h"
#include "app/qtplatform.h"
#include "app/windows.h"
#include "dialogs/b17cwindow.h"
#include "dialogs/historica.h"
#include "dialogs/intervalwindow.h"
#include "dialogs/periodos.h"
#include "dialogs/recomendacao.h"
#include "dialogs/chartwindows.h"
#include "dialogs/regional.h"
#include "dialogs/resultdialogs.h"
#include "platform/session.h"

namespace {

// The real platform without its modal boxes and file dialogs: answers come
// from the tool, messages go to the console.
class UnattendedPlatform : public zarn::QtPlatform {
public:
    QString NextFile;
    int Errors = 0;

    zarn::Answer Confirm(QWidget*, const QString&) override { return zarn::Answer::No; }
    void Notice(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowError(QWidget*, const QString& text) override {
        ++Errors;
        std::fprintf(stderr, "erro: %s\n", qPrintable(text));
    }
    QString OpenFileName(QWidget*, const zarn::FileDialogOptions&) override { return NextFile; }
    QString SaveFileName(QWidget*, const zarn::FileDialogOptions&) override { return {}; }
};

// Lets the windows lay out and paint (charts included) before a grab.
void Settle() {
    QEventLoop loop;
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(QWidget* window, const QDir& folder, const QString& name) {
    window->show();
    window->raise();
    Settle();
    const QString path = folder.filePath(name);
    const bool ok = window->grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "escrito" : "FALHOU", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    UnattendedPlatform platform;
    zarn::ZarnApplication app(argc, argv, platform);
    // The chart windows' settings of this run only, not the user's.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(ZARN_SCREENSHOTS));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "não foi possível criar %s\n", qPrintable(folder.path()));
        return 1;
    }

    // The help file and the examples lie in the build folder, above this
    // tool's own: start there.
    QDir::setCurrent(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    zarn::Session session;
    zarn::Document document(session);
    const zarn::ProgramWindows windows = zarn::BuildWindows(platform, document);
    zarn::TDesktop* desktop = windows.Desktop;
    zarn::TNovoProj* novoProj = windows.NovoProj;
    zarn::TEstatisticas* estatisticas = windows.Estatisticas;
    zarn::TTesteDLG* testeDLG = windows.TesteDLG;
    zarn::TParaDLG* paraDLG = windows.ParaDLG;
    zarn::Tresult* result = windows.Result;
    zarn::TRecomendacao* recomendacao = windows.Recomendacao;
    zarn::TFrequencia* frequencia = windows.Frequencia;
    zarn::TDiagramaMomentos* diagrama = windows.Diagrama;
    // The pictures name every file relative to the start-up folder (the
    // data file "examples/..."), never by this machine's folders.
    session.StartupDir = std::string(1, '.');
    // The advice of a fresh installation: no adapted rule base in the user's
    // folder (an empty one of this run) nor beside this tool, so the
    // compiled-in one, named "padrão (embutida)" and by no path.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    bool ok = Save(desktop, folder, QStringLiteral("principal.png"));

    platform.NextFile = QStringLiteral("examples/ocmulgee-river-macon.dat");
    novoProj->ModalRun = [&](zarn::TNovoProj& d) {
        d.Projeto()->setText(QStringLiteral("Cheias do rio Ocmulgee"));
        d.Local()->setText(QStringLiteral("Macon, Geórgia (EUA)"));
        d.Comentario()->setText(QStringLiteral("Vazões máximas anuais 1910-1949, em 1000 cfs"));
        d.buttondadosClick();
        ok = Save(&d, folder, QStringLiteral("criar-projeto.png")) && ok;
        d.CriarClick();
    };
    desktop->Novo1()->trigger();
    if (platform.Errors > 0) return 1;

    ok = Save(estatisticas, folder, QStringLiteral("estatisticas.png")) && ok;
    estatisticas->hide();
    testeDLG->Exibir();
    ok = Save(testeDLG, folder, QStringLiteral("testes.png")) && ok;
    testeDLG->hide();
    paraDLG->Exibir();
    ok = Save(paraDLG, folder, QStringLiteral("parametros.png")) && ok;
    paraDLG->hide();
    result->Exibir();
    ok = Save(result, folder, QStringLiteral("memoria-de-calculo.png")) && ok;
    result->hide();
    zarn::TIntervalos* intervalos = windows.Intervalos;
    intervalos->Exibir();
    ok = Save(intervalos, folder, QStringLiteral("intervalos.png")) && ok;
    intervalos->hide();

    // The import window over a HidroWeb download of the examples.
    desktop->ImportarJanela()->ModalRun = [&](zarn::TImportar& d) {
        d.Carregar(QStringLiteral("examples/vazoes_C_58110002.csv"));
        ok = Save(&d, folder, QStringLiteral("importar.png")) && ok;
        d.FecharClick();
    };
    desktop->Importarserie();
    recomendacao->Exibir();
    ok = Save(recomendacao, folder, QStringLiteral("recomendacao.png")) && ok;
    recomendacao->hide();

    // The frequency chart with three fits, the band of the best one and the
    // data's unit; the ratio diagram.
    desktop->menufrequencia()->trigger();
    frequencia->Unidade()->setText(QStringLiteral("1000 pés³/s"));
    frequencia->Distribuicao(zarn::kGumbel)->setChecked(true);
    frequencia->Distribuicao(zarn::kLogPearson3)->setChecked(true);
    ok = Save(frequencia, folder, QStringLiteral("frequencia.png")) && ok;
    frequencia->hide();
    desktop->menudiagrama()->trigger();
    ok = Save(diagrama, folder, QStringLiteral("diagrama-momentos.png")) && ok;
    diagrama->hide();

    // A series with years without flow and a study's own return periods:
    // statistics, advice, intervals and the frequency chart.
    platform.NextFile = QStringLiteral("examples/santa-cruz-anos-secos.dat");
    novoProj->ModalRun = [&](zarn::TNovoProj& d) {
        d.Projeto()->setText(QStringLiteral("Rio com anos secos (exemplo)"));
        d.Local()->setText(QStringLiteral("Série ilustrativa: Santa Cruz com 5 anos sem vazão"));
        d.Comentario()->clear();
        d.buttondadosClick();
        d.Periodos()->setText(QStringLiteral("1,05; 2; 10; 25; 100; 1000; 10000"));
        ok = Save(&d, folder, QStringLiteral("criar-projeto-periodos.png")) && ok;
        d.CriarClick();
    };
    desktop->Novo1()->trigger();
    if (platform.Errors > 0) return 1;
    ok = Save(estatisticas, folder, QStringLiteral("estatisticas-anos-secos.png")) && ok;
    estatisticas->hide();
    recomendacao->Exibir();
    ok = Save(recomendacao, folder, QStringLiteral("recomendacao-anos-secos.png")) && ok;
    recomendacao->hide();
    intervalos->Exibir();
    ok = Save(intervalos, folder, QStringLiteral("intervalos-anos-secos.png")) && ok;
    intervalos->hide();
    desktop->menufrequencia()->trigger();
    frequencia->Unidade()->setText(QStringLiteral("pés³/s"));
    frequencia->EscalaLog()->setChecked(true);
    ok = Save(frequencia, folder, QStringLiteral("frequencia-anos-secos.png")) && ok;
    frequencia->hide();
    desktop->PeriodosJanela()->ModalRun = [&](zarn::TPeriodos& d) {
        ok = Save(&d, folder, QStringLiteral("periodos-de-retorno.png")) && ok;
        d.reject();
    };
    desktop->Periodosderetorno();

    // Bulletin 17C over the Arkansas River at Pueblo: the gauged years
    // 1893-1976 from the project's series, the 1864 flood before the gauge
    // and the historical period's threshold, entered in the editor.
    platform.NextFile = QStringLiteral("examples/arkansas-river-pueblo.dat");
    novoProj->ModalRun = [&](zarn::TNovoProj& d) {
        d.Projeto()->setText(QStringLiteral("Rio Arkansas"));
        d.Local()->setText(QStringLiteral("Pueblo, Colorado (EUA)"));
        d.Comentario()->setText(QStringLiteral("Picos anuais 1893-1976 e a cheia histórica de 1864, em pés³/s"));
        d.Periodos()->setText(QStringLiteral("2; 5; 10; 50; 100; 200; 1000"));
        d.buttondadosClick();
        d.CriarClick();
    };
    desktop->Novo1()->trigger();
    if (platform.Errors > 0) return 1;
    estatisticas->hide();
    zarn::TAnaliseB17c* b17c = windows.AnaliseB17c;
    desktop->menub17c()->trigger();
    b17c->Editor()->ModalRun = [&](zarn::TInformacaoHistorica& d) {
        d.PrimeiroAno()->setValue(1892);
        d.SerieDoProjetoClick();
        d.Anos()->item(0, 0)->setText(QStringLiteral("1864"));
        d.Anos()->item(0, 2)->setCheckState(Qt::Checked);
        d.IncluirLimiarClick();
        const QStringList threshold{QStringLiteral("1864"), QStringLiteral("1892"), QStringLiteral("41000"), QString()};
        for (int c = 0; c < threshold.size(); ++c) d.Limiares()->setItem(0, c, new QTableWidgetItem(threshold[c]));
        ok = Save(&d, folder, QStringLiteral("informacao-historica.png")) && ok;
        d.OkClick();
    };
    b17c->Historica()->click();
    ok = Save(b17c, folder, QStringLiteral("analise-b17c.png")) && ok;
    b17c->hide();
    recomendacao->Exibir();
    ok = Save(recomendacao, folder, QStringLiteral("recomendacao-b17c.png")) && ok;
    recomendacao->hide();

    // The regional analysis of the examples' stations, with drainage areas.
    zarn::TRegional* regional = windows.Regional;
    std::vector<zarn::RegionEntry> stations;
    const std::pair<const char*, double> examples[] = {
        {"arkansas-river-pueblo.dat", 12000}, {"ocmulgee-river-macon.dat", 5800},
        {"santa-cruz-river-lochiel.dat", 212}, {"tees-dent-bank.dat", 217},
        {"potomac-river-point-of-rocks.dat", 25000}, {"vazoes_C_58110002.csv", 0}};
    for (const auto& [file, area] : examples) {
        zarn::RegionEntry e = zarn::RegionEntryOf(std::string("examples/") + file);
        e.Area = area;
        stations.push_back(e);
    }
    regional->SetEntries(stations);
    regional->CalcularClick();
    regional->Exibir();
    ok = Save(regional, folder, QStringLiteral("regional.png")) && ok;
    regional->Abas()->setCurrentIndex(3);
    ok = Save(regional, folder, QStringLiteral("regional-diagrama.png")) && ok;
    regional->Abas()->setCurrentIndex(4);
    ok = Save(regional, folder, QStringLiteral("regional-curva.png")) && ok;
    regional->hide();

    desktop->AjudaKey();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle().startsWith(QStringLiteral("ZARN - Ajuda")))
            ok = Save(w, folder, QStringLiteral("ajuda.png")) && ok;

    delete desktop;
    return ok ? 0 : 1;
}
