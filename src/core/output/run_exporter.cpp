#include "output/run_exporter.h"

#include "output/html_list_export.h"
#include "output/playlist_exports.h"
#include "output/text_exports.h"
#include "output/web_site_export.h"
#include "output/xml_export.h"

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

} // namespace tunebay
