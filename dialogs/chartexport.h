// SPDX-License-Identifier: GPL-3.0-or-later
// Charts kept as files, on the clipboard and on paper; text printed.
//
// A chart is exported at its size on paper: it is laid out as it would be on
// the screen at that size (so its fonts keep their point sizes on paper) and
// then drawn at the chosen resolution (PNG) or as vectors (SVG, PDF). A
// chart narrower than 12 cm is laid out at 12 cm (and at least 10.5 cm high)
// and drawn smaller, so its texts shrink in proportion instead of being cut.
// Charts under 8 x 6 cm are refused (CheckChartSize).
//
//   ChartSettings       the user's chart settings (size, folder, frequency chart)
//   LoadImageSize       the last size chosen, 16 x 12 cm at 300 dpi at first
//   PixelSize           the pixels of an ImageSize
//   ChartFileName       the project's title made a file name, with the chart's name
//   ChartImage          the chart drawn at a size and resolution
//   ChartPng/Svg/Pdf    the bytes of the chart as a file of that format
//   DrawChart           the chart as vectors into a rectangle of a painter
//   ChartLayoutDpi      the resolution of the charts' layout
//   WriteChartFile      a format's bytes written to a path; ZarnError on failure
//   PrintChart          the chart on a printer's page under the project's name,
//                       as large as it fits
//   ChartExport         the export commands of one chart: menu items and a button
//   RunImageSizeDialog  the small dialog that asks the size
//   PrintLines          lines of text through the print dialog
#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "files/filewrite.h"
#include "platform/platform.h"

class QAction;
class QChart;
class QMenu;
class QPainter;
class QRectF;
class QPrinter;
class QSettings;
class QToolButton;
class QWidget;

namespace zarn {

enum class ChartFormat { Png, Svg, Pdf };

// The smallest chart exported, copied or printed: below it its titles,
// ticks and key cannot stay legible.
inline constexpr double kSmallestChartWidthCm = 8.0;
inline constexpr double kSmallestChartHeightCm = 6.0;
// ZarnError naming the smallest size when `size` is below it.
void CheckChartSize(const ImageSize& size);

// QSettings of organisation and application "ZARN" (not the project file).
std::unique_ptr<QSettings> ChartSettings();
ImageSize LoadImageSize();
void SaveImageSize(const ImageSize& size);

QSize PixelSize(const ImageSize& size);

// "<title> - <chart>" with the characters no file system takes left out;
// "ZARN - <chart>" for an empty title. `projectTitle` is UTF-8.
QString ChartFileName(const std::string& projectTitle, const QString& chartName);

QImage ChartImage(QChart* chart, const ImageSize& size);
QByteArray ChartPng(QChart* chart, const ImageSize& size);
QByteArray ChartSvg(QChart* chart, const ImageSize& size, const QString& title);
QByteArray ChartPdf(QChart* chart, const ImageSize& size, const QString& title);
// The resolution charts are laid out at; a document that draws charts with
// DrawChart uses it as its own, so that the fonts of the charts' own items
// keep their point sizes.
double ChartLayoutDpi();
// Laid out at `size` on paper, drawn into `target` (a document's page).
void DrawChart(QChart* chart, QPainter& painter, const QRectF& target, const ImageSize& size);
// Replaces the file at `path` only once all bytes are written, through the
// one atomic writer (files/filewrite.h): a device is written in place; a
// symbolic link at the path is followed for a name the user chose in a
// dialog, replaced for one given to a tool.
void WriteChartFile(const QString& path, const QByteArray& bytes, LinkAtTarget link = LinkAtTarget::Follow);
// `heading` (the project) printed in one line above the chart; none when empty.
void PrintChart(QChart* chart, QPrinter& printer, const ImageSize& size, const QString& heading);

class ChartExport : public QObject {
    Q_OBJECT
public:
    // `chartName` is the chart's part of the proposed file name ("histograma").
    // Files and print jobs are named after the document's title.
    ChartExport(Platform& platform, const Document& document, QWidget* window, QChart* chart, const QString& chartName);

    // "Salvar como PNG...", "Salvar como SVG...", "Salvar como PDF...",
    // "Copiar gráfico", "Imprimir gráfico...", in this order.
    const QList<QAction*>& Actions() const { return actions_; }
    void AddTo(QMenu* menu) const;
    // A tool button "Exportar gráfico" whose menu holds the commands.
    QToolButton* MakeButton(QWidget* parent) const;

    void Salvar(ChartFormat format);
    void Copiar();
    void Imprimir();

private:
    Platform& platform_;
    const Document& document_;
    QWidget* window_;
    QChart* chart_;
    QString chartName_;
    QList<QAction*> actions_;
};

// `menu` pops up where `view` is right-clicked.
void PopUpOnRightClick(QWidget* view, QMenu* menu);

// The size dialog of the real platform: width and height in centimetres,
// the resolution for PNG, and the pixels they give.
bool RunImageSizeDialog(QWidget* parent, const QString& format, ImageSize& size);

// Prints `lines` (UTF-8) in a fixed-pitch font, page numbers at the foot,
// through the platform's print dialog; the job (and a PDF file) named after
// the project's title and `title`. With `fitWidth` the font is made smaller
// (down to 6.5 points) until the widest line fits the page's width, so that
// the columns of a wide table are not wrapped under the wrong headings.
void PrintLines(Platform& platform, QWidget* parent, const Document& document, const QString& title,
                const std::vector<std::string>& lines, bool fitWidth = false);

}  // namespace zarn
