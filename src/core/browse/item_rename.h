#pragma once

#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <string_view>

namespace tunebay {

inline constexpr const char* kMessageRenameItemFailed =
    TB_TRANSLATE_NOOP("Tunebay", "Couldn't save edited item!");

// Stores `title` (see EditedName) as the title of the item's media row. False when the item
// does not exist or a statement failed; the title is then unchanged.
bool RenameItemTitle(CCatalogueConnection& connection, int itemId, std::string_view title);

} // namespace tunebay
