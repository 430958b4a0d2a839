#pragma once

#include "store/item_query.h"
#include "text/translatable.h"

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
    {TB_TRANSLATE_NOOP("Tunebay", "Title"), 150, false, kSortTitle},
    {TB_TRANSLATE_NOOP("Tunebay", "Group"), 100, false, kSortGroup},
    {TB_TRANSLATE_NOOP("Tunebay", "Package"), 100, false, kSortPackage},
    {TB_TRANSLATE_NOOP("Tunebay", "Length"), 50, true, kSortLength},
    {TB_TRANSLATE_NOOP("Tunebay", "Genre"), 75, false, kSortGenre},
    {TB_TRANSLATE_NOOP("Tunebay", "PublishTime"), 50, true, kSortPublishTime},
    {TB_TRANSLATE_NOOP("Tunebay", "Comment"), 150, false, kSortComment},
}};

} // namespace tunebay
