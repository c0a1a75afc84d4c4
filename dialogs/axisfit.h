// SPDX-License-Identifier: GPL-3.0-or-later
// Tick labels the chart toolkit never has to cut short.
//
// The toolkit gives each tick label the axis's length divided by the number
// of labels (less a padding) and cuts a longer one to "…": a 10,000-year
// tick read "100…", and a short chart's value axis read "…" throughout.
// These choose, again whenever the plot area changes (a resized window, an
// export at its own size), as many ticks as the axis's length takes, at
// round values.
//
//   NiceStep          the 1-2-5 step at or above a rough one
//   FitValueTicks     a value axis's ticks at multiples of a 1-2-5 step that fits
//   AxisTick          a candidate label of a category axis and its level
//   FitCategoryTicks  of a category axis's candidate labels, those that fit
#pragma once

#include <QString>
#include <vector>

class QCategoryAxis;
class QChart;
class QValueAxis;

namespace zarn {

// The smallest of 1, 2 or 5 times a power of ten that is at least `rough`.
double NiceStep(double rough);

// Ticks of `axis` (already in `chart`, its range set) at the multiples of a
// 1-2-5 step of at least `preferred`, the smallest step whose labels fit;
// labelled with the decimals the step needs. `smallest` > 0: no step below
// it (whole years, whole units of a variate).
void FitValueTicks(QChart* chart, QValueAxis* axis, double preferred, double smallest = 0);

struct AxisTick {
    QString Label;
    double Value;
    int Level;  // 0 the most wanted; a level is taken after the ones before it
};

// The labels of `axis` (already in `chart`, its range and start value set)
// chosen from `ticks`: level by level, each label that keeps clear of those
// taken and leaves every label its room. With `wholeLevels` a level is
// taken whole or not at all (evenly spaced years).
void FitCategoryTicks(QChart* chart, QCategoryAxis* axis, std::vector<AxisTick> ticks, bool wholeLevels);

}  // namespace zarn
