#include "theme_icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <algorithm>
#include <cstdlib>

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

// Below this a theme icon is taken for nearly invisible on the palette (a dark glyph on a dark
// window); the drawn glyphs in the text colour stand about 150 to 200 apart.
constexpr int kLeastContrast = 80;

const char* themeName(PlayerGlyph glyph) {
    switch (glyph) {
    case PlayerGlyph::Play:
        return "media-playback-start";
    case PlayerGlyph::Pause:
        return "media-playback-pause";
    case PlayerGlyph::Stop:
        break;
    }
    return "media-playback-stop";
}

// The glyph on a 16-unit grid, in `colour`.
void drawGlyph(QPainter& painter, const QRect& rect, PlayerGlyph glyph, const QColor& colour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(rect.width(), rect.height());
    painter.translate(rect.x() + (rect.width() - side) / 2.0,
                      rect.y() + (rect.height() - side) / 2.0);
    painter.scale(side / 16.0, side / 16.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    switch (glyph) {
    case PlayerGlyph::Play: {
        QPainterPath triangle;
        triangle.moveTo(4, 2);
        triangle.lineTo(14, 8);
        triangle.lineTo(4, 14);
        triangle.closeSubpath();
        painter.drawPath(triangle);
        break;
    }
    case PlayerGlyph::Pause:
        painter.drawRect(QRectF(3.5, 2.5, 3.5, 11));
        painter.drawRect(QRectF(9, 2.5, 3.5, 11));
        break;
    case PlayerGlyph::Stop:
        painter.drawRect(QRectF(3, 3, 10, 10));
        break;
    }
    painter.restore();
}

class PlayerIconEngine : public QIconEngine {
public:
    explicit PlayerIconEngine(PlayerGlyph glyph) : m_glyph(glyph) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, picture);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const QPalette palette = QGuiApplication::palette();
        const QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName(m_glyph)));
        if (!themed.isNull()) {
            QPixmap picture = themed.pixmap(size, mode, state);
            if (IconContrast(picture, palette.color(QPalette::Window)) >= kLeastContrast)
                return picture;
        }
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        const QPalette::ColorGroup group =
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active;
        drawGlyph(painter, picture.rect(), m_glyph, palette.color(group, QPalette::ButtonText));
        return picture;
    }

    QIconEngine* clone() const override { return new PlayerIconEngine(m_glyph); }
    QString key() const override { return QStringLiteral("tunebay-player"); }

private:
    PlayerGlyph m_glyph;
};

} // namespace

QIcon PlayerIcon(PlayerGlyph glyph) {
    return QIcon(new PlayerIconEngine(glyph));
}

int IconContrast(const QPixmap& pixmap, const QColor& window) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const int background = window.lightness();
    double weighted = 0, weight = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0)
                continue;
            weighted += alpha * std::abs(QColor(line[x]).lightness() - background);
            weight += alpha;
        }
    }
    return weight == 0 ? 0 : static_cast<int>(weighted / weight);
}

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
