// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/resultdialogs.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QGraphicsLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <exception>

#include "files/format.h"
#include "analysis/record.h"
#include "platform/help.h"
#include "platform/platform.h"
#include "platform/documentsignal.h"
#include "dialogs/recomendacao.h"
#include "dialogs/chartexport.h"
#include "views/report.h"
#include "rules/launch.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

// Read-only text box; the three narrow ones wrap and scroll vertically.
QPlainTextEdit* MakeTextBox(QWidget* parent, const QRect& geometry) {
    auto* texto = new QPlainTextEdit(parent);
    texto->setObjectName(QStringLiteral("Texto"));
    texto->setGeometry(geometry);
    texto->setReadOnly(true);
    texto->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    texto->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    texto->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return texto;
}

// A flat chart without the toolkit's rounded, shadowed background, framed
// by a sunken bevel.
QChartView* MakeChartView(QWidget* parent, QChart* chart, const QRect& geometry) {
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setLocalizeNumbers(true);  // tick labels with the regional decimal separator
    QFont title = chart->titleFont();
    title.setBold(true);
    chart->setTitleFont(title);
    auto* view = new QChartView(chart, parent);
    view->setGeometry(geometry);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    view->setLineWidth(2);
    return view;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QStyle::StandardPixmap glyph,
                        const QRect& geometry) {
    auto* button = new QPushButton(parent->style()->standardIcon(glyph), caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setIconSize(QSize(14, 14));
    return button;
}

// Low and high of finite values; false when there is none.
bool FiniteRange(const std::vector<double>& values, double& low, double& high) {
    bool any = false;
    for (double v : values) {
        if (!std::isfinite(v)) continue;
        if (!any) low = high = v;
        low = std::min(low, v);
        high = std::max(high, v);
        any = true;
    }
    return any;
}

// Fits a linear axis to [low, high] on round ticks (steps of 1, 2 or 5
// times a power of ten, about five of them), labelled with as many decimals
// as the step needs; a single value gets a band around it so the points stay
// visible.
void FitLinearAxis(QValueAxis* axis, double low, double high) {
    if (low == high) {
        const double pad = low == 0 ? 1.0 : std::fabs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    const double rough = (high - low) / 5;
    const int power = static_cast<int>(std::floor(std::log10(rough)));
    const double decade = std::pow(10.0, power);
    double step = decade * 10;
    for (double factor : {1.0, 2.0, 5.0})
        if (decade * factor >= rough) {
            step = decade * factor;
            break;
        }
    const double first = std::floor(low / step) * step, last = std::ceil(high / step) * step;
    if (!std::isfinite(first) || !std::isfinite(last) || first >= last) {
        axis->setRange(low, high);
        return;
    }
    axis->setRange(first, last);
    axis->setTickCount(static_cast<int>(std::lround((last - first) / step)) + 1);
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(std::max(0, -power)));
}

// Points that sit on the edge of the plot are drawn whole: widen [low, high]
// by a little before the axis rounds it.
void FitPointAxis(QValueAxis* axis, double low, double high) {
    const double margin = (high - low) * 0.03;
    FitLinearAxis(axis, low - margin, high + margin);
}

// Tick labels in the user's regional notation, without digit grouping (a
// grouped 1.000 would read as one in a comma-decimal locale).
void UseRegionalNumbers(QChart* chart) {
    QLocale regional;
    regional.setNumberOptions(regional.numberOptions() | QLocale::OmitGroupSeparator);
    chart->setLocale(regional);
}

// The toolkit cannot place an infinite or undefined value; such a point is
// left out of the chart (it stays in the lines and the batch tool's output).
QList<QPointF> DrawablePoints(const ChartPoints& points) {
    QList<QPointF> out;
    out.reserve(static_cast<qsizetype>(points.size()));
    for (const auto& [x, y] : points)
        if (std::isfinite(x) && std::isfinite(y)) out.append(QPointF(x, y));
    return out;
}

// The probability plot's confidence band. Its legend entry is short: the full
// "Intervalo de confiança 90 %" does not fit beside the plot's own two
// entries in the chart's width.
const QColor kBandColour(0, 128, 0);
const QString kBandTitle = QStringLiteral("Intervalo 90 %");

// Where the export button sits: between "Fechar" and the arrows.
const QRect kExportButtonGeometry(96, 328, 30, 25);

// The export commands of a chart window: a button beside "Fechar" and the
// chart's right-click menu (`menu`: null for a menu of their own).
QToolButton* AddExport(ChartExport* exporter, QWidget* window, QChartView* view, QMenu*& menu) {
    QToolButton* button = exporter->MakeButton(window);
    button->setGeometry(kExportButtonGeometry);
    button->setIconSize(QSize(14, 14));
    if (!menu) {
        menu = new QMenu(window);
        menu->setObjectName(QStringLiteral("MenuGrafico"));
    } else {
        menu->addSeparator();
    }
    exporter->AddTo(menu);
    PopUpOnRightClick(view, menu);
    return button;
}

}  // namespace

// ---------------------------------------------------------------------------
// Common frame

char RegionalDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    const char c = point.isEmpty() ? '\0' : point.at(0).toLatin1();
    return c != '\0' ? c : '.';
}

std::vector<double> StudyReturnPeriods(const Document& document) { return StudyReturnPeriods(document.Settings()); }

ZeroYears StudyZeroYears(const Document& document) { return ProjectZeroYears(document.Record(), document.Settings()); }

ResultDialogBase::ResultDialogBase(Platform& platform, Document& document, QWidget* parent, const QString& caption,
                                   int width, int height)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      platform_(platform),
      document_(document) {
    setWindowTitle(caption);
    // An open window follows the document; a hidden one fills itself when shown.
    connect(new DocumentSignal(document, this), &DocumentSignal::Replaced, this, [this] {
        if (projectLabel_) projectLabel_->setText(ProjectName(document_.Record()));
        if (!isVisible()) return;
        refreshing_ = true;
        Guarded([this] { Refresh(); });
        refreshing_ = false;
    });
    setModal(false);
    setFixedSize(width, height);
    // The dialogs are laid out for an 8-point font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
}

QString ProjectName(const AnalysisRecord& r) {
    const QString title = QString::fromStdString(Windows1252ToUtf8(TextOf(r.Title))).trimmed();
    const QString place = QString::fromStdString(Windows1252ToUtf8(TextOf(r.Location))).trimmed();
    if (title.isEmpty() && place.isEmpty()) return QStringLiteral("Projeto sem título");
    if (place.isEmpty()) return QStringLiteral("Projeto: %1").arg(title);
    if (title.isEmpty()) return QStringLiteral("Projeto: %1").arg(place);
    return QStringLiteral("Projeto: %1 - %2").arg(title, place);
}

QLabel* ResultDialogBase::MakeProjectLabel(QWidget* parent) {
    projectLabel_ = new QLabel(ProjectName(document_.Record()), parent);
    projectLabel_->setObjectName(QStringLiteral("Projeto"));
    projectLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = projectLabel_->font();
    bold.setBold(true);
    projectLabel_->setFont(bold);
    return projectLabel_;
}

void ResultDialogBase::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        ShowHelp();
        return;
    }
    // Only the window's own buttons leave it: Escape does not close it.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

// Found and worded as the main window finds and words it.
void ResultDialogBase::ShowHelp() {
    ShowHelpTopic(platform_, this, document_.session(), HelpFilePath(document_.session()), HelpContext());
}

void ResultDialogBase::ShowError(const std::exception& e) {
    platform_.ShowError(this, QString::fromStdString(e.what()));
}

void ResultDialogBase::SetLines(QPlainTextEdit* texto, const std::vector<std::string>& lines) {
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& line : lines) text << QString::fromStdString(line);
    texto->setReadOnly(false);
    texto->setPlainText(text.join(QLatin1Char('\n')));
    texto->setReadOnly(true);
    texto->moveCursor(QTextCursor::Start);
}

void ResultDialogBase::CentreOnScreen() {
    if (centred_) return;
    centred_ = true;
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void ResultDialogBase::ShowModeless(QPushButton* focused) {
    CentreOnScreen();
    if (isVisible()) raise();  // a refresh brings the window to the front
    show();
    activateWindow();
    focused->setFocus();
}

// ---------------------------------------------------------------------------
// The chain

ChainWindowBase::ChainWindowBase(Platform& platform, Document& document, QWidget* parent, const QString& caption,
                                 int width, int height, bool hasBack)
    : ResultDialogBase(platform, document, parent, caption, width, height), hasBack_(hasBack) {
    texto_ = MakeTextBox(this, QRect(8, 8, 193, 305));
}

void ChainWindowBase::MakeChartPanel(QChart* chart, const QRect& geometry, const char* viewName,
                                     const QString& exportName, QMenu* menu) {
    chart_ = chart;
    view_ = MakeChartView(this, chart_, geometry);
    view_->setObjectName(QString::fromLatin1(viewName));
    export_ = new ChartExport(platform(), document(), this, chart_, exportName);
    chartMenu_ = menu;
    exportar_ = AddExport(export_, this, view_, chartMenu_);

    // The buttons after the chart in the focus chain.
    fechar_ = MakeButton(this, "Fechar", QStringLiteral("Fechar"), QStyle::SP_DialogCloseButton, QRect(16, 328, 75, 25));
    if (hasBack_) voltar_ = MakeButton(this, "Voltar", QString(), QStyle::SP_ArrowLeft, QRect(128, 328, 30, 25));
    avancar_ = MakeButton(this, "Avancar", QString(), QStyle::SP_ArrowRight, QRect(160, 328, 30, 25));
    connect(fechar_, &QPushButton::clicked, this, [this] { Guarded([this] { FecharClick(); }); });
    if (voltar_) connect(voltar_, &QPushButton::clicked, this, [this] { Guarded([this] { VoltarClick(); }); });
    connect(avancar_, &QPushButton::clicked, this, [this] { Guarded([this] { AvancarClick(); }); });
}

void ChainWindowBase::VoltarClick() {
    hide();
    if (back_) back_->Exibir();
}

void ChainWindowBase::AvancarClick() {
    hide();
    if (next_) next_->Exibir();
}

// ---------------------------------------------------------------------------
// Descriptive statistics

TEstatisticas::TEstatisticas(Platform& platform, Document& document, QWidget* parent)
    : ChainWindowBase(platform, document, parent, QStringLiteral("ZARN - Estatísticas descritivas"), 656, 365, false) {
    setObjectName(QStringLiteral("Estatisticas"));
    texto_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    chart_ = new QChart;
    chart_->setTitle(QStringLiteral("HISTOGRAMA"));
    chart_->legend()->hide();
    chart_->setPlotAreaBackgroundBrush(Qt::white);
    chart_->setPlotAreaBackgroundVisible(true);
    series_ = new QBarSeries;
    series_->setName(QStringLiteral("Series1"));
    series_->setBarWidth(0.9);
    series_->setLabelsVisible(false);
    chart_->addSeries(series_);
    axisX_ = new QBarCategoryAxis;
    axisX_->setLabelsAngle(-90);
    axisY_ = new QValueAxis;
    axisY_->setTitleText(QStringLiteral("Frequência Relativa"));
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    series_->attachAxis(axisX_);
    series_->attachAxis(axisY_);
    MakeChartPanel(chart_, QRect(208, 8, 440, 345), "EstatGraf", QStringLiteral("histograma"), nullptr);
}

void TEstatisticas::Exibir() {
    Preencher();
    Show();
}

void TEstatisticas::Preencher() {
    SetLines(texto_, EstatisticasLines(document().Record(), RegionalDecimalSeparator(), StudyZeroYears(document())));
    UseRegionalNumbers(chart_);
    EntrarXY(HistogramPoints(document().Record()));
}

void TEstatisticas::EntrarXY(const ChartPoints& classes) {
    // One bar per class, placed at its category, labelled with the class
    // centre. A bar series keeps a category per bar only when the labels
    // differ, so equal labels are told apart by invisible trailing spaces.
    series_->clear();
    axisX_->clear();
    const char sep = RegionalDecimalSeparator();
    auto* bars = new QBarSet(QStringLiteral("Series1"));
    bars->setColor(QColor(0, 128, 255));
    bars->setBorderColor(QColor(0, 128, 255).darker(150));
    QStringList categories;
    double low = 0, high = 0;
    for (const auto& [centre, frequency] : classes) {
        QString label = QString::fromStdString(Fixed4(centre, sep));
        while (categories.contains(label)) label += QChar(0x200B);
        categories << label;
        bars->append(std::isfinite(frequency) ? frequency : 0.0);
        if (std::isfinite(frequency)) high = std::max(high, frequency);
    }
    series_->append(bars);
    axisX_->append(categories);
    // Headroom above the tallest bar.
    FitLinearAxis(axisY_, low, high > 0 ? high * 1.05 : 1.0);
}

// ---------------------------------------------------------------------------
// Non-parametric tests

TTesteDLG::TTesteDLG(Platform& platform, Document& document, QWidget* parent)
    : ChainWindowBase(platform, document, parent, QStringLiteral("ZARN - Testes não paramétricos"), 657, 367, true) {
    setObjectName(QStringLiteral("TesteDLG"));

    chart_ = new QChart;
    chart_->setTitle(QStringLiteral("DADOS AMOSTRAIS"));
    chart_->legend()->hide();
    series_ = new QLineSeries;
    series_->setName(QStringLiteral("Series1"));
    series_->setPen(QPen(Qt::red, 1.5));
    series_->setPointsVisible(false);
    chart_->addSeries(series_);
    axisX_ = new QValueAxis;
    axisX_->setLabelFormat(QStringLiteral("%.0f"));
    axisY_ = new QValueAxis;
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    series_->attachAxis(axisX_);
    series_->attachAxis(axisY_);
    MakeChartPanel(chart_, QRect(208, 8, 441, 353), "Chart1", QStringLiteral("dados amostrais"), nullptr);
}

void TTesteDLG::Exibir() {
    Preencher();
    Show();
}

void TTesteDLG::Preencher() {
    SetLines(texto_, TesteLines(document().Record(), RegionalDecimalSeparator()));
    UseRegionalNumbers(chart_);
    EntrarXY(SamplePoints(document().Record()));
}

void TTesteDLG::EntrarXY(const ChartPoints& points) {
    const QList<QPointF> drawable = DrawablePoints(points);
    series_->replace(drawable);
    std::vector<double> ys;
    ys.reserve(points.size());
    for (const auto& p : drawable) ys.push_back(p.y());
    double low = 0, high = 0;
    if (!FiniteRange(ys, low, high)) low = high = 0;
    // The horizontal axis counts the values in file order.
    FitLinearAxis(axisX_, 1, std::max<double>(2, static_cast<double>(drawable.size())));
    FitLinearAxis(axisY_, low, high);
}

// ---------------------------------------------------------------------------
// Parameters and the probability plot

TParaDLG::TParaDLG(Platform& platform, Document& document, QWidget* parent)
    : ChainWindowBase(platform, document, parent, QStringLiteral("ZARN - Estimação dos parâmetros"), 656, 363, true) {
    setObjectName(QStringLiteral("ParaDLG"));

    chart_ = new QChart;
    chart_->setTitle(QStringLiteral("POSIÇÃO DE PLOTAGEM EMPÍRICA"));
    auto makeSeries = [](const QString& title, const QColor& colour) {
        auto* s = new QScatterSeries;
        s->setName(title);
        s->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        s->setMarkerSize(6);
        s->setColor(colour);
        s->setBorderColor(colour);
        s->setPointLabelsVisible(false);
        return s;
    };
    observed_ = makeSeries(QStringLiteral("Quantil Observado"), Qt::blue);
    expected_ = makeSeries(QStringLiteral("Quantil Esperado"), Qt::red);
    chart_->addSeries(observed_);
    chart_->addSeries(expected_);
    // The 90 % confidence limits: two dashed curves under one legend entry.
    auto makeLimit = [](const QString& title) {
        auto* s = new QLineSeries;
        s->setName(title);
        QPen pen(kBandColour, 1.5, Qt::DashLine);
        s->setPen(pen);
        s->setPointsVisible(false);
        return s;
    };
    bandLower_ = makeLimit(kBandTitle);
    bandUpper_ = makeLimit(kBandTitle);
    chart_->addSeries(bandLower_);
    chart_->addSeries(bandUpper_);
    axisX_ = new QValueAxis;
    axisY_ = new QLogValueAxis;
    axisY_->setBase(10);
    axisY_->setTitleText(QStringLiteral("Tempo de retorno"));
    axisY_->setLabelFormat(QStringLiteral("%.0f"));  // decades: 1, 10, 100 ("%g" draws nothing once numbers are localized)
    axisY_->setMinorTickCount(-1);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    for (QXYSeries* s : std::initializer_list<QXYSeries*>{observed_, expected_, bandLower_, bandUpper_}) {
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
    }
    QLegend* legend = chart_->legend();
    legend->setAlignment(Qt::AlignBottom);
    legend->setBackgroundVisible(true);
    legend->setBrush(QColor(192, 192, 192));
    legend->setPen(Qt::NoPen);
    // Three entries (with the band's) in the window's 8-point font, so that
    // none is cut short in the chart's width.
    QFont legendFont = legend->font();
    legendFont.setPointSize(8);
    legend->setFont(legendFont);

    // The pop-up menu of the chart: one item per distribution, in index order.
    static const struct {
        const char* Name;
        const char* Caption;
    } kItems[kDistributionCount] = {
        {"Normal1", "Normal"},           {"LogNOrmal1", "LogNormal"},
        {"Gumbel1", "Gumbel"},           {"Exponencial1", "Exponencial"},
        {"PearsonIII1", "Pearson III"},  {"LogPearsonIII1", "LogPearson III"},
        {"GEV1", "GEV"},                 {"GPA1", "GPA"},
    };
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("Distribuicoes"));
    for (int index = 1; index <= kDistributionCount; ++index) {
        QAction* item = menu->addAction(QString::fromUtf8(kItems[index - 1].Caption));
        item->setObjectName(QString::fromLatin1(kItems[index - 1].Name));
        connect(item, &QAction::triggered, this, [this, index] { Guarded([this, index] { EntrarXY(index); }); });
    }
    // After a separator, the export commands.
    MakeChartPanel(chart_, QRect(208, 8, 441, 345), "Chart1", QStringLiteral("probabilidade"), menu);
}

void TParaDLG::Exibir() {
    Preencher();
    Show();
}

void TParaDLG::Preencher() {
    bandWanted_ = true;
    SetLines(texto_, ParaLines(document().Record(), RegionalDecimalSeparator()));
    UseRegionalNumbers(chart_);
    EntrarXY(document().Record().PlotDistribution);
}

void TParaDLG::EntrarXY(int index) {
    // The choice is kept in the record (and saved with the project) but is
    // not an unsaved change of the analysis: the modified flag stays as it is.
    document().Record().PlotDistribution = static_cast<std::uint8_t>(index);
    const AnalysisRecord& record = document().Record();
    const ProbabilityPlotData plot = ProbabilityPlot(record, index);
    if (!plot.Title.empty()) chart_->setTitle(QString::fromStdString(plot.Title));

    const QList<QPointF> observed = DrawablePoints(plot.Observed);
    const QList<QPointF> expected = DrawablePoints(plot.Expected);
    observed_->replace(observed);
    expected_->replace(expected);

    // The band of the plotted distribution, from the simulations of the analysis.
    ProbabilityPlotBandData band;
    if (!plot.Observed.empty()) {
        const SimulationSummary& simulations = document().Simulations();
        if (!simulations.Matches(record) && bandWanted_) bandWanted_ = EnsureSimulations(platform(), this, document(), !Refreshing());
        if (simulations.Matches(record)) band = ProbabilityPlotBand(simulations, index);
    }
    const QList<QPointF> lower = DrawablePoints(band.Lower);
    const QList<QPointF> upper = DrawablePoints(band.Upper);
    bandLower_->replace(lower);
    bandUpper_->replace(upper);
    const bool banded = !lower.isEmpty();
    bandLower_->setVisible(banded);
    bandUpper_->setVisible(banded);
    for (QLegendMarker* marker : chart_->legend()->markers(bandLower_)) marker->setVisible(banded);
    for (QLegendMarker* marker : chart_->legend()->markers(bandUpper_)) marker->setVisible(false);
    // The legend lays its entries out again only when told.
    if (chart_->legend()->layout()) chart_->legend()->layout()->invalidate();

    std::vector<double> xs, ts;
    for (const auto* points : {&observed, &expected, &lower, &upper})
        for (const QPointF& p : *points) {
            xs.push_back(p.x());
            if (p.y() > 0) ts.push_back(p.y());
        }
    double xLow = 0, xHigh = 1, tLow = 1, tHigh = 10;
    FiniteRange(xs, xLow, xHigh);
    FitPointAxis(axisX_, xLow, xHigh);
    // Return periods start just above 1: show whole decades around them.
    if (FiniteRange(ts, tLow, tHigh)) {
        tLow = std::pow(10.0, std::floor(std::log10(tLow)));
        tHigh = std::pow(10.0, std::ceil(std::log10(tHigh)));
        if (tHigh <= tLow) tHigh = tLow * 10;
    }
    axisY_->setRange(tLow, tHigh);
}

// ---------------------------------------------------------------------------
// Calculation report

Tresult::Tresult(Platform& platform, Document& document, QWidget* parent)
    : ResultDialogBase(platform, document, parent, QStringLiteral("ZARN - Memória de Cálculo"), 656, 368) {
    setObjectName(QStringLiteral("result"));
    texto_ = new QPlainTextEdit(this);
    texto_->setObjectName(QStringLiteral("texto"));
    texto_->setGeometry(8, 8, 641, 321);
    texto_->setReadOnly(true);
    texto_->setLineWrapMode(QPlainTextEdit::NoWrap);
    texto_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    texto_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The report's columns line up only in a fixed-pitch font.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(9);
    texto_->setFont(fixed);

    fechar_ = MakeButton(this, "Fechar", QStringLiteral("Fechar"), QStyle::SP_DialogCloseButton, QRect(8, 336, 75, 25));
    salvar_ = MakeButton(this, "Salvar", QStringLiteral("Salvar"), QStyle::SP_DialogSaveButton, QRect(96, 336, 75, 25));
    imprimir_ = MakeButton(this, "Imprimir", QStringLiteral("Imprimir"), QStyle::SP_FileDialogDetailedView,
                           QRect(258, 336, 75, 25));
    imprimir_->setIcon(QIcon::fromTheme(QStringLiteral("document-print"), imprimir_->icon()));
    voltar_ = MakeButton(this, "Voltar", QString(), QStyle::SP_ArrowLeft, QRect(184, 336, 30, 25));
    avancar_ = MakeButton(this, "Avancar", QString(), QStyle::SP_ArrowRight, QRect(216, 336, 30, 25));
    setTabOrder(fechar_, texto_);
    setTabOrder(texto_, voltar_);
    setTabOrder(voltar_, avancar_);
    setTabOrder(avancar_, salvar_);
    setTabOrder(salvar_, imprimir_);
    connect(fechar_, &QPushButton::clicked, this, [this] { Guarded([this] { FecharClick(); }); });
    connect(salvar_, &QPushButton::clicked, this, [this] { Guarded([this] { SalvarClick(); }); });
    connect(imprimir_, &QPushButton::clicked, this, [this] { Guarded([this] { ImprimirClick(); }); });
    connect(voltar_, &QPushButton::clicked, this, [this] { Guarded([this] { VoltarClick(); }); });
    connect(avancar_, &QPushButton::clicked, this, [this] { Guarded([this] { AvancarClick(); }); });
}

void Tresult::Exibir() {
    Preencher();
    ShowModeless(fechar_);
}

void Tresult::Preencher() {
    // A quantile that raises an arithmetic fault ends the report there: the
    // lines before it stay in the memo, and the error goes to the caller.
    std::vector<std::string> lines;
    auto showLines = [&] {
        for (auto& line : lines) line = Windows1252ToUtf8(line);
        SetLines(texto_, lines);
    };
    try {
        AppendReportLines(document().Record(), lines, StudyZeroYears(document()));
    } catch (...) {
        showLines();
        throw;
    }
    showLines();
}

void Tresult::FecharClick() { hide(); }

void Tresult::SalvarClick() {
    FileDialogOptions options;
    options.Title = QStringLiteral("Salvar como");
    options.Filters = {QStringLiteral("Arquivo texto (*.txt)"), QStringLiteral("Todos os arquivos (*.*)")};
    options.DefaultSuffix = QStringLiteral("txt");
    options.FileName = QString();  // never proposes the previous name
    const QString path = platform().SaveFileName(this, options);
    if (path.isEmpty()) return;
    // The same builder and writer as the batch tool's report: the same bytes.
    SaveReport(ReportLines(document().Record(), StudyZeroYears(document())), FileSystemPath(path));
}

void Tresult::ImprimirClick() {
    // The lines the memo shows, as the report builds them.
    std::vector<std::string> lines = ReportLines(document().Record(), StudyZeroYears(document()));
    for (auto& line : lines) line = Windows1252ToUtf8(line);
    PrintLines(platform(), this, document(), QStringLiteral("Memória de cálculo"), lines);
}

void Tresult::VoltarClick() {
    hide();
    if (back_) back_->Exibir();
}

void Tresult::AvancarClick() {
    // A start-up folder that takes no file is said in the advice window's
    // status line, not in a box at every visit; the advice opens either way.
    QString note;
    try {
        note = StartRuleEngine(platform(), document());
    } catch (...) {
        if (next_) next_->Exibir();
        throw;
    }
    if (next_) {
        next_->SetLaunchNote(note);
        next_->Exibir();
    }
}

// ---------------------------------------------------------------------------

void LinkResultDialogs(TEstatisticas* estatisticas, TTesteDLG* testes, TParaDLG* parametros, Tresult* resultado) {
    estatisticas->SetNeighbours(nullptr, testes);
    testes->SetNeighbours(estatisticas, parametros);
    parametros->SetNeighbours(testes, resultado);
    resultado->SetBack(parametros);
}

}  // namespace zarn
