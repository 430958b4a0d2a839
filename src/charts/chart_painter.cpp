#include "chart_painter.h"

#include "browse/length_text.h"
#include "text/text_rules.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tunebay {

namespace {

constexpr int kColumns = 2;
constexpr qreal kGap = 24;
constexpr qreal kBarHeight = 18;
constexpr qreal kBarSpacing = 4;
constexpr qreal kTitleHeight = 28;
constexpr qreal kLabelShare = 0.34; // of a chart's width
constexpr qreal kFigureWidth = 72;

qreal chartHeight(const StatisticsChart& chart) {
    const auto bars = static_cast<qreal>(std::max<std::size_t>(chart.bars.size(), 1));
    return kTitleHeight + bars * (kBarHeight + kBarSpacing);
}

QString figureText(const StatisticsChart& chart, double value) {
    return QString::fromStdString(chart.unit == ChartUnit::Seconds
                                      ? LengthText(static_cast<long long>(value))
                                      : FormatThousands(value));
}

void paintChart(QPainter& painter, const QRectF& area, const StatisticsChart& chart,
                const QPalette& palette) {
    QFont titleFont = painter.font();
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(palette.color(QPalette::WindowText));
    painter.drawText(QRectF(area.left(), area.top(), area.width(), kTitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(chart.title));
    titleFont.setBold(false);
    painter.setFont(titleFont);

    double largest = 0;
    for (const ChartBar& bar : chart.bars)
        largest = std::max(largest, bar.value);
    const qreal labelWidth = area.width() * kLabelShare;
    const qreal barSpace = std::max<qreal>(area.width() - labelWidth - kFigureWidth, 1);
    const QFontMetricsF metrics(painter.font());
    qreal top = area.top() + kTitleHeight;
    if (chart.bars.empty()) {
        painter.drawText(QRectF(area.left(), top, area.width(), kBarHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("-"));
        return;
    }
    for (const ChartBar& bar : chart.bars) {
        const QRectF label(area.left(), top, labelWidth - 6, kBarHeight);
        painter.setPen(palette.color(QPalette::WindowText));
        painter.drawText(
            label, Qt::AlignRight | Qt::AlignVCenter,
            metrics.elidedText(QString::fromStdString(bar.label), Qt::ElideRight, label.width()));
        const qreal length = largest > 0 ? barSpace * bar.value / largest : 0;
        painter.fillRect(
            QRectF(area.left() + labelWidth, top + 2, std::max<qreal>(length, 1), kBarHeight - 4),
            palette.color(QPalette::Highlight));
        painter.drawText(
            QRectF(area.left() + labelWidth + length + 6, top, kFigureWidth, kBarHeight),
            Qt::AlignLeft | Qt::AlignVCenter, figureText(chart, bar.value));
        top += kBarHeight + kBarSpacing;
    }
}

} // namespace

QSizeF ChartsSize(const std::vector<StatisticsChart>& charts, qreal width) {
    qreal height = 0;
    for (std::size_t row = 0; row < charts.size(); row += kColumns) {
        qreal rowHeight = 0;
        for (std::size_t i = row; i < std::min(row + kColumns, charts.size()); ++i)
            rowHeight = std::max(rowHeight, chartHeight(charts[i]));
        height += rowHeight + kGap;
    }
    return {width, height + kGap};
}

void PaintCharts(QPainter& painter, const QRectF& area, const std::vector<StatisticsChart>& charts,
                 const QPalette& palette) {
    painter.save();
    painter.fillRect(area, palette.color(QPalette::Window));
    const qreal columnWidth = (area.width() - kGap * (kColumns + 1)) / kColumns;
    qreal top = area.top() + kGap;
    for (std::size_t row = 0; row < charts.size(); row += kColumns) {
        qreal rowHeight = 0;
        for (std::size_t i = row; i < std::min(row + kColumns, charts.size()); ++i) {
            const qreal left =
                area.left() + kGap + static_cast<qreal>(i - row) * (columnWidth + kGap);
            const qreal height = chartHeight(charts[i]);
            paintChart(painter, QRectF(left, top, columnWidth, height), charts[i], palette);
            rowHeight = std::max(rowHeight, height);
        }
        top += rowHeight + kGap;
    }
    painter.restore();
}

} // namespace tunebay
