#pragma once

#include <QIcon>
#include <QStyle>

namespace tunebay {

// An icon of the desktop's icon theme by its freedesktop name, else the style's own.
QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback);

// The icon of a listed item: the theme's audio file icon, else one drawn here at every size the
// item list asks for (the style has none large enough for the large-icon view).
QIcon ItemIcon();

} // namespace tunebay
