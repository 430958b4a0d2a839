#pragma once

#include "output/export_options.h"
#include "store/catalogue_connection.h"

namespace tunebay {

// A plain list, one line per item, values separated by ", ". Fails only when the file cannot be
// written; a read error is written into the file.
bool ExportText(CCatalogueConnection& connection, ExportOptions& options);

// One line per item, each value in double quotes; a header line names the columns.
bool ExportCsv(CCatalogueConnection& connection, ExportOptions& options);

} // namespace tunebay
