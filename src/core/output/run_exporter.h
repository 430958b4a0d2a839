#pragma once

#include "output/export_options.h"
#include "store/catalogue_connection.h"

namespace tunebay {

// Runs the exporter of `format` (an `ExportFilterIndex`); false when it failed or the format is
// unknown.
bool RunExporter(CCatalogueConnection& connection, int format, ExportOptions& options);

} // namespace tunebay
