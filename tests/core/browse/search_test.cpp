#include "browse/search_row.h"
#include "browse/search_types.h"
#include "browse/search_values.h"
#include "browse/selection.h"
#include "store/optional_values.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <map>

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
    // Rows over optional properties and duplicate queries are conditions on the item alone.
    EXPECT_EQ(row("Bitrate", ">=", "192", "AND"),
              "AND (tblMedia.lID IN (SELECT optionalRow.lTableID FROM tblOptional AS optionalRow "
              "WHERE optionalRow.lOptionalTypeID=4103 AND "
              "optionalRow.lValue>=192))");
    EXPECT_EQ(row("Duplicates:Size", "=", ""),
              " (tblMedia.lID IN (SELECT optionalRow.lTableID FROM tblOptional AS optionalRow, "
              "tblMediaDuplicatesSize AS duplicateRow WHERE optionalRow.lOptionalTypeID=4118 AND "
              "optionalRow.fValue=duplicateRow.fValue))");
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
    // "%" and "_" (and the escape itself) match themselves.
    EXPECT_EQ(row("Title", "<>", "100%_a\\b"),
              " (tblMedia.sName NOT LIKE '%100\\%\\_a\\\\b%' ESCAPE '\\')");
    EXPECT_EQ(row("VolumeName", "=", "CD1"),
              " (tblMedia.lID IN (SELECT optionalRow.lTableID FROM tblOptional AS optionalRow "
              "WHERE optionalRow.lOptionalTypeID=4117 AND "
              "optionalRow.sValue LIKE '%CD1%'))");
}

TEST(SearchRow, FixedRowsIgnoreComparisonAndValue) {
    EXPECT_EQ(row("VBR", ">", "whatever"),
              " (tblMedia.lID IN (SELECT optionalRow.lTableID FROM tblOptional AS optionalRow "
              "WHERE optionalRow.lOptionalTypeID=4112 AND "
              "optionalRow.lValue=TRUE))");
    EXPECT_EQ(row("VBR", "nonsense", ""), row("VBR", "=", ""));
    EXPECT_EQ(row("Duplicates:Name", "=", ""),
              " (tblMedia.sName IN (SELECT sName FROM tblMediaDuplicates))");
    EXPECT_EQ(row("Duplicates:TRM", "=", "", "OR"),
              "OR (tblMedia.lID IN (SELECT optionalRow.lTableID FROM tblOptional AS optionalRow, "
              "tblMediaDuplicatesTRM AS duplicateRow WHERE optionalRow.lOptionalTypeID=4095 AND "
              "optionalRow.sValue=duplicateRow.sValue))");
}

TEST(SearchRow, NumberLengthAndDateRows) {
    EXPECT_EQ(row("FileSize", ">", " 1048576 "), " (tblMedia.fSize>1048576)");
    EXPECT_EQ(row("FileSize", "<", "2.5"), " (tblMedia.fSize<2.5)");
    EXPECT_EQ(row("Length", ">", "5:30"), " (tblMedia.lLength>330)");
    EXPECT_EQ(row("Length", "<=", "7"), " (tblMedia.lLength<=420)");
    EXPECT_EQ(row("Length", "=", "1:02:03"), " (tblMedia.lLength=3723)");
    EXPECT_EQ(row("PublishTime", ">=", "1990"), " (tblMedia.sPublishTime>='1990')");
    EXPECT_EQ(row("PublishTime", "=", "03-"), " (tblMedia.sPublishTime='2003')");
    // An import time given in part compares the period it names.
    const struct {
        const char* compare;
        const char* value;
        const char* sql;
    } importTimes[] = {
        {">=", "2003-05-01", " (substr(tblMedia.sImportTime, 1, 8)>='20030501')"},
        {">", "20030501", " (substr(tblMedia.sImportTime, 1, 8)>'20030501')"},
        {"=", "2003-01", " (substr(tblMedia.sImportTime, 1, 6)='200301')"},
        {"<", "2003", " (substr(tblMedia.sImportTime, 1, 4)<'2003')"},
        {"<", "12:30:15", " (substr(tblMedia.sImportTime, 9, 6)<'123015')"},
        {"=", "10:10", " (substr(tblMedia.sImportTime, 9, 4)='1010')"},
        {"=", "2003-05-01 12:30:15", " (tblMedia.sImportTime='20030501123015')"},
        {">=", "2003-05 10:00", " (substr(tblMedia.sImportTime, 1, 12)>='200305011000')"},
    };
    for (const auto& t : importTimes)
        EXPECT_EQ(row("ImportTime", t.compare, t.value), t.sql) << t.value;
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
        {.title = "Other 100%", .group = "Queen", .length = 100, .importTime = "20050101101000"});
    SetOptionalValue(db, {a.mediaId, kOptionalBitrate, kValueInteger, {}, 192, 0});
    SetOptionalValue(db, {b.mediaId, kOptionalBitrate, kValueInteger, {}, 128, 0});
    SetOptionalValue(db, {a.mediaId, kOptionalSampleRate, kValueInteger, {}, 44100, 0});
    SetOptionalValue(db, {b.mediaId, kOptionalSampleRate, kValueInteger, {}, 44100, 0});
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

// Three items: a "Song" by Abba with bitrate 192, sample rate, VBR and an audio size; b "song" by
// Queen with bitrate 128, sample rate and a fingerprint; c "Other 100%" by Queen sharing a's audio
// size and b's fingerprint.
class SearchCombinations : public ::testing::Test {
protected:
    void SetUp() override {
        test::CatalogueBuilder builder(db());
        const auto first =
            builder.add({.title = "Song", .group = "Abba", .importTime = "20030501120000"});
        const auto second =
            builder.add({.title = "song", .group = "Queen", .importTime = "20040101000000"});
        const auto third =
            builder.add({.title = "Other 100%", .group = "Queen", .importTime = "20050101101000"});
        a = first.itemId;
        b = second.itemId;
        c = third.itemId;
        m_media = {{a, first.mediaId}, {b, second.mediaId}, {c, third.mediaId}};
        SetOptionalValue(db(), {first.mediaId, kOptionalBitrate, kValueInteger, {}, 192, 0});
        SetOptionalValue(db(), {second.mediaId, kOptionalBitrate, kValueInteger, {}, 128, 0});
        SetOptionalValue(db(), {first.mediaId, kOptionalSampleRate, kValueInteger, {}, 44100, 0});
        SetOptionalValue(db(), {second.mediaId, kOptionalSampleRate, kValueInteger, {}, 44100, 0});
        SetOptionalValue(db(), {first.mediaId, kOptionalVariableBitrate, kValueBoolean, {}, 1, 0});
        SetOptionalValue(db(), {first.mediaId, kOptionalAudioSize, kValueFloat, {}, 0, 1000.0});
        SetOptionalValue(db(), {third.mediaId, kOptionalAudioSize, kValueFloat, {}, 0, 1000.0});
        SetOptionalValue(db(), {second.mediaId, kOptionalFingerprint, kValueText, "fp", 0, 0});
        SetOptionalValue(db(), {third.mediaId, kOptionalFingerprint, kValueText, "fp", 0, 0});
    }
    CCatalogueConnection& db() { return m_catalogue.connection; }
    int mediaOf(int item) { return m_media.at(item); }
    // The items the list shows, in id order, each as often as it is listed.
    std::vector<int> found(const SearchRow& first, const std::string& link = "-",
                           const SearchRow& second = {}) {
        const SearchText condition = BuildSearchCondition(first, link, second);
        EXPECT_TRUE(condition.ok()) << condition.message;
        Selection selection;
        selection.columns = "SELECT tblItem.lID";
        selection.condition = condition.sql;
        std::vector<int> ids;
        for (ResultSet rows = RunSelection(db(), selection); !rows.IsEof(); rows.MoveNext())
            ids.push_back(rows.GetInt(0));
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    int a = 0, b = 0, c = 0;

private:
    test::TempCatalogue m_catalogue;
    std::map<int, int> m_media;
};

// Rows over optional properties and duplicate queries joined with other rows: every matching
// item once, none lost.
TEST_F(SearchCombinations, EachRowIsAConditionOnTheItem) {
    using Ids = std::vector<int>;
    const struct {
        SearchRow first;
        const char* link;
        SearchRow second;
        Ids items;
    } cases[] = {
        {{"Title", "=", "song"}, "OR", {"VBR", "=", ""}, {a, b}},
        {{"Title", "=", "other"}, "OR", {"VBR", "=", ""}, {a, c}},
        {{"Bitrate", ">=", "150"}, "AND", {"Samplerate", "=", "44100"}, {a}},
        {{"Bitrate", "<", "150"}, "OR", {"Samplerate", "=", "44100"}, {a, b}},
        {{"Title", "=", "other"}, "OR", {"Duplicates:Name", "=", ""}, {a, b, c}},
        {{"Title", "=", "song"}, "AND", {"Duplicates:TRM", "=", ""}, {b}},
        {{"Group", "=", "queen"}, "OR", {"Duplicates:Size", "=", ""}, {a, b, c}},
        {{"Duplicates:Size", "=", ""}, "AND", {"Duplicates:TRM", "=", ""}, {c}},
        {{"VBR", "=", ""}, "-", {}, {a}},
    };
    for (const auto& t : cases)
        EXPECT_EQ(found(t.first, t.link, t.second), t.items)
            << t.first.type << " " << t.link << " " << t.second.type;
}

TEST_F(SearchCombinations, NoRepeatedNamesStillFindsTheOtherRow) {
    db().Execute("UPDATE tblMedia SET sName='Unique' WHERE lID=" + std::to_string(mediaOf(b)));
    EXPECT_EQ(found({"Title", "=", "other"}, "OR", {"Duplicates:Name", "=", ""}),
              (std::vector<int>{c}));
}

TEST_F(SearchCombinations, ValuesMatchTheirPercentAndUnderscoreLiterally) {
    using Ids = std::vector<int>;
    EXPECT_EQ(found({"Title", "=", "100%"}), (Ids{c}));
    EXPECT_EQ(found({"Title", "=", "%"}), (Ids{c}));
    EXPECT_EQ(found({"Title", "=", "s_ng"}), (Ids{}));
    EXPECT_EQ(found({"Title", "<>", "%"}), (Ids{a, b}));
}

TEST_F(SearchCombinations, PartialImportTimesNameTheirPeriod) {
    using Ids = std::vector<int>;
    // Stamps: a 2003-05-01 12:00:00, b 2004-01-01 00:00:00, c 2005-01-01 10:10:00.
    const struct {
        const char* compare;
        const char* value;
        Ids items;
    } cases[] = {
        {"=", "2003-05-01", {a}},     {"=", "2003-05", {a}},
        {"=", "2004", {b}},           {">", "2003-05-01", {b, c}},
        {"<=", "2004-01", {a, b}},    {"=", "10:10", {c}},
        {"<", "12:00", {b, c}},       {">=", "2003-05 12:00", {a, b, c}},
        {"<>", "2004-01-01", {a, c}},
    };
    for (const auto& t : cases)
        EXPECT_EQ(found({"ImportTime", t.compare, t.value}), t.items) << t.compare << t.value;
}

} // namespace
} // namespace tunebay
