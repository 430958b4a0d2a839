#pragma once

#include "output/statistics_charts.h"

#include <QPalette>
#include <QRectF>
#include <QSizeF>

#include <vector>

class QPainter;

namespace tunebay {

// The size the charts need at `width` pixels: two columns of charts, each bar a line.
QSizeF ChartsSize(const std::vector<StatisticsChart>& charts, qreal width);

// Draws every chart into `area`: a title, then one horizontal bar per value with its label on
// the left and its figure on the right, in the palette's colours so that a dark desktop shows
// them as well as a light one.
void PaintCharts(QPainter& painter, const QRectF& area, const std::vector<StatisticsChart>& charts,
                 const QPalette& palette);

} // namespace tunebay
