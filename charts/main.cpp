// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-charts: every chart of a saved project as PNG and SVG, for scripts and
// reports, drawn by the program's own windows without showing them (Qt's
// offscreen platform unless QT_QPA_PLATFORM says otherwise). The confidence
// bands are simulated from the project, as the windows do, without a dialog,
// for the two distributions whose band is drawn only (the same replicates).
// The output depends only on the project and the options: the settings the
// windows keep for the user are neither read nor changed.
//
// Files written into OUTDIR (each as .png and .svg):
//   histograma, dados-amostrais, probabilidade (the project's plotted
//   distribution with its band), frequencia, diagrama-momentos-l
//
// The frequency chart draws by default the distribution the advisor
// recommends, with its band, as the window does; when it recommends none,
// the tool says so and draws the one with the highest probability-plot
// correlation R. Its value axis is labelled with the project's variable and
// unit (its settings file) unless --variable or --unit are given.
// With --study OUT.pdf it writes instead the study of the project as a PDF
// document ("Relatório do estudo"), the same the program's Projeto menu makes.
// With --region-study OUT.pdf followed by the options of zarn-cli --region
// it writes the regional study of that region as a PDF (zarn-cli --region
// ... --study hands it here).
#include <QApplication>
#include <QChart>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QComboBox>
#include <QPrinter>
#include <QCheckBox>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/errors.h"
#include "files/filerules.h"
#include "files/filewrite.h"
#include "files/projectsettings.h"
#include "analysis/projectfile.h"
#include "analysis/record.h"
#include "analysis/simulation.h"
#include "cli/advice.h"
#include "cli/outputs.h"
#include "cli/region.h"
#include "regional/regionsites.h"
#include "rules/regionaladvice.h"
#include "study/regionalpdf.h"
#include "dialogs/chartexport.h"
#include "dialogs/chartwindows.h"
#include "dialogs/resultdialogs.h"
#include "platform/platform.h"
#include "platform/session.h"
#include "rules/advisor.h"
#include "study/study.h"
#include "zarn/about.h"

namespace zarn {
namespace {

constexpr const char* kUsage =
    "usage: zarn-charts [--width CM] [--height CM] [--dpi N] [--paper gumbel|normal|log]\n"
    "                   [--distributions recommended|best|all|LIST] [--band recommended|best|none|N]\n"
    "                   [--positions NAME] [--variable TEXT] [--unit TEXT] [--rules FILE] PROJECT OUTDIR\n"
    "       zarn-charts --study OUT.pdf [--variable TEXT] [--unit TEXT] [--rules FILE] PROJECT\n"
    "       (the study takes the variable, unit and return periods the project keeps\n"
    "       beside it, unless given here)\n"
    "       zarn-charts --region-study OUT.pdf --region INPUT [the other options of zarn-cli --region]\n"
    "       zarn-charts --help | --version\n"
    "       LIST is distribution numbers 1..8 separated by commas (1 Normal, 2 LogNormal,\n"
    "       3 Gumbel, 4 Exponencial, 5 Pearson III, 6 LogPearson III, 7 GEV, 8 GPA);\n"
    "       recommended (the default) is the advisor's recommendation, or the highest degree g when there is none;\n"
    "       best is the distribution with the highest probability-plot correlation R;\n"
    "       --variable and --unit default to the project's own (its settings file)\n"
    "       NAME is cunnane (default), gringorten, blom, weibull or hazen\n";

struct UsageError {
    std::string Text;
};

struct Options {
    QString Project, Folder;
    QString Study;  // --study: the PDF of the study instead of the chart files
    ImageSize Size;
    QString Paper = QStringLiteral("gumbel");
    QString Distributions = QStringLiteral("recommended");
    QString Band = QStringLiteral("recommended");
    QString Positions = QStringLiteral("cunnane");
    std::optional<QString> Variable, Unit;  // none: the project's
    std::string Rules;  // --rules FILE: the rule base of the advice
};

double Number(const std::string& arg, const std::string& text, double low, double high) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(v >= low && v <= high))
        throw UsageError{arg + " takes a number from " + std::to_string(static_cast<int>(low)) + " to " +
                         std::to_string(static_cast<int>(high))};
    return v;
}

Options ParseArguments(int argc, char** argv) {
    Options o;
    std::vector<QString> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (arg == "--version") {
            std::fputs(VersionText("zarn-charts").c_str(), stdout);
            std::exit(0);
        }
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
            return argv[++i];
        };
        if (arg == "--width") o.Size.WidthCm = Number(arg, value(), kSmallestChartWidthCm, 100);
        else if (arg == "--height") o.Size.HeightCm = Number(arg, value(), kSmallestChartHeightCm, 100);
        else if (arg == "--dpi") o.Size.Dpi = static_cast<int>(Number(arg, value(), 72, 1200));
        else if (arg == "--paper") o.Paper = QString::fromStdString(value());
        else if (arg == "--distributions") o.Distributions = QString::fromStdString(value());
        else if (arg == "--band") o.Band = QString::fromStdString(value());
        else if (arg == "--positions") o.Positions = QString::fromStdString(value()).toLower();
        else if (arg == "--variable") o.Variable = QString::fromLocal8Bit(value());
        else if (arg == "--unit") o.Unit = QString::fromLocal8Bit(value());
        else if (arg == "--study") o.Study = QString::fromLocal8Bit(value());
        else if (arg == "--rules") o.Rules = value();
        else if (arg.size() > 1 && arg[0] == '-') throw UsageError{"unknown argument " + arg};
        else positional.push_back(QString::fromLocal8Bit(arg));
    }
    if (!o.Study.isEmpty()) {
        if (positional.size() != 1) throw UsageError{"--study takes the project file alone"};
        o.Project = positional[0];
        return o;
    }
    if (positional.size() != 2) throw UsageError{"give the project file and the output folder"};
    if (o.Paper != "gumbel" && o.Paper != "normal" && o.Paper != "log")
        throw UsageError{"--paper takes gumbel, normal or log"};
    o.Project = positional[0];
    o.Folder = positional[1];
    return o;
}

// "recommended", "best", "all" or "1,3,7": the distributions checked.
std::vector<int> Distributions(const QString& text, int recommended, int best) {
    if (text == "recommended") return {recommended};
    if (text == "best") return {best};
    if (text == "all") return {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<int> chosen;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int index = part.trimmed().toInt(&ok);
        if (!ok || index < 1 || index > kDistributionCount)
            throw UsageError{"--distributions takes recommended, best, all or numbers 1 to 8 separated by commas"};
        chosen.push_back(index);
    }
    return chosen;
}

// A platform that shows nothing: questions are declined, messages go to
// standard error, long work runs at once.
class SilentPlatform : public Platform {
public:
    int Errors = 0;
    Answer Confirm(QWidget*, const QString&) override { return Answer::Cancel; }
    void Notice(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowError(QWidget*, const QString& text) override {
        ++Errors;
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    QString OpenFileName(QWidget*, const FileDialogOptions&) override { return {}; }
    QString SaveFileName(QWidget*, const FileDialogOptions&) override { return {}; }
    void SetBusyCursor() override {}
    void RestoreCursor() override {}
    bool ShowHelp(QWidget*, const QString&, int) override { return false; }
    bool LaunchProgram(const QString&, const QStringList&, const QString&, bool) override { return false; }
    void RunWithProgress(QWidget*, const QString&, CalculationProgress&, const std::function<void()>& work) override {
        work();
    }
    bool ChooseImageSize(QWidget*, const QString&, ImageSize&) override { return true; }
    std::unique_ptr<QPrinter> ChoosePrinter(QWidget*, const QString&) override { return nullptr; }
    void CopyImage(const QImage&) override {}
};

// Whole or not at all, as every file of the batch tools; a symbolic link
// already at the name is replaced, never followed.
void WriteWhole(const QString& path, const QByteArray& bytes) {
    const std::string target = FileSystemPath(path);
    ReplaceFileContents(target, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        [&](WriteStage, int code) { return FileErrorText(code, target); }, LinkAtTarget::Replace);
}

// The names of the chart files written into the output folder.
const char* const kChartNames[] = {"histograma", "dados-amostrais", "probabilidade", "frequencia",
                                   "diagrama-momentos-l"};

// Before anything is drawn: no output may be the project, the file beside
// it, the rule base or another output (files/filerules.h).
void CheckOutputs(const Options& o) {
    OutputRule rule;
    const std::string project = FileSystemPath(o.Project);
    rule.Input(project);
    rule.Input(ProjectSettingsPath(project));
    rule.Input(o.Rules);
    if (!o.Study.isEmpty()) {
        rule.Output(FileSystemPath(o.Study));
    } else {
        const QDir folder(o.Folder);
        for (const char* name : kChartNames)
            for (const char* extension : {".png", ".svg"})
                rule.Output(FileSystemPath(folder.filePath(QString::fromLatin1(name) + QLatin1String(extension))));
    }
    rule.Check();
}

void Write(QChart* chart, const QDir& folder, const QString& name, const ImageSize& size) {
    const QString png = folder.filePath(name + QStringLiteral(".png"));
    const QString svg = folder.filePath(name + QStringLiteral(".svg"));
    WriteWhole(png, ChartPng(chart, size));
    WriteWhole(svg, ChartSvg(chart, size, name));
    std::printf("%s\n%s\n", qPrintable(QDir::toNativeSeparators(png)), qPrintable(QDir::toNativeSeparators(svg)));
}

// What the frequency chart shows: the advisor's recommendation (Advised,
// 0 for none), the distributions checked and the one whose band is drawn.
struct ChartChoices {
    int Advised = 0;
    std::vector<int> Shown;
    int Band = 0;
};

// The advisor's recommendation, as the window takes it; none: the
// distribution of highest degree g in the advisor's ranking (the first in
// rank order among equals), and the tool says so.
ChartChoices Choose(const Options& o, const AnalysisRecord& record, const Session& session) {
    ChartChoices choices;
    const Advice advice = Advise(record, session);
    if (!advice.RuleBaseProblem.empty()) std::fprintf(stderr, "%s\n", advice.RuleBaseProblem.c_str());
    const int best = HighestCorrelation(record);
    choices.Advised = advice.Recommended;
    int recommended = advice.Recommended;
    if (recommended == 0) {
        double highest = -1.0;
        for (const DistributionAdvice& d : advice.Ranking)
            if (d.Degree > highest) highest = d.Degree, recommended = d.Index;
        if (recommended == 0) recommended = best;
        if (o.Distributions == "recommended" || o.Band == "recommended")
            std::fprintf(stderr,
                         "Nenhuma distribuição é recomendada para este projeto: o gráfico de frequência mostra a "
                         "de maior grau g, %s.\n",
                         DistributionName(recommended).c_str());
    }
    choices.Shown = Distributions(o.Distributions, recommended, best);
    choices.Band = recommended;
    if (o.Band == "none") choices.Band = 0;
    else if (o.Band == "best") choices.Band = best;
    else if (o.Band != "recommended") {
        bool ok = false;
        choices.Band = o.Band.toInt(&ok);
        if (!ok || choices.Band < 1 || choices.Band > kDistributionCount)
            throw UsageError{"--band takes recommended, best, none or 1 to 8"};
    }
    return choices;
}

// --region-study OUT.pdf and the region's options: the analysis as zarn-cli
// --region makes it, its advice, and the study written to OUT.pdf, which
// may not replace the region's list or any station's file.
int RunRegionStudy(int argc, char** argv, int at) {
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i)
        if (i != at && i != at + 1) rest.push_back(argv[i]);
    if (at + 1 >= argc) {
        std::fprintf(stderr, "zarn-charts: --region-study needs OUT.pdf\n%s", kUsage);
        return 2;
    }
    const std::string out = argv[at + 1];
    RegionCommand command;
    try {
        command = ParseRegionCommand(static_cast<int>(rest.size()), rest.data());
    } catch (const RegionUsageError& e) {
        std::fprintf(stderr, "zarn-charts: %s\n%s", e.Text.c_str(), kUsage);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        std::vector<std::string> warnings;
        std::vector<RegionSite> sites = ReadRegionSites(RegionEntriesOf(command.Input), warnings);
        for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
        RefuseSameFile(out, command.Input);
        for (const RegionSite& site : sites) RefuseSameFile(out, site.File);
        RegionalResult r = AnalyseRegion(std::move(sites), command.Options);
        r.Warnings = warnings;
        const std::vector<std::string> advice = RegionalAdviceLines(r, ToolSession(command.Rules));
        WriteRegionalStudy(QString::fromLocal8Bit(out.c_str()), r, command.Input, advice);
        std::printf("%s\n", out.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

int Run(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--region-study") return RunRegionStudy(argc, argv, i);
    Options o;
    try {
        o = ParseArguments(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zarn-charts: %s\n%s", e.Text.c_str(), kUsage);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The windows keep their settings in the chart settings: here they live
    // in a folder of this run only.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    SilentPlatform platform;
    // The start-up folder is the working folder (the help file); the rule
    // base is the one given with --rules, else the user's adapted one.
    Session session{FileSystemPath(QDir::currentPath()), o.Rules};
    Document document(session);
    try {
        CheckOutputs(o);
        document.Open(FileSystemPath(o.Project));
        if (!o.Study.isEmpty()) {
            // The variable, unit and return periods the project keeps beside
            // it, unless given here.
            StudyOptions study = ProjectStudyOptions(document.Settings());
            if (o.Variable) study.Variable = *o.Variable;
            if (o.Unit) study.Unit = *o.Unit;
            int pages = 0;
            WriteRecordStudy(platform, document, o.Study, study, &pages, LinkAtTarget::Replace);
            std::printf("%s\n", qPrintable(QDir::toNativeSeparators(o.Study)));
            return platform.Errors == 0 ? 0 : 1;
        }
        if (!QDir().mkpath(o.Folder))
            throw ZarnError("Não foi possível criar a pasta \"" + o.Folder.toStdString() + "\".");
        const QDir folder(o.Folder);
        const ChartChoices choices = Choose(o, document.Record(), session);
        // The simulations of the two bands drawn (the probability plot's
        // distribution and the frequency chart's), without a progress dialog;
        // the other distributions are not needed here.
        std::array<bool, kDistributionCount> wanted{};
        const int plotted = document.Record().PlotDistribution;
        if (plotted >= 1 && plotted <= kDistributionCount) wanted[plotted - 1] = true;
        if (choices.Band >= 1) wanted[choices.Band - 1] = true;
        document.SetSimulations(SimulateSome(document.Record(), wanted, document.Options(nullptr)));

        TEstatisticas estatisticas(platform, document);
        estatisticas.Preencher();
        Write(estatisticas.EstatGraf(), folder, QStringLiteral("histograma"), o.Size);
        TTesteDLG testes(platform, document);
        testes.Preencher();
        Write(testes.Chart1(), folder, QStringLiteral("dados-amostrais"), o.Size);
        TParaDLG parametros(platform, document);
        parametros.Preencher();
        Write(parametros.Chart1(), folder, QStringLiteral("probabilidade"), o.Size);

        TFrequencia frequencia(platform, document);
        frequencia.SetRecommended(choices.Advised);
        frequencia.Preencher();
        const int paper = o.Paper == "normal" ? static_cast<int>(ProbabilityPaper::Normal)
                          : o.Paper == "log"  ? static_cast<int>(ProbabilityPaper::LogReturnPeriod)
                                              : static_cast<int>(ProbabilityPaper::Gumbel);
        frequencia.Papel()->setCurrentIndex(frequencia.Papel()->findData(paper));
        const int positions = frequencia.Posicao()->findText(o.Positions, Qt::MatchFixedString);
        if (positions < 0) throw UsageError{"--positions takes cunnane, gringorten, blom, weibull or hazen"};
        frequencia.Posicao()->setCurrentIndex(positions);
        for (int index = 1; index <= kDistributionCount; ++index)
            frequencia.Distribuicao(index)->setChecked(std::find(choices.Shown.begin(), choices.Shown.end(), index) !=
                                                       choices.Shown.end());
        frequencia.Intervalo()->setCurrentIndex(frequencia.Intervalo()->findData(choices.Band));
        if (o.Variable) frequencia.Variavel()->setText(*o.Variable);
        if (o.Unit) frequencia.Unidade()->setText(*o.Unit);
        frequencia.Desenhar();
        Write(frequencia.Grafico(), folder, QStringLiteral("frequencia"), o.Size);

        TDiagramaMomentos diagrama(platform, document);
        diagrama.Preencher();
        Write(diagrama.Grafico(), folder, QStringLiteral("diagrama-momentos-l"), o.Size);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zarn-charts: %s\n%s", e.Text.c_str(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return platform.Errors == 0 ? 0 : 1;
}

}  // namespace
}  // namespace zarn

int main(int argc, char* argv[]) { return zarn::Run(argc, argv); }
