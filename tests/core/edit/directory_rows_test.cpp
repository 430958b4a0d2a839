// The Directories page's rows: cell edits, Replace over one column, Copy Local to UNC/URL and the
// write-back of the changed rows.
#include "edit/directory_rows.h"

#include "support/catalogue_builder.h"
#include "support/refused_change.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

TEST(DirectoryRowsReplace, IsCaseSensitiveNonOverlappingAndLeftToRight) {
    struct Case {
        const char* text;
        const char* find;
        const char* replacement;
        const char* expected;
        bool marked;
    };
    const Case cases[] = {
        {"/music/Music/", "Music", "Songs", "/music/Songs/", true},
        {"aaa", "aa", "b", "ba", true},
        {"/a/", "a", "aa", "/aa/", true}, // what was put in is not searched again
        {"/x/", "y", "z", "/x/", false},
        {"/x/", "", "z", "/x/", false},
        {"/x/x/", "x", "", "///", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + std::string(" ") + c.find);
        test::TempCatalogue catalogue;
        catalogue.connection.Execute("INSERT INTO tblDirectory (sLocal, sUNC) VALUES ('/l/', '" +
                                     std::string(c.text) + "')");
        DirectoryRows rows;
        rows.Load(catalogue.connection);
        ASSERT_EQ(rows.Rows().size(), 1u);
        EXPECT_EQ(rows.Replace(DirectoryRows::kNetwork, c.find, c.replacement), c.marked ? 1 : 0);
        EXPECT_EQ(rows.Rows()[0].forms[DirectoryRows::kNetwork], c.expected);
        EXPECT_EQ(rows.Rows()[0].modified, c.marked);
        EXPECT_EQ(rows.Rows()[0].forms[DirectoryRows::kLocal], "/l/");
    }
}

class DirectoryRowsTest : public ::testing::Test {
protected:
    DirectoryRowsTest() {
        for (const char* folder : {"/b/", "/a/", "/c/"}) {
            test::ItemFacts facts;
            facts.directory = folder;
            builder.add(facts);
        }
        rows.Load(catalogue.connection);
    }
    std::size_t rowOf(const std::string& local) {
        for (std::size_t i = 0; i < rows.Rows().size(); ++i)
            if (rows.Rows()[i].forms[0] == local)
                return i;
        return rows.Rows().size();
    }

    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder{catalogue.connection};
    DirectoryRows rows;
};

TEST_F(DirectoryRowsTest, OnlyChangedRowsAreWrittenAndEmptyFormsBecomeNull) {
    ASSERT_EQ(rows.Rows().size(), 3u);
    EXPECT_EQ(rows.Rows()[0].forms[0], "/a/"); // ordered by local path
    const std::size_t b = rowOf("/b/");
    EXPECT_TRUE(rows.SetCell(b, DirectoryRows::kWeb, rows.Rows()[b].forms[2]));
    EXPECT_FALSE(rows.Rows()[b].modified); // edited back to its own text
    rows.SetCell(b, DirectoryRows::kNetwork, "");
    rows.SetCell(b, DirectoryRows::kWeb, "");
    catalogue.connection.Execute("UPDATE tblDirectory SET sURL='untouched' WHERE sLocal<>'/b/'");
    const DirectoryRows::WriteResult written = rows.WriteBack(catalogue.connection);
    EXPECT_EQ(written.written, 1);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sUNC IS NULL AND sURL IS "
                               "NULL AND sLocal='/b/'"),
              "1");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sURL='untouched'"), "2");
}

TEST_F(DirectoryRowsTest, CopyLocalThenReplaceMarksOnlyMatchingRows) {
    EXPECT_EQ(rows.CopyLocalToOthers(), 3);
    rows.WriteBack(catalogue.connection);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sUNC=sLocal AND "
                               "sURL=sLocal"),
              "3");
    EXPECT_EQ(rows.Replace(DirectoryRows::kNetwork, "/a/", "//nas/a/"), 1);
    EXPECT_EQ(rows.WriteBack(catalogue.connection).written, 1);
    EXPECT_EQ(catalogue.scalar("SELECT sUNC FROM tblDirectory WHERE sLocal='/a/'"), "//nas/a/");
}

TEST_F(DirectoryRowsTest, RowsThatComeToShareALocalFormAreMerged) {
    rows.SetCell(rowOf("/c/"), DirectoryRows::kLocal, "/a/");
    const DirectoryRows::WriteResult written = rows.WriteBack(catalogue.connection);
    EXPECT_EQ(written.merged, 1);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory"), "2");
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblMedia, tblDirectory WHERE "
                               "tblMedia.lDirectoryID=tblDirectory.lID AND sLocal='/a/'"),
              "2");
}

TEST_F(DirectoryRowsTest, ARefusedRowIsReportedAndNothingIsWritten) {
    test::RefuseChange(catalogue.connection,
                       {"tblDirectory", "UPDATE", "OLD.sLocal='/b/'", "no way"});
    rows.CopyLocalToOthers();
    for (std::size_t i = 0; i < rows.Rows().size(); ++i)
        rows.SetCell(i, DirectoryRows::kWeb, "http://x" + rows.Rows()[i].forms[0]);
    const DirectoryRows::WriteResult written = rows.WriteBack(catalogue.connection);
    EXPECT_EQ(written.written, 0);
    ASSERT_EQ(written.failed.size(), 1u);
    EXPECT_NE(written.failed[0].find("no way"), std::string::npos);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblDirectory WHERE sURL LIKE 'http://x%'"),
              "0");
}

} // namespace
} // namespace tunebay
