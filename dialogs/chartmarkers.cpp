// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/chartmarkers.h"

#include <QPainter>
#include <QPolygonF>
#include <QScatterSeries>
#include <cmath>

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

}  // namespace zarn
