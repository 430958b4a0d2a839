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

QRect FitToWorkArea(const QRect& client, const QRect& work, const QMargins& frame, int least) {
    const QRect room = work.marginsRemoved(frame);
    const int width = std::max(std::min(client.width(), room.width()), least);
    const int height = std::max(std::min(client.height(), room.height()), least);
    // Left and top win where the room is too small even for the least size: the title bar
    // stays reachable.
    const int x =
        std::max(std::min(client.left(), room.left() + room.width() - width), room.left());
    const int y = std::max(std::min(client.top(), room.top() + room.height() - height), room.top());
    return {x, y, width, height};
}

void KeepOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen || !window.isVisible())
        return;
    const QRect client = window.geometry();
    const QRect frame = window.frameGeometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    const QRect fitted = FitToWorkArea(client, screen->availableGeometry(), margins);
    if (fitted != client)
        window.setGeometry(fitted);
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
    // Stored relative to the primary screen's work area; another screen keeps its window.
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return false;
    const QPoint origin = primary->availableGeometry().topLeft();
    const QRect stored(left + origin.x(), top + origin.y(), right - left, bottom - top);
    const QScreen* screen = QGuiApplication::screenAt(stored.center());
    if (!screen)
        screen = primary;
    // The window manager's frame is not known before the window is shown: a title bar of about
    // two text lines and a thin border.
    const int border = window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
    const int titleBar = std::max(window.style()->pixelMetric(QStyle::PM_TitleBarHeight),
                                  window.fontMetrics().height() * 2);
    window.setGeometry(FitToWorkArea(stored, screen->availableGeometry(),
                                     QMargins(border, titleBar, border, border)));
    if (status == kShowMaximized)
        window.setWindowState(Qt::WindowMaximized);
    return true;
}

} // namespace tunebay
