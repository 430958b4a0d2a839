#pragma once

#include <QString>

class QWidget;

namespace tunebay {

// Paints the hint of an empty item list in the middle of its viewport, in the palette's
// placeholder colour; nothing for an empty hint. Called from the viewport's paint event.
void PaintEmptyListHint(QWidget& viewport, const QString& hint);

} // namespace tunebay
