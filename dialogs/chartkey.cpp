// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/chartkey.h"

#include <QAbstractAxis>
#include <QAreaSeries>
#include <QChart>
#include <QFontMetricsF>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QScatterSeries>
#include <QXYSeries>
#include <algorithm>
#include <cmath>

#include "dialogs/chartmarkers.h"

namespace zarn {

namespace {

// The key inside the plot: distance from the plot's edge, inner margin,
// width of the sample of each series and the gap before its name; room
// kept clear around it.
constexpr double kLegendInset = 8.0;
constexpr double kKeyPadding = 6.0;
constexpr double kKeySample = 30.0;
constexpr double kKeyGap = 6.0;
constexpr double kKeyClearance = 3.0;
// The key's text is as large as the axes' titles (not bold), so it keeps
// their proportion at every size. A key under the chart takes at most this
// share of its height; a taller one is drawn smaller, in steps of this
// factor, down to the smallest scale.
constexpr double kKeyMostHeightShare = 0.3;
constexpr double kKeyShrinkStep = 0.9;
constexpr double kKeySmallestOutsideScale = 0.7;
// Above every series of the chart.
constexpr double kKeyZValue = 100.0;
// The tallest marker a key shows (the ratio diagram's sample).
constexpr double kTallestMarker = 12.0;

}  // namespace


ChartKey::ChartKey(QChart* chart) : QGraphicsItem(chart), chart_(chart), baseMargins_(chart->margins()) {
    setZValue(kKeyZValue);
    chart->legend()->hide();
    QObject::connect(chart, &QChart::plotAreaChanged, chart, [this] { Place(); });
}

void ChartKey::SetEntries(QList<Entry> entries) {
    entries_ = std::move(entries);
    Place();
}

QStringList ChartKey::Texts() const {
    QStringList texts;
    for (const Entry& entry : entries_) texts << entry.Text;
    return texts;
}

QFont ChartKey::TitleFont() const {
    for (const QAbstractAxis* axis : chart_->axes())
        if (axis->isTitleVisible() && !axis->titleText().isEmpty()) {
            QFont font = axis->titleFont();
            font.setBold(false);
            return font;
        }
    return chart_->legend()->font();
}

void ChartKey::Measure(double scale) {
    scale_ = scale;
    font_ = TitleFont();
    font_.setPointSizeF(font_.pointSizeF() * scale_);
    // No ligatures: the key's text reads the same when copied from a PDF.
    font_.setStyleStrategy(QFont::PreferNoShaping);
    const QFontMetricsF metrics(font_);
    row_ = std::max(metrics.height(), kTallestMarker * scale_) + 2 * scale_;
    // Column by column, top to bottom; each column as wide as its widest entry.
    const int rows = Rows();
    columnWidths_.assign(columns_, 0.0);
    for (int k = 0; k < entries_.size(); ++k) {
        const double width = (kKeySample + kKeyGap + kKeyPadding) * scale_ + metrics.horizontalAdvance(entries_[k].Text);
        double& column = columnWidths_[static_cast<std::size_t>(k / rows)];
        column = std::max(column, width);
    }
    double width = kKeyPadding * scale_;
    for (const double column : columnWidths_) width += column;
    const QSizeF size = entries_.isEmpty() ? QSizeF() : QSizeF(width, 2 * kKeyPadding * scale_ + row_ * rows);
    if (size != size_) {
        prepareGeometryChange();
        size_ = size;
    }
}

KeyObstacles ChartKey::Obstacles(const QRectF& plot, const QRectF& base) const {
    // Positions in the plot as laid out, stretched to `base` (the plot without
    // the room the key took under it).
    const double stretch = plot.height() > 0 ? base.height() / plot.height() : 1.0;
    auto at = [&](const QPointF& value, QAbstractSeries* series) {
        const QPointF p = chart_->mapToPosition(value, series);
        return KeyPoint{p.x(), base.top() + (p.y() - plot.top()) * stretch};
    };
    KeyObstacles obstacles;
    auto line = [&](QXYSeries* series, QAbstractSeries* mappedBy) {
        std::vector<KeyPoint> points;
        for (const QPointF& p : series->points()) points.push_back(at(p, mappedBy));
        obstacles.Lines.push_back(std::move(points));
    };
    for (QAbstractSeries* series : chart_->series()) {
        if (!series->isVisible()) continue;
        if (auto* scatter = qobject_cast<QScatterSeries*>(series)) {
            for (const QPointF& p : scatter->points())
                obstacles.Markers.push_back({at(p, scatter), scatter->markerSize() / 2});
        } else if (auto* xy = qobject_cast<QXYSeries*>(series)) {
            line(xy, xy);
        } else if (auto* area = qobject_cast<QAreaSeries*>(series)) {
            if (area->upperSeries()) line(area->upperSeries(), area);
            if (area->lowerSeries()) line(area->lowerSeries(), area);
        }
    }
    return obstacles;
}

int ChartKey::Rows() const {
    const int count = static_cast<int>(entries_.size());
    return (count + columns_ - 1) / columns_;
}

void ChartKey::SetOutsideHeight(double height) {
    if (height == outsideHeight_) return;
    outsideHeight_ = height;
    QMargins margins = baseMargins_;
    margins.setBottom(baseMargins_.bottom() + static_cast<int>(std::ceil(height)));
    chart_->setMargins(margins);
}

void ChartKey::Place() {
    // Moving the key under the plot lays the chart out again, which calls
    // this again: that call finds the same place.
    if (placing_) return;
    placing_ = true;
    const double scale = 1.0;
    columns_ = 1;
    Measure(scale);
    setVisible(!entries_.isEmpty());
    const QRectF plot = chart_->plotArea();
    if (entries_.isEmpty() || plot.isEmpty()) {
        SetOutsideHeight(0);
        placing_ = false;
        return;
    }
    const QRectF base = plot.adjusted(0, 0, 0, outsideHeight_);
    const KeyPlacement place = PlaceKey({base.left(), base.top(), base.right(), base.bottom()}, size_.width(),
                                        size_.height(), Obstacles(plot, base), kLegendInset * scale_,
                                        kKeyClearance * scale_);
    if (place.Clear) {
        SetOutsideHeight(0);
        setPos(place.Box.Left, place.Box.Top);
        placing_ = false;
        return;
    }
    // Under the chart, in as many columns as its width takes, the plot giving
    // up the key's height; a key still too tall for the chart gets smaller.
    const double width = chart_->size().width() - baseMargins_.left() - baseMargins_.right();
    const double most = kKeyMostHeightShare * chart_->size().height();
    for (double s = scale;; s *= kKeyShrinkStep) {
        for (columns_ = static_cast<int>(entries_.size()); columns_ > 1; --columns_) {
            Measure(s);
            if (size_.width() <= width) break;
        }
        Measure(s);
        if (size_.height() <= most || s * kKeyShrinkStep < kKeySmallestOutsideScale) break;
    }
    SetOutsideHeight(size_.height() + kLegendInset * scale_);
    setPos(baseMargins_.left() + std::max(0.0, (width - size_.width()) / 2),
           chart_->size().height() - baseMargins_.bottom() - size_.height());
    placing_ = false;
}

QRectF ChartKey::boundingRect() const { return QRectF(QPointF(0, 0), size_).adjusted(-1, -1, 1, 1); }

void ChartKey::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    if (entries_.isEmpty()) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(170, 170, 170), 1));
    painter->setBrush(QColor(255, 255, 255, 235));
    painter->drawRect(QRectF(QPointF(0, 0), size_));
    painter->setFont(font_);
    const double padding = kKeyPadding * scale_;
    const double row = row_;
    for (int k = 0; k < entries_.size(); ++k) {
        const Entry& entry = entries_[k];
        // Row by row, left to right.
        const int rows = Rows();
        double x = padding;
        for (int c = 0; c < k / rows; ++c) x += columnWidths_[static_cast<std::size_t>(c)];
        const double y = padding + row * (k % rows);
        const QRectF sample(x, y, kKeySample * scale_, row);
        const QPointF centre = sample.center();
        if (entry.Fill.style() != Qt::NoBrush) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(entry.Fill);
            painter->drawRect(QRectF(sample.left(), centre.y() - row * 0.3, sample.width(), row * 0.6));
        }
        if (entry.Line.style() != Qt::NoPen) {
            painter->setPen(entry.Line);
            painter->drawLine(QPointF(sample.left(), centre.y()), QPointF(sample.right(), centre.y()));
        }
        if (entry.Marker >= 0) {
            painter->setPen(QPen(entry.MarkerBorder, 1));
            painter->setBrush(entry.MarkerFill);
            DrawMarker(*painter, entry.Marker, centre, entry.MarkerSize * scale_);
        }
        painter->setPen(QColor(60, 60, 60));
        painter->drawText(QRectF(sample.right() + kKeyGap * scale_, y, columnWidths_[static_cast<std::size_t>(k / rows)], row), Qt::AlignLeft | Qt::AlignVCenter,
                          entry.Text);
    }
    painter->restore();
}


}  // namespace zarn

