// SPDX-License-Identifier: GPL-3.0-or-later
#include "study/studypdf.h"

#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <vector>

#include "files/errors.h"
#include "dialogs/chartexport.h"

namespace zarn {

namespace {

constexpr double kMillimetresPerInch = 25.4;
// A4 portrait and its margins, in millimetres.
constexpr double kPageWidthMm = 210, kPageHeightMm = 297;
constexpr double kSideMarginMm = 20;
constexpr double kTopMm = 24;         // the text starts here, under the running header
constexpr double kHeaderBaseMm = 16;  // the running header's rule
constexpr double kBottomMm = 280;     // the text ends here, above the page number
constexpr double kFooterMm = 286;
// Space kept under a heading for what follows it, so it never ends a page.
constexpr double kKeepWithHeadingMm = 30;
// Vertical space after a block, and the padding inside a table cell.
constexpr double kBlockGapMm = 3;
constexpr double kCellPaddingXMm = 1.1, kCellPaddingYMm = 0.7;
// Room allowed for a chart's caption when a heading is kept with the chart.
constexpr double kCaptionAllowanceMm = 12;
// A table up to this tall starts on a new page rather than split.
constexpr double kKeepTableTogetherMm = 90;
constexpr double kNoteIndentMm = 4;
// Point sizes.
constexpr double kTitlePoints = 16, kHeadingPoints = 12.5, kBodyPoints = 9.5, kNotePoints = 8.5;
constexpr double kTablePoints = 8, kRunningPoints = 7.5;

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

QFont Font(double points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    // No ligatures: text copied or extracted from the PDF reads "fi", not "ﬁ".
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

using Drawing = std::function<void(QPainter&)>;

// Lays the blocks out page by page (measuring on the PDF device itself),
// keeping what each page draws; the pages are painted once their number is known.
class Layout {
public:
    explicit Layout(QPdfWriter& device) : device_(device) {
        unit_ = device.resolution() / kMillimetresPerInch;
        left_ = Mm(kSideMarginMm);
        width_ = Mm(kPageWidthMm - 2 * kSideMarginMm);
        NewPage();
    }

    double Mm(double mm) const { return mm * unit_; }
    double Width() const { return width_; }
    double Left() const { return left_; }
    std::vector<std::vector<Drawing>>& Pages() { return pages_; }

    void NewPage() {
        pages_.emplace_back();
        y_ = Mm(kTopMm);
    }
    bool AtTop() const { return y_ <= Mm(kTopMm); }
    // A new page unless `height` still fits on this one (or the page is empty).
    void Need(double height) {
        if (!AtTop() && y_ + height > Mm(kBottomMm)) NewPage();
    }
    void Draw(Drawing drawing) { pages_.back().push_back(std::move(drawing)); }

    double TextHeight(const QFont& font, const QString& text, double width) const {
        const QFontMetricsF metrics(font, &device_);
        return metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text).height();
    }
    double TextWidth(const QFont& font, const QString& text) const {
        return QFontMetricsF(font, &device_).horizontalAdvance(text);
    }

    void Text(const QFont& font, const QString& text, double indent, double gapAfter) {
        const double height = TextHeight(font, text, width_ - indent);
        Need(height);
        const QRectF box(left_ + indent, y_, width_ - indent, height);
        Draw([font, text, box](QPainter& p) {
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
        });
        y_ += height + gapAfter;
    }

    // `keep`: the height of what must follow the heading on its page.
    void Heading(const QString& text, double keep) {
        const QFont font = Font(kHeadingPoints, true);
        Need(TextHeight(font, text, width_) + Mm(kBlockGapMm) + std::max(keep, Mm(kKeepWithHeadingMm)));
        if (!AtTop()) y_ += Mm(kBlockGapMm);
        Text(font, text, 0, Mm(kBlockGapMm));
    }

    struct TableMetrics {
        std::vector<double> Widths, Rows;
        double Header = 0, Total = 0;
        double Start = 0;  // what must fit on the page where the table starts
    };
    TableMetrics Measure(const StudyTable& t) const;
    void Table(const StudyTable& t);
    void Chart(QChart* chart, double heightMm, const QString& caption);

private:
    QPdfWriter& device_;
    double unit_ = 1, left_ = 0, width_ = 0, y_ = 0;
    std::vector<std::vector<Drawing>> pages_;
};

// Column widths: each column as wide as its widest text; when they exceed
// the page, the widest columns are narrowed to a common cap (their text wraps).
std::vector<double> ColumnWidths(std::vector<double> natural, double available) {
    const double total = std::accumulate(natural.begin(), natural.end(), 0.0);
    if (total <= available) return natural;
    std::vector<double> sorted = natural;
    std::sort(sorted.begin(), sorted.end());
    double below = 0, cap = available / natural.size();
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        const double rest = static_cast<double>(sorted.size() - k);
        const double candidate = (available - below) / rest;
        if (candidate <= sorted[k]) {
            cap = candidate;
            break;
        }
        below += sorted[k];
    }
    for (double& w : natural) w = std::min(w, cap);
    return natural;
}

Layout::TableMetrics Layout::Measure(const StudyTable& t) const {
    TableMetrics m;
    const std::size_t columns = t.Header.size();
    const QFont plain = Font(kTablePoints), bold = Font(kTablePoints, true);
    const double padX = Mm(kCellPaddingXMm), padY = Mm(kCellPaddingYMm);
    std::vector<double> natural(columns, 0.0);
    for (std::size_t c = 0; c < columns; ++c) {
        natural[c] = TextWidth(bold, Q(t.Header[c]));
        for (std::size_t r = 0; r < t.Rows.size(); ++r)
            if (c < t.Rows[r].size())
                natural[c] = std::max(natural[c], TextWidth(static_cast<int>(r) == t.EmphasisedRow ? bold : plain,
                                                            Q(t.Rows[r][c])));
        natural[c] += 2 * padX + 1;
    }
    m.Widths = ColumnWidths(natural, width_);
    auto rowHeight = [&](const std::vector<std::string>& cells, const QFont& font) {
        double h = 0;
        for (std::size_t c = 0; c < columns && c < cells.size(); ++c)
            h = std::max(h, TextHeight(font, Q(cells[c]), m.Widths[c] - 2 * padX));
        return std::max(h, QFontMetricsF(font, &device_).height()) + 2 * padY;
    };
    const bool header = std::any_of(t.Header.begin(), t.Header.end(), [](const std::string& h) { return !h.empty(); });
    m.Header = header ? rowHeight(t.Header, bold) : 0;
    for (std::size_t r = 0; r < t.Rows.size(); ++r)
        m.Rows.push_back(rowHeight(t.Rows[r], static_cast<int>(r) == t.EmphasisedRow ? bold : plain));
    m.Total = std::accumulate(m.Rows.begin(), m.Rows.end(), m.Header);
    // A short table is kept whole; a long one needs its header and first row.
    m.Start = m.Total <= Mm(kKeepTableTogetherMm) ? m.Total : m.Header + (m.Rows.empty() ? 0 : m.Rows.front());
    return m;
}

void Layout::Table(const StudyTable& t) {
    const std::size_t columns = t.Header.size();
    if (columns == 0) return;
    const QFont plain = Font(kTablePoints), bold = Font(kTablePoints, true);
    const double padX = Mm(kCellPaddingXMm), padY = Mm(kCellPaddingYMm);
    const TableMetrics m = Measure(t);
    const std::vector<double>& widths = m.Widths;
    const double tableWidth = std::accumulate(widths.begin(), widths.end(), 0.0);
    const bool header = m.Header > 0;
    auto drawRow = [&](const std::vector<std::string>& cells, const QFont& font, double height, bool isHeader) {
        const double top = y_;
        const double left = left_;
        std::vector<std::pair<QRectF, QString>> texts;
        std::vector<int> flags;
        double x = left;
        for (std::size_t c = 0; c < columns; ++c) {
            const QString text = c < cells.size() ? Q(cells[c]) : QString();
            const bool right = c < t.RightAligned.size() && t.RightAligned[c];
            texts.emplace_back(QRectF(x + padX, top + padY, widths[c] - 2 * padX, height - 2 * padY), text);
            flags.push_back(Qt::TextWordWrap | Qt::AlignTop | (right ? Qt::AlignRight : Qt::AlignLeft));
            x += widths[c];
        }
        const double rule = Mm(isHeader ? 0.3 : 0.1);
        const QColor ground = isHeader ? QColor(235, 238, 242) : QColor(Qt::transparent);
        Draw([=](QPainter& p) {
            if (isHeader) p.fillRect(QRectF(left, top, tableWidth, height), ground);
            p.setFont(font);
            p.setPen(Qt::black);
            for (std::size_t k = 0; k < texts.size(); ++k) p.drawText(texts[k].first, flags[k], texts[k].second);
            p.setPen(QPen(QColor(150, 150, 150), rule));
            p.drawLine(QPointF(left, top + height), QPointF(left + tableWidth, top + height));
        });
        y_ += height;
    };

    const double headerHeight = m.Header;
    Need(m.Start);
    bool first = true;
    for (std::size_t r = 0; r < t.Rows.size(); ++r) {
        const QFont& font = static_cast<int>(r) == t.EmphasisedRow ? bold : plain;
        const double h = m.Rows[r];
        const bool newPage = !AtTop() && y_ + h + (first ? headerHeight : 0) > Mm(kBottomMm);
        if (newPage) NewPage();
        if (header && (first || newPage)) drawRow(t.Header, bold, headerHeight, true);
        drawRow(t.Rows[r], font, h, false);
        first = false;
    }
    y_ += Mm(kBlockGapMm);
}

void Layout::Chart(QChart* chart, double heightMm, const QString& caption) {
    const QFont font = Font(kNotePoints);
    const double height = Mm(heightMm);
    const double captionHeight = caption.isEmpty() ? 0 : TextHeight(font, caption, width_);
    Need(height + captionHeight + Mm(1));
    if (chart) {
        const QRectF box(left_, y_, width_, height);
        const ImageSize size{width_ / Mm(10), heightMm / 10, device_.resolution()};
        Draw([chart, box, size](QPainter& p) {
            p.save();
            DrawChart(chart, p, box, size);
            p.restore();
        });
    }
    y_ += height + Mm(1);
    if (!caption.isEmpty()) Text(font, caption, 0, Mm(kBlockGapMm));
}

// Lays out and paints the whole document on `device`; returns the page count.
int Render(QPdfWriter& device, const StudyDocument& doc, const StudyCharts& charts) {
    // The charts' layout resolution: their items' fonts keep their point
    // sizes (PDF coordinates are real numbers, so nothing is lost).
    device.setResolution(static_cast<int>(std::lround(ChartLayoutDpi())));
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0));
    device.setTitle(Q(doc.Title));
    device.setCreator(QStringLiteral("ZARN"));

    Layout layout(device);
    layout.Text(Font(kTitlePoints, true), Q(doc.Title), 0, layout.Mm(1));
    if (!doc.Subtitle.empty()) layout.Text(Font(kBodyPoints + 1), Q(doc.Subtitle), 0, layout.Mm(kBlockGapMm));
    for (std::size_t k = 0; k < doc.Blocks.size(); ++k) {
        const StudyBlock& block = doc.Blocks[k];
        switch (block.Type) {
            case StudyBlock::Heading: {
                // A heading goes on the page where what follows it starts: a
                // chart, a table's start, or the kept minimum.
                double keep = 0;
                if (k + 1 < doc.Blocks.size()) {
                    const StudyBlock& next = doc.Blocks[k + 1];
                    if (next.Type == StudyBlock::Chart) keep = layout.Mm(next.ChartHeightMm + kCaptionAllowanceMm);
                    if (next.Type == StudyBlock::Table) keep = layout.Measure(next.Rows).Start;
                }
                layout.Heading(Q(block.Text), keep);
                break;
            }
            case StudyBlock::Paragraph:
                layout.Text(Font(kBodyPoints), Q(block.Text), 0, layout.Mm(kBlockGapMm) / 1.5);
                break;
            case StudyBlock::Note:
                layout.Text(Font(kNotePoints), Q(block.Text), layout.Mm(kNoteIndentMm), layout.Mm(kBlockGapMm) / 2);
                break;
            case StudyBlock::Table: layout.Table(block.Rows); break;
            case StudyBlock::Chart: {
                const auto found = charts.find(block.ChartName);
                layout.Chart(found == charts.end() ? nullptr : found->second, block.ChartHeightMm, Q(block.Text));
                break;
            }
            case StudyBlock::PageBreak:
                if (!layout.AtTop()) layout.NewPage();
                break;
        }
    }

    auto& pages = layout.Pages();
    const int count = static_cast<int>(pages.size());
    QPainter painter;
    if (!painter.begin(&device)) throw ZarnError("Não foi possível gerar o PDF do estudo.");
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont running = Font(kRunningPoints);
    const double left = layout.Left(), width = layout.Width();
    for (int k = 0; k < count; ++k) {
        if (k > 0) device.newPage();
        painter.setFont(running);
        painter.setPen(QColor(90, 90, 90));
        const double base = layout.Mm(kHeaderBaseMm);
        painter.drawText(QRectF(left, base - layout.Mm(5), width, layout.Mm(4.5)), Qt::AlignLeft | Qt::AlignBottom,
                         Q(doc.Title));
        painter.drawText(QRectF(left, base - layout.Mm(5), width, layout.Mm(4.5)), Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("ZARN"));
        painter.setPen(QPen(QColor(120, 120, 120), layout.Mm(0.2)));
        painter.drawLine(QPointF(left, base), QPointF(left + width, base));
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(QRectF(left, layout.Mm(kFooterMm), width, layout.Mm(5)), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("Página %1 de %2").arg(k + 1).arg(count));
        for (const Drawing& drawing : pages[k]) {
            painter.save();
            drawing(painter);
            painter.restore();
        }
    }
    painter.end();
    return count;
}

}  // namespace

QByteArray StudyPdfBytes(const StudyDocument& doc, const StudyCharts& charts, int* pages) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    int count = 0;
    {
        QPdfWriter writer(&buffer);
        count = Render(writer, doc, charts);
    }
    if (pages) *pages = count;
    return bytes;
}

int WriteStudyPdf(const QString& path, const StudyDocument& doc, const StudyCharts& charts) {
    int pages = 0;
    WriteChartFile(path, StudyPdfBytes(doc, charts, &pages));
    return pages;
}

}  // namespace zarn
