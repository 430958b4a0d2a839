// Catalogue values holding markup, quotes, ampersands, control characters or bytes that are not
// UTF-8 must never break an exported page or document: every page is read back with a real
// parser (Python's html.parser and xml.etree) and the values must come back.
#include "core/output/export_fixture.h"
#include "output/run_exporter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace tunebay {
namespace {

using nlohmann::json;
using test::ExportShelf;
namespace fs = std::filesystem;

// Prints what a browser would make of a page: its title, the text of each table cell and list
// entry, the links, and every element name met.
constexpr const char* kHtmlReader = R"(
import json, sys
from html.parser import HTMLParser
class Reader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.title, self.cells, self.entries, self.links, self.tags = '', [], [], [], set()
        self.where = None
    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)
        if tag in ('td', 'li', 'title'):
            self.where = tag
            if tag == 'td': self.cells.append('')
            if tag == 'li': self.entries.append('')
        for name, value in attrs:
            if name in ('href', 'src'): self.links.append(value)
    def handle_endtag(self, tag):
        if tag == self.where: self.where = None
    def handle_data(self, data):
        if self.where == 'title': self.title += data
        elif self.where == 'td': self.cells[-1] += data
        elif self.where == 'li': self.entries[-1] += data
reader = Reader()
reader.feed(open(sys.argv[1], 'rb').read().decode('utf-8', 'replace'))
reader.close()
print(json.dumps({'title': reader.title, 'cells': reader.cells, 'entries': reader.entries,
                  'links': reader.links, 'tags': sorted(reader.tags)}))
)";

// Prints the elements of each tb_item of an XML export.
constexpr const char* kXmlReader = R"(
import json, sys
import xml.etree.ElementTree as tree
root = tree.parse(sys.argv[1]).getroot()
print(json.dumps({'root': root.tag,
                  'items': [{child.tag: child.text or '' for child in item} for item in root]}))
)";

json runReader(const char* script, const fs::path& file) {
    test::TempDir dir;
    const fs::path program = dir.write("reader.py", script);
    // A copy under a plain name: page names hold quotes that a shell would read.
    fs::copy_file(file, dir.file("input"));
    const std::string command =
        "python3 '" + program.string() + "' '" + dir.file("input").string() + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get()))
        output += buffer;
    const json parsed = json::parse(output, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << output;
    return parsed;
}

bool hasPython() {
    return std::system("python3 -c 'import html.parser, xml.etree' >/dev/null 2>&1") == 0;
}

constexpr int kHostileGenre = 200;
const std::string kGenreName = "Gen<re>/&\"x\"\\";
const std::string kTitle = "<script>alert('x')</script> & \"q\"";
const std::string kGroup = "A&B <i>";
const std::string kComment = "c1 ]]> <!-- --> &amp;";
const std::string kPublished = "19<99>";

struct HostileShelf : ExportShelf {
    HostileShelf() {
        catalogue.connection.Execute("INSERT INTO tblGenre (lID, sName) VALUES (" +
                                     std::to_string(kHostileGenre) + ", 'Gen<re>/&\"x\"\\')");
        add({.title = kTitle,
             .group = kGroup,
             .genreId = kHostileGenre,
             .directory = "/m/\"q\" <d>/",
             .fileName = "f&'.mp3",
             .publishTime = kPublished,
             .comment = kComment});
        add({.title = "ctrl\x01\x02\x1F"
                      "end",
             .group = "Z",
             .genreId = kHostileGenre,
             .directory = "/m/"});
        add({.title = "bad\xFF\xFE"
                      "end",
             .group = "Zz",
             .genreId = kHostileGenre,
             .directory = "/m/"});
        add({.title = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5",
             .group = "Zzz",
             .genreId = kHostileGenre,
             .directory = "/m/"});
    }
    ExportOptions hostileOptions(const std::string& name) const {
        ExportOptions options = this->options(name);
        options.title = "T<i>tle & \"more\"</TITLE><b>";
        options.columnSet = 4;
        options.subdivide = 1;
        return options;
    }
};

const json kAllowedTags = {"a",     "b",    "body",  "br", "base", "font", "h2",
                           "head",  "html", "img",   "li", "link", "meta", "p",
                           "table", "td",   "title", "tr", "ul"};

void expectListValues(const json& page) {
    for (const auto& tag : page["tags"])
        EXPECT_TRUE(std::find(kAllowedTags.begin(), kAllowedTags.end(), tag) != kAllowedTags.end())
            << "element " << tag << " in the page";
    const auto& cells = page["cells"];
    auto has = [&](const std::string& text) {
        return std::find(cells.begin(), cells.end(), text) != cells.end();
    };
    EXPECT_TRUE(has(kGroup + " - " + kTitle)) << cells.dump();
    EXPECT_TRUE(has(kGenreName));
    EXPECT_TRUE(has(kComment));
    EXPECT_TRUE(has(kPublished));
    // References to control characters read as nothing; bytes that are not UTF-8 as Latin-1.
    EXPECT_TRUE(has("Z - ctrlend")) << cells.dump();
    EXPECT_TRUE(has("Zz - bad\xC3\xBF\xC3\xBE"
                    "end"));
    EXPECT_TRUE(has("Zzz - caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5"));
    const auto& links = page["links"];
    EXPECT_TRUE(std::find(links.begin(), links.end(), "/m/\"q\" <d>/f&'.mp3") != links.end())
        << links.dump();
}

TEST(ExportSafety, HtmlListReadsBackWithEveryValue) {
    if (!hasPython())
        GTEST_SKIP() << "python3 is needed to parse the pages";
    HostileShelf shelf;
    ExportOptions options = shelf.hostileOptions("list.htm");
    ASSERT_TRUE(RunExporter(shelf.catalogue.connection, kExportHtmlList, options));
    const json page = runReader(kHtmlReader, shelf.out.file("list.htm"));
    EXPECT_EQ(page["title"], "T<i>tle & \"more\"</TITLE><b>");
    expectListValues(page);
}

TEST(ExportSafety, WebSitePagesReadBackWithEveryValue) {
    if (!hasPython())
        GTEST_SKIP() << "python3 is needed to parse the pages";
    HostileShelf shelf;
    ExportOptions options = shelf.hostileOptions("site.htm");
    ASSERT_TRUE(RunExporter(shelf.catalogue.connection, kExportWebSite, options));
    const fs::path folder = shelf.out.file("site_files");
    // The genre's page name: the name made safe for a file name.
    const std::string pageName = "Gen(re)-&'x'!";
    ASSERT_TRUE(fs::exists(folder / (pageName + ".htm")));
    EXPECT_EQ(std::distance(fs::directory_iterator(shelf.out.path()), fs::directory_iterator()), 2);

    const json index = runReader(kHtmlReader, folder / "Tunebay.htm");
    EXPECT_EQ(index["entries"], json::array({pageName + "\xC2\xA0\xC2\xA0(4)"}));
    EXPECT_EQ(index["links"], json::array({"tb.css", pageName + ".htm"}));

    const json page = runReader(kHtmlReader, folder / (pageName + ".htm"));
    EXPECT_EQ(page["title"], "T<i>tle & \"more\"</TITLE><b> - " + kGenreName);
    expectListValues(page);

    const json frameset = runReader(kHtmlReader, shelf.out.file("site.htm"));
    EXPECT_EQ(frameset["title"], "T<i>tle & \"more\"</TITLE><b>");
    EXPECT_EQ(frameset["links"],
              json::array({"site_files/Tunebay.htm", "site_files/" + pageName + ".htm"}));
}

TEST(ExportSafety, XmlReadsBackWithEveryValue) {
    if (!hasPython())
        GTEST_SKIP() << "python3 is needed to parse the document";
    HostileShelf shelf;
    ExportOptions options = shelf.hostileOptions("list.xml");
    ASSERT_TRUE(RunExporter(shelf.catalogue.connection, kExportXml, options));
    const std::string bytes = shelf.read("list.xml");
    for (const char c : bytes)
        ASSERT_TRUE(c == '\r' || c == '\n' || (c >= 0x20 && c <= 0x7E)) << "not plain ASCII";

    const json document = runReader(kXmlReader, shelf.out.file("list.xml"));
    EXPECT_EQ(document["root"], "tunebay");
    const json& items = document["items"];
    ASSERT_EQ(items.size(), 4u) << document.dump();
    EXPECT_EQ(items[0]["tb_medianame"], kGroup + " - " + kTitle);
    EXPECT_EQ(items[0]["tb_filename"], "/m/\"q\" <d>/f&'.mp3");
    EXPECT_EQ(items[0]["tb_genre"], kGenreName);
    EXPECT_EQ(items[0]["tb_publishtime"], kPublished);
    EXPECT_EQ(items[0]["tb_comment"], kComment);
    // Characters XML does not allow come back as the replacement character.
    EXPECT_EQ(items[1]["tb_medianame"], "Z - ctrl\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                                        "end");
    EXPECT_EQ(items[2]["tb_medianame"], "Zz - bad\xC3\xBF\xC3\xBE"
                                        "end");
    EXPECT_EQ(items[3]["tb_medianame"], "Zzz - caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5");
}

TEST(ExportSafety, AFullDiskFailsTheExport) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    HostileShelf shelf;
    for (const ExportFormatInfo& info : kExportFormats) {
        if (info.format == kExportWebSite)
            continue; // its page path is a frameset beside a folder, not a device
        ExportOptions options = shelf.options("unused");
        options.path = "/dev/full";
        EXPECT_FALSE(RunExporter(shelf.catalogue.connection, info.format, options)) << info.cliName;
    }
}

TEST(ExportSafety, PathsThatCannotBeFilesFailAndTouchNothing) {
    HostileShelf shelf;
    shelf.out.write("plain", "a file");
    fs::create_directories(shelf.out.file("folder.htm"));
    for (const ExportFormatInfo& info : kExportFormats) {
        for (const std::string& path :
             {shelf.out.file("folder.htm").string(), shelf.out.file("plain").string() + "/list.htm",
              shelf.out.file("missing").string() + "/list.htm"}) {
            ExportOptions options = shelf.options("unused");
            options.path = path;
            EXPECT_FALSE(RunExporter(shelf.catalogue.connection, info.format, options))
                << info.cliName << " " << path;
        }
    }
    EXPECT_EQ(test::readFile(shelf.out.file("plain")), "a file");
    EXPECT_TRUE(fs::is_empty(shelf.out.file("folder.htm")));
    EXPECT_EQ(std::distance(fs::directory_iterator(shelf.out.path()), fs::directory_iterator()), 2);
}

} // namespace
} // namespace tunebay
