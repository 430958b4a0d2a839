#pragma once

#include "text/translatable.h"

#include <QString>

#include <string>

namespace tunebay {

// The window's wording of a text marked with TB_TRANSLATE_NOOP: its translation when one is
// installed, else the text as it stands.
QString ShownText(const char* text);
// A text the core handed over whole: looked up as it stands; a progress text that ends in a
// count ("Importing files...  12") is looked up by its format ("Importing files...  %d").
QString ShownText(const std::string& text);
// The lookup the core's composed messages take, so that the window shows them translated.
TextLookup ShownTextLookup();

} // namespace tunebay
