#pragma once

#include "app/settings_store.h"

class QWidget;

namespace tunebay {

// Stores the window's normal-position rectangle and show state under "MainFramePos".
void StoreWindowPlacement(const QWidget& window, ISettingsStore& store);

// Puts the window where it was stored, kept on the screen; false (and nothing changed) when
// the store holds no placement.
bool RestoreWindowPlacement(QWidget& window, const ISettingsStore& store);

} // namespace tunebay
