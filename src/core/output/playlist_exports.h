#pragma once

#include "output/export_options.h"
#include "store/catalogue_connection.h"

namespace tunebay {

// An extended M3U playlist of the selected items: length, name and path of each. The player
// writes its temporary playlist with it too.
bool ExportM3u(CCatalogueConnection& connection, ExportOptions& options);

// A PLS (version 2) playlist of the selected items.
bool ExportPls(CCatalogueConnection& connection, ExportOptions& options);

} // namespace tunebay
