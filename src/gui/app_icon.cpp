#include "app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tunebay {

namespace {

// A blue rounded square with a white double note, drawn on a 64-unit grid.
QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2a, 0x6f, 0xb8));
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(12, 40, 14, 10));
    painter.drawEllipse(QRectF(36, 36, 14, 10));
    painter.drawRect(QRectF(22, 14, 4, 31));
    painter.drawRect(QRectF(46, 10, 4, 31));
    QPainterPath beam;
    beam.moveTo(22, 14);
    beam.lineTo(50, 8);
    beam.lineTo(50, 16);
    beam.lineTo(22, 22);
    beam.closeSubpath();
    painter.drawPath(beam);
    return pixmap;
}

} // namespace

QIcon AppIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(drawIcon(size));
    return icon;
}

} // namespace tunebay
