#include "import/item_tag.h"
#include "import/media_importer.h"
#include "import/tag_fields.h"
#include "support/mp3_fixture.h"
#include "support/quiet_run.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::FixedClock;

TEST(WriteItemTag, WritesTheCatalogueFieldsIntoTheFile) {
    test::TempCatalogue catalogue;
    test::Mp3Recipe recipe;
    recipe.id3v2 =
        test::id3v2TagFromFields(3, {"Old", "Old Band", "Old Album", "1990", "", "(1)", "7"});
    const auto path = catalogue.dir().write("song.mp3", test::makeMp3(recipe)).string();
    FixedClock clock(0);
    MediaImporter importer(catalogue.connection, {}, nullptr, clock);
    const int item = importer.ImportMediaFile(path, false);
    ASSERT_GT(item, 0);
    catalogue.connection.Execute(
        "UPDATE tblMedia SET sName='Nouveau Titre é', lGenreID=17, sComment='it''s new'");
    catalogue.connection.Execute("UPDATE tblPackage SET sName='Unknown'");
    ASSERT_TRUE(WriteItemTag(catalogue.connection, item, true).ok);
    MediaFileInfo info;
    ASSERT_EQ(ReadTagFields(path, info, true), 0);
    EXPECT_EQ(info.title, "Nouveau Titre é");
    EXPECT_EQ(info.group, "Old Band");
    EXPECT_EQ(info.package, ""); // "Unknown" removes the album
    EXPECT_EQ(info.genre, 17);
    EXPECT_EQ(info.comment, "it's new");
    EXPECT_FALSE(WriteItemTag(catalogue.connection, 999, true).ok);
}

TEST(WriteItemTag, FilesThatAreNotMpegAudioAreLeftAlone) {
    test::TempCatalogue catalogue;
    const auto path = catalogue.dir().write("notes.txt", "plain text").string();
    FixedClock clock(0);
    ImportOptions options;
    options.allowAllFiles = true;
    MediaImporter importer(catalogue.connection, options, nullptr, clock);
    const int item = importer.ImportMediaFile(path, false);
    ASSERT_GT(item, 0);
    EXPECT_TRUE(WriteItemTag(catalogue.connection, item, true).ok);
    EXPECT_EQ(test::readFile(path), "plain text");
}

} // namespace
} // namespace tunebay
