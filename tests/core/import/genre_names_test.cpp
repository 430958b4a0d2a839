#include "import/genre_names.h"

#include "import/media_importer.h"
#include "support/mp3_fixture.h"
#include "support/quiet_run.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::FixedClock;

TEST(GenreNames, NamesAndTheirUsualSpellingsFindTheCataloguesGenre) {
    test::TempCatalogue catalogue;
    catalogue.connection.Execute("INSERT INTO tblGenre (lID, sName) VALUES (140, 'Drum & Bass')");
    const GenreNames genres(catalogue.connection);
    const struct {
        const char* text;
        int32_t genre;
    } cases[] = {
        {"Rock", 17},
        {"rOCK", 17},
        {"  Rock  ", 17},
        {"Hip-Hop", 7},
        {"Hip Hop", 7},
        {"hiphop", 7},
        {"R&B", 14},
        {"Rhythm and Blues", 14},
        {"Rhythm & Blues", 14},
        {"RnB", 14},
        {"R'n'B", 14},
        {"Rock 'n' Roll", 78},
        {"Rock and Roll", 78},
        {"Jazz Funk", 29},
        {"Alternative Rock", 40},
        {"Psychedelic", 67},
        {"Lo-Fi", 71},
        {"Top 40", 60},
        {"A Cappella", 123},
        {"Drum and Bass", 140}, // a genre the user added
        {"Unknown", 255},
        {"Rock Pop", kNoGenre},
        {"Rocks", kNoGenre},
        {"", kNoGenre},
        {"(RX)", kNoGenre},
    };
    for (const auto& c : cases)
        EXPECT_EQ(genres.Find(c.text), c.genre) << c.text;
}

TEST(GenreNames, ImportStoresTheGenreTheTagNames) {
    test::TempCatalogue catalogue;
    FixedClock clock;
    MediaImporter importer(catalogue.connection, {}, nullptr, clock);
    const struct {
        const char* file;
        const char* genre;
        const char* stored;
    } cases[] = {
        {"a.mp3", "Hip-Hop", "7"},
        {"b.mp3", "Rhythm and Blues", "14"},
        {"c.mp3", "(17)", "17"},
        {"d.mp3", "Nowhere Music", "255"},
    };
    for (const auto& c : cases) {
        test::Mp3Recipe recipe;
        recipe.id3v2 = test::id3v2TagFromFields(4, {"T", "G", "P", "", "", c.genre, ""});
        const auto path = catalogue.dir().write(c.file, test::makeMp3(recipe)).string();
        const int item = importer.ImportMediaFile(path, false);
        ASSERT_GT(item, 0) << c.file;
        EXPECT_EQ(catalogue.scalar("SELECT tblMedia.lGenreID FROM tblMedia, tblItem WHERE "
                                   "tblItem.lMediaID=tblMedia.lID AND tblItem.lID=" +
                                   std::to_string(item)),
                  c.stored)
            << c.genre;
    }
}

} // namespace
} // namespace tunebay
