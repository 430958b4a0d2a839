#include "browse/folded_list_text.h"

#include "browse/list_filter.h"

#include <algorithm>

namespace tunebay {

void FoldedListText::Clear() {
    m_blocks.clear();
    m_places.clear();
}

void FoldedListText::Append(std::string block, std::span<const std::uint32_t> ends) {
    const auto blockIndex = static_cast<std::uint32_t>(m_blocks.size());
    m_places.reserve(m_places.size() + ends.size());
    std::uint32_t start = 0;
    for (const std::uint32_t end : ends) {
        m_places.push_back({blockIndex, start, end - start});
        start = end;
    }
    m_blocks.push_back(std::move(block));
}

void FoldedListText::ReplaceTitle(std::size_t index, std::string_view title) {
    const std::string_view old = Text(index);
    // The title is the first field: up to the first zero byte.
    const std::string_view rest = old.substr(std::min(old.find('\0'), old.size()));
    std::string text;
    ListFilter::AppendFoldedFields({title}, text);
    text.pop_back(); // the title's own end, which `rest` begins with
    text += rest;
    const auto end = static_cast<std::uint32_t>(text.size());
    const auto blockIndex = static_cast<std::uint32_t>(m_blocks.size());
    m_blocks.push_back(std::move(text));
    m_places[index] = {blockIndex, 0, end};
}

void FoldedListText::Remove(const std::vector<bool>& removed) {
    std::size_t kept = 0;
    for (std::size_t index = 0; index < m_places.size(); ++index)
        if (index >= removed.size() || !removed[index])
            m_places[kept++] = m_places[index];
    m_places.resize(kept);
}

} // namespace tunebay
