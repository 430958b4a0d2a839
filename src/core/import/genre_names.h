#pragma once

#include "store/catalogue_connection.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tunebay {

// The genres of a catalogue by name, for tags that name their genre rather than number it
// ("Rock", as version 2.4 and today's taggers write it).
class GenreNames {
public:
    explicit GenreNames(CCatalogueConnection& connection);

    // The genre whose name equals `name` (ASCII case ignored, spaces at either end too), else the
    // one whose name is spelt the same in the usual variants ("Hip Hop" for "Hip-Hop",
    // "Rhythm and Blues" for "R&B"); kNoGenre when none is.
    int32_t Find(std::string_view name) const;

private:
    std::unordered_map<std::string, int32_t> m_names;     // ASCII lower case
    std::unordered_map<std::string, int32_t> m_spellings; // GenreSpellingKey
};

// What the usual spellings of one genre name share: ASCII lower case, "&", "'n'" and " n " read as
// "and", every other ASCII character but letters and digits dropped, and the names the standard
// list spells its own way ("Psychadelic", "AlternRock", "Bebob", …) reached from their common
// spelling.
std::string GenreSpellingKey(std::string_view name);

} // namespace tunebay
