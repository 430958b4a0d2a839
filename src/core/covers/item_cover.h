#pragma once

#include "covers/cover_art.h"

#include <optional>
#include <string>

namespace tunebay {

class CCatalogueConnection;

// Embeds `image` as the front cover of the item's file, or removes its cover with none; a file
// with several names is written in place after a backup the catalogue's journal keeps.
RewriteResult SetItemCover(CCatalogueConnection& connection, const std::string& path,
                           const std::optional<std::string>& image);

} // namespace tunebay
