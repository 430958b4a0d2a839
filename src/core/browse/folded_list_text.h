#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// The filter box's view of the listed items: each item's filtered fields, folded as
// ListFilter::AppendFoldedFields writes them. The text stays in the blocks the listing run handed
// over, so a growing list copies nothing and a keystroke reads one item after the other.
class FoldedListText {
public:
    void Clear();
    // Adds the items of one block, item i's text ending at ends[i] (the first starting at 0).
    void Append(std::string block, std::span<const std::uint32_t> ends);

    std::size_t size() const { return m_places.size(); }
    std::string_view Text(std::size_t index) const {
        const Place& place = m_places[index];
        return std::string_view(m_blocks[place.block]).substr(place.start, place.length);
    }

    // Gives the item a new title, its first field; the other fields stay.
    void ReplaceTitle(std::size_t index, std::string_view title);
    // Drops the items marked; the others close up in their order.
    void Remove(const std::vector<bool>& removed);

private:
    struct Place {
        std::uint32_t block = 0;
        std::uint32_t start = 0;
        std::uint32_t length = 0;
    };
    std::vector<std::string> m_blocks;
    std::vector<Place> m_places;
};

} // namespace tunebay
