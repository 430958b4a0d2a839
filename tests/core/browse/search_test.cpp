#include "browse/search_row.h"
#include "browse/search_types.h"
#include "browse/search_values.h"
#include "browse/selection.h"
#include "store/optional_values.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

std::string row(const std::string& type, const std::string& compare, const std::string& value,
                std::optional<std::string_view> link = {}) {
    const SearchText text = BuildSearchRow({type, compare, value}, link);
    EXPECT_TRUE(text.ok()) << text.message;
    return text.sql;
}

std::string refusal(const std::string& type, const std::string& compare, const std::string& value) {
    const SearchText text = BuildSearchRow({type, compare, value});
    EXPECT_TRUE(text.sql.empty());
    return text.message;
}

TEST(SearchTypes, TheTableInListOrder) {
    ASSERT_EQ(kSearchTypes.size(), 21u);
    EXPECT_EQ(kSearchTypes.front().label, "*");
    EXPECT_EQ(kSearchTypes[8].label, "Length");
    EXPECT_EQ(kSearchTypes[8].kind, 256);
    EXPECT_EQ(kSearchTypes.back().label, "Duplicates:TRM");
    EXPECT_EQ(FindSearchType("VBR")->kind, kSearchFixed);
    EXPECT_EQ(FindSearchType("ImportTime")->kind, kSearchDate);
    EXPECT_EQ(FindSearchType("title"), nullptr);
}

TEST(SearchRow, TheExamples) {
    EXPECT_EQ(row("Title", "=", "abc"), " (tblMedia.sName LIKE '%abc%')");
    EXPECT_EQ(row("*", "<>", "x"),
              " (tblGroup.sName NOT LIKE '%x%' AND tblPackage.sName NOT LIKE '%x%' AND "
              "tblMedia.sName NOT LIKE '%x%' AND tblMedia.sFileName NOT LIKE '%x%' AND "
              "tblMedia.sComment NOT LIKE '%x%')");
    EXPECT_EQ(row("Comment", "=", ""), " (tblMedia.sComment IS NULL)");
    EXPECT_EQ(row("Bitrate", ">=", "192", "AND"),
              "AND (tblOptional.lOptionalTypeID=4103 AND tblOptional.lValue>=192)");
    EXPECT_EQ(row("Duplicates:Size", "=", ""), " (tblOptional.lOptionalTypeID=4118 AND "
                                               "tblOptional.fValue=tblMediaDuplicatesSize.fValue)");
}

TEST(SearchRow, TextRows) {
    EXPECT_EQ(row("*", "=", "x"),
              " (tblGroup.sName LIKE '%x%' OR tblPackage.sName LIKE '%x%' OR tblMedia.sName LIKE "
              "'%x%' OR tblMedia.sFileName LIKE '%x%' OR tblMedia.sComment LIKE '%x%')");
    // "<" keeps its sign and compares with the wrapped text.
    EXPECT_EQ(row("Group", "<", "m"), " (tblGroup.sName<'%m%')");
    EXPECT_EQ(row("Group", "<>", ""), " (tblGroup.sName IS NOT NULL)");
    EXPECT_EQ(row("Group", ">=", ""), " (tblGroup.sName>=NULL)");
    EXPECT_EQ(row("Title", "=", "Don't"), " (tblMedia.sName LIKE '%Don''t%')");
    EXPECT_EQ(row("VolumeName", "=", "CD1"),
              " (tblOptional.lOptionalTypeID=4117 AND tblOptional.sValue LIKE '%CD1%')");
}

TEST(SearchRow, FixedRowsIgnoreComparisonAndValue) {
    EXPECT_EQ(row("VBR", ">", "whatever"),
              " (tblOptional.lOptionalTypeID=4112 AND tblOptional.lValue=TRUE)");
    EXPECT_EQ(row("VBR", "nonsense", ""), row("VBR", "=", ""));
    EXPECT_EQ(row("Duplicates:Name", "=", ""), " (tblMedia.sName = tblMediaDuplicates.sName)");
    EXPECT_EQ(row("Duplicates:TRM", "=", "", "OR"),
              "OR (tblOptional.lOptionalTypeID=4095 AND "
              "tblOptional.sValue=tblMediaDuplicatesTRM.sValue)");
}

TEST(SearchRow, NumberLengthAndDateRows) {
    EXPECT_EQ(row("FileSize", ">", " 1048576 "), " (tblMedia.fSize>1048576)");
    EXPECT_EQ(row("FileSize", "<", "2.5"), " (tblMedia.fSize<2.5)");
    EXPECT_EQ(row("Length", ">", "5:30"), " (tblMedia.lLength>330)");
    EXPECT_EQ(row("Length", "<=", "7"), " (tblMedia.lLength<=420)");
    EXPECT_EQ(row("Length", "=", "1:02:03"), " (tblMedia.lLength=3723)");
    EXPECT_EQ(row("PublishTime", ">=", "1990"), " (tblMedia.sPublishTime>='1990')");
    EXPECT_EQ(row("PublishTime", "=", "03-"), " (tblMedia.sPublishTime='2003')");
    // Import times are widened to their fourteen digits.
    EXPECT_EQ(row("ImportTime", ">=", "2003-05-01"), " (tblMedia.sImportTime>='20030501000000')");
    EXPECT_EQ(row("ImportTime", "<", "12:30:15"), " (tblMedia.sImportTime<'00000000123015')");
    EXPECT_EQ(row("ImportTime", "=", "2003-05-01 12:30:15"),
              " (tblMedia.sImportTime='20030501123015')");
    EXPECT_EQ(row("ImportTime", ">", "20030501"), " (tblMedia.sImportTime>'20030501000000')");
}

TEST(SearchRow, ValuesThatDoNotFitTheirTypeAreRefusedBeforeAnySqlIsMade) {
    EXPECT_EQ(refusal("Bitrate", ">=", "192; DROP TABLE tblItem"),
              "\"192; DROP TABLE tblItem\" is not a number! Please enter a number for Bitrate.");
    EXPECT_FALSE(refusal("FileSize", "=", "").empty());
    EXPECT_FALSE(refusal("FileSize", "=", "1e5").empty());
    EXPECT_FALSE(refusal("FileSize", "=", "1.2.3").empty());
    EXPECT_FALSE(refusal("Samplerate", "=", "-").empty());
    EXPECT_EQ(refusal("ImportTime", "=", "12345"),
              "\"12345\" is no date or time! Please enter a date (2003-05-01), a time (12:30:00) "
              "or both for ImportTime.");
    EXPECT_FALSE(refusal("PublishTime", "=", "").empty());
    EXPECT_FALSE(refusal("PublishTime", "=", "x' OR 1=1 --").empty());
    EXPECT_FALSE(refusal("Length", "=", "abc").empty());
    EXPECT_FALSE(refusal("Length", "=", "").empty());
    EXPECT_EQ(refusal("Colour", "=", "red"), "Unknown search type \"Colour\"!");
    EXPECT_EQ(refusal("Title", "LIKE", "x"), "Unknown comparison \"LIKE\"!");
    EXPECT_EQ(refusal("Title", "=1 OR 1", "x"), "Unknown comparison \"=1 OR 1\"!");
    const SearchText link = BuildSearchRow({"Title", "=", "x"}, "XOR");
    EXPECT_EQ(link.message, "Unknown search link \"XOR\"! Use -, AND or OR.");
}

TEST(SearchCondition, RowTwoWithTheLinkDashAddsNothing) {
    const SearchText condition =
        BuildSearchCondition({"Title", "=", "abc"}, "-", {"Colour", "??", "not even valid"});
    ASSERT_TRUE(condition.ok());
    EXPECT_EQ(condition.sql, "( (tblMedia.sName LIKE '%abc%') )");
    const SearchText both = BuildSearchCondition({"Title", "=", "abc"}, "OR", {"Group", "=", "q"});
    EXPECT_EQ(both.sql, "( (tblMedia.sName LIKE '%abc%') OR (tblGroup.sName LIKE '%q%'))");
    EXPECT_FALSE(BuildSearchCondition({"Length", "=", "x"}, "-", {}).ok());
    EXPECT_FALSE(BuildSearchCondition({"Title", "=", "x"}, "AND", {"Length", "=", "x"}).ok());
}

TEST(SearchCondition, TheFormRemembersItsRowsInTheSettings) {
    CAppSettings settings;
    SearchForm form = SearchFormFromSettings(settings);
    EXPECT_EQ(form.row1.type, "*");
    EXPECT_EQ(form.link, "-");
    EXPECT_EQ(form.row2.type, "Title");
    settings.Search1Type = "Group";
    settings.Search1Value = "abba";
    settings.Search2Link = "AND";
    settings.Search2Type = "Length";
    settings.Search2Compare = ">";
    settings.Search2Value = "3";
    EXPECT_EQ(BuildSearchCondition(SearchFormFromSettings(settings)).sql,
              "( (tblGroup.sName LIKE '%abba%') AND (tblMedia.lLength>180))");
}

TEST(DateTimeValues, CompactFormsByLength) {
    auto digits = [](std::string_view value) {
        const auto parts = ReadDateTimeValue(value);
        return parts ? parts->Digits() : std::string("none");
    };
    EXPECT_EQ(digits("2003"), "2003");
    EXPECT_EQ(digits("123015"), "123015");
    EXPECT_EQ(digits("20030501"), "20030501");
    EXPECT_EQ(digits("20030501123015"), "20030501123015");
    EXPECT_EQ(digits("12345"), "none");
    EXPECT_EQ(digits("200305011230"), "none");
    EXPECT_EQ(digits("20a3"), "none");
    EXPECT_EQ(digits(""), "none");
    EXPECT_EQ(digits("20031301"), "none"); // month 13
    EXPECT_EQ(digits("246000"), "none");   // hour 24
    const auto timeOnly = ReadDateTimeValue("123015");
    ASSERT_TRUE(timeOnly);
    EXPECT_TRUE(timeOnly->date.empty());
    EXPECT_EQ(timeOnly->time, (std::vector<int>{12, 30, 15}));
}

TEST(DateTimeValues, SeparatedFormsInEitherOrder) {
    auto digits = [](std::string_view value) {
        const auto parts = ReadDateTimeValue(value);
        return parts ? parts->Digits() : std::string("none");
    };
    EXPECT_EQ(digits("2003-5-1"), "20030501");
    EXPECT_EQ(digits("2003-05"), "200305");
    EXPECT_EQ(digits("03-05-01"), "20030501");
    EXPECT_EQ(digits("999-1-1"), "29990101");
    EXPECT_EQ(digits("1000-1-1"), "10000101");
    EXPECT_EQ(digits("12:30"), "1230");
    EXPECT_EQ(digits("9:"), "09");
    EXPECT_EQ(digits("2003-05-01 12:30:15"), "20030501123015");
    EXPECT_EQ(digits("12:30:15  2003-05-01"), "20030501123015");
    EXPECT_EQ(digits(" 2003-05-01 "), "20030501");
    EXPECT_EQ(digits("2003-05-01T12:30"), "none");
    EXPECT_EQ(digits("2003--01"), "none");
    EXPECT_EQ(digits("-5"), "none");
    EXPECT_EQ(digits("1-2-3-4"), "none");
    EXPECT_EQ(digits("12:30 x"), "none");
    EXPECT_EQ(digits("2003-05-01 12:30 1"), "none");
    EXPECT_EQ(digits("2003-05-01 2003-05-01 12:00"), "none");
    EXPECT_EQ(digits("12:61"), "none");
    EXPECT_EQ(digits("-"), "none");
}

TEST(LengthValues, MinutesSecondsAndHours) {
    EXPECT_EQ(ReadLengthValue("5:30"), 330);
    EXPECT_EQ(ReadLengthValue("7"), 420);
    EXPECT_EQ(ReadLengthValue("0:59"), 59);
    EXPECT_EQ(ReadLengthValue("1:02:03"), 3723);
    EXPECT_EQ(ReadLengthValue("1:02:"), 3720);
    EXPECT_EQ(ReadLengthValue("5:"), 300);
    EXPECT_EQ(ReadLengthValue(" 90 "), 5400);
    EXPECT_EQ(ReadLengthValue(""), std::nullopt);
    EXPECT_EQ(ReadLengthValue(":30"), std::nullopt);
    EXPECT_EQ(ReadLengthValue("1:2:3:4"), std::nullopt);
    EXPECT_EQ(ReadLengthValue("1:2:3:"), std::nullopt);
    EXPECT_EQ(ReadLengthValue("-5"), std::nullopt);
    EXPECT_EQ(ReadLengthValue("5.5"), std::nullopt);
    EXPECT_EQ(ReadLengthValue("999999999:0:0"), std::nullopt);
}

// The conditions run as the list runs them.
TEST(SearchCondition, FindsTheItemsItDescribes) {
    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder(catalogue.connection);
    auto& db = catalogue.connection;
    const auto a = builder.add(
        {.title = "Song", .group = "Abba", .length = 200, .importTime = "20030501120000"});
    const auto b = builder.add({.title = "song",
                                .group = "Queen",
                                .length = 400,
                                .comment = "live",
                                .importTime = "20040101000000"});
    const auto c = builder.add(
        {.title = "Other", .group = "Queen", .length = 100, .importTime = "20050101000000"});
    SetOptionalValue(db, {a.mediaId, kOptionalBitrate, kValueInteger, {}, 192, 0});
    SetOptionalValue(db, {b.mediaId, kOptionalBitrate, kValueInteger, {}, 128, 0});
    SetOptionalValue(db, {a.mediaId, kOptionalVariableBitrate, kValueBoolean, {}, 1, 0});
    SetOptionalValue(db, {a.mediaId, kOptionalAudioSize, kValueFloat, {}, 0, 1000.0});
    SetOptionalValue(db, {c.mediaId, kOptionalAudioSize, kValueFloat, {}, 0, 1000.0});
    SetOptionalValue(db, {b.mediaId, kOptionalFingerprint, kValueText, "fp", 0, 0});
    SetOptionalValue(db, {c.mediaId, kOptionalFingerprint, kValueText, "fp", 0, 0});

    auto found = [&](const SearchRow& first, const std::string& link = "-",
                     const SearchRow& second = {}) {
        const SearchText condition = BuildSearchCondition(first, link, second);
        EXPECT_TRUE(condition.ok()) << condition.message;
        Selection selection;
        selection.columns = "SELECT tblItem.lID";
        selection.condition = condition.sql;
        std::vector<int> ids;
        for (ResultSet rows = RunSelection(db, selection); !rows.IsEof(); rows.MoveNext())
            ids.push_back(rows.GetInt(0));
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    using Ids = std::vector<int>;
    EXPECT_EQ(found({"*", "=", "SON"}), (Ids{a.itemId, b.itemId}));
    EXPECT_EQ(found({"Duplicates:Name", "=", ""}), (Ids{a.itemId, b.itemId}));
    EXPECT_EQ(found({"Duplicates:Size", "=", ""}), (Ids{a.itemId, c.itemId}));
    EXPECT_EQ(found({"Duplicates:TRM", "=", ""}), (Ids{b.itemId, c.itemId}));
    EXPECT_EQ(found({"VBR", "=", ""}), (Ids{a.itemId}));
    EXPECT_EQ(found({"Bitrate", ">=", "150"}), (Ids{a.itemId}));
    EXPECT_EQ(found({"Length", ">", "3:00"}), (Ids{a.itemId, b.itemId}));
    EXPECT_EQ(found({"Comment", "=", ""}), (Ids{a.itemId, c.itemId}));
    EXPECT_EQ(found({"ImportTime", ">=", "2004"}), (Ids{b.itemId, c.itemId}));
    EXPECT_EQ(found({"ImportTime", "<", "2003-05-01 12:00:01"}), (Ids{a.itemId}));
    EXPECT_EQ(found({"Group", "=", "queen"}, "AND", {"Length", "<", "2"}), (Ids{c.itemId}));
    EXPECT_EQ(found({"Group", "=", "abba"}, "OR", {"Comment", "=", "live"}),
              (Ids{a.itemId, b.itemId}));
}

} // namespace
} // namespace tunebay
