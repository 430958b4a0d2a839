#pragma once

#include "output/export_options.h"
#include "store/catalogue_connection.h"

namespace tunebay {

// Writes the selected items as one HTML page: a table with `itemsPerRow` items per row, the
// columns of the column set, optionally broken into groups. Fails only when the page cannot be
// written; an error while reading the items is written into the page and the export is done.
bool ExportHtmlList(CCatalogueConnection& connection, ExportOptions& options);

// The same page for the web site's genre pages, whose names the program makes: a symbolic link
// standing at the page's path inside the site folder is not written through.
bool ExportHtmlPage(CCatalogueConnection& connection, ExportOptions& options, bool followLinks);

} // namespace tunebay
