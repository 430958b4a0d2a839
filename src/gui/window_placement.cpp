#include "window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace tunebay {

namespace {
// Show states as stored: normal, minimised, maximised.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;
} // namespace

// The client area (without the frame the window manager draws) in both directions, and relative
// to the work area: restoring what was stored puts the window back exactly where it was.
void StoreWindowPlacement(const QWidget& window, ISettingsStore& store) {
    const QRect normal =
        window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    const int state = window.isMaximized()   ? kShowMaximized
                      : window.isMinimized() ? kShowMinimized
                                             : kShowNormal;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->availableGeometry().topLeft() : QPoint();
    store.WriteInt(kWindowPlacementSection, "Status", state);
    store.WriteInt(kWindowPlacementSection, "Top", normal.top() - origin.y());
    store.WriteInt(kWindowPlacementSection, "Left", normal.left() - origin.x());
    store.WriteInt(kWindowPlacementSection, "Bottom", normal.top() - origin.y() + normal.height());
    store.WriteInt(kWindowPlacementSection, "Right", normal.left() - origin.x() + normal.width());
}

bool RestoreWindowPlacement(QWidget& window, const ISettingsStore& store) {
    auto read = [&store](const char* name) {
        return ReadIntSetting(store, kWindowPlacementSection, name).value_or(-1);
    };
    const int status = read("Status");
    const int top = read("Top");
    const int left = read("Left");
    const int bottom = read("Bottom");
    const int right = read("Right");
    if (status == -1 || top == -1 || left == -1 || bottom == -1 || right == -1)
        return false;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    const QRect work = screen->availableGeometry();
    const QRect whole = screen->geometry();
    const int icon = window.style()->pixelMetric(QStyle::PM_LargeIconSize);
    // Keep at least an icon's width and height of the window on the screen.
    const int x = std::min(left + work.left(), whole.width() - icon);
    const int y = std::min(top + work.top(), whole.height() - icon);
    window.setGeometry(x, y, std::max(right - left, 100), std::max(bottom - top, 100));
    if (status == kShowMaximized)
        window.setWindowState(Qt::WindowMaximized);
    return true;
}

} // namespace tunebay
