#pragma once

#include <QIcon>

namespace tunebay {

// The program's icon, drawn at the usual sizes (the same design as res/tunebay.svg).
QIcon AppIcon();

} // namespace tunebay
