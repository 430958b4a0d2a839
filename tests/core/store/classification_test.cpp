#include "store/classification.h"
#include "store/directories.h"
#include "store/optional_values.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

// A catalogue with items whose group and package rows are made directly.
// A row given its id moves the table's counter past it, as a catalogue copy does: a file's
// counter follows such ids by itself, a server's does not.
class Classification : public ::testing::Test {
protected:
    int addGroup(int id, const std::string& name) {
        db().Execute("INSERT INTO tblGroup (lID, sName) VALUES (" + std::to_string(id) + ", '" +
                     name + "')");
        db().AdvanceIdCounter("tblGroup", id);
        return id;
    }
    int addPackage(int id, const std::string& name) {
        db().Execute("INSERT INTO tblPackage (lID, sName) VALUES (" + std::to_string(id) + ", '" +
                     name + "')");
        db().AdvanceIdCounter("tblPackage", id);
        return id;
    }
    int addItem(int group, int package) {
        db().Execute("INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (0, " +
                     std::to_string(group) + ", " + std::to_string(package) + ")");
        return std::stoi(catalogue.scalar("SELECT MAX(lID) FROM tblItem"));
    }
    std::string itemLink(int item, const char* column) {
        return catalogue.scalar(std::string("SELECT ") + column +
                                " FROM tblItem WHERE lID=" + std::to_string(item));
    }
    std::string count(const std::string& table) {
        return catalogue.scalar("SELECT COUNT(*) FROM " + table);
    }
    CCatalogueConnection& db() { return catalogue.connection; }

    test::TempCatalogue catalogue;
};

TEST_F(Classification, FindOrCreateGroupReusesRowsByNameIgnoringAsciiCase) {
    const int a = FindOrCreateGroup(db(), "Guns N' Roses");
    EXPECT_EQ(FindOrCreateGroup(db(), "GUNS N' ROSES"), a);
    EXPECT_NE(FindOrCreateGroup(db(), "Queen"), a);
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblGroup WHERE lID=" + std::to_string(a)),
              "Guns N' Roses");
}

TEST_F(Classification, FindOrCreatePackageFindsAnAlbumOnlyUnderItsGroup) {
    const int abba = FindOrCreateGroup(db(), "ABBA");
    const int gold = FindOrCreatePackage(db(), "Gold", "ABBA");
    EXPECT_NE(FindOrCreatePackage(db(), "Gold", "ABBA"), gold); // no item links it yet
    addItem(abba, gold);
    EXPECT_EQ(FindOrCreatePackage(db(), "gold", "abba"), gold);
    const int other = FindOrCreatePackage(db(), "Gold", "Queen");
    EXPECT_NE(other, gold);
    EXPECT_EQ(catalogue.scalar("SELECT MAX(lID) FROM tblPackage WHERE sName='Gold'"),
              std::to_string(other));
}

TEST_F(Classification, ReassigningTheOnlyItemCreatesTheNewRowAndDropsTheOld) {
    addGroup(4, "A");
    const int item = addItem(4, addPackage(1, "P"));
    ReassignItem(db(), item, 0, std::string("B"), std::nullopt);
    EXPECT_EQ(itemLink(item, "lGroupID"), "5");
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblGroup WHERE lID=5"), "B");
    EXPECT_EQ(count("tblGroup WHERE lID=4"), "0");
    EXPECT_EQ(itemLink(item, "lPackageID"), "1"); // untouched
}

TEST_F(Classification, ReassigningOneOfTwoItemsKeepsTheOldRow) {
    addGroup(1, "A");
    addGroup(2, "B");
    const int first = addItem(1, addPackage(1, "P"));
    addItem(1, 1);
    ReassignItem(db(), first, 0, std::string("b"), std::nullopt);
    EXPECT_EQ(itemLink(first, "lGroupID"), "2");
    EXPECT_EQ(count("tblGroup"), "2");
}

TEST_F(Classification, ReassigningToTheSameRowChangesNothing) {
    addGroup(1, "A");
    const int item = addItem(1, addPackage(1, "P"));
    ReassignItem(db(), item, 0, std::string("A"), std::string("P"));
    EXPECT_EQ(itemLink(item, "lGroupID"), "1");
    EXPECT_EQ(count("tblGroup"), "1");
    EXPECT_EQ(count("tblPackage"), "1");
}

TEST_F(Classification, ReassigningOnEmptyPackageTableStartsAtOne) {
    addGroup(1, "A");
    db().Execute("INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (0, 1, 99)");
    ReassignItem(db(), 1, 0, std::nullopt, std::string("New Album"));
    EXPECT_EQ(itemLink(1, "lPackageID"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblPackage WHERE lID=1"), "New Album");
}

TEST_F(Classification, RenamingToAFreeNameIsAPlainRename) {
    int group = addGroup(1, "A");
    addItem(group, addPackage(1, "P"));
    EXPECT_FALSE(RenameClassification(db(), ClassificationKind::Group, group, "Z's"));
    EXPECT_EQ(group, 1);
    EXPECT_EQ(catalogue.scalar("SELECT sName FROM tblGroup WHERE lID=1"), "Z's");
    EXPECT_FALSE(RenameClassification(db(), ClassificationKind::Group, group, "z's"));
    EXPECT_EQ(group, 1);
}

TEST_F(Classification, RenamingAGroupOntoAnotherMergesTheirUnknownAlbums) {
    addGroup(1, "A");
    addGroup(2, "B");
    addPackage(10, "Unknown");
    addPackage(11, "Unknown");
    addPackage(12, "Live");
    const int a1 = addItem(1, 10);
    const int a2 = addItem(1, 12);
    const int b1 = addItem(2, 11);
    int group = 1;
    EXPECT_TRUE(RenameClassification(db(), ClassificationKind::Group, group, "B"));
    EXPECT_EQ(group, -1);
    EXPECT_EQ(itemLink(a1, "lPackageID"), "11");
    EXPECT_EQ(itemLink(a2, "lPackageID"), "12");
    EXPECT_EQ(itemLink(b1, "lPackageID"), "11");
    EXPECT_EQ(count("tblPackage WHERE lID=10"), "0");
    EXPECT_EQ(count("tblItem WHERE lGroupID=2"), "3");
    EXPECT_EQ(count("tblGroup"), "1");
}

TEST_F(Classification, GroupsSharingOneUnknownAlbumKeepItOnMerge) {
    addGroup(1, "A");
    addGroup(2, "B");
    addPackage(10, "Unknown");
    addItem(1, 10);
    const int b1 = addItem(2, 10);
    int group = 1;
    EXPECT_TRUE(RenameClassification(db(), ClassificationKind::Group, group, "B"));
    EXPECT_EQ(count("tblPackage WHERE lID=10"), "1");
    EXPECT_EQ(itemLink(b1, "lPackageID"), "10");
}

TEST_F(Classification, RenamingAPackageOntoAnotherMovesItsItems) {
    addGroup(1, "A");
    addPackage(1, "X");
    addPackage(2, "Y");
    const int item = addItem(1, 1);
    int package = 1;
    EXPECT_TRUE(RenameClassification(db(), ClassificationKind::Package, package, "y"));
    EXPECT_EQ(itemLink(item, "lPackageID"), "2");
    EXPECT_EQ(count("tblPackage"), "1");
}

TEST_F(Classification, UpdateItemLinksChangesOnlyWhatIsGiven) {
    db().Execute("INSERT INTO tblMedia (lID, lGenreID) VALUES (7, 255)");
    db().Execute("INSERT INTO tblItem (lID, lMediaID, lGroupID, lPackageID) VALUES (3, 7, 1, 1)");
    addPackage(4, "Gold");
    EXPECT_TRUE(UpdateItemLinks(db(), 3, 7, -1, 17, -1, 4));
    EXPECT_EQ(catalogue.scalar("SELECT lGenreID FROM tblMedia WHERE lID=7"), "17");
    EXPECT_EQ(itemLink(3, "lGroupID"), "1");
    EXPECT_EQ(itemLink(3, "lPackageID"), "4");
    EXPECT_EQ(itemLink(3, "lFolderID"), "0");
    // A group or package that is gone (removed by another writer since the tree showed it)
    // takes no item, and nothing else of the change is made.
    EXPECT_FALSE(UpdateItemLinks(db(), 3, 7, -1, 20, 99, -1));
    EXPECT_FALSE(UpdateItemLinks(db(), 3, 7, -1, 20, -1, 99));
    EXPECT_EQ(catalogue.scalar("SELECT lGenreID FROM tblMedia WHERE lID=7"), "17");
    EXPECT_EQ(itemLink(3, "lGroupID"), "1");
    EXPECT_EQ(itemLink(3, "lPackageID"), "4");
}

TEST_F(Classification, OptionalValuesAreOneRowPerOwnerAndType) {
    SetOptionalValue(db(), {5, kOptionalBitrate, kValueInteger, "", 128, 0});
    SetOptionalValue(db(), {5, kOptionalBitrate, kValueInteger, "", 192, 0});
    EXPECT_EQ(count("tblOptional"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT lValue FROM tblOptional WHERE lTableID=5"), "192");
    SetOptionalValue(db(), {5, kOptionalVolumeName, kValueText, "", 0, 0});
    EXPECT_EQ(count("tblOptional WHERE lOptionalTypeID=4117 AND sValue IS NULL"), "1");
    SetOptionalValue(db(), {5, kOptionalAudioSize, kValueFloat, "", 0, 5000000000.0});
    EXPECT_EQ(catalogue.scalar("SELECT fValue FROM tblOptional WHERE lOptionalTypeID=4118"),
              "5000000000");
    SetOptionalValue(db(), {5, kOptionalVariableBitrate, kValueBoolean, "", 1, 0});
    EXPECT_EQ(
        count("tblOptional WHERE tblOptional.lOptionalTypeID=4112 AND tblOptional.lValue=TRUE"),
        "1");
    SetOptionalValue(db(), {5, 4000, 9, "x", 1, 1});
    EXPECT_EQ(count("tblOptional"), "4");
}

TEST(DirectoryForms, NetworkAndWebFormsComeFromTheLocalPath) {
    const DirectoryForms music = CompleteDirectoryForms("/mnt/Music", "", "");
    EXPECT_EQ(music.local, "/mnt/Music/");
    EXPECT_EQ(music.network, "//mnt/Music/");
    EXPECT_EQ(music.web, "http://mnt/music/");
    const DirectoryForms share = CompleteDirectoryForms("//Server/Share/", "", "");
    EXPECT_EQ(share.network, "//Server/Share/");
    EXPECT_EQ(share.web, "http://server/share/");
    const DirectoryForms root = CompleteDirectoryForms("/", "", "");
    EXPECT_EQ(root.network, "//");
    EXPECT_EQ(root.web, "http://");
    const DirectoryForms given = CompleteDirectoryForms("/a/", "http://host/a", "//nas/a");
    EXPECT_EQ(given.web, "http://host/a/");
    EXPECT_EQ(given.network, "//nas/a/");
    EXPECT_EQ(CompleteDirectoryForms("/Ünïcode:x/", "", "").web, "http://ünïcodex/");
}

TEST_F(Classification, DirectoriesAreFoundByTheirLocalPathWithOrWithoutSeparator) {
    const int id = FindOrCreateDirectory(db(), "/music/it's");
    EXPECT_EQ(FindOrCreateDirectory(db(), "/music/it's/", "http://other/"), id);
    EXPECT_EQ(count("tblDirectory"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT sURL FROM tblDirectory"), "http://music/it's/");
    EXPECT_NE(FindOrCreateDirectory(db(), "/Music/it's/"), id);
}

} // namespace
} // namespace tunebay
