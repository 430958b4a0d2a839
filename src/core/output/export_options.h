#pragma once

#include "browse/selection.h"
#include "text/translatable.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tunebay {

class CAppSettings;
class PackageCovers;

// The formats of the Export command, numbered as the save dialog lists them (`ExportFilterIndex`).
enum ExportFormat : int {
    kExportHtmlList = 1,
    kExportText = 2,
    kExportM3u = 3,
    kExportPls = 4,
    kExportCsv = 5,
    kExportXml = 6,
    kExportWebSite = 7,
};

// One entry of the save dialog's format list and what the command does around its exporter.
struct ExportFormatInfo {
    ExportFormat format;
    const char* filterText; // TB_TRANSLATE_NOOP("Tunebay", "HTML File (*.htm)")
    const char* pattern;    // "*.htm"
    const char* extension;  // ".htm", given to a name typed without one
    const char* cliName;    // the --format value of tunebay-cli
    bool takesOptionsSheet; // the options sheet is shown first when HTMLAskOptions is set
    bool launchesFile;      // opened afterwards when HTMLLaunchFile is set
};

inline constexpr std::array<ExportFormatInfo, 7> kExportFormats = {{
    {kExportHtmlList, "HTML File (*.htm)", "*.htm", ".htm", "html", true, true},
    {kExportText, TB_TRANSLATE_NOOP("Tunebay", "Text File (*.txt)"), "*.txt", ".txt", "txt", true,
     true},
    {kExportM3u, TB_TRANSLATE_NOOP("Tunebay", "M3U File (*.m3u)"), "*.m3u", ".m3u", "m3u", false,
     false},
    {kExportPls, TB_TRANSLATE_NOOP("Tunebay", "PLS File (*.pls)"), "*.pls", ".pls", "pls", false,
     false},
    {kExportCsv, TB_TRANSLATE_NOOP("Tunebay", "CSV File (*.csv)"), "*.csv", ".csv", "csv", true,
     true},
    {kExportXml, TB_TRANSLATE_NOOP("Tunebay", "XML File (*.xml)"), "*.xml", ".xml", "xml", true,
     false},
    {kExportWebSite, TB_TRANSLATE_NOOP("Tunebay", "WebSite (*.htm)"), "*.htm", ".htm", "site", true,
     true},
}};

// The entry of a 1-based format index; null for an index outside the list.
const ExportFormatInfo* FindExportFormat(int index);
// The entry of a --format value; null when no format has that name.
const ExportFormatInfo* FindExportFormat(std::string_view cliName);

inline constexpr const char* kExportCommandText = TB_TRANSLATE_NOOP("Tunebay", "&Export...");
inline constexpr const char* kExportDialogTitle = TB_TRANSLATE_NOOP("Tunebay", "Export");
inline constexpr const char* kExportInitialFileName = TB_TRANSLATE_NOOP("Tunebay", "Untitled");
inline constexpr const char* kExportOptionsTitle = TB_TRANSLATE_NOOP("Tunebay", "Options");
inline constexpr const char* kStatusExporting =
    TB_TRANSLATE_NOOP("Tunebay", "Exporting selected items...");
inline constexpr const char* kStatusLaunching = TB_TRANSLATE_NOOP("Tunebay", "Launching file...");
inline constexpr const char* kMessageExportFailed =
    TB_TRANSLATE_NOOP("Tunebay", "An error occurred while exporting!");
inline constexpr const char* kMessageNoAssociation = TB_TRANSLATE_NOOP(
    "Tunebay", "There is no application associated with the given file name extension!");

// Link types of an export: how the directory of each item is written.
enum ExportLinkType : int {
    kLinkNone = 0,
    kLinkLocal = 1,
    kLinkUnc = 2,
    kLinkUrl = 3,
};

// Column sets of an export (`HTMLDetailLevel`), in the order of the options page's list.
inline constexpr std::array<const char*, 5> kColumnSetTexts = {
    "Title", "Group, Title", "Group, Title, Length", "Group, Title, Length, Genre, Published",
    "Group, Title, Length, Genre, Published, Comment"};
inline constexpr std::array<const char*, 4> kLinkTypeTexts = {"None", "Local", "UNC", "URL"};
inline constexpr std::array<const char*, 2> kOrderTypeTexts = {"Group, Title",
                                                               "Genre, Group, Title"};

// The record handed to every exporter.
struct ExportOptions {
    std::string path; // the file to write; the web site sets it to its folder when done
    std::string title;
    int subdivide = 0;
    int showIcons = 1;
    int showIndex = 1;
    int itemsPerRow = 2;
    int orderType = 2;
    int linkType = kLinkLocal;
    int columnSet = 1;
    // The web site: a cover thumbnail where the package changes in a genre page (HTMLCovers).
    int showCovers = 0;
    // The PNG thumbnail of a cover picture's bytes, "" when it cannot be made; given by the front
    // end, which has the image library. Without it a site has no covers.
    std::function<std::string(const std::string&)> coverThumbnail;
    // The player's own playlist: each local file named where this machine finds it (on a share,
    // perhaps under its own mount point) rather than as the catalogue holds it.
    bool locateFiles = false;
    // Filled by BuildSelection; each exporter sets its columns and its sort code.
    Selection selection;
    // The site's package thumbnails, shared by its genre pages; none outside a site with covers.
    std::shared_ptr<PackageCovers> packageCovers;
};

// The chosen file name with the format's extension when it was typed without one.
std::string WithExportExtension(std::string path, int format);
// The folder of a chosen file as `ExportFolder` keeps it, ending in "/".
std::string ExportFolderOf(std::string_view path);

// The options of an export to `path` as the settings give them; the selection is left empty.
ExportOptions MakeExportOptions(const CAppSettings& settings, std::string path);

// The select list of the HTML, text, CSV and XML exports: the directory in the link type's form,
// then the columns of the column set.
std::string ExportSelectList(int linkType, int columnSet);
// The select list of the playlists: the directory, file name, title, group and length.
std::string PlaylistSelectList(int linkType);

// The options page's "Order type" list: the stored value of a list position and the position a
// stored value shows.
int OrderTypeOfPosition(int position);
int OrderPositionOf(int orderType);
// The page keeps order and columns consistent: column sets without the genre column sort by
// group, and sorting by genre needs a column set that shows it. Each returns the other list's new
// position.
int OrderPositionAfterColumnSetChoice(int columnSetPosition, int orderPosition);
int ColumnSetPositionAfterOrderChoice(int orderPosition, int columnSetPosition);

} // namespace tunebay
