#pragma once

#include "app/settings_store.h"

#include <QMargins>
#include <QRect>

class QWidget;

namespace tunebay {

// Stores the window's normal-position rectangle and show state under "MainFramePos".
void StoreWindowPlacement(const QWidget& window, ISettingsStore& store);

// Puts the window where it was stored, on the screen it was on, fitted into that screen's
// available area (title bar and status bar on screen); false (and nothing changed) when the
// store holds no placement.
bool RestoreWindowPlacement(QWidget& window, const ISettingsStore& store);

// The client rectangle `client` moved, and shrunk where it is larger, so that the window with its
// `frame` lies inside `work`; no side shorter than `least`.
QRect FitToWorkArea(const QRect& client, const QRect& work, const QMargins& frame, int least = 100);

// Moves a shown window that has grown past its screen's work area back inside it (shrinking it
// only where it is larger than the whole area), with the frame the window manager drew.
void KeepOnScreen(QWidget& window);

} // namespace tunebay
