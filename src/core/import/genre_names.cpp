#include "import/genre_names.h"

#include "import/media_file_info.h"

#include <array>
#include <utility>

namespace tunebay {

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = asciiLower(c);
    return lower;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Common spellings of names the standard genre list writes in a form of its own.
constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kSpellings{{
    {"rnb", "randb"},
    {"rhythmandblues", "randb"},
    {"rocknroll", "rockandroll"},
    {"jazzandfunk", "jazzfunk"},
    {"alternativerock", "alternrock"},
    {"psychedelic", "psychadelic"},
    {"bebop", "bebob"},
    {"acappella", "acapella"},
    {"humor", "humour"},
}};

} // namespace

std::string GenreSpellingKey(std::string_view name) {
    std::string text = " " + lowerCase(trimSpaces(name)) + " ";
    replaceAll(text, "&", " and ");
    replaceAll(text, "'n'", " and ");
    replaceAll(text, "\xE2\x80\x99n\xE2\x80\x99", " and "); // ’n’
    replaceAll(text, " n ", " and ");
    std::string key;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || byte >= 0x80)
            key += c;
    }
    for (const auto& [spelling, listed] : kSpellings)
        if (key == spelling)
            return std::string(listed);
    return key;
}

GenreNames::GenreNames(CCatalogueConnection& connection) {
    for (ResultSet rows = connection.Execute("SELECT lID, sName FROM tblGenre ORDER BY lID");
         !rows.IsEof(); rows.MoveNext()) {
        if (rows.IsNull(1))
            continue;
        const std::string name = rows.GetText(1);
        const auto id = static_cast<int32_t>(rows.GetInt(0));
        m_names.emplace(lowerCase(trimSpaces(name)), id);
        if (const std::string key = GenreSpellingKey(name); !key.empty())
            m_spellings.emplace(key, id);
    }
}

int32_t GenreNames::Find(std::string_view name) const {
    name = trimSpaces(name);
    if (name.empty())
        return kNoGenre;
    if (const auto exact = m_names.find(lowerCase(name)); exact != m_names.end())
        return exact->second;
    if (const auto spelt = m_spellings.find(GenreSpellingKey(name)); spelt != m_spellings.end())
        return spelt->second;
    return kNoGenre;
}

} // namespace tunebay
