#include "output/html_list_export.h"

#include "app/product.h"
#include "browse/length_text.h"
#include "output/export_file.h"
#include "output/export_record.h"
#include "output/group_breaks.h"
#include "output/html_page.h"
#include "output/package_covers.h"

#include <exception>
#include <optional>

namespace tunebay {

namespace {

void writeHead(ExportFile& file, const std::string& title) {
    file << "<HTML>\n<HEAD>\n<TITLE>" << HtmlTitleText(title) << "</TITLE>\n"
         << kHtmlContentTypeMeta << kHtmlGeneratorMeta << kHtmlMakerMeta
         << "<META name=\"description\" content=\"Tunebay - The Ultimate Explorer For MP3 And "
            "Other Media Files!\">\n<LINK rel=\"stylesheet\" type=\"text/css\" "
            "href=\"tb.css\">\n</HEAD>\n\n<BODY class=\"tunebay\">\n<H2>"
         << HtmlText(title) << "</H2><P>&nbsp;</P>\n"
         << "<TABLE width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"2\">\n";
}

void writeFoot(ExportFile& file) {
    file << "</TABLE>\n<P><FONT size=\"-2\">Created with <A href=\"" << kProductWebsite
         << "\">Tunebay</A></FONT></P>\n</BODY>\n</HTML>\n";
}

std::string itemCells(const ExportOptions& options, const ExportRecord& record, int number) {
    std::string cells;
    if (options.showIndex)
        cells += "  <TD valign=\"top\" width=\"30\" align=\"right\">" + std::to_string(number) +
                 ".</TD>\n";
    if (options.showIcons) {
        const bool linked = options.linkType >= kLinkLocal && options.linkType <= kLinkUrl;
        cells += "  <TD valign=\"top\" width=\"16\">";
        if (linked)
            cells += "<A href=\"" + HtmlHref(options.linkType, record.Link()) + "\">";
        cells += "<IMG src=\"mediaicon.gif\" width=\"14\" height=\"15\" border=\"0\">";
        if (linked)
            cells += "</A>";
        cells += "</TD>\n";
    }
    cells += "  <TD valign=\"top\">";
    if (options.columnSet >= 1 && !record.group.empty())
        cells += HtmlText(record.group) + " - ";
    cells += HtmlText(record.title) + "</TD>\n";
    if (options.columnSet >= 2)
        cells += "  <TD valign=\"top\" width=\"30\">" + LengthText(record.length) + "</TD>\n";
    if (options.columnSet >= 3) {
        cells += "  <TD valign=\"top\" width=\"70\">" + HtmlText(record.genre) + "</TD>\n";
        // Publishing times come from tags and may hold anything, so they are escaped as well.
        cells += "  <TD valign=\"top\" width=\"30\">" + HtmlText(record.publishTime) + "</TD>\n";
    }
    if (options.columnSet == 4)
        cells += "  <TD valign=\"top\">" + HtmlText(record.comment) + "</TD>\n";
    if (options.itemsPerRow > 1)
        cells += "  <TD width=\"40\"></TD>\n";
    return cells;
}

// The columns a site page with covers reads behind the record's: the package and the file.
constexpr const char* kCoverColumns = ", tblPackage.lID, tblPackage.sName, tblDirectory.sLocal, "
                                      "tblDirectory.sUNC, tblMedia.sFileName";
constexpr int kCoverColumnCount = 5;

// A row with the package's thumbnail where the package changes, when it has one.
std::string coverRow(const ExportOptions& options, const ResultSet& rows,
                     std::optional<long long>& package) {
    if (!options.packageCovers)
        return {};
    const int at = rows.ColumnCount() - kCoverColumnCount;
    const long long id = rows.GetInt64(at);
    if (package == id)
        return {};
    package = id;
    const std::string image = options.packageCovers->Thumbnail(
        id, rows.GetText(at + 2), rows.GetText(at + 3), rows.GetText(at + 4));
    if (image.empty())
        return {};
    // As wide as a row of items: the cells itemCells writes for each.
    const int cells = (options.showIndex ? 1 : 0) + (options.showIcons ? 1 : 0) + 1 +
                      (options.columnSet >= 2 ? 1 : 0) + (options.columnSet >= 3 ? 2 : 0) +
                      (options.columnSet == 4 ? 1 : 0) + (options.itemsPerRow > 1 ? 1 : 0);
    return "  <TD colspan=\"" + std::to_string(cells * options.itemsPerRow) + "\"><IMG src=\"" +
           HtmlHref(kLinkLocal, image) + "\" alt=\"" + HtmlText(rows.GetText(at + 1)) +
           "\" border=\"0\"></TD>\n</TR>\n<TR>\n";
}

void writeRows(CCatalogueConnection& connection, const ExportOptions& options, ExportFile& file) {
    GroupBreaks breaks(SubdivisionMode(options.columnSet, options.orderType));
    ResultSet rows = RunSelection(connection, options.selection);
    std::optional<long long> package;
    int number = 1;
    while (!rows.IsEof()) {
        file << "<TR>\n";
        for (int position = 0; position < options.itemsPerRow;) {
            const ExportRecord record = ReadExportRecord(rows, options.columnSet);
            const std::string cells = itemCells(options, record, number);
            if (options.subdivide && breaks.Next(HtmlText(record.group), HtmlText(record.genre))) {
                if (position != 0) {
                    position = 0;
                    file << "</TR>\n<TR>\n";
                }
                if (number != 1)
                    file << "  <TD>&nbsp;</TD>\n</TR>\n<TR>\n";
                if (options.showIndex)
                    file << "  <TD>&nbsp;</TD>\n";
                if (options.showIcons)
                    file << "  <TD>&nbsp;</TD>\n";
                file << "  <TD><B>" << breaks.Header() << "...</B></TD>\n</TR>\n<TR>\n";
            }
            if (const std::string cover = coverRow(options, rows, package); !cover.empty()) {
                if (position != 0) {
                    position = 0;
                    file << "</TR>\n<TR>\n";
                }
                file << cover;
            }
            file << cells;
            rows.MoveNext();
            if (rows.IsEof())
                break;
            ++number;
            ++position;
        }
        file << "</TR>\n";
    }
}

} // namespace

bool ExportHtmlList(CCatalogueConnection& connection, ExportOptions& options) {
    return ExportHtmlPage(connection, options, true);
}

bool ExportHtmlPage(CCatalogueConnection& connection, ExportOptions& options, bool followLinks) {
    if (options.itemsPerRow < 1 || options.itemsPerRow > 5)
        options.itemsPerRow = 1;
    if (options.columnSet < 0 || options.columnSet > 4)
        options.columnSet = 0;
    options.selection.columns = ExportSelectList(options.linkType, options.columnSet);
    if (options.packageCovers)
        options.selection.columns += kCoverColumns;
    options.selection.sortCode = options.orderType;

    ExportFile file;
    if (!file.Create(options.path, followLinks))
        return false;
    writeHead(file, options.title);
    try {
        writeRows(connection, options, file);
    } catch (const std::exception&) {
        file << "<P>" << kReadErrorText << "</P>\n";
    }
    writeFoot(file);
    return file.Close();
}

} // namespace tunebay
