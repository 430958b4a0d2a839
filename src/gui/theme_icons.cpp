#include "theme_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

namespace tunebay {

namespace {

// A dark note on a light sheet with a folded corner, on a 64-unit grid.
QPixmap drawItemIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(QPen(QColor(0x5e, 0x6a, 0x78), 2));
    painter.setBrush(QColor(0xf4, 0xf6, 0xf8));
    const QPointF sheet[] = {{12, 4}, {42, 4}, {54, 16}, {54, 60}, {12, 60}};
    painter.drawPolygon(sheet, 5);
    painter.drawLine(QPointF(42, 4), QPointF(42, 16));
    painter.drawLine(QPointF(42, 16), QPointF(54, 16));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2a, 0x6f, 0xb8));
    painter.drawEllipse(QRectF(20, 40, 12, 9));
    painter.drawRect(QRectF(29, 20, 3, 25));
    painter.drawRect(QRectF(29, 20, 12, 4));
    return pixmap;
}

} // namespace

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
    const QString themed = QString::fromLatin1(name);
    if (QIcon::hasThemeIcon(themed))
        return QIcon::fromTheme(themed);
    return QApplication::style()->standardIcon(fallback);
}

QIcon ItemIcon() {
    if (QIcon::hasThemeIcon(QStringLiteral("audio-x-generic")))
        return QIcon::fromTheme(QStringLiteral("audio-x-generic"));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 96, 128})
        icon.addPixmap(drawItemIcon(size));
    return icon;
}

} // namespace tunebay
