// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/chartmarkers.h"

#include <QChart>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>
#include <QScatterSeries>
#include <algorithm>
#include <cmath>
#include <vector>

namespace zarn {

void DrawMarker(QPainter& painter, int shape, const QPointF& centre, double size) {
    const double r = size / 2;
    auto polygon = [&](int corners, double inner, double turn) {
        QPolygonF points;
        const int steps = inner > 0 ? 2 * corners : corners;
        for (int k = 0; k < steps; ++k) {
            const double radius = inner > 0 && k % 2 == 1 ? r * inner : r;
            const double angle = turn + 2 * M_PI * k / steps;
            points << centre + QPointF(radius * std::sin(angle), -radius * std::cos(angle));
        }
        painter.drawPolygon(points);
    };
    switch (shape) {
        case QScatterSeries::MarkerShapeCircle: painter.drawEllipse(centre, r, r); break;
        case QScatterSeries::MarkerShapeRectangle: painter.drawRect(QRectF(centre - QPointF(r, r), QSizeF(size, size))); break;
        case QScatterSeries::MarkerShapeRotatedRectangle: polygon(4, 0, 0); break;
        case QScatterSeries::MarkerShapeTriangle: polygon(3, 0, 0); break;
        case QScatterSeries::MarkerShapeStar: polygon(5, 0.45, 0); break;
        case QScatterSeries::MarkerShapePentagon: polygon(5, 0, 0); break;
        default: painter.drawEllipse(centre, r, r); break;
    }
}

namespace {

// The toolkit's series items stand at this height among the chart's items
// (above the axes and grid, below its legend); the clouds go just above them.
constexpr double kSeriesZValue = 5.0;
constexpr double kCloudZStep = 0.1;
// A point whose centre is further than this outside the plot area (in
// pixels) is not drawn, as the toolkit leaves out points beyond its axes.
constexpr double kPlotTolerance = 0.5;

}  // namespace

MarkerCloud::MarkerCloud(QChart* chart, QScatterSeries* series, MarkerLayer layer)
    : QGraphicsObject(chart), chart_(chart), series_(series) {
    setZValue(kSeriesZValue + kCloudZStep * (1 + static_cast<int>(layer)));
    // The toolkit's own markers stay in the scene but are never painted.
    series->setOpacity(0.0);
    connect(series, &QObject::destroyed, this, [this] { deleteLater(); hide(); });
    connect(series, &QXYSeries::pointsReplaced, this, [this] { update(); });
    connect(series, &QAbstractSeries::visibleChanged, this, [this] { setVisible(series_ && series_->isVisible()); });
    connect(chart, &QChart::plotAreaChanged, this, [this] { Follow(); });
    Follow();
}

void MarkerCloud::Follow() {
    const double margin = series_ ? series_->markerSize() : 0.0;
    const QRectF area = chart_->plotArea().adjusted(-margin, -margin, margin, margin);
    if (area != area_) {
        prepareGeometryChange();
        area_ = area;
    }
    update();
}

QRectF MarkerCloud::boundingRect() const { return area_; }

void MarkerCloud::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    if (!series_ || series_->chart() != chart_ || !series_->isVisible()) return;
    const QRectF plot = chart_->plotArea().adjusted(-kPlotTolerance, -kPlotTolerance, kPlotTolerance, kPlotTolerance);
    // Positions taken at paint time: they follow every layout of the chart,
    // also the one an export makes at its own size.
    const QList<QPointF> values = series_->points();
    std::vector<QPointF> centres;
    centres.reserve(static_cast<std::size_t>(values.size()));
    for (const QPointF& value : values) {
        const QPointF centre = chart_->mapToPosition(value, series_);
        if (plot.contains(centre)) centres.push_back(centre);
    }
    if (centres.empty()) return;
    const int shape = series_->markerShape();
    const double size = series_->markerSize();
    const QPen pen = series_->pen();
    const QBrush brush = series_->brush();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QTransform toDevice = painter->combinedTransform();
    const bool raster = painter->paintEngine() && painter->paintEngine()->type() == QPaintEngine::Raster;
    if (raster && toDevice.type() <= QTransform::TxScale) {
        // On pixels: the marker drawn once at the device's scale and copied
        // to each point (whole pixels), instead of filling a curve per point.
        const double pad = std::max(pen.widthF(), 1.0) + 2;
        const int width = static_cast<int>(std::ceil((size + pad) * std::fabs(toDevice.m11())));
        const int height = static_cast<int>(std::ceil((size + pad) * std::fabs(toDevice.m22())));
        QImage stamp(width, height, QImage::Format_ARGB32_Premultiplied);
        stamp.fill(Qt::transparent);
        {
            QPainter marker(&stamp);
            marker.setRenderHint(QPainter::Antialiasing);
            marker.translate(width / 2.0, height / 2.0);
            marker.scale(toDevice.m11(), toDevice.m22());
            marker.setPen(pen);
            marker.setBrush(brush);
            DrawMarker(marker, shape, QPointF(0, 0), size);
        }
        painter->resetTransform();
        for (const QPointF& centre : centres) {
            const QPointF at = toDevice.map(centre);
            painter->drawImage(QPointF(std::round(at.x() - width / 2.0), std::round(at.y() - height / 2.0)), stamp);
        }
    } else {
        // Vectors (SVG, PDF, a rotated page): one shape per point.
        painter->setPen(pen);
        painter->setBrush(brush);
        for (const QPointF& centre : centres) DrawMarker(*painter, shape, centre, size);
    }
    painter->restore();
}

}  // namespace zarn
