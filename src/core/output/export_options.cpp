#include "output/export_options.h"

#include "app/app_settings.h"
#include "store/item_query.h"

namespace tunebay {

const ExportFormatInfo* FindExportFormat(int index) {
    for (const ExportFormatInfo& info : kExportFormats)
        if (info.format == index)
            return &info;
    return nullptr;
}

const ExportFormatInfo* FindExportFormat(std::string_view cliName) {
    for (const ExportFormatInfo& info : kExportFormats)
        if (cliName == info.cliName)
            return &info;
    return nullptr;
}

std::string WithExportExtension(std::string path, int format) {
    const ExportFormatInfo* info = FindExportFormat(format);
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    if (info && !hasExtension)
        path += info->extension;
    return path;
}

std::string ExportFolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

ExportOptions MakeExportOptions(const CAppSettings& settings, std::string path) {
    ExportOptions options;
    options.path = std::move(path);
    options.title = settings.HTMLTitle;
    options.subdivide = settings.HTMLSubDivision;
    options.showIcons = settings.HTMLShowIcons;
    options.showCovers = settings.HTMLCovers;
    options.showIndex = settings.HTMLShowNumbers;
    options.itemsPerRow = settings.HTMLColumns;
    options.orderType = settings.HTMLOrderType;
    options.linkType = settings.HTMLLinkType;
    options.columnSet = settings.HTMLDetailLevel;
    return options;
}

namespace {

const char* directoryColumn(int linkType) {
    switch (linkType) {
    case kLinkUnc:
        return "SELECT tblDirectory.sUNC";
    case kLinkUrl:
        return "SELECT tblDirectory.sURL";
    default:
        return "SELECT tblDirectory.sLocal";
    }
}

} // namespace

std::string ExportSelectList(int linkType, int columnSet) {
    std::string columns = directoryColumn(linkType);
    switch (columnSet) {
    case 1:
        columns += ", tblMedia.sFileName, tblMedia.sName, tblGroup.sName";
        break;
    case 2:
        columns += ", tblMedia.sFileName, tblMedia.sName, tblGroup.sName, tblMedia.lLength";
        break;
    case 3:
        columns += ", tblMedia.sFileName, tblMedia.sName, tblGroup.sName, tblMedia.lLength, "
                   "tblGenre.sName, tblMedia.sPublishTime";
        break;
    case 4:
        columns += ", tblMedia.sFileName, tblMedia.sName, tblGroup.sName, tblMedia.lLength, "
                   "tblGenre.sName, tblMedia.sPublishTime, tblMedia.sComment";
        break;
    default:
        columns += ", tblMedia.sFileName, tblMedia.sName";
        break;
    }
    return columns;
}

std::string PlaylistSelectList(int linkType) {
    return std::string(directoryColumn(linkType)) +
           ", tblMedia.sFileName, tblMedia.sName, tblGroup.sName, tblMedia.lLength";
}

int OrderTypeOfPosition(int position) {
    return position == 1 ? kSortGenre : kSortGroup;
}

int OrderPositionOf(int orderType) {
    return orderType == kSortGenre ? 1 : 0;
}

int OrderPositionAfterColumnSetChoice(int columnSetPosition, int orderPosition) {
    return columnSetPosition <= 2 ? 0 : orderPosition;
}

int ColumnSetPositionAfterOrderChoice(int orderPosition, int columnSetPosition) {
    return orderPosition == 1 && columnSetPosition <= 2 ? 3 : columnSetPosition;
}

} // namespace tunebay
