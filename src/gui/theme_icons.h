#pragma once

#include <QIcon>
#include <QStyle>

namespace tunebay {

// An icon of the desktop's icon theme by its freedesktop name, else the style's own.
QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback);

// The player buttons' pictures.
enum class PlayerGlyph { Play, Pause, Stop };

// A player button's icon: the theme's media-playback-* icon where it stands out against the
// window colour of the palette in use, else the glyph drawn in the palette's button text colour.
// Decided each time it is painted, so it follows a change of palette at once.
QIcon PlayerIcon(PlayerGlyph glyph);

// How far an icon's drawn pixels are from the palette's window colour in lightness (0..255): the
// mean over its pixels, weighted by their opacity. 0 for an icon with nothing drawn.
int IconContrast(const QPixmap& pixmap, const QColor& window);

// The icon of a listed item: the theme's audio file icon, else one drawn here at every size the
// item list asks for (the style has none large enough for the large-icon view).
QIcon ItemIcon();

} // namespace tunebay
