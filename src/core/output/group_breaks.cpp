#include "output/group_breaks.h"

#include "store/item_query.h"

namespace tunebay {

BreakMode SubdivisionMode(int columnSet, int orderType) {
    if (columnSet >= 3 && orderType == kSortGenre)
        return BreakMode::Genre;
    if (columnSet >= 1)
        return BreakMode::Letter;
    return BreakMode::None;
}

bool GroupBreaks::Next(std::string_view group, std::string_view genre) {
    switch (m_mode) {
    case BreakMode::None:
        return false;
    case BreakMode::Genre:
        if (genre == m_genre)
            return false;
        m_genre = genre;
        m_header = m_genre;
        return true;
    case BreakMode::Letter:
        break;
    }
    // An item without a group name stays in the group of the item before it.
    if (group.empty())
        return false;
    signed char key = static_cast<signed char>(group.front());
    if (key >= 'a' && key <= 'z')
        key = static_cast<signed char>(key - 'a' + 'A');
    if (m_letter == key)
        return false;
    // Digits, punctuation and every initial outside ASCII share one group.
    if (m_letter && *m_letter < 'A' && key < 'A')
        return false;
    m_letter = key;
    m_header.assign(1, static_cast<char>(key));
    return true;
}

} // namespace tunebay
