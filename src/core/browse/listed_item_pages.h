#pragma once

#include "browse/item_listing.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tunebay {

// The shown columns of the rows last shown, a page of consecutive rows at a time: a screenful is
// read with one statement, and however long the list, only a few pages are held.
class ListedItemPages {
public:
    static constexpr int kPageRows = 256;
    static constexpr std::size_t kPagesKept = 16;

    static int PageOf(int row) { return row / kPageRows; }
    static int FirstRowOf(int page) { return page * kPageRows; }

    // The item shown at `row`, when its page is held and still holds `itemId` there; else null.
    ListedItem* Find(int row, int itemId);
    // Holds the items of the page's rows, from its first row on; the page least recently
    // looked at goes when too many are held.
    void Keep(int page, std::vector<ListedItem> items);
    void Clear() { m_pages.clear(); }

private:
    struct Page {
        std::vector<ListedItem> items;
        std::uint64_t used = 0;
    };
    std::unordered_map<int, Page> m_pages;
    std::uint64_t m_clock = 0;
};

} // namespace tunebay
