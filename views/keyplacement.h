// SPDX-License-Identifier: GPL-3.0-or-later
// Where a chart's key goes: in the first corner of the plot (or the middle of
// an edge) where it covers no plotted point and no stretch of a curve; when
// every place covers something, the caller puts it beside the plot. Pure
// geometry in the chart's own coordinates (no Qt).
//
//   KeyObstacles   the markers (centre and radius) and polylines drawn
//   KeyCovers      the length of curve and the markers a rectangle covers
//   PlaceKey       the first clear place, or the least covered one
#pragma once

#include <vector>

namespace zarn {

struct KeyPoint {
    double X, Y;
};

struct KeyBox {
    double Left, Top, Right, Bottom;
};

struct KeyObstacles {
    struct Marker {
        KeyPoint Centre;
        double Radius;
    };
    std::vector<Marker> Markers;
    std::vector<std::vector<KeyPoint>> Lines;
};

// What `box` covers: each marker it touches counts as a unit of `markerWeight`
// length, plus the length of every polyline inside it.
double KeyCovers(const KeyBox& box, const KeyObstacles& obstacles, double markerWeight);

struct KeyPlacement {
    KeyBox Box;
    bool Clear;  // covers nothing
};

// Candidates inside `plot`, `inset` from its edges, in this order: upper
// left, upper right, lower right, lower left, then the middles of the upper,
// lower, left and right edges. A candidate is clear when the key grown by
// `clearance` on every side covers nothing. Without a clear one, the least
// covered (Clear false).
KeyPlacement PlaceKey(const KeyBox& plot, double width, double height, const KeyObstacles& obstacles, double inset,
                      double clearance);

}  // namespace zarn
