// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/chartexport.h"

#include <QAction>
#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QFormLayout>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QStyle>
#include <QSvgGenerator>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>

#include "dialogs/resultdialogs.h"
#include "files/errors.h"
#include "files/filewrite.h"
#include "analysis/record.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

constexpr double kCentimetresPerInch = 2.54;
constexpr double kInchesPerMetre = 39.37007874015748;
// Sizes the size dialog takes. Below the smallest the titles, ticks and key
// of a chart cannot stay legible: such an export is refused, naming them.
constexpr double kSmallestCm = kSmallestChartWidthCm;
constexpr double kLowestCm = kSmallestChartHeightCm;
constexpr double kLargestCm = 100.0;
constexpr int kLowestDpi = 72;
constexpr int kHighestDpi = 1200;
// Charts narrower than this on paper are laid out at this width and drawn
// smaller: at 8 cm the titles and labels would otherwise be cut short.
constexpr double kSmallestLayoutCm = 12.0;
// A chart that narrow is also laid out at least this high: below it the
// titles, the two axes and the key leave the plot too little room (the
// toolkit then cuts every label).
constexpr double kLowestLayoutCm = 10.5;
// The report and the advice are printed in this size of a fixed-pitch font:
// a report line of about 100 characters fits an A4 page's width.
constexpr int kPrintPointSize = 8;
// Layout passes of a chart before it is drawn at a new size.
constexpr int kLayoutPasses = 3;
// The smallest size a wide report is printed in to fit the page's width.
constexpr double kSmallestPrintPointSize = 6.5;
// QTextDocument::print keeps this margin inside the printable area.
constexpr double kTextDocumentMarginCm = 2.0;
// A chart is printed as an image of at most this resolution.
constexpr int kPrintDpi = 600;

// The resolution the charts are laid out at on the screen: a chart exported
// at W cm is laid out on W / 2.54 * LayoutDpi() pixels, so that its fonts
// keep their point sizes on paper.
double LayoutDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

// The chart's size on paper in the layout's pixels.
QSizeF PaperSize(const ImageSize& size) {
    const double dpi = LayoutDpi();
    return QSizeF(size.WidthCm / kCentimetresPerInch * dpi, size.HeightCm / kCentimetresPerInch * dpi);
}

// The size the chart is laid out at: its size on paper, or for a chart
// narrower than kSmallestLayoutCm that width with the height in proportion
// (the drawing is then scaled down to the paper, texts with it).
QSizeF LogicalSize(const ImageSize& size) {
    double enlarge = 1.0;
    if (size.WidthCm > 0 && size.WidthCm < kSmallestLayoutCm) {
        enlarge = kSmallestLayoutCm / size.WidthCm;
        if (size.HeightCm > 0) enlarge = std::max(enlarge, kLowestLayoutCm / size.HeightCm);
    }
    return PaperSize(size) * enlarge;
}

// Lays `chart` out at `logical` and paints it into `target` of `painter`;
// its size on the screen is restored before returning. The chart's own
// layout runs at once, so nothing of the larger size ever reaches the screen.
void RenderChart(QChart* chart, QPainter& painter, const QRectF& target, const QSizeF& logical) {
    // Axes and series removed since the last return to the event loop leave
    // their drawings in the scene until they are deleted: delete them now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QRectF saved = chart->geometry();
    // A layout can ask for another (the key moving under the plot, an axis
    // taking fewer ticks at the new size): run them until none is pending.
    auto relayout = [chart](const QRectF& geometry) {
        chart->setGeometry(geometry);
        for (int pass = 0; pass < kLayoutPasses; ++pass) {
            if (chart->layout()) chart->layout()->activate();
            QCoreApplication::sendPostedEvents(chart, QEvent::LayoutRequest);
        }
    };
    relayout(QRectF(saved.topLeft(), logical));
    struct Restore {
        std::function<void()> Undo;
        ~Restore() { Undo(); }
    } restore{[&] { relayout(saved); }};
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Every chart of the program lives in the scene of its view.
    if (QGraphicsScene* scene = chart->scene())
        scene->render(&painter, target, QRectF(saved.topLeft(), logical), Qt::IgnoreAspectRatio);
}

QString FormatName(ChartFormat format) {
    switch (format) {
        case ChartFormat::Png: return QStringLiteral("PNG");
        case ChartFormat::Svg: return QStringLiteral("SVG");
        case ChartFormat::Pdf: return QStringLiteral("PDF");
    }
    return {};
}

// The name files and print jobs of a chart or text get: the project's title and `what`.
QString DocumentName(const Document& document, const QString& what) {
    return ChartFileName(Windows1252ToUtf8(TextOf(document.Record().Title)), what);
}

// The chart laid out at `logical` and drawn on `pixels`. The image is painted
// at the layout's resolution, so fonts in points measure as on the screen,
// and scaled up to the pixels; the caller sets the resolution the file states.
QImage PaintImage(QChart* chart, const QSizeF& logical, const QSize& pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    const int layoutDotsPerMetre = static_cast<int>(std::lround(LayoutDpi() * kInchesPerMetre));
    image.setDotsPerMeterX(layoutDotsPerMetre);
    image.setDotsPerMeterY(layoutDotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    RenderChart(chart, painter, QRectF(QPointF(0, 0), QSizeF(pixels)), logical);
    return image;
}

}  // namespace

std::unique_ptr<QSettings> ChartSettings() {
    return std::make_unique<QSettings>(QStringLiteral("ZARN"), QStringLiteral("ZARN"));
}

ImageSize LoadImageSize() {
    const auto settings = ChartSettings();
    ImageSize size;
    size.WidthCm = std::clamp(settings->value(QStringLiteral("Graficos/LarguraCm"), size.WidthCm).toDouble(),
                              kSmallestCm, kLargestCm);
    size.HeightCm = std::clamp(settings->value(QStringLiteral("Graficos/AlturaCm"), size.HeightCm).toDouble(),
                               kLowestCm, kLargestCm);
    size.Dpi = std::clamp(settings->value(QStringLiteral("Graficos/Resolucao"), size.Dpi).toInt(), kLowestDpi,
                          kHighestDpi);
    return size;
}

void SaveImageSize(const ImageSize& size) {
    const auto settings = ChartSettings();
    settings->setValue(QStringLiteral("Graficos/LarguraCm"), size.WidthCm);
    settings->setValue(QStringLiteral("Graficos/AlturaCm"), size.HeightCm);
    settings->setValue(QStringLiteral("Graficos/Resolucao"), size.Dpi);
}

QSize PixelSize(const ImageSize& size) {
    return QSize(static_cast<int>(std::lround(size.WidthCm / kCentimetresPerInch * size.Dpi)),
                 static_cast<int>(std::lround(size.HeightCm / kCentimetresPerInch * size.Dpi)));
}

QString ChartFileName(const std::string& projectTitle, const QString& chartName) {
    QString title;
    for (const QChar c : QString::fromStdString(projectTitle)) {
        // Characters that Windows or a Unix shell refuse or misread in a name.
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c)) {
            title += QLatin1Char(' ');
            continue;
        }
        title += c;
    }
    title = title.simplified();
    while (title.endsWith(QLatin1Char('.'))) title.chop(1);
    title = title.trimmed();
    if (title.isEmpty()) title = kApplicationTitle;
    return chartName.isEmpty() ? title : title + QStringLiteral(" - ") + chartName;
}

void CheckChartSize(const ImageSize& size) {
    if (size.WidthCm < kSmallestCm || size.HeightCm < kLowestCm)
        throw ZarnError(QStringLiteral("O gráfico precisa de ao menos %1 cm de largura e %2 cm de altura para que os "
                                       "títulos, as marcas dos eixos e a legenda fiquem legíveis.")
                            .arg(QLocale(QLocale::Portuguese, QLocale::Brazil).toString(kSmallestCm))
                            .arg(QLocale(QLocale::Portuguese, QLocale::Brazil).toString(kLowestCm))
                            .toStdString());
}

QImage ChartImage(QChart* chart, const ImageSize& size) {
    CheckChartSize(size);
    QImage image = PaintImage(chart, LogicalSize(size), PixelSize(size));
    const int dotsPerMetre = static_cast<int>(std::lround(size.Dpi * kInchesPerMetre));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

QByteArray ChartPng(QChart* chart, const ImageSize& size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!ChartImage(chart, size).save(&buffer, "PNG")) throw ZarnError("Não foi possível gerar a imagem PNG do gráfico.");
    return bytes;
}

QByteArray ChartSvg(QChart* chart, const ImageSize& size, const QString& title) {
    CheckChartSize(size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QSizeF logical = LogicalSize(size);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    // Drawn in the layout's pixels; the size and the resolution make the
    // file's width and height the size on paper.
    generator.setSize(PaperSize(size).toSize());
    generator.setViewBox(QRectF(QPointF(0, 0), logical));
    generator.setResolution(static_cast<int>(std::lround(LayoutDpi())));
    generator.setTitle(title);
    generator.setDescription(QStringLiteral("ZARN"));
    QPainter painter;
    if (!painter.begin(&generator)) throw ZarnError("Não foi possível gerar o SVG do gráfico.");
    RenderChart(chart, painter, QRectF(QPointF(0, 0), logical), logical);
    painter.end();
    return bytes;
}

QByteArray ChartPdf(QChart* chart, const ImageSize& size, const QString& title) {
    CheckChartSize(size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        // One page of the chart's size, in the layout's units: the fonts
        // measure as on the screen and everything stays vector.
        writer.setResolution(static_cast<int>(std::lround(LayoutDpi())));
        writer.setPageSize(QPageSize(QSizeF(size.WidthCm * 10, size.HeightCm * 10), QPageSize::Millimeter,
                                     QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("ZARN"));
        QPainter painter;
        if (!painter.begin(&writer)) throw ZarnError("Não foi possível gerar o PDF do gráfico.");
        RenderChart(chart, painter, QRectF(0, 0, writer.width(), writer.height()), LogicalSize(size));
        painter.end();
    }
    return bytes;
}

double ChartLayoutDpi() { return LayoutDpi(); }

void DrawChart(QChart* chart, QPainter& painter, const QRectF& target, const ImageSize& size) {
    RenderChart(chart, painter, target, LogicalSize(size));
}

void WriteChartFile(const QString& path, const QByteArray& bytes, LinkAtTarget link) {
    const std::string target = FileSystemPath(path);
    ReplaceFileContents(target, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        [&](WriteStage, int code) {
                            return QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2.")
                                .arg(QDir::toNativeSeparators(path), QString::fromStdString(FileErrorWords(code, target)))
                                .toStdString();
                        },
                        link);
}

void PrintChart(QChart* chart, QPrinter& printer, const ImageSize& size, const QString& heading) {
    CheckChartSize(size);
    // The heading (the project) in one line at the top; under it the chart,
    // as large as the rest of the printable area takes with its proportions,
    // laid out at the exported size (the same fonts as the files), drawn as
    // an image at the printer's resolution up to kPrintDpi.
    QPainter painter;
    if (!painter.begin(&printer)) throw ZarnError("Não foi possível iniciar a impressão.");
    QSizeF area = printer.pageRect(QPrinter::DevicePixel).size();
    if (!heading.isEmpty()) {
        QFont font = painter.font();
        font.setPointSizeF(10);
        font.setBold(true);
        painter.setFont(font);
        const QRectF line(0, 0, area.width(), painter.fontMetrics().height());
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(heading, Qt::ElideRight, static_cast<int>(area.width())));
        const double below = 1.5 * line.height();
        painter.translate(0, below);
        area.setHeight(area.height() - below);
    }
    const double ratio = size.HeightCm / size.WidthCm;
    QSizeF target(area.width(), area.width() * ratio);
    if (target.height() > area.height()) target = QSizeF(area.height() / ratio, area.height());
    const double scale = static_cast<double>(std::min(printer.resolution(), kPrintDpi)) / printer.resolution();
    const QSize pixels(static_cast<int>(std::lround(target.width() * scale)),
                       static_cast<int>(std::lround(target.height() * scale)));
    painter.drawImage(QRectF(QPointF(0, 0), target), PaintImage(chart, LogicalSize(size), pixels));
    painter.end();
    if (printer.printerState() == QPrinter::Error) throw ZarnError("A impressão falhou.");
}

// ---------------------------------------------------------------------------

ChartExport::ChartExport(Platform& platform, const Document& document, QWidget* window, QChart* chart,
                         const QString& chartName)
    : QObject(window), platform_(platform), document_(document), window_(window), chart_(chart), chartName_(chartName) {
    struct Item {
        const char* Name;
        QString Text;
        std::function<void()> Command;
    };
    const Item items[] = {
        {"ExportarPng", QStringLiteral("Salvar como PNG..."), [this] { Salvar(ChartFormat::Png); }},
        {"ExportarSvg", QStringLiteral("Salvar como SVG..."), [this] { Salvar(ChartFormat::Svg); }},
        {"ExportarPdf", QStringLiteral("Salvar como PDF..."), [this] { Salvar(ChartFormat::Pdf); }},
        {"CopiarGrafico", QStringLiteral("Copiar gráfico"), [this] { Copiar(); }},
        {"ImprimirGrafico", QStringLiteral("Imprimir gráfico..."), [this] { Imprimir(); }},
    };
    for (const Item& item : items) {
        auto* action = new QAction(item.Text, this);
        action->setObjectName(QString::fromLatin1(item.Name));
        const std::function<void()> command = item.Command;
        connect(action, &QAction::triggered, this, [this, command] {
            try {
                command();
            } catch (const std::exception& e) {
                platform_.ShowError(window_, QString::fromStdString(e.what()));
            }
        });
        actions_ << action;
    }
}

void ChartExport::AddTo(QMenu* menu) const {
    for (QAction* action : actions_) menu->addAction(action);
}

QToolButton* ChartExport::MakeButton(QWidget* parent) const {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("Exportar"));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DialogSaveButton));
    button->setToolTip(QStringLiteral("Exportar gráfico"));
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    AddTo(menu);
    button->setMenu(menu);
    return button;
}

void ChartExport::Salvar(ChartFormat format) {
    const QString name = FormatName(format);
    ImageSize size = LoadImageSize();
    if (!platform_.ChooseImageSize(window_, name, size)) return;
    SaveImageSize(size);

    const auto settings = ChartSettings();
    FileDialogOptions options;
    options.Title = QStringLiteral("Salvar gráfico como %1").arg(name);
    const QString suffix = name.toLower();
    options.Filters = {QStringLiteral("%1 (*.%2)")
                           .arg(format == ChartFormat::Png   ? QStringLiteral("Imagem PNG")
                                : format == ChartFormat::Svg ? QStringLiteral("Desenho SVG")
                                                             : QStringLiteral("Documento PDF"),
                                suffix),
                       QStringLiteral("Todos os arquivos (*.*)")};
    options.DefaultSuffix = suffix;
    options.InitialFolder = settings->value(QStringLiteral("Graficos/Pasta"), FromFileSystem(document_.session().StartupDir)).toString();
    options.FileName = DocumentName(document_, chartName_) + QLatin1Char('.') + suffix;
    options.ConfirmOverwrite = true;
    const QString path = platform_.SaveFileName(window_, options);
    if (path.isEmpty()) return;
    settings->setValue(QStringLiteral("Graficos/Pasta"), QFileInfo(path).absolutePath());

    const QString title = DocumentName(document_, chartName_);
    switch (format) {
        case ChartFormat::Png: WriteChartFile(path, ChartPng(chart_, size)); break;
        case ChartFormat::Svg: WriteChartFile(path, ChartSvg(chart_, size, title)); break;
        case ChartFormat::Pdf: WriteChartFile(path, ChartPdf(chart_, size, title)); break;
    }
}

void ChartExport::Copiar() { platform_.CopyImage(ChartImage(chart_, LoadImageSize())); }

void ChartExport::Imprimir() {
    const QString name = DocumentName(document_, chartName_);
    const std::unique_ptr<QPrinter> printer = platform_.ChoosePrinter(window_, name);
    if (!printer) return;
    PrintChart(chart_, *printer, LoadImageSize(), ProjectName(document_.Record()));
}

// ---------------------------------------------------------------------------

bool RunImageSizeDialog(QWidget* parent, const QString& format, ImageSize& size) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("ZARN - Tamanho do gráfico (%1)").arg(format));
    auto* width = new QDoubleSpinBox(&dialog);
    auto* height = new QDoubleSpinBox(&dialog);
    for (QDoubleSpinBox* box : {width, height}) {
        box->setRange(box == width ? kSmallestCm : kLowestCm, kLargestCm);
        box->setDecimals(1);
        box->setSingleStep(0.5);
        box->setSuffix(QStringLiteral(" cm"));
    }
    width->setValue(size.WidthCm);
    height->setValue(size.HeightCm);
    auto* dpi = new QSpinBox(&dialog);
    dpi->setRange(kLowestDpi, kHighestDpi);
    dpi->setSingleStep(50);
    dpi->setSuffix(QStringLiteral(" dpi"));
    dpi->setValue(size.Dpi);
    auto* pixels = new QLabel(&dialog);
    const bool raster = format == QLatin1String("PNG");
    auto showPixels = [&] {
        const QSize p = PixelSize({width->value(), height->value(), dpi->value()});
        pixels->setText(QStringLiteral("%1 × %2 pixels").arg(p.width()).arg(p.height()));
    };
    QObject::connect(width, &QDoubleSpinBox::valueChanged, &dialog, showPixels);
    QObject::connect(height, &QDoubleSpinBox::valueChanged, &dialog, showPixels);
    QObject::connect(dpi, &QSpinBox::valueChanged, &dialog, showPixels);
    showPixels();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Largura:"), width);
    form->addRow(QStringLiteral("Altura:"), height);
    if (raster) {
        form->addRow(QStringLiteral("Resolução:"), dpi);
        form->addRow(QString(), pixels);
    } else {
        dpi->hide();
        pixels->hide();
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    size.WidthCm = width->value();
    size.HeightCm = height->value();
    if (raster) size.Dpi = dpi->value();
    return true;
}

void PopUpOnRightClick(QWidget* view, QMenu* menu) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, menu,
                     [view, menu](const QPoint& pos) { menu->popup(view->mapToGlobal(pos)); });
}

void PrintLines(Platform& platform, QWidget* parent, const Document& document, const QString& title,
                const std::vector<std::string>& lines, bool fitWidth) {
    const QString name = DocumentName(document, title);
    const std::unique_ptr<QPrinter> printer = platform.ChoosePrinter(parent, name);
    if (!printer) return;
    QStringList text;
    for (const std::string& line : lines) text << QString::fromStdString(line);
    QTextDocument page;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(kPrintPointSize);
    if (fitWidth) {
        // Widths in points: the printable width less the text's margins,
        // against the widest line at the normal size.
        const double available = printer->pageLayout().paintRect(QPageLayout::Point).width() -
                                 2 * kTextDocumentMarginCm / 2.54 * 72;
        const QFontMetricsF metrics(fixed, printer.get());
        double widest = 0;
        for (const QString& line : text) widest = std::max(widest, metrics.horizontalAdvance(line));
        widest *= 72.0 / printer->logicalDpiX();
        if (widest > available && available > 0)
            fixed.setPointSizeF(std::max(kSmallestPrintPointSize, kPrintPointSize * available / widest * 0.98));
    }
    page.setDefaultFont(fixed);
    page.setPlainText(text.join(QLatin1Char('\n')));
    page.setMetaInformation(QTextDocument::DocumentTitle, name);
    page.print(printer.get());
    if (printer->printerState() == QPrinter::Error) throw ZarnError("A impressão falhou.");
}

}  // namespace zarn
