#include "store/item_query.h"
#include "store/sql_dialect.h"
#include "store/sql_quote.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

namespace tunebay {
namespace {

TEST(SqlQuote, EmptyTextIsNullAndQuotesAreDoubled) {
    EXPECT_EQ(SqlQuote(""), "NULL");
    EXPECT_EQ(SqlQuote("Guns N' Roses"), "'Guns N'' Roses'");
    EXPECT_EQ(SqlQuote("''"), "''''''");
    EXPECT_EQ(SqlQuote("a\"b\\c"), "'a\"b\\c'"); // nothing else is escaped
}

TEST(SqlQuote, NulCharactersCannotCutAStatementShort) {
    EXPECT_EQ(SqlQuote(std::string("ab\0c", 4)), "'abc'");
    EXPECT_EQ(SqlQuote(std::string("\0", 1)), "NULL");
}

TEST(SqlQuote, DoublesAlwaysUseAPoint) {
    EXPECT_EQ(SqlDouble(1234.5), "1234.500000");
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        EXPECT_EQ(SqlDouble(0.25), "0.250000");
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(SqlDouble(std::numeric_limits<double>::quiet_NaN()), "NULL");
}

TEST(JetDialect, DeleteWithAsteriskBecomesDeleteFrom) {
    EXPECT_EQ(TranslateJetSql("DELETE * FROM tblItem"), "DELETE FROM tblItem");
    EXPECT_EQ(TranslateJetSql("DELETE * FROM tblGroup WHERE lID=3"),
              "DELETE FROM tblGroup WHERE lID=3");
    EXPECT_EQ(TranslateJetSql("delete  *  from tblGroup"), "delete from tblGroup");
    EXPECT_EQ(TranslateJetSql("DELETE FROM tblItem"), "DELETE FROM tblItem");
}

TEST(JetDialect, QuotedTextIsNeverRewritten) {
    const std::string sql = "UPDATE tblMedia SET sName='DELETE * FROM it''s' WHERE lID=1";
    EXPECT_EQ(TranslateJetSql(sql), sql);
    EXPECT_EQ(TranslateJetSql("SELECT 'unterminated DELETE * FROM"),
              "SELECT 'unterminated DELETE * FROM");
    EXPECT_EQ(TranslateJetSql("SELECT UNDELETE * FROM x"), "SELECT UNDELETE * FROM x");
}

TEST(JetDialect, GroupByLeavesOutNamesThatTheirKeyAlreadyGroups) {
    EXPECT_EQ(TranslateJetSql("SELECT tblGenre.lID, tblGenre.sName, tblGroup.lID, tblGroup.sName "
                              "FROM tblGenre, tblGroup GROUP BY tblGenre.lID, tblGenre.sName, "
                              "tblGroup.lID, tblGroup.sName ORDER BY tblGenre.sName"),
              "SELECT tblGenre.lID, tblGenre.sName, tblGroup.lID, tblGroup.sName FROM tblGenre, "
              "tblGroup GROUP BY tblGenre.lID, tblGroup.lID ORDER BY tblGenre.sName");
    EXPECT_EQ(TranslateJetSql("SELECT COUNT(*) FROM (SELECT tblPackage.lID FROM tblPackage GROUP "
                              "BY tblPackage.lID,tblPackage.sName)"),
              "SELECT COUNT(*) FROM (SELECT tblPackage.lID FROM tblPackage GROUP BY "
              "tblPackage.lID)");
    EXPECT_EQ(TranslateJetSql("SELECT a FROM tblMedia group by tblMedia.lID, tblMedia.sName"),
              "SELECT a FROM tblMedia group by tblMedia.lID");
    // Left as written: a name before its key, a name without its key, names of tables whose
    // lID is no key, other columns, expressions and literals.
    for (const char* sql :
         {"SELECT 1 FROM tblGroup GROUP BY tblGroup.sName, tblGroup.lID",
          "SELECT 1 FROM tblGroup, tblGenre GROUP BY tblGenre.lID, tblGroup.sName",
          "SELECT 1 FROM tblOptional GROUP BY tblOptional.lID, tblOptional.sName",
          "SELECT 1 FROM tblMedia GROUP BY tblMedia.lID, tblMedia.sComment",
          "SELECT 1 FROM tblMedia GROUP BY tblMedia.lID, UPPER(tblMedia.sName)",
          "SELECT 1 FROM tblMedia GROUP BY tblMedia.lID, 'tblMedia.sName'",
          "SELECT sName FROM tblMediaDuplicates GROUP BY sName HAVING COUNT(*) > 1",
          "SELECT 'GROUP BY tblMedia.lID, tblMedia.sName' FROM tblMedia"})
        EXPECT_EQ(TranslateJetSql(sql), sql);
}

constexpr const char* kJoin =
    " FROM tblGroup, tblPackage, tblMedia, tblGenre, tblItem, tblDirectory WHERE "
    "tblGroup.lID=tblItem.lGroupID AND tblItem.lPackageID=tblPackage.lID AND "
    "tblItem.lMediaID=tblMedia.lID AND tblMedia.lGenreID=tblGenre.lID AND "
    "tblMedia.lDirectoryID=tblDirectory.lID";

TEST(ItemQueryText, PlainListingWithoutConditionOrSort) {
    EXPECT_EQ(BuildItemQuery("SELECT tblItem.lID", "", 0),
              std::string("SELECT tblItem.lID") + kJoin);
    EXPECT_EQ(BuildItemQuery("", "tblItem.lID=1", 7), "");
}

TEST(ItemQueryText, ConditionAddsTablesForWhatItNames) {
    EXPECT_EQ(
        BuildItemQuery("SELECT tblItem.lID", "tblMediaDuplicatesSize.fValue=tblOptional.fValue", 0),
        std::string("SELECT tblItem.lID") +
            " FROM tblGroup, tblPackage, tblMedia, tblGenre, tblItem, tblDirectory, "
            "tblOptional, tblMediaDuplicatesSize WHERE " +
            std::string(kJoin).substr(std::string(kJoin).find("WHERE ") + 6) +
            " AND tblOptional.lTableID=tblMedia.lID AND "
            "(tblMediaDuplicatesSize.fValue=tblOptional.fValue)");
    const std::string names =
        BuildItemQuery("SELECT tblItem.lID", "tblMediaDuplicates.sName=tblMedia.sName", 0);
    EXPECT_NE(names.find("tblDirectory, tblMediaDuplicates WHERE"), std::string::npos);
    EXPECT_EQ(names.find("tblOptional"), std::string::npos);
}

TEST(ItemQueryText, SortCodesChooseColumnDirectionAndSecondKeys) {
    const std::string cols = "SELECT tblItem.lID, tblMedia.sName, tblGroup.sName";
    const std::string base = cols + kJoin + " AND (tblItem.lID=1)";
    EXPECT_EQ(BuildItemQuery(cols, "tblItem.lID=1", -6),
              base + " ORDER BY tblMedia.sName DESC, tblGroup.sName ASC, tblItem.lID ASC");
    EXPECT_EQ(BuildItemQuery(cols, "tblItem.lID=1", 7),
              base + " ORDER BY tblGroup.sName ASC, tblMedia.sName ASC, tblItem.lID ASC");
    EXPECT_EQ(BuildItemQuery(cols, "tblItem.lID=1", 5),
              base + " ORDER BY tblMedia.lLength ASC, tblGroup.sName ASC, tblMedia.sName ASC, "
                     "tblItem.lID ASC");
    EXPECT_EQ(BuildItemQuery(cols, "tblItem.lID=1", -12),
              base + " ORDER BY tblPackage.sName DESC, tblGroup.sName ASC, tblMedia.sName ASC, "
                     "tblItem.lID ASC");
    // Without tblGroup.sName in the list, group order means no order at all.
    EXPECT_EQ(BuildItemQuery("SELECT tblItem.lID", "", 7),
              std::string("SELECT tblItem.lID") + kJoin);
    EXPECT_EQ(BuildItemQuery("SELECT tblMedia.sName", "", 8),
              std::string("SELECT tblMedia.sName") + kJoin +
                  " ORDER BY tblGenre.sName ASC, tblItem.lID ASC");
}

} // namespace
} // namespace tunebay
