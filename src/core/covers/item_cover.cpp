#include "covers/item_cover.h"

#include "files/catalogue_backups.h"

namespace tunebay {

RewriteResult SetItemCover(CCatalogueConnection& connection, const std::string& path,
                           const std::optional<std::string>& image) {
    CatalogueBackups backups(connection);
    return SetEmbeddedCover(path, image, &backups);
}

} // namespace tunebay
