#include "browse/sort_order.h"

#include "browse/item_list_columns.h"

#include <cstdlib>

namespace tunebay {

int SortCodeForColumn(int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= kItemListColumns.size())
        return kSortNone;
    return kItemListColumns[column].sortCode;
}

int NextItemOrder(int itemOrder, int column) {
    const int code = SortCodeForColumn(column);
    if (code == kSortNone)
        return itemOrder;
    const bool descending = itemOrder < 0;
    if (code == std::abs(itemOrder))
        return descending ? code : -code;
    return descending ? -code : code;
}

bool IsItemSortCode(int code) {
    const int magnitude = std::abs(code);
    for (const auto& column : kItemListColumns)
        if (column.sortCode == magnitude)
            return true;
    return false;
}

} // namespace tunebay
