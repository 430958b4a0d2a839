#pragma once

#include "output/export_options.h"
#include "store/catalogue_connection.h"

#include <string>

namespace tunebay {

// Runs the exporter of `format` (an `ExportFilterIndex`); false when it failed or the format is
// unknown.
bool RunExporter(CCatalogueConnection& connection, int format, ExportOptions& options);

// What the Export command does once the options and their selection are filled: runs the
// exporter, copies the support files beside the pages, and names the file to open.
struct ExportOutcome {
    bool done = false; // false: show kMessageExportFailed
    // The chosen file when the format is opened afterwards and `launch` was asked for
    // (HTMLLaunchFile); empty otherwise, and always when the export failed.
    std::string launchPath;
    // Why nothing was written, where the export was refused before it began.
    std::string refusal = {};
};
ExportOutcome RunExport(CCatalogueConnection& connection, int format, ExportOptions options,
                        const std::string& appDirectory, bool launch);

} // namespace tunebay
