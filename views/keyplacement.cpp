// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/keyplacement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace zarn {

namespace {

// Liang and Barsky (1984): the fraction [t0, t1] of the segment a-b inside
// the box; false when none of it is.
bool ClipSegment(const KeyBox& box, KeyPoint a, KeyPoint b, double& t0, double& t1) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const std::array<double, 4> p{-dx, dx, -dy, dy};
    const std::array<double, 4> q{a.X - box.Left, box.Right - a.X, a.Y - box.Top, box.Bottom - a.Y};
    t0 = 0;
    t1 = 1;
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;  // parallel to this edge and outside it
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

bool Touches(const KeyBox& box, const KeyObstacles::Marker& m) {
    const double x = std::clamp(m.Centre.X, box.Left, box.Right);
    const double y = std::clamp(m.Centre.Y, box.Top, box.Bottom);
    return std::hypot(m.Centre.X - x, m.Centre.Y - y) <= m.Radius;
}

}  // namespace

double KeyCovers(const KeyBox& box, const KeyObstacles& obstacles, double markerWeight) {
    double covered = 0;
    for (const auto& marker : obstacles.Markers)
        if (Touches(box, marker)) covered += markerWeight;
    for (const auto& line : obstacles.Lines) {
        for (std::size_t k = 1; k < line.size(); ++k) {
            const KeyPoint a = line[k - 1], b = line[k];
            if (!std::isfinite(a.X) || !std::isfinite(a.Y) || !std::isfinite(b.X) || !std::isfinite(b.Y)) continue;
            double t0, t1;
            if (!ClipSegment(box, a, b, t0, t1)) continue;
            // A touch counts even where the stretch inside has no length.
            covered += std::max((t1 - t0) * std::hypot(b.X - a.X, b.Y - a.Y), 1e-6);
        }
    }
    return covered;
}

KeyPlacement PlaceKey(const KeyBox& plot, double width, double height, const KeyObstacles& obstacles, double inset,
                      double clearance) {
    const double left = plot.Left + inset, right = plot.Right - inset - width;
    const double top = plot.Top + inset, bottom = plot.Bottom - inset - height;
    const double centreX = (plot.Left + plot.Right - width) / 2, centreY = (plot.Top + plot.Bottom - height) / 2;
    const std::array<KeyPoint, 8> corners{KeyPoint{left, top},    KeyPoint{right, top},   KeyPoint{right, bottom},
                                          KeyPoint{left, bottom}, KeyPoint{centreX, top}, KeyPoint{centreX, bottom},
                                          KeyPoint{left, centreY}, KeyPoint{right, centreY}};
    // A covered marker weighs as much as a key's width of curve.
    const double markerWeight = width;
    KeyPlacement best{{left, top, left + width, top + height}, false};
    double least = std::numeric_limits<double>::infinity();
    for (const KeyPoint& c : corners) {
        const KeyBox box{c.X, c.Y, c.X + width, c.Y + height};
        const KeyBox grown{box.Left - clearance, box.Top - clearance, box.Right + clearance, box.Bottom + clearance};
        const double covered = KeyCovers(grown, obstacles, markerWeight);
        if (covered == 0) return {box, true};
        if (covered < least) {
            least = covered;
            best = {box, false};
        }
    }
    return best;
}

}  // namespace zarn
