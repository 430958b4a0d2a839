#include "import/id3_tag_writer.h"

#include "import/tag_fields.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

namespace tunebay {
namespace {

using test::TempDir;

const test::FrameHeader kHeader;

class Id3TagWriterTest : public ::testing::Test {
protected:
    std::string audio() const { return test::audioFrames(kHeader, 20); }
    std::string write(const std::string& leading, const std::string& trailing = {}) {
        return m_dir.write("a.mp3", leading + audio() + trailing).string();
    }
    // Frame bodies by id, in the order of the tag.
    std::multimap<std::string, std::string> frames(const std::string& path, int* version) {
        std::multimap<std::string, std::string> out;
        for (const auto& frame : test::parseId3v2Frames(test::readFile(path), version))
            out.emplace(frame.id, frame.body);
        return out;
    }
    MediaFileInfo read(const std::string& path, bool useId3v2 = true) {
        MediaFileInfo info;
        EXPECT_EQ(ReadTagFields(path, info, useId3v2), 0);
        return info;
    }
    TempDir m_dir;
};

std::string text(const std::string& value) {
    return std::string(1, '\0') + value;
}

// Every frame the catalogue does not hold comes through a write byte for byte, whatever its kind,
// and the audio behind the tag is the same bytes.
TEST_F(Id3TagWriterTest, FramesTheCatalogueDoesNotHoldAreKept) {
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        const std::string picture = "\0image/jpeg\0\x03\0" + std::string(167000, '\xD8');
        const std::map<std::string, std::string> kept = {
            {"TPE2", text("Album Artist")},
            {"TCOM", text("Composer")},
            {"TPE3", text("Conductor")},
            {"TRCK", text("3/12")},
            {"TXXX", text("REPLAYGAIN_TRACK_GAIN") + text("-6.5 dB")},
            {"POPM", std::string("a@b.c\0\xC4\0\0\0\x07", 11)},
            {"PRIV", std::string("owner\0\x01\x02", 8)},
            {"APIC", picture},
            {version == 4 ? "RVA2" : "RVAD", std::string("track\0\x01\x00\x10\x00", 10)},
            {"USLT", std::string("\0eng\0Words", 10)},
        };
        std::vector<std::string> tagFrames = {test::id3v2TextFrame(version, "TIT2", "Old")};
        for (const auto& [id, body] : kept)
            tagFrames.push_back(test::id3v2Frame(version, id, body));
        const std::string path = write(test::id3v2Tag(version, tagFrames));

        const RewriteResult result =
            WriteTagToFile(path, {"New", "Group", "Package", "2001", "", kNoGenre}, true);
        ASSERT_TRUE(result.ok) << result.reason;
        int written = 0;
        const auto after = frames(path, &written);
        EXPECT_EQ(written, version);
        for (const auto& [id, body] : kept) {
            ASSERT_EQ(after.count(id), 1u) << id;
            EXPECT_EQ(after.find(id)->second, body) << id;
        }
        EXPECT_EQ(read(path).title, "New");
        const std::string bytes = test::readFile(path);
        EXPECT_EQ(bytes.substr(bytes.size() - audio().size()), audio());
    }
}

// A version 2.4 date stays in the date frame, as other readers expect it there.
TEST_F(Id3TagWriterTest, Version24KeepsItsDateFrame) {
    const std::string path = write(test::id3v2Tag(4, {test::id3v2TextFrame(4, "TDRC", "2004")}));
    ASSERT_TRUE(WriteTagToFile(path, {"T", "G", "P", "2004-05-12", "", kNoGenre}, true).ok);
    int version = 0;
    const auto after = frames(path, &version);
    EXPECT_EQ(version, 4);
    EXPECT_EQ(after.count("TYER"), 0u);
    ASSERT_EQ(after.count("TDRC"), 1u);
    EXPECT_EQ(after.find("TDRC")->second, text("2004-05-12"));
    EXPECT_EQ(read(path).publishTime, "2004-05-12");
}

// Damage that makes a tag library stop early: import reads past it, a write refuses it.
struct DamagedTag {
    const char* name;
    std::string tag;
};

void PrintTo(const DamagedTag& c, std::ostream* out) {
    *out << c.name;
}

class DamagedTagTest : public Id3TagWriterTest, public ::testing::WithParamInterface<DamagedTag> {};

TEST_P(DamagedTagTest, IsReadPastButNeverWritten) {
    const std::string path = write(GetParam().tag);
    const MediaFileInfo info = read(path);
    EXPECT_EQ(info.title, "Between Worlds");
    EXPECT_EQ(info.group, "Roger");

    const std::string before = test::readFile(path);
    const RewriteResult result = WriteTagToFile(path, {"X", "Y", "Z", "", "", kNoGenre}, true);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason.rfind(kReasonTagIncomplete, 0), 0u) << result.reason;
    EXPECT_EQ(test::readFile(path), before);
}

const std::string kTitle = test::id3v2TextFrame(3, "TIT2", "Between Worlds");
const std::string kArtist = test::id3v2TextFrame(3, "TPE1", "Roger");

INSTANTIATE_TEST_SUITE_P(
    Corpus, DamagedTagTest,
    ::testing::Values(
        DamagedTag{"EmptyFrame",
                   test::id3v2Tag(3, {test::id3v2Frame(3, "TENC", ""), kTitle, kArtist})},
        DamagedTag{"IdThatIsNoId",
                   test::id3v2Tag(3, {test::id3v2Frame(3, "Date", text("2001")), kTitle, kArtist})},
        DamagedTag{"ZeroSizedMcdi",
                   test::id3v2Tag(3, {kTitle, test::id3v2Frame(3, "MCDI", ""), kArtist}, 64)}),
    [](const ::testing::TestParamInfo<DamagedTag>& info) { return std::string(info.param.name); });

// Frame sizes of version 2.4 written the version 2.3 way (a frame longer than 127 bytes shows
// it): read with the coding that fits, and written back with the right one.
TEST_F(Id3TagWriterTest, Version24WithPlainFrameSizesIsRead) {
    const std::string longTitle(200, 'a');
    std::string tag = test::id3v2Tag(3, {test::id3v2TextFrame(3, "TIT2", longTitle), kArtist});
    tag[3] = 4;
    const std::string path = write(tag);
    EXPECT_EQ(read(path).title, longTitle);
    EXPECT_EQ(read(path).group, "Roger");
    ASSERT_TRUE(WriteTagToFile(path, {"", "New", "", "", "", kNoGenre}, true).ok);
    EXPECT_EQ(read(path).title, longTitle);
    EXPECT_EQ(read(path).group, "New");
}

// UTF-16 without a byte-order mark reads as little-endian, as other readers read it.
TEST_F(Id3TagWriterTest, Utf16WithoutByteOrderMarkIsLittleEndian) {
    const std::string path =
        write(test::id3v2Tag(3, {test::id3v2Frame(3, "TIT2", std::string("\x01H\0i\0", 5))}));
    EXPECT_EQ(read(path).title, "Hi");
}

// Other formats named like MP3 files are never given an ID3 tag (a chance frame sync inside them
// does not make them MPEG audio).
TEST_F(Id3TagWriterTest, OtherContentIsNeverTagged) {
    const std::string sync = "\xFF\xFB\x90\x00";
    for (const std::string& head : {std::string("fLaC\0\0\0\x22", 8), std::string("OggS\0\x02", 6),
                                    std::string("RIFF\x24\0\0\0WAVEfmt ", 16),
                                    std::string("\0\0\0\x20"
                                                "ftypM4A ",
                                                12)}) {
        SCOPED_TRACE(head.substr(0, 4));
        const std::string path =
            m_dir.write("other.mp3", head + std::string(3000, 'x') + sync + std::string(3000, 'y'))
                .string();
        const std::string before = test::readFile(path);
        for (const bool useId3v2 : {true, false}) {
            const RewriteResult result =
                WriteTagToFile(path, {"T", "G", "P", "", "", kNoGenre}, useId3v2);
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.reason, kReasonNotMpeg);
        }
        EXPECT_FALSE(RemoveFileTags(path, false).ok);
        EXPECT_EQ(test::readFile(path), before);
    }
}

// Version 1 holds Windows-1252: other letters lose their marks or become "?", and a value is
// never written empty.
TEST(Version1FieldText, TransliteratesWhatTheCodePageLacks) {
    EXPECT_EQ(Version1FieldText("Caf\u00e9 \u20ac"), "Caf\xE9 \x80");
    EXPECT_EQ(Version1FieldText("\u0141\u00f3d\u017a"), "?\xF3"
                                                        "dz");
    EXPECT_EQ(Version1FieldText("\u65e5\u672c"), "??");
    EXPECT_EQ(Version1FieldText("Ma\u0308dchen \uFB01"), "Madchen fi");
}

TEST_F(Id3TagWriterTest, Version1NeverEmptiesAValue) {
    const std::string path = write("");
    ASSERT_TRUE(
        WriteTagToFile(path, {"\u65e5\u672c", "\u0141\u00f3d\u017a", "", "", "", kNoGenre}, false)
            .ok);
    const MediaFileInfo info = read(path, false);
    EXPECT_EQ(info.title, "??");
    EXPECT_EQ(info.group, "?\u00f3dz");
}

// Removing tags keeps the audio, and the version-1 tag when asked to.
TEST_F(Id3TagWriterTest, RemovingTagsLeavesTheAudio) {
    test::Id3v1Fields v1;
    v1.title = "V1";
    const std::string ape =
        std::string("APETAGEX\xD0\x07\0\0\x20\0\0\0\0\0\0\0\0\0\0\0", 20) + std::string(12, '\0');
    for (const bool keepVersion1 : {true, false}) {
        const std::string path =
            write(test::id3v2TagFromFields(3, {"T", "A", "", "", "", "", ""}) +
                      test::id3v2TagFromFields(4, {"U", "", "", "", "", "", ""}),
                  ape + test::id3v1Tag(v1));
        const RewriteResult result = RemoveFileTags(path, keepVersion1);
        ASSERT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(test::readFile(path), audio() + (keepVersion1 ? test::id3v1Tag(v1) : ""));
    }
}

} // namespace
} // namespace tunebay
