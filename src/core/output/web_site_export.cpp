#include "output/web_site_export.h"

#include "output/export_file.h"
#include "output/export_record.h"
#include "output/html_list_export.h"
#include "output/html_page.h"
#include "output/package_covers.h"
#include "store/item_query.h"
#include "store/sql_quote.h"
#include "text/text_rules.h"

#include <exception>
#include <filesystem>
#include <set>
#include <system_error>

namespace tunebay {

namespace {

constexpr std::string_view kIndexName = "Tunebay";
// The longest file name most Linux file systems take, less ".htm".
constexpr std::size_t kMaxPageNameBytes = 255 - 4;

void writeIndexHead(ExportFile& index) {
    index << "<HTML>\n<HEAD>\n<TITLE>Tunebay WebSite</TITLE>\n"
          << kHtmlContentTypeMeta << kHtmlGeneratorMeta << kHtmlMakerMeta
          << "<META name=\"description\" content=\"Tunebay - The Ultimate Explorer For MP3 And "
             "Other Media Files!\">\n<LINK rel=\"stylesheet\" type=\"text/css\" "
             "href=\"tb.css\">\n<BASE target=\"main\">\n</HEAD>\n\n<BODY class=\"tunebay\">\n"
             "<BR>\n<UL>\n";
}

bool writeFrameset(const ExportOptions& options, const std::string& folderName,
                   const std::string& firstPage) {
    ExportFile frameset;
    if (!frameset.Create(options.path))
        return false;
    frameset
        << "<HTML>\n<HEAD>\n<TITLE>" << HtmlText(options.title) << "</TITLE>\n"
        << kHtmlContentTypeMeta << kHtmlGeneratorMeta << kHtmlMakerMeta
        << "<META name=\"description\" content=\"Tunebay - The Ultimate Media Explorer For MP3 And "
           "Other Media Files!\">\n</HEAD>\n\n<FRAMESET framespacing=\"0\" border=\"0\" "
           "frameborder=\"NO\" cols=\"180,*\" bordercolor=\"#000000\">\n  <FRAME "
           "scrolling=\"AUTO\" noresize target=\"main\" name=\"left\" frameborder=\"NO\" "
           "marginwidth=\"0\" marginheight=\"0\" bordercolor=\"#000000\" src=\""
        << HtmlHref(kLinkLocal, folderName + "/" + std::string(kIndexName))
        << ".htm\">\n  <FRAME scrolling=\"AUTO\" noresize target=\"main\" name=\"main\" "
           "frameborder=\"NO\" marginwidth=\"0\" marginheight=\"18\" bordercolor=\"#000000\" "
           "src=\""
        << HtmlHref(kLinkLocal, folderName + "/" + firstPage)
        << ".htm\">\n  <NOFRAMES>\n    <BODY>\n    <P>Sorry. This page uses frames. Get a new "
           "browser!</P>\n    </BODY>\n  </NOFRAMES>\n</FRAMESET>\n</HTML>";
    return frameset.Close();
}

// At most `bytes` bytes of `name`, never ending inside a UTF-8 sequence.
std::string cutAtCharacter(std::string name, std::size_t bytes) {
    if (name.size() <= bytes)
        return name;
    std::size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    name.erase(cut);
    return name;
}

// Page names already given out in this site; the index page's name is taken from the start, so
// that no genre page can replace it, and two genres whose names become the same file name get
// pages of their own.
std::string uniquePageName(std::string name, std::set<std::string>& taken) {
    if (taken.insert(name).second)
        return name;
    for (int suffix = 2;; ++suffix) {
        const std::string tail = "_" + std::to_string(suffix);
        std::string candidate = cutAtCharacter(name, kMaxPageNameBytes - tail.size()) + tail;
        if (taken.insert(candidate).second)
            return candidate;
    }
}

} // namespace

std::string WebSiteFolder(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
    std::string base(slash == std::string_view::npos ? path : path.substr(slash + 1));
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot != 0)
        base.erase(dot);
    return std::string(folder) + base + "_files/";
}

std::string GenrePageName(std::string_view genre) {
    std::string name(genre);
    MakeFileNameSafe(name);
    // A genre without a name still needs a page name that is not just the extension.
    if (name.empty())
        return "_";
    return cutAtCharacter(std::move(name), kMaxPageNameBytes);
}

bool ExportWebSite(CCatalogueConnection& connection, ExportOptions& options) {
    namespace fs = std::filesystem;
    std::error_code error;
    // A folder standing where the frameset page belongs would fail the export at its very end;
    // refuse before anything is written.
    if (options.path.empty() || fs::is_directory(options.path, error))
        return false;
    const std::string folder = WebSiteFolder(options.path);
    const std::string folderName =
        fs::path(folder.substr(0, folder.size() - 1)).filename().string();
    fs::create_directory(folder, error);
    if (!fs::is_directory(folder, error))
        return false;

    ExportFile index;
    if (!index.Create(folder + std::string(kIndexName) + ".htm", false))
        return false;
    writeIndexHead(index);

    if (options.showCovers && options.coverThumbnail)
        options.packageCovers = std::make_shared<PackageCovers>(folder, options.coverThumbnail);
    std::string firstPage;
    std::set<std::string> taken{std::string(kIndexName)};
    try {
        Selection genres = options.selection;
        genres.columns = "SELECT DISTINCT tblGenre.sName";
        genres.sortCode = kSortGenre;
        for (ResultSet rows = RunSelection(connection, genres); !rows.IsEof(); rows.MoveNext()) {
            // A genre named "" and one without a name are two genres, each found by its own
            // term (the quoting of an empty text would compare with NULL and find neither).
            const bool unnamed = rows.IsNull(0);
            const std::string genre = rows.GetText(0);
            const std::string pageName = uniquePageName(GenrePageName(genre), taken);

            ExportOptions page = options;
            page.title = options.title + " - " + genre;
            // The second term names the same items; it lets the engine start from the genre's
            // media (through their genre index) instead of reading every item for each page,
            // whatever size the planner takes a genre to have.
            const std::string test =
                unnamed ? std::string(" IS NULL")
                        : "=" + (genre.empty() ? std::string("''") : SqlQuote(genre));
            const std::string genreTerm =
                "tblGenre.sName" + test +
                " AND tblItem.lMediaID IN (SELECT tblMedia.lID FROM tblMedia, tblGenre WHERE "
                "tblMedia.lGenreID=tblGenre.lID AND tblGenre.sName" +
                test + ")";
            page.selection.condition =
                options.selection.condition.empty()
                    ? genreTerm
                    : "(" + options.selection.condition + ") AND " + genreTerm;
            page.path = folder + pageName + ".htm";

            page.selection.columns = "SELECT Count(tblMedia.lID)";
            page.selection.sortCode = kSortNone;
            const int count = RunSelection(connection, page.selection).GetInt(0);
            page.selection.sortCode = options.orderType;
            if (count == 0)
                continue;
            if (ExportHtmlPage(connection, page, false)) {
                // The main frame opens on the first page that was actually written.
                if (firstPage.empty())
                    firstPage = pageName;
                index << "  <LI><A href=\"" << HtmlHref(kLinkLocal, pageName) << ".htm\">"
                      << HtmlText(pageName) << "&nbsp;&nbsp;(" << std::to_string(count)
                      << ")</A></LI>\n";
            } else {
                index << "  <LI>[Error]</LI>\n";
            }
        }
    } catch (const std::exception&) {
        index << "<P>" << kReadErrorText << "</P>\n";
    }
    index << "</UL>\n</BODY>\n</HTML>\n";
    if (!index.Close())
        return false;

    // Without any genre page the main frame shows the index rather than a page that is not
    // there.
    if (firstPage.empty())
        firstPage = kIndexName;
    if (!writeFrameset(options, folderName, firstPage))
        return false;
    options.path = folder;
    return true;
}

} // namespace tunebay
