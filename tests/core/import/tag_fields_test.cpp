#include "import/id3_tag_writer.h"
#include "import/tag_fields.h"

#include "app/product.h"
#include "import/mpeg_header_reader.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>

#include <unistd.h>

namespace tunebay {
namespace {

using test::Id3v1Fields;
using test::Id3v2Fields;
using test::TempDir;
using test::TextEncoding;

TEST(GenreFromContentType, NumberInParenthesesAtTheStart) {
    EXPECT_EQ(GenreFromContentType("(17)"), 17);
    EXPECT_EQ(GenreFromContentType("(17)Rock"), 17);
    EXPECT_EQ(GenreFromContentType("(0)"), 0);
    EXPECT_EQ(GenreFromContentType("(125)"), 125);
    EXPECT_EQ(GenreFromContentType("(1)(2)"), 1);
    EXPECT_EQ(GenreFromContentType("(017)"), 17);
}

TEST(GenreFromContentType, DigitsAloneAsVersion24WritesThem) {
    EXPECT_EQ(GenreFromContentType("17"), 17);
    EXPECT_EQ(GenreFromContentType("0"), 0);
    EXPECT_EQ(GenreFromContentType("17Rock"), kNoGenre);
    EXPECT_EQ(GenreFromContentType("17 "), kNoGenre);
}

TEST(GenreFromContentType, EverythingElseIsNoGenre) {
    EXPECT_EQ(GenreFromContentType("(126)"), kNoGenre);
    EXPECT_EQ(GenreFromContentType("(130)"), kNoGenre);
    EXPECT_EQ(GenreFromContentType("(255)"), kNoGenre);
    EXPECT_EQ(GenreFromContentType("(99999999999999999999)"), kNoGenre);
    EXPECT_EQ(GenreFromContentType("130"), kNoGenre);
    EXPECT_EQ(GenreFromContentType("Rock"), kNoGenre);
    EXPECT_EQ(GenreFromContentType(""), kNoGenre);
    EXPECT_EQ(GenreFromContentType("()"), kNoGenre);
    EXPECT_EQ(GenreFromContentType("(17"), kNoGenre);
    EXPECT_EQ(GenreFromContentType("(RX)"), kNoGenre);
    EXPECT_EQ(GenreFromContentType(" (17)"), kNoGenre);
}

TEST(TagCommentDescription, IsTheProductWebSitesDomain) {
    EXPECT_EQ(std::string(kProductWebsite), std::string("https://") + kTagCommentDescription + "/");
}

class TagFieldsTest : public ::testing::Test {
protected:
    // A short valid stream behind `leading`, with `trailing` after it.
    std::string write(const std::string& leading, const std::string& trailing = {},
                      const std::string& name = "a.mp3") {
        test::FrameHeader header;
        return m_dir.write(name, leading + test::audioFrames(header, 20) + trailing).string();
    }
    MediaFileInfo read(const std::string& path, bool useId3v2 = true) {
        MediaFileInfo info;
        EXPECT_EQ(ReadTagFields(path, info, useId3v2), 0);
        return info;
    }
    TempDir m_dir;
};

TEST_F(TagFieldsTest, ReadsTheFieldsOfAVersion23Tag) {
    Id3v2Fields fields{"Title", "Artist", "Album", "1999", "Comment", "(17)", "3"};
    const MediaFileInfo info = read(write(test::id3v2TagFromFields(3, fields)));
    EXPECT_EQ(info.title, "Title");
    EXPECT_EQ(info.group, "Artist");
    EXPECT_EQ(info.package, "Album");
    EXPECT_EQ(info.publishTime, "1999");
    EXPECT_EQ(info.comment, "Comment");
    EXPECT_EQ(info.genre, 17);
}

TEST_F(TagFieldsTest, ReadsVersions22And24) {
    Id3v2Fields fields{"Title", "Artist", "Album", "2004", "Comment", "(17)", ""};
    for (int version : {2, 4}) {
        const MediaFileInfo info = read(write(test::id3v2TagFromFields(version, fields)));
        EXPECT_EQ(info.title, "Title") << version;
        EXPECT_EQ(info.group, "Artist");
        EXPECT_EQ(info.package, "Album");
        EXPECT_EQ(info.publishTime, "2004");
        EXPECT_EQ(info.comment, "Comment");
        EXPECT_EQ(info.genre, 17);
    }
}

TEST_F(TagFieldsTest, FullDateOfVersion24IsTakenAsWritten) {
    Id3v2Fields fields;
    fields.year = "2004-05-06";
    EXPECT_EQ(read(write(test::id3v2TagFromFields(4, fields))).publishTime, "2004-05-06");
}

TEST_F(TagFieldsTest, YearOfVersion23IsTheYearFrameAlone) {
    const MediaFileInfo info = read(write(test::id3v2Tag(
        3, {test::id3v2TextFrame(3, "TYER", "1999"), test::id3v2TextFrame(3, "TDAT", "0105")})));
    EXPECT_EQ(info.publishTime, "1999");
}

TEST_F(TagFieldsTest, StrayYearFrameInVersion24) {
    EXPECT_EQ(read(write(test::id3v2Tag(4, {test::id3v2TextFrame(4, "TYER", "1999")}))).publishTime,
              "1999");
    EXPECT_EQ(read(write(test::id3v2Tag(4, {test::id3v2TextFrame(4, "TYER", "1999"),
                                            test::id3v2TextFrame(4, "TDRC", "2001")})))
                  .publishTime,
              "2001");
}

// A table of contents with one chapter, each carrying an embedded title.
std::vector<std::string> chapterFrames() {
    const std::string chapterTitle = test::id3v2TextFrame(3, "TIT2", "Chapter One");
    const std::string toc = std::string("toc\0\x03\x01"
                                        "ch1\0",
                                        10) +
                            chapterTitle;
    const std::string chapter = std::string("ch1\0", 4) + std::string(16, '\0') + chapterTitle;
    return {test::id3v2Frame(3, "CTOC", toc), test::id3v2Frame(3, "CHAP", chapter)};
}

TEST_F(TagFieldsTest, ChapterFramesDoNotDisturbReading) {
    std::vector<std::string> frames = chapterFrames();
    frames.push_back(test::id3v2TextFrame(3, "TIT2", "Book"));
    EXPECT_EQ(read(write(test::id3v2Tag(3, frames))).title, "Book");
}

struct GenreCase {
    int version;
    const char* text;
    int32_t genre;
};

void PrintTo(const GenreCase& c, std::ostream* out) {
    *out << "v2." << c.version << " \"" << c.text << "\"";
}

class TagGenreTest : public TagFieldsTest, public ::testing::WithParamInterface<GenreCase> {};

TEST_P(TagGenreTest, GenreFormsAsTagLibHandsThemBack) {
    Id3v2Fields fields;
    fields.title = "T";
    fields.genre = GetParam().text;
    EXPECT_EQ(read(write(test::id3v2TagFromFields(GetParam().version, fields))).genre,
              GetParam().genre);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TagGenreTest,
    ::testing::Values(GenreCase{3, "(17)", 17}, GenreCase{3, "(17)Rock", 17},
                      GenreCase{3, "(17)Something", 17}, GenreCase{3, "Rock", kNoGenre},
                      GenreCase{3, "17", 17}, GenreCase{3, "(130)", kNoGenre},
                      GenreCase{3, "(126)Other", kNoGenre}, GenreCase{3, "(RX)", kNoGenre},
                      GenreCase{3, "", kNoGenre}, GenreCase{2, "(17)", 17},
                      GenreCase{2, "(17)Rock", 17}, GenreCase{2, "Rock", kNoGenre},
                      GenreCase{4, "17", 17}, GenreCase{4, "(17)", 17},
                      GenreCase{4, "(17)Rock", 17}, GenreCase{4, "Rock", kNoGenre},
                      GenreCase{4, "130", kNoGenre}));

TEST_F(TagFieldsTest, GenreOfVersion24WithSeveralValuesTakesTheFirst) {
    const std::string frame = test::id3v2Frame(4, "TCON",
                                               std::string("\0"
                                                           "17\0Rock",
                                                           8));
    EXPECT_EQ(read(write(test::id3v2Tag(4, std::vector<std::string>{frame}))).genre, 17);
}

TEST_F(TagFieldsTest, GroupIsTheFirstOfLeadPerformerBandConductorComposer) {
    const auto tagWith = [](std::vector<std::pair<const char*, const char*>> frames) {
        std::vector<std::string> bytes;
        for (const auto& [id, text] : frames)
            bytes.push_back(test::id3v2TextFrame(3, id, text));
        return test::id3v2Tag(3, bytes);
    };
    EXPECT_EQ(
        read(write(tagWith({{"TCOM", "Composer"}, {"TPE2", "Band"}, {"TPE1", "Lead"}}))).group,
        "Lead");
    EXPECT_EQ(
        read(write(tagWith({{"TCOM", "Composer"}, {"TPE3", "Conductor"}, {"TPE2", "Band"}}))).group,
        "Band");
    EXPECT_EQ(read(write(tagWith({{"TCOM", "Composer"}, {"TPE3", "Conductor"}}))).group,
              "Conductor");
    EXPECT_EQ(read(write(tagWith({{"TCOM", "Composer"}}))).group, "Composer");
}

// The comment is the frame without a description; the copy of the version-1 comment only when
// nothing else is there.
TEST_F(TagFieldsTest, CommentIsTheFrameWithoutDescription) {
    EXPECT_EQ(read(write(test::id3v2Tag(3, {test::id3v2CommentFrame(3, "ID3v1 Comment", "Copy"),
                                            test::id3v2CommentFrame(3, "", "Own")})))
                  .comment,
              "Own");
    EXPECT_EQ(read(write(test::id3v2Tag(3, {test::id3v2CommentFrame(3, "ID3v1 Comment", "Copy")})))
                  .comment,
              "Copy");
    EXPECT_EQ(read(write(test::id3v2Tag(3, {test::id3v2CommentFrame(3, "First", "One"),
                                            test::id3v2CommentFrame(3, "", "Two")})))
                  .comment,
              "Two");
    EXPECT_EQ(read(write(test::id3v2Tag(3, {test::id3v2CommentFrame(3, "iTunNORM", "0000"),
                                            test::id3v2CommentFrame(3, "Other", "Three")})))
                  .comment,
              "Three");
}

TEST_F(TagFieldsTest, TextInEveryEncodingArrivesAsUtf8) {
    const std::string title = "D\u00e9j\u00e0 vu \u2603 \U0001F3B5";
    for (TextEncoding encoding :
         {TextEncoding::Utf16, TextEncoding::Utf16BigEndian, TextEncoding::Utf8}) {
        Id3v2Fields fields;
        fields.title = title;
        fields.artist = "K\u00f6nig";
        fields.comment = "\u00fcber";
        const MediaFileInfo info = read(write(test::id3v2TagFromFields(4, fields, encoding)));
        EXPECT_EQ(info.title, title) << static_cast<int>(encoding);
        EXPECT_EQ(info.group, "K\u00f6nig");
        EXPECT_EQ(info.comment, "\u00fcber");
    }
    Id3v2Fields fields;
    fields.title = "D\u00e9j\u00e0";
    EXPECT_EQ(read(write(test::id3v2TagFromFields(3, fields, TextEncoding::Utf16))).title,
              "D\u00e9j\u00e0");
    EXPECT_EQ(read(write(test::id3v2TagFromFields(3, fields, TextEncoding::Latin1))).title,
              "D\u00e9j\u00e0");
}

TEST_F(TagFieldsTest, TextsAreTakenAsTheyAre) {
    Id3v2Fields fields;
    fields.title = "  Spaced  ";
    EXPECT_EQ(read(write(test::id3v2TagFromFields(3, fields))).title, "  Spaced  ");
}

TEST_F(TagFieldsTest, Version1Tag) {
    Id3v1Fields v1{"Old Title", "Old Artist", "Old Album", "1987", "Old Comment", 4, 17};
    const MediaFileInfo info = read(write({}, test::id3v1Tag(v1)), false);
    EXPECT_EQ(info.title, "Old Title");
    EXPECT_EQ(info.group, "Old Artist");
    EXPECT_EQ(info.package, "Old Album");
    EXPECT_EQ(info.publishTime, "1987");
    EXPECT_EQ(info.comment, "Old Comment");
    EXPECT_EQ(info.genre, 17);
}

TEST_F(TagFieldsTest, Version1GenreAbove125OrMissing) {
    Id3v1Fields v1;
    v1.title = "T";
    v1.genre = 130;
    EXPECT_EQ(read(write({}, test::id3v1Tag(v1))).genre, kNoGenre);
    v1.genre = 255;
    EXPECT_EQ(read(write({}, test::id3v1Tag(v1))).genre, kNoGenre);
    v1.genre = 125;
    EXPECT_EQ(read(write({}, test::id3v1Tag(v1))).genre, 125);
}

TEST_F(TagFieldsTest, UseId3v2OffReadsVersion1Only) {
    Id3v2Fields v2{"New Title", "New Artist", "", "", "", "(20)", ""};
    Id3v1Fields v1{"Old Title", "Old Artist", "Old Album", "1987", "", 0, 17};
    const std::string path = write(test::id3v2TagFromFields(3, v2), test::id3v1Tag(v1));

    const MediaFileInfo off = read(path, false);
    EXPECT_EQ(off.title, "Old Title");
    EXPECT_EQ(off.group, "Old Artist");
    EXPECT_EQ(off.genre, 17);

    // With version 2 read too, its frames win and version 1 fills the gaps.
    const MediaFileInfo on = read(path, true);
    EXPECT_EQ(on.title, "New Title");
    EXPECT_EQ(on.group, "New Artist");
    EXPECT_EQ(on.package, "Old Album");
    EXPECT_EQ(on.publishTime, "1987");
    EXPECT_EQ(on.genre, 20);
}

TEST_F(TagFieldsTest, UseId3v2OffIgnoresAVersion2OnlyTag) {
    Id3v2Fields v2{"New Title", "New Artist", "Album", "2000", "C", "(20)", ""};
    const MediaFileInfo info = read(write(test::id3v2TagFromFields(3, v2)), false);
    EXPECT_EQ(info.title, "");
    EXPECT_EQ(info.group, "");
    EXPECT_EQ(info.genre, kNoGenre);
}

TEST_F(TagFieldsTest, FileWithoutTagsGivesEmptyFields) {
    MediaFileInfo info;
    info.title = "stale";
    info.genre = 3;
    EXPECT_EQ(ReadTagFields(write({}), info, true), 0);
    EXPECT_EQ(info.title, "");
    EXPECT_EQ(info.group, "");
    EXPECT_EQ(info.package, "");
    EXPECT_EQ(info.publishTime, "");
    EXPECT_EQ(info.comment, "");
    EXPECT_EQ(info.genre, kNoGenre);
}

TEST_F(TagFieldsTest, FilesThatCannotBeReadFail) {
    MediaFileInfo info;
    EXPECT_EQ(ReadTagFields((m_dir.path() / "missing.mp3").string(), info, true), kStatusFailed);
    EXPECT_EQ(ReadTagFields(m_dir.write("empty.mp3", "").string(), info, true), kStatusFailed);
    EXPECT_EQ(ReadTagFields(m_dir.path().string(), info, true), kStatusFailed);
}

TEST_F(TagFieldsTest, JunkWithoutAudioStillReadsItsTags) {
    Id3v1Fields v1;
    v1.title = "Junk";
    const std::string path = m_dir.write("junk.mp3", std::string(500, 'x') + test::id3v1Tag(v1));
    EXPECT_EQ(read(path).title, "Junk");
}

ItemTagFields title(const std::string& text) {
    ItemTagFields fields;
    fields.title = text;
    return fields;
}

class WriteTagTest : public TagFieldsTest {
protected:
    std::vector<test::Id3v2FrameData> frames(const std::string& path, int* version = nullptr) {
        return test::parseId3v2Frames(test::readFile(path), version);
    }
    std::vector<std::string> texts(const std::string& path, const std::string& id) {
        std::vector<std::string> out;
        for (const auto& frame : frames(path))
            if (frame.id == id)
                out.push_back(test::decodeTextFrame(frame.body));
        return out;
    }
    bool endsWithVersion1Tag(const std::string& path) {
        const std::string bytes = test::readFile(path);
        return bytes.size() >= 128 && bytes.compare(bytes.size() - 128, 3, "TAG") == 0;
    }
    using Texts = std::vector<std::string>;
};

TEST_F(WriteTagTest, WrittenVersion23TagReadsBack) {
    const std::string path = write({});
    ItemTagFields fields{"Title", "Group", "Package", "2001", "Comment", 17};
    ASSERT_TRUE(WriteTagToFile(path, fields, true).ok);

    int version = 0;
    frames(path, &version);
    EXPECT_EQ(version, 3);
    const MediaFileInfo info = read(path);
    EXPECT_EQ(info.title, "Title");
    EXPECT_EQ(info.group, "Group");
    EXPECT_EQ(info.package, "Package");
    EXPECT_EQ(info.publishTime, "2001");
    EXPECT_EQ(info.comment, "Comment");
    EXPECT_EQ(info.genre, 17);
    EXPECT_EQ(texts(path, "TCON"), Texts{"(17)"});
    EXPECT_EQ(texts(path, "TYER"), Texts{"2001"});

    // The audio is still found behind the new tag.
    MpegHeaderReader reader;
    ASSERT_EQ(reader.Open(path), 0);
    EXPECT_EQ(reader.Bitrate(), 128);
}

TEST_F(WriteTagTest, TextsBeyondLatin1AreWrittenAsUtf16) {
    const std::string path = write({});
    ItemTagFields fields{"\u65e5\u672c \U0001F3B5", "Caf\u00e9", "P", "", "", kNoGenre};
    ASSERT_TRUE(WriteTagToFile(path, fields, true).ok);
    for (const auto& frame : frames(path)) {
        if (frame.id == "TIT2") {
            EXPECT_EQ(frame.body[0], 1);
        }
        if (frame.id == "TPE1") {
            EXPECT_EQ(frame.body[0], 0);
        }
    }
    const MediaFileInfo info = read(path);
    EXPECT_EQ(info.title, fields.title);
    EXPECT_EQ(info.group, fields.group);
}

TEST_F(WriteTagTest, Version1TrackNumberIsKeptAndTheVersion1TagRemoved) {
    Id3v1Fields v1{"Old", "Old", "Old", "1990", "", 7, 3};
    const std::string path = write({}, test::id3v1Tag(v1));
    ASSERT_TRUE(endsWithVersion1Tag(path));
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "P", "", "", kNoGenre}, true).ok);
    EXPECT_EQ(texts(path, "TRCK"), Texts{"7"});
    EXPECT_FALSE(endsWithVersion1Tag(path));
}

TEST_F(WriteTagTest, NoTrackFrameWithoutAVersion1TrackNumber) {
    Id3v2Fields v2;
    v2.track = "5/12";
    const std::string path = write(test::id3v2TagFromFields(3, v2));
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "P", "", "", kNoGenre}, true).ok);
    EXPECT_EQ(texts(path, "TRCK"), Texts{"5/12"});
}

TEST_F(WriteTagTest, PackageUnknownRemovesTheAlbum) {
    Id3v2Fields v2;
    v2.album = "Old Album";
    const std::string path = write(test::id3v2TagFromFields(3, v2));
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "Unknown", "", "", kNoGenre}, true).ok);
    EXPECT_TRUE(texts(path, "TALB").empty());
    EXPECT_EQ(read(path).package, "");
}

TEST_F(WriteTagTest, GroupUnknownIsWrittenLikeAnyName) {
    const std::string path = write({});
    ASSERT_TRUE(WriteTagToFile(path, {"T", "Unknown", "P", "", "", kNoGenre}, true).ok);
    EXPECT_EQ(texts(path, "TPE1"), Texts{"Unknown"});
}

TEST_F(WriteTagTest, GroupIsTheLeadPerformerAndLeavesBandConductorAndComposer) {
    const std::string path = write(test::id3v2Tag(
        3, {test::id3v2TextFrame(3, "TPE1", "Lead"), test::id3v2TextFrame(3, "TPE2", "Band"),
            test::id3v2TextFrame(3, "TPE3", "Conductor"),
            test::id3v2TextFrame(3, "TCOM", "Composer")}));
    ASSERT_TRUE(WriteTagToFile(path, {"T", "New", "P", "", "", kNoGenre}, true).ok);
    EXPECT_EQ(texts(path, "TPE1"), Texts{"New"});
    EXPECT_EQ(texts(path, "TPE2"), Texts{"Band"});
    EXPECT_EQ(texts(path, "TPE3"), Texts{"Conductor"});
    EXPECT_EQ(texts(path, "TCOM"), Texts{"Composer"});
    EXPECT_EQ(read(path).group, "New");
}

TEST_F(WriteTagTest, EmptyTextsLeaveTheirFramesAlone) {
    Id3v2Fields v2{"Keep Title", "Keep Artist", "Keep Album", "1999", "Keep", "(20)", ""};
    const std::string path = write(test::id3v2TagFromFields(3, v2));
    ASSERT_TRUE(WriteTagToFile(path, {"", "", "", "", "", kNoGenre}, true).ok);
    const MediaFileInfo info = read(path);
    EXPECT_EQ(info.title, "Keep Title");
    EXPECT_EQ(info.group, "Keep Artist");
    EXPECT_EQ(info.package, "Keep Album");
    EXPECT_EQ(info.publishTime, "1999");
    EXPECT_EQ(info.comment, "Keep");
    EXPECT_EQ(info.genre, 20);
}

// The comment is the frame without a description, in any language; a write replaces it and the
// one this program once wrote under its own description, and keeps other programs' comments.
TEST_F(WriteTagTest, CommentReplacesTheOneWithoutDescription) {
    const std::string path = write(
        test::id3v2Tag(3, {test::id3v2CommentFrame(3, "", "Old", test::TextEncoding::Latin1, "deu"),
                           test::id3v2CommentFrame(3, "other", "Theirs"),
                           test::id3v2CommentFrame(3, kTagCommentDescription, "Ours")}));
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "P", "", "New \u00e9", kNoGenre}, true).ok);
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "P", "", "Newer", kNoGenre}, true).ok);
    std::vector<std::string> comments;
    for (const auto& frame : frames(path))
        if (frame.id == "COMM")
            comments.push_back(frame.body);
    ASSERT_EQ(comments.size(), 2u);
    EXPECT_EQ(comments[0], std::string("\0deu\0Newer", 10));
    EXPECT_NE(comments[1].find("Theirs"), std::string::npos);
    EXPECT_EQ(read(path).comment, "Newer");
}

TEST_F(WriteTagTest, ChapterFramesAreKept) {
    const std::string path = write(test::id3v2Tag(3, chapterFrames()));
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "P", "", "", kNoGenre}, true).ok);
    std::vector<std::string> ids;
    for (const auto& frame : frames(path))
        ids.push_back(frame.id);
    EXPECT_NE(std::find(ids.begin(), ids.end(), "CTOC"), ids.end());
    EXPECT_NE(std::find(ids.begin(), ids.end(), "CHAP"), ids.end());
}

TEST_F(WriteTagTest, NoGenreLeavesTheGenreFrame) {
    Id3v2Fields v2;
    v2.genre = "(20)";
    const std::string path = write(test::id3v2TagFromFields(3, v2));
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "P", "", "", kNoGenre}, true).ok);
    EXPECT_EQ(read(path).genre, 20);
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "P", "", "", 0}, true).ok);
    EXPECT_EQ(read(path).genre, 0);
}

TEST_F(WriteTagTest, Version1OnlyWhenUseId3v2IsOff) {
    Id3v2Fields v2{"V2 Title", "", "", "", "", "", ""};
    Id3v1Fields v1{"Old", "Old", "Old", "1990", "Old comment", 7, 3};
    const std::string path = write(test::id3v2TagFromFields(3, v2), test::id3v1Tag(v1));
    ASSERT_TRUE(WriteTagToFile(
                    path,
                    {"A Title Longer Than Thirty Characters", "Group", "Unknown", "2002", "", 17},
                    false)
                    .ok);
    const MediaFileInfo info = read(path, false);
    EXPECT_EQ(info.title, "A Title Longer Than Thirty Cha");
    EXPECT_EQ(info.group, "Group");
    EXPECT_EQ(info.package, "");
    EXPECT_EQ(info.publishTime, "2002");
    EXPECT_EQ(info.comment, "Old comment");
    EXPECT_EQ(info.genre, 17);
    // Version 2 is not touched.
    EXPECT_EQ(texts(path, "TIT2"), Texts{"V2 Title"});
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(bytes[bytes.size() - 2], 7); // track number kept
}

TEST_F(WriteTagTest, FilesThatCannotBeWrittenFail) {
    EXPECT_FALSE(WriteTagToFile((m_dir.path() / "missing.mp3").string(), title("T"), true).ok);
    EXPECT_FALSE(WriteTagToFile(m_dir.write("empty.mp3", "").string(), title("T"), true).ok);
    EXPECT_FALSE(WriteTagToFile(m_dir.path().string(), title("T"), true).ok);
}

TEST_F(WriteTagTest, ReadOnlyFileIsLeftUntouched) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "the super-user may write any file";
    Id3v1Fields v1{"Old", "", "", "", "", 7, 3};
    const std::string path = write({}, test::id3v1Tag(v1));
    const std::string before = test::readFile(path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_FALSE(WriteTagToFile(path, {"T", "G", "P", "", "", kNoGenre}, true).ok);
    EXPECT_EQ(test::readFile(path), before);
}

// A version 2.3 tag with an extended header of `extendedSize` bytes after its size field (6, or
// 10 with a CRC), the whole tag unsynchronised when asked.
std::string withExtendedHeader(const std::string& tag, int extendedSize, bool unsynchronised) {
    std::string body = std::string("\0\0\0", 3) + static_cast<char>(extendedSize) +
                       std::string(static_cast<size_t>(extendedSize), '\0') + tag.substr(10);
    if (unsynchronised) {
        std::string coded;
        for (const char c : body) {
            coded += c;
            if (static_cast<unsigned char>(c) == 0xFF)
                coded += '\0';
        }
        body = coded;
    }
    std::string header = tag.substr(0, 10);
    header[5] = static_cast<char>(0x40 | (unsynchronised ? 0x80 : 0));
    for (size_t i = 0; i < 4; ++i)
        header[9 - i] = static_cast<char>((body.size() >> (7 * i)) & 0x7F);
    return header + body;
}

// Tags as real collections hold them, written by taggers that each had their own idea.
struct TagCase {
    const char* name;
    std::string leading;  // the bytes before the audio
    std::string trailing; // the bytes after it
    std::string title;
    std::string comment;
    std::string year;
    std::string genreName;
};

void PrintTo(const TagCase& c, std::ostream* out) {
    *out << c.name;
}

class TagCaseTest : public TagFieldsTest, public ::testing::WithParamInterface<TagCase> {};

TEST_P(TagCaseTest, ReadsWhatTheTaggerMeant) {
    const TagCase& c = GetParam();
    const MediaFileInfo info = read(write(c.leading, c.trailing));
    EXPECT_EQ(info.title, c.title);
    EXPECT_EQ(info.comment, c.comment);
    EXPECT_EQ(info.publishTime, c.year);
    EXPECT_EQ(info.genreName, c.genreName);
}

const std::string kEuroTitle = "\xE2\x82\xAC 5 \xE2\x80\x93 Don\xE2\x80\x99t"; // € 5 – Don’t
const std::string kVersion23 = test::id3v2TagFromFields(3, {"Ext", "", "", "2001", "", "", ""});

INSTANTIATE_TEST_SUITE_P(
    RealTags, TagCaseTest,
    ::testing::Values(
        TagCase{"v23ExtendedHeader", withExtendedHeader(kVersion23, 6, false), "", "Ext", "",
                "2001", ""},
        TagCase{"v23ExtendedHeaderWithCrc", withExtendedHeader(kVersion23, 10, false), "", "Ext",
                "", "2001", ""},
        TagCase{"v23ExtendedHeaderUnsynchronised",
                withExtendedHeader(test::id3v2TagFromFields(3, {"\u00FFx", "", "", "", "", "", ""}),
                                   6, true),
                "", "\u00FFx", "", "", ""},
        TagCase{"v10CommentPadding", "",
                test::id3v1Tag({"T", "", "", "1999", std::string(30, ' '), 0, 255}), "T", "",
                "1999", ""},
        TagCase{"v1YearAsText", "", test::id3v1Tag({"T", "", "", "0099", "", 0, 255}), "T", "",
                "0099", ""},
        TagCase{"v1Windows1252", "",
                test::id3v1Tag({"\u0080 5 \u0096 Don\u0092t", "", "", "", "", 0, 255}), kEuroTitle,
                "", "", ""},
        TagCase{"v2Latin1Windows1252",
                test::id3v2Tag(3, {test::id3v2Frame(
                                      3, "TIT2", std::string("\0", 1) + "\x80 5 \x96 Don\x92t")}),
                "", kEuroTitle, "", "", ""},
        TagCase{"v2DoubledByteOrderMark",
                test::id3v2Tag(3, {test::id3v2Frame(3, "TIT2",
                                                    std::string("\x01\xFF\xFE\xFF\xFE"
                                                                "A\0b\0",
                                                                9))}),
                "", "Ab", "", "", ""},
        TagCase{"v24Utf8ByteOrderMark",
                test::id3v2Tag(4, {test::id3v2Frame(4, "TIT2", "\x03\xEF\xBB\xBFSong")}), "",
                "Song", "", "", ""},
        TagCase{"v2GenreName", test::id3v2TagFromFields(4, {"T", "", "", "", "", "Hip-Hop", ""}),
                "", "T", "", "", "Hip-Hop"}),
    [](const ::testing::TestParamInfo<TagCase>& info) { return std::string(info.param.name); });

TEST_F(TagFieldsTest, GenreNameLeavesTheVersion1NumberWhenItNamesNoGenre) {
    const MediaFileInfo info =
        read(write(test::id3v2TagFromFields(3, {"T", "", "", "", "", "Rock", ""}),
                   test::id3v1Tag({"T", "", "", "", "", 0, 13})));
    EXPECT_EQ(info.genreName, "Rock");
    EXPECT_EQ(info.genre, 13);
}

TEST_F(TagFieldsTest, TagReachingPastTheEndIsReadAsFarAsItGoes) {
    std::string tag =
        test::id3v2TagFromFields(3, {"Cut", "", "", "", "", "", ""}, TextEncoding::Latin1, 4000);
    MediaFileInfo info;
    EXPECT_EQ(ReadTagFields(m_dir.write("cut.mp3", tag.substr(0, 200)).string(), info, true), 0);
    EXPECT_EQ(info.title, "Cut");
}

} // namespace
} // namespace tunebay
