#include "output/run_exporter.h"

#include "output/html_list_export.h"
#include "output/playlist_exports.h"
#include "output/support_files.h"
#include "output/text_exports.h"
#include "output/web_site_export.h"
#include "output/xml_export.h"
#include "store/catalogue_files.h"

namespace tunebay {

bool RunExporter(CCatalogueConnection& connection, int format, ExportOptions& options) {
    switch (format) {
    case kExportHtmlList:
        return ExportHtmlList(connection, options);
    case kExportText:
        return ExportText(connection, options);
    case kExportM3u:
        return ExportM3u(connection, options);
    case kExportPls:
        return ExportPls(connection, options);
    case kExportCsv:
        return ExportCsv(connection, options);
    case kExportXml:
        return ExportXml(connection, options);
    case kExportWebSite:
        return ExportWebSite(connection, options);
    default:
        return false;
    }
}

ExportOutcome RunExport(CCatalogueConnection& connection, int format, ExportOptions options,
                        const std::string& appDirectory, bool launch) {
    ExportOutcome outcome;
    const std::string chosenPath = options.path;
    // Writing the export over the open catalogue (or its log) would destroy it.
    if (IsCatalogueFile(connection.Path(), chosenPath)) {
        outcome.refusal = chosenPath + ": the file is the open catalogue";
        return outcome;
    }
    const ExportFormatInfo* info = FindExportFormat(format);
    if (!info || !RunExporter(connection, format, options))
        return outcome;
    outcome.done = true;
    CopySupportFiles(format, options, appDirectory);
    if (launch && info->launchesFile)
        outcome.launchPath = chosenPath;
    return outcome;
}

} // namespace tunebay
