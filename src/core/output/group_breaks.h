#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tunebay {

// How a subdivided list is broken into groups.
enum class BreakMode {
    None,   // column set 0: nothing to group by
    Genre,  // the genre column is shown and the list is sorted by genre first
    Letter, // the initial of the group name
};

BreakMode SubdivisionMode(int columnSet, int orderType);

// Decides, item by item, where a subdivided list starts a new group.
class GroupBreaks {
public:
    explicit GroupBreaks(BreakMode mode) : m_mode(mode) {}

    // Whether a group starts at the next item, given its group name and genre name in the form
    // the list shows them. The header text is then Header().
    bool Next(std::string_view group, std::string_view genre);
    const std::string& Header() const { return m_header; }

private:
    BreakMode m_mode;
    std::string m_genre;                 // starts empty: the first item with a genre breaks
    std::optional<signed char> m_letter; // starts unset
    std::string m_header;
};

} // namespace tunebay
