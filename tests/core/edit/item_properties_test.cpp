// Saving one item's properties: the one-item rules for groups and packages, the published year,
// the file, a save that fails or finds its item gone, and the details text.
#include "edit/item_properties.h"
#include "import/item_tag.h"
#include "import/tag_fields.h"

#include "support/catalogue_builder.h"
#include "support/mp3_fixture.h"
#include "support/refused_change.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace tunebay {
namespace {

using test::ItemFacts;

class ItemPropertiesTest : public ::testing::Test {
protected:
    int add(const std::string& group, const std::string& package = "Album",
            const std::string& directory = "/music/") {
        ItemFacts facts;
        facts.group = group;
        facts.package = package;
        facts.directory = directory;
        return builder.add(facts).itemId;
    }
    ItemProperties load(int item) {
        auto loaded = LoadItemProperties(catalogue.connection, item);
        EXPECT_TRUE(loaded.has_value());
        return loaded.value_or(ItemProperties());
    }
    SaveResult save(int item, const PropertyChanges& changes) {
        return SaveItemProperties(catalogue.connection, load(item), changes);
    }
    std::string groupOf(int item) { return load(item).group; }
    std::string packageOf(int item) { return load(item).package; }
    std::string count(const std::string& table) {
        return catalogue.scalar("SELECT COUNT(*) FROM " + table);
    }

    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder{catalogue.connection};
};

TEST_F(ItemPropertiesTest, GroupRulesForOneItem) {
    struct Case {
        const char* name;
        const char* typed;
        bool pressedNew;
        const char* others; // the group of the other item ("" for none)
        const char* expectedItem;
        const char* expectedOther;
        const char* expectedGroups;
    };
    const Case cases[] = {
        // No other group of that name: the item's group is renamed for all its items.
        {"rename", "Queen", false, "Abba", "Queen", "Queen", "1"},
        // Another group of that name takes the item in the typed case; the old one goes.
        {"join", "beatles", false, "", "beatles", "beatles", "1"},
        // "New": a group of its own; the old group keeps its other item.
        {"new", "Solo", true, "Abba", "Solo", "Abba", "2"},
        // "New" with the item's own name changes nothing.
        {"new with own name", "Abba", true, "Abba", "Abba", "Abba", "1"},
        // The shared "Unknown" row is never renamed for one of its items.
        {"unknown", "Prince", false, "Unknown", "Prince", "Unknown", "2"},
        // An empty name is "Unknown".
        {"empty", "", false, "", "Unknown", "Beatles", "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempCatalogue fresh;
        test::CatalogueBuilder fill(fresh.connection);
        ItemFacts facts;
        facts.group = *c.others ? c.others : "Beatles";
        const int other = fill.add(facts).itemId;
        facts.group = *c.others ? c.others : "Abba";
        if (std::string(c.name) == "join" || std::string(c.name) == "empty")
            facts.group = "Abba";
        const int item = fill.add(facts).itemId;
        PropertyChanges changes;
        changes.group = c.typed;
        changes.newGroup = c.pressedNew;
        const auto loaded = LoadItemProperties(fresh.connection, item);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(SaveItemProperties(fresh.connection, *loaded, changes).outcome,
                  SaveOutcome::Saved);
        EXPECT_EQ(LoadItemProperties(fresh.connection, item)->group, c.expectedItem);
        EXPECT_EQ(LoadItemProperties(fresh.connection, other)->group, c.expectedOther);
        EXPECT_EQ(fresh.scalar("SELECT COUNT(*) FROM tblGroup"), c.expectedGroups);
    }
}

TEST_F(ItemPropertiesTest, PackagesAreLookedUpAmongTheGroupsOwn) {
    const int a = add("Abba", "Gold");
    const int b = add("Queen", "Greatest Hits");
    const int c = add("Abba", "Arrival");
    PropertyChanges changes;
    changes.package = "Greatest Hits"; // Queen's, not Abba's: Abba's "Arrival" is renamed
    save(c, changes);
    EXPECT_EQ(packageOf(c), "Greatest Hits");
    EXPECT_NE(load(c).packageId, load(b).packageId);
    changes.package = "gold"; // Abba's own: the item joins it, its old package goes
    save(c, changes);
    EXPECT_EQ(load(c).packageId, load(a).packageId);
    EXPECT_EQ(packageOf(a), "gold");
    EXPECT_EQ(count("tblPackage"), "2");
}

TEST_F(ItemPropertiesTest, FieldsPublishedYearAndRefusals) {
    const int item = add("Abba");
    struct Case {
        const char* published;
        const char* stored;
    };
    for (const Case& c :
         {Case{"85", "1985"}, Case{"5", "5"}, Case{"1985", "1985"}, Case{"äb", "19äb"}}) {
        PropertyChanges changes;
        changes.published = c.published;
        EXPECT_EQ(save(item, changes).outcome, SaveOutcome::Saved);
        EXPECT_EQ(load(item).published, c.stored);
    }
    PropertyChanges empty;
    EXPECT_EQ(save(item, empty).outcome, SaveOutcome::NothingChanged);
    PropertyChanges noTitle;
    noTitle.title = "";
    noTitle.comment = "kept?";
    const SaveResult refused = save(item, noTitle);
    EXPECT_EQ(refused.outcome, SaveOutcome::EmptyTitle);
    EXPECT_EQ(refused.message, kMessageEmptyTitle);
    EXPECT_EQ(load(item).comment, "");
}

TEST_F(ItemPropertiesTest, AFailedSaveLeavesNothingHalfDone) {
    const int item = add("Abba");
    add("Abba");
    test::RefuseChange(catalogue.connection, {"tblMedia", "UPDATE OF sName", "", "disk I/O error"});
    PropertyChanges changes;
    changes.group = "Queen";
    changes.title = "New";
    const SaveResult result = save(item, changes);
    EXPECT_EQ(result.outcome, SaveOutcome::Failed);
    EXPECT_NE(result.engineReason.find("disk I/O error"), std::string::npos);
    EXPECT_EQ(groupOf(item), "Abba");
    EXPECT_FALSE(catalogue.connection.InTransaction());
}

TEST_F(ItemPropertiesTest, AVanishedItemIsNeverSaved) {
    const int item = add("Abba");
    const ItemProperties loaded = load(item);
    catalogue.connection.Execute("DELETE FROM tblItem WHERE lID=" + std::to_string(item));
    PropertyChanges changes;
    changes.group = "Queen";
    EXPECT_EQ(SaveItemProperties(catalogue.connection, loaded, changes).outcome,
              SaveOutcome::ItemGone);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='Queen'"), "0");
}

TEST_F(ItemPropertiesTest, ChangingTheFileMovesTheMediaToItsFolderRow) {
    add("Abba", "Album", "/first/"); // directory row 1 is never removed
    const int item = add("Abba", "Album", "/old/");
    const int stays = add("Abba", "Album", "/kept/");
    PropertyChanges changes;
    changes.file = "/new/place/song.mp3";
    save(item, changes);
    EXPECT_EQ(load(item).FilePath(), "/new/place/song.mp3");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sLocal='/old/'"), "0");
    changes.file = "/kept/other.mp3";
    save(item, changes);
    EXPECT_EQ(load(item).directory, load(stays).directory);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sLocal='/kept/'"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sLocal='/new/place/'"),
              "0");
}

TEST_F(ItemPropertiesTest, TheSavedFieldsReachTheTag) {
    const std::string path = catalogue.dir().write("song.mp3", test::makeMp3({})).string();
    ItemFacts facts;
    facts.group = "Abba";
    facts.directory = catalogue.dir().path().string() + "/";
    facts.fileName = "song.mp3";
    const int item = builder.add(facts).itemId;
    catalogue.connection.Execute("UPDATE tblMedia SET lMediaType=1");
    PropertyChanges changes;
    changes.title = "Waterloo";
    changes.package = "Waterloo";
    changes.published = "74";
    ASSERT_EQ(save(item, changes).outcome, SaveOutcome::Saved);
    ASSERT_TRUE(WriteItemTag(catalogue.connection, item, true).ok);
    MediaFileInfo info;
    ASSERT_EQ(ReadTagFields(path, info, true), 0);
    EXPECT_EQ(info.title, "Waterloo");
    EXPECT_EQ(info.group, "Abba");
    EXPECT_EQ(info.package, "Waterloo");
    EXPECT_EQ(info.publishTime, "1974");
}

TEST_F(ItemPropertiesTest, DetailsText) {
    const std::string path = catalogue.dir().write("song.mp3", std::string(1234, 'x')).string();
    ItemFacts facts;
    facts.directory = catalogue.dir().path().string() + "/";
    facts.fileName = "song.mp3";
    facts.size = 1234567;
    facts.length = 125;
    const int item = builder.add(facts).itemId;
    const long long media = load(item).mediaId;
    catalogue.connection.Execute("INSERT INTO tblOptional (lTableID, lOptionalTypeID, lValue) "
                                 "VALUES (" +
                                 std::to_string(media) + ", 4103, 128)");
    catalogue.connection.Execute("INSERT INTO tblOptional (lTableID, lOptionalTypeID, fValue) "
                                 "VALUES (" +
                                 std::to_string(media) + ", 4118, 1234567)");
    const std::string text = ItemDetailsText(catalogue.connection, load(item));
    EXPECT_EQ(text.substr(0, text.find("ImportTime")),
              "Exists local\t\t yes\r\nActual FileSize [byte]\t 1.234\r\n"
              "FileSize [byte]\t\t 1.234.567\r\n");
    EXPECT_NE(text.find("Length\t\t\t 02:05\r\nMediaType\t\t Audio/MP3\r\n"), std::string::npos);
    EXPECT_NE(text.find("Audio Size \t\t1234567\r\nBitrate \t\t\t128\r\n"), std::string::npos);

    // A folder or a missing file under the item's name does not exist as a file.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(ItemDetailsText(catalogue.connection, load(item)).substr(0, 19),
              "Exists local\t\t no\r\n");
}

// Edits that would leave the item where no view shows it, or naming no file, are refused and
// change nothing.
TEST_F(ItemPropertiesTest, GenresThatAreNoRowAndPathsThatAreNoFileAreRefused) {
    const int item = add("Abba");
    const ItemProperties before = load(item);
    test::TempDir dir;
    const std::string fifo = dir.file("pipe.mp3").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<PropertyChanges> refused;
    for (const int genre : {999, -7, 200}) {
        PropertyChanges changes;
        changes.genreId = genre;
        changes.title = "Changed";
        refused.push_back(changes);
    }
    for (const std::string& file : {std::string(), dir.path().string() + "/", dir.path().string(),
                                    fifo, std::string("/music/..")}) {
        PropertyChanges changes;
        changes.file = file;
        changes.title = "Changed";
        refused.push_back(changes);
    }
    for (const PropertyChanges& changes : refused) {
        const SaveResult result = save(item, changes);
        EXPECT_EQ(result.outcome, SaveOutcome::Failed) << changes.file.value_or("genre");
        EXPECT_FALSE(result.engineReason.empty());
        const ItemProperties after = load(item);
        EXPECT_EQ(after.title, before.title);
        EXPECT_EQ(after.genreId, before.genreId);
        EXPECT_EQ(after.FilePath(), before.FilePath());
    }
}

} // namespace
} // namespace tunebay
