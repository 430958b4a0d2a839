#pragma once

#include "output/export_options.h"
#include "store/catalogue_connection.h"

#include <string>
#include <string_view>

namespace tunebay {

// A frameset page at `options.path` with, in the folder beside it named after the page plus
// "_files", an index of the genres ("Tunebay.htm") and one HTML list per genre. When done,
// `options.path` is the site folder (ending in "/"), where the support files belong. Fails when
// the folder, the index or the frameset page cannot be made; a genre page that fails shows as
// "[Error]" in the index.
bool ExportWebSite(CCatalogueConnection& connection, ExportOptions& options);

// The site folder of a frameset page: "/a/Name.htm" gives "/a/Name_files/".
std::string WebSiteFolder(std::string_view path);

// The file name (without ".htm") of a genre's page: the genre name made safe for a file name and
// cut, at a character boundary, so that the file name fits the file system's 255 bytes.
std::string GenrePageName(std::string_view genre);

} // namespace tunebay
