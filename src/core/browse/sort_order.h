#pragma once

namespace tunebay {

// The sort code of an item-list column (0 for a column the list does not have).
int SortCodeForColumn(int column);

// The ItemOrder after a click on a column header: the same column again flips the direction,
// another column sorts by it in the current direction (a descending list stays descending).
int NextItemOrder(int itemOrder, int column);

// Whether a code is one of the item list's sort codes (5, 6, 7, 8, 9, 10, 12), either sign.
bool IsItemSortCode(int code);

} // namespace tunebay
