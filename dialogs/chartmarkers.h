// SPDX-License-Identifier: GPL-3.0-or-later
// Scatter markers drawn by the program itself (the charts' keys).
//
//   DrawMarker   one marker of a QScatterSeries::MarkerShape
#pragma once

#include <QPointF>

class QPainter;

namespace zarn {

// A scatter marker of `shape` (QScatterSeries::MarkerShape) and `size`
// pixels centred on `centre`, in the painter's pen and brush.
void DrawMarker(QPainter& painter, int shape, const QPointF& centre, double size);

}  // namespace zarn
