// SPDX-License-Identifier: GPL-3.0-or-later
// Scatter markers drawn by the program itself.
//
// The chart toolkit draws a scatter series as one graphics item per point,
// and every change of the series touches all of them: a series of 10,000
// values took minutes to build and seconds to paint. A MarkerCloud paints
// every point of one scatter series from a single item instead. The series
// stays in the chart with its points, name and axes (the legend, the key's
// placement and whoever reads the points see it as before); only its own
// drawing is made transparent.
//
//   DrawMarker        one marker of a QScatterSeries::MarkerShape
//   MarkerCloud       every marker of a scatter series painted by one item
#pragma once

#include <QGraphicsObject>
#include <QList>
#include <QPointF>
#include <QPointer>

class QChart;
class QPainter;
class QScatterSeries;

namespace zarn {

// A scatter marker of `shape` (QScatterSeries::MarkerShape) and `size`
// pixels centred on `centre`, in the painter's pen and brush.
void DrawMarker(QPainter& painter, int shape, const QPointF& centre, double size);

// Stacking of the clouds among the chart's items: above the lines and areas
// of the series, below the key. Later layers are drawn over earlier ones.
enum class MarkerLayer { Points = 0, Marks = 1 };

class MarkerCloud : public QGraphicsObject {
    Q_OBJECT
public:
    // Paints `series` (already in `chart` and bound to its axes) in its
    // marker shape, size, pen and brush. The cloud belongs to the chart and
    // goes with the series when the series is deleted.
    MarkerCloud(QChart* chart, QScatterSeries* series, MarkerLayer layer = MarkerLayer::Points);
    QScatterSeries* Series() const { return series_; }
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    void Follow();

    QChart* chart_;
    QPointer<QScatterSeries> series_;
    QRectF area_;  // the plot area the markers are drawn in
};

}  // namespace zarn
