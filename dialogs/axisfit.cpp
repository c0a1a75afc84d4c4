// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/axisfit.h"

#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QLocale>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <memory>

namespace zarn {

namespace {

// Room each label needs beyond its text: the toolkit's padding on both sides
// and a gap between neighbours (pixels of the chart's layout).
constexpr double kLabelPadding = 6.0;
constexpr double kLabelGap = 6.0;
// A value axis shows at most this many ticks, however long it is.
constexpr int kMostTicks = 12;

double AxisLength(const QChart* chart, Qt::Orientation orientation) {
    const QRectF plot = chart->plotArea();
    return orientation == Qt::Horizontal ? plot.width() : plot.height();
}

// The extent of a label along the axis: its width on a horizontal axis, its
// height on a vertical one.
double Extent(const QFontMetricsF& metrics, const QString& text, Qt::Orientation orientation) {
    return orientation == Qt::Horizontal ? metrics.horizontalAdvance(text) : metrics.height();
}

int DecimalsOf(double step) { return std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9))); }

QString TickText(const QChart* chart, double value, int decimals) {
    QLocale locale = chart->localizeNumbers() ? chart->locale() : QLocale::c();
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

// True when `count` labels whose widest extent is `widest` fit `length`.
bool Fits(double length, int count, double widest) {
    return count <= 1 || widest + 2 * kLabelPadding <= length / count;
}

void FitValueTicksNow(QChart* chart, QValueAxis* axis, double preferred, double smallest) {
    const double low = axis->min(), high = axis->max();
    const double length = AxisLength(chart, axis->orientation());
    if (!(high > low) || length <= 0) return;
    const QFontMetricsF metrics(axis->labelsFont());
    double step = NiceStep(std::max({preferred, smallest, (high - low) / kMostTicks}));
    for (int attempt = 0; attempt < 40; ++attempt) {
        const double first = std::ceil(low / step - 1e-9), last = std::floor(high / step + 1e-9);
        const int count = static_cast<int>(last - first) + 1;
        double widest = 0;
        for (double k = first; k <= last; ++k)
            widest = std::max(widest, Extent(metrics, TickText(chart, k * step, DecimalsOf(step)), axis->orientation()));
        if (count <= 2 || Fits(length, count, widest)) break;
        step = NiceStep(step * 1.5);
    }
    if (axis->tickType() != QValueAxis::TicksDynamic) axis->setTickType(QValueAxis::TicksDynamic);
    if (axis->tickAnchor() != 0) axis->setTickAnchor(0);
    if (axis->tickInterval() != step) axis->setTickInterval(step);
    const QString format = QStringLiteral("%.%1f").arg(DecimalsOf(step));
    if (axis->labelFormat() != format) axis->setLabelFormat(format);
}

void FitCategoryTicksNow(QChart* chart, QCategoryAxis* axis, const std::vector<AxisTick>& ticks, bool wholeLevels) {
    const double low = axis->min(), high = axis->max();
    const double length = AxisLength(chart, Qt::Horizontal == axis->orientation() ? Qt::Horizontal : Qt::Vertical);
    if (!(high > low) || length <= 0) return;
    const QFontMetricsF metrics(axis->labelsFont());
    struct Taken {
        double At, Extent;
        const AxisTick* Tick;
    };
    std::vector<Taken> taken;
    double widest = 0;
    auto clear = [&](const Taken& t) {
        return std::all_of(taken.begin(), taken.end(), [&](const Taken& o) {
            return std::fabs(o.At - t.At) >= (o.Extent + t.Extent) / 2 + kLabelGap;
        });
    };
    int level = 0;
    for (bool more = true; more; ++level) {
        more = false;
        std::vector<Taken> candidates;
        for (const AxisTick& tick : ticks) {
            if (tick.Level > level) more = true;
            if (tick.Level != level || tick.Value < low || tick.Value > high) continue;
            candidates.push_back({(tick.Value - low) / (high - low) * length,
                                  Extent(metrics, tick.Label, axis->orientation()), &tick});
        }
        std::vector<Taken> kept = taken;
        double keptWidest = widest;
        bool whole = true;
        for (const Taken& c : candidates) {
            const double w = std::max(widest, c.Extent);
            // One more label than drawn: the toolkit counts the start value.
            if (clear(c) && Fits(length, static_cast<int>(taken.size()) + 2, w)) {
                taken.push_back(c);
                widest = w;
            } else {
                whole = false;
            }
        }
        if (wholeLevels && !whole) {
            taken = kept;
            widest = keptWidest;
            break;
        }
    }
    std::sort(taken.begin(), taken.end(), [](const Taken& a, const Taken& b) { return a.At < b.At; });
    QStringList labels;
    for (const Taken& t : taken) labels << t.Tick->Label;
    if (labels == axis->categoriesLabels()) return;
    for (const QString& label : axis->categoriesLabels()) axis->remove(label);
    for (const Taken& t : taken) axis->append(t.Tick->Label, t.Tick->Value);
}

}  // namespace

double NiceStep(double rough) {
    if (!(rough > 0) || !std::isfinite(rough)) return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (decade * factor >= rough * (1 - 1e-12)) return decade * factor;
    return decade * 10;
}

void FitValueTicks(QChart* chart, QValueAxis* axis, double preferred, double smallest) {
    FitValueTicksNow(chart, axis, preferred, smallest);
    // Again at every new plot area; the connection ends with the axis.
    QObject::connect(chart, &QChart::plotAreaChanged, axis,
                     [chart, axis, preferred, smallest] { FitValueTicksNow(chart, axis, preferred, smallest); });
}

void FitCategoryTicks(QChart* chart, QCategoryAxis* axis, std::vector<AxisTick> ticks, bool wholeLevels) {
    auto shared = std::make_shared<const std::vector<AxisTick>>(std::move(ticks));
    FitCategoryTicksNow(chart, axis, *shared, wholeLevels);
    QObject::connect(chart, &QChart::plotAreaChanged, axis,
                     [chart, axis, shared, wholeLevels] { FitCategoryTicksNow(chart, axis, *shared, wholeLevels); });
}

}  // namespace zarn
