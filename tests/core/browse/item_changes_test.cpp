#include "browse/catalogue_clearing.h"
#include "browse/edited_name.h"
#include "browse/item_deletion.h"
#include "browse/item_rename.h"
#include "store/optional_values.h"
#include "support/catalogue_builder.h"
#include "support/refused_change.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::CatalogueBuilder;
using test::TempCatalogue;

std::string count(TempCatalogue& catalogue, const std::string& table) {
    return catalogue.scalar("SELECT COUNT(*) FROM " + table);
}

TEST(ItemRename, StoresTheTitleAndTheEmptyTextBecomesUnknown) {
    TempCatalogue catalogue;
    CatalogueBuilder builder(catalogue.connection);
    const auto item = builder.add({.title = "Old"});
    const std::string media = std::to_string(item.mediaId);

    EXPECT_TRUE(RenameItemTitle(catalogue.connection, item.itemId, EditedName("It's new")));
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblMedia WHERE lID=" + media), "It's new");
    EXPECT_EQ(EditedName(""), "Unknown");
    EXPECT_TRUE(RenameItemTitle(catalogue.connection, item.itemId, EditedName("")));
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblMedia WHERE lID=" + media), "Unknown");
}

TEST(ItemRename, AnItemThatIsNotThereFails) {
    TempCatalogue catalogue;
    CatalogueBuilder builder(catalogue.connection);
    const auto item = builder.add({.title = "Kept"});
    EXPECT_FALSE(RenameItemTitle(catalogue.connection, item.itemId + 1, "New"));
    // An item whose media row has gone.
    catalogue.connection.Execute("DELETE FROM tblMedia");
    EXPECT_FALSE(RenameItemTitle(catalogue.connection, item.itemId, "New"));
    EXPECT_STREQ(kMessageRenameItemFailed, "Couldn't save edited item!");
}

TEST(ItemDeletion, TheLastItemOfAGroupTakesTheGroupOneOfTwoKeepsThePackage) {
    TempCatalogue catalogue;
    CatalogueBuilder builder(catalogue.connection);
    const auto solo = builder.add({.group = "Solo", .package = "Shared", .directory = "/a/"});
    const auto other = builder.add({.group = "Duo", .package = "Album", .directory = "/b/"});
    const auto second = builder.add({.group = "Duo", .package = "Album", .directory = "/b/"});
    ASSERT_EQ(other.packageId, second.packageId);

    std::vector<int> told;
    const std::vector<int> first{solo.itemId};
    auto outcome = DeleteItems(catalogue.connection, first, [&](int id) { told.push_back(id); });
    EXPECT_EQ(outcome.deleted, 1);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(told, first);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='Solo'"), "0");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblPackage WHERE sName='Shared'"), "0");
    EXPECT_EQ(
        catalogue.scalar("SELECT COUNT(*) FROM tblMedia WHERE lID=" + std::to_string(solo.mediaId)),
        "0");

    const std::vector<int> one{other.itemId};
    outcome = DeleteItems(catalogue.connection, one);
    EXPECT_EQ(outcome.deleted, 1);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblPackage WHERE lID=" +
                               std::to_string(second.packageId)),
              "1");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='Duo'"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE lID=" +
                               std::to_string(second.directoryId)),
              "1");
    EXPECT_EQ(count(catalogue, "tblItem"), "1");
}

TEST(ItemDeletion, UnusedDirectoriesGoButDirectoryOneAlwaysStays) {
    TempCatalogue catalogue;
    CatalogueBuilder builder(catalogue.connection);
    const auto first = builder.add({.directory = "/one/"});
    const auto second = builder.add({.directory = "/two/"});
    ASSERT_EQ(first.directoryId, 1);
    ASSERT_EQ(second.directoryId, 2);
    const std::vector<int> both{first.itemId, second.itemId};
    EXPECT_EQ(DeleteItems(catalogue.connection, both).deleted, 2);
    EXPECT_EQ(catalogue.rows("SELECT lID FROM tblDirectory"), "1");
    EXPECT_EQ(count(catalogue, "tblItem"), "0");
    EXPECT_EQ(count(catalogue, "tblMedia"), "0");
    EXPECT_EQ(count(catalogue, "tblGroup"), "0");
    EXPECT_EQ(count(catalogue, "tblPackage"), "0");
}

TEST(ItemDeletion, GroupsNamedUnknownGoLikeAnyOtherAndTheOptionalValuesGoWithTheMedia) {
    TempCatalogue catalogue;
    CatalogueBuilder builder(catalogue.connection);
    const auto item = builder.add({});
    const auto kept = builder.add({.group = "Other", .package = "Other"});
    SetOptionalValue(catalogue.connection,
                     {item.mediaId, kOptionalAudioSize, kValueFloat, {}, 0, 5000.0});
    SetOptionalValue(catalogue.connection,
                     {kept.mediaId, kOptionalAudioSize, kValueFloat, {}, 0, 5000.0});
    const std::vector<int> one{item.itemId};
    EXPECT_EQ(DeleteItems(catalogue.connection, one).deleted, 1);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblGroup WHERE sName='Unknown'"), "0");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblOptional WHERE lTableID=" +
                               std::to_string(item.mediaId)),
              "0");
    // The one left is no duplicate of a deleted file.
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblMediaDuplicatesSize"), "0");
    EXPECT_EQ(count(catalogue, "tblOptional"), "1");
}

TEST(ItemDeletion, IdsOfNoItemArePassedOverAndAFailureStopsTheRun) {
    TempCatalogue catalogue;
    CatalogueBuilder builder(catalogue.connection);
    const auto a = builder.add({});
    const auto b = builder.add({});
    const std::vector<int> withMissing{999, a.itemId};
    auto outcome = DeleteItems(catalogue.connection, withMissing);
    EXPECT_EQ(outcome.deleted, 1);
    EXPECT_FALSE(outcome.failed);

    // A trigger that refuses the delete stands for any failing statement.
    test::RefuseChange(catalogue.connection, {"tblMedia", "DELETE", "", "no"});
    const std::vector<int> last{b.itemId};
    outcome = DeleteItems(catalogue.connection, last);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.deleted, 0);
    EXPECT_NE(outcome.error.find("no"), std::string::npos);
    // The item went wholly or not at all.
    EXPECT_EQ(count(catalogue, "tblItem"), "1");
    EXPECT_EQ(count(catalogue, "tblGroup"), "1");
    EXPECT_STREQ(kMessageDeleteFailed, "An error occurred while deleting the selected items?");
}

TEST(ItemDeletion, AStoppedRunKeepsWhatItDeleted) {
    TempCatalogue catalogue;
    CatalogueBuilder builder(catalogue.connection);
    const auto a = builder.add({});
    const auto b = builder.add({});
    const auto c = builder.add({});
    const std::vector<int> all{a.itemId, b.itemId, c.itemId};
    int told = 0;
    const auto outcome = DeleteItems(
        catalogue.connection, all, [&](int) { ++told; }, [&] { return told == 2; });
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(outcome.deletedIds, std::vector<int>({a.itemId, b.itemId}));
    EXPECT_EQ(count(catalogue, "tblItem"), "1");
    EXPECT_FALSE(catalogue.connection.InTransaction());
}

TEST(CatalogueClearing, EmptiesEveryTableButGenresOptionalTypesAndVersion) {
    TempCatalogue catalogue;
    CatalogueBuilder builder(catalogue.connection);
    const auto item = builder.add({.group = "G", .package = "P"});
    SetOptionalValue(catalogue.connection,
                     {item.mediaId, kOptionalBitrate, kValueInteger, {}, 128, 0});
    catalogue.connection.Execute("INSERT INTO tblFolder (sName) VALUES ('F')");
    ClearCatalogue(catalogue.connection);
    for (const char* table : {"tblItem", "tblDirectory", "tblGroup", "tblPackage", "tblMedia",
                              "tblOptional", "tblFolder"})
        EXPECT_EQ(count(catalogue, table), "0") << table;
    EXPECT_EQ(count(catalogue, "tblGenre"), "127");
    EXPECT_EQ(count(catalogue, "tblOptionalType"), "9");
    EXPECT_EQ(catalogue.scalar("SELECT sValue FROM tblDBInfo WHERE sID='DBVersion'"), "1,0");
    EXPECT_EQ(catalogue.connection.CountItems(), 0);
}

} // namespace
} // namespace tunebay
