#pragma once

#include "store/item_query.h"

#include <array>
#include <string_view>

namespace tunebay {

// One column of the item list, in display order.
struct ItemListColumn {
    std::string_view title;
    int width; // pixels
    bool rightAligned;
    int sortCode; // the ItemOrder code a click on its header sorts by
};

inline constexpr std::array<ItemListColumn, 7> kItemListColumns{{
    {"Title", 150, false, kSortTitle},
    {"Group", 100, false, kSortGroup},
    {"Package", 100, false, kSortPackage},
    {"Length", 50, true, kSortLength},
    {"Genre", 75, false, kSortGenre},
    {"PublishTime", 50, true, kSortPublishTime},
    {"Comment", 150, false, kSortComment},
}};

} // namespace tunebay
