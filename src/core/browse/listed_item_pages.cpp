#include "browse/listed_item_pages.h"

#include <algorithm>

namespace tunebay {

ListedItem* ListedItemPages::Find(int row, int itemId) {
    if (row < 0)
        return nullptr;
    const auto found = m_pages.find(PageOf(row));
    if (found == m_pages.end())
        return nullptr;
    const auto at = static_cast<std::size_t>(row - FirstRowOf(found->first));
    std::vector<ListedItem>& items = found->second.items;
    // A page read before rows were removed or a new run began may hold other items there.
    if (at >= items.size() || items[at].itemId != itemId)
        return nullptr;
    found->second.used = ++m_clock;
    return &items[at];
}

void ListedItemPages::Keep(int page, std::vector<ListedItem> items) {
    m_pages[page] = Page{std::move(items), ++m_clock};
    if (m_pages.size() <= kPagesKept)
        return;
    const auto oldest =
        std::min_element(m_pages.begin(), m_pages.end(), [](const auto& a, const auto& b) {
            return a.second.used < b.second.used;
        });
    m_pages.erase(oldest);
}

} // namespace tunebay
