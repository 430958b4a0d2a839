#include "core/output/export_fixture.h"
#include "output/xml_export.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::Crlf;
using test::ExportShelf;

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<!--\n"
                          "  Media list exported by Tunebay 1.53\n"
                          "  https://tunebay.org/\n"
                          "-->\n\n<tunebay>\n";

TEST(XmlExport, WritesAnElementPerItem) {
    ExportShelf shelf;
    shelf.add({.title = "Rock <&> Roll",
               .group = "Caf\xC3\xA9",
               .genreId = test::kGenreRnB,
               .directory = "/music/",
               .fileName = "a&b.mp3",
               .length = 61,
               .publishTime = "1999",
               .comment = "it's \"live\""});
    shelf.addWithoutGroupName({.title = "Solo", .directory = "/music/", .fileName = "s.mp3"});
    ExportOptions options = shelf.options("list.xml");
    options.columnSet = 4;
    ASSERT_TRUE(ExportXml(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.xml"),
              Crlf(kHead +
                   "  <tb_item>\n"
                   "    <tb_index>1</tb_index>\n"
                   "    <tb_filename>/music/s.mp3</tb_filename>\n"
                   "    <tb_medianame>Solo</tb_medianame>\n"
                   "    <tb_length>00:00</tb_length>\n"
                   "    <tb_genre>Unknown</tb_genre>\n"
                   "    <tb_publishtime></tb_publishtime>\n"
                   "    <tb_comment></tb_comment>\n"
                   "  </tb_item>\n"
                   "  <tb_item>\n"
                   "    <tb_index>2</tb_index>\n"
                   "    <tb_filename>/music/a&#038;b.mp3</tb_filename>\n"
                   "    <tb_medianame>Caf&#233; - Rock &#060;&#038;&#062; Roll</tb_medianame>\n"
                   "    <tb_length>01:01</tb_length>\n"
                   "    <tb_genre>R&#038;B</tb_genre>\n"
                   "    <tb_publishtime>1999</tb_publishtime>\n"
                   "    <tb_comment>it&#039;s &#034;live&#034;</tb_comment>\n"
                   "  </tb_item>\n"
                   "</tunebay>"));
}

TEST(XmlExport, WithoutIndexAndLinkOnlyTheNameIsWritten) {
    ExportShelf shelf;
    shelf.add({.title = "Song", .group = "Band", .directory = "/m/"});
    ExportOptions options = shelf.options("list.xml");
    options.showIndex = 0;
    options.linkType = 0;
    options.columnSet = 0;
    ASSERT_TRUE(ExportXml(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.xml"),
              Crlf(kHead +
                   "  <tb_item>\n    <tb_medianame>Song</tb_medianame>\n  </tb_item>\n</tunebay>"));
}

TEST(XmlExport, AnEmptyResultIsAnEmptyRootElement) {
    ExportShelf shelf;
    ExportOptions options = shelf.options("list.xml");
    ASSERT_TRUE(ExportXml(shelf.catalogue.connection, options));
    EXPECT_EQ(shelf.read("list.xml"), Crlf(kHead + "</tunebay>"));
}

TEST(XmlText, CharactersXmlForbidsBecomeTheReplacementCharacter) {
    EXPECT_EQ(XmlText("a\x01"
                      "b\tc\x7F"),
              "a&#65533;b&#009;c&#127;");
    EXPECT_EQ(XmlText("\xEF\xBF\xBF"), "&#65533;");
    EXPECT_EQ(XmlText("\xF0\x9F\x8E\xB5"), "&#127925;");
    // A byte that is not UTF-8 is read as Latin-1.
    EXPECT_EQ(XmlText("\xE9t\xE9"), "&#233;t&#233;");
}

} // namespace
} // namespace tunebay
