// SPDX-License-Identifier: GPL-3.0-or-later
// The key of the chart windows' charts (ChartKey).
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QGraphicsItem>
#include <QList>
#include <QMargins>
#include <QPen>
#include <QString>
#include <QStringList>
#include <vector>

#include "views/keyplacement.h"

class QChart;

namespace zarn {

// The key of the two charts: a sample of each series' line, fill or marker
// beside its name, over a white ground, in the first corner of the plot
// where it covers no point and no curve (PlaceKey), or else under the
// chart in as many columns as fit, the plot giving up the key's height. Its
// text is as large as the axes' titles, so an exported chart keeps its key
// in proportion at every size.
class ChartKey : public QGraphicsItem {
public:
    struct Entry {
        QString Text;
        QPen Line = QPen(Qt::NoPen);      // drawn across the sample when set
        QBrush Fill = QBrush(Qt::NoBrush);  // a band: a bar under the line
        int Marker = -1;                  // a QScatterSeries::MarkerShape, or none
        double MarkerSize = 0;
        QColor MarkerFill, MarkerBorder;
    };
    explicit ChartKey(QChart* chart);
    void SetEntries(QList<Entry> entries);
    QStringList Texts() const;
    // Finds the key's place again; runs whenever the plot area changes.
    void Place();
    // True when the key stands under the chart rather than inside the plot.
    bool Outside() const { return outsideHeight_ > 0; }
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    // The axes' title font, not bold: the key's at scale 1.
    QFont TitleFont() const;
    // Font and size at `scale` in columns_ columns.
    void Measure(double scale);
    KeyObstacles Obstacles(const QRectF& plot, const QRectF& base) const;
    void SetOutsideHeight(double height);
    int Rows() const;

    QChart* chart_;
    QList<Entry> entries_;
    QSizeF size_;
    QFont font_;
    double scale_ = 1.0;
    QMargins baseMargins_;
    double outsideHeight_ = 0;
    int columns_ = 1;
    double row_ = 0;  // height of a row
    std::vector<double> columnWidths_;
    bool placing_ = false;
};

}  // namespace zarn
