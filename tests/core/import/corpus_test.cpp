#include "import/file_names.h"
#include "import/id3_tag_writer.h"
#include "import/media_importer.h"
#include "import/mpeg_header_reader.h"
#include "import/tag_fields.h"

#include "support/mp3_fixture.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace tunebay {
namespace {

// The shared corpus of real-world and malformed files: every file must be read (and its tag
// written on a copy) without crashing or hanging; what the readers make of it is not checked.
std::vector<std::filesystem::path> corpusFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    const std::filesystem::path root = TUNEBAY_CORPUS_DIR;
    if (!std::filesystem::is_directory(root, error))
        return files;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            break;
        if (it->is_regular_file(error))
            files.push_back(it->path());
    }
    return files;
}

TEST(Corpus, EveryFileIsReadWithoutHarm) {
    const auto files = corpusFiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << TUNEBAY_CORPUS_DIR;
    int opened = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        MpegHeaderReader reader;
        const int status = reader.Open(path.string());
        ASSERT_TRUE(status == MpegHeaderReader::kOpened ||
                    status == MpegHeaderReader::kNoFrameHeader);
        if (status == MpegHeaderReader::kOpened) {
            ++opened;
            EXPECT_GT(reader.SampleRate(), 0);
            EXPECT_GT(reader.Bitrate(), 0);
            EXPECT_GE(reader.Length(), 0);
            EXPECT_GE(reader.FrameCount(), 0);
            EXPECT_GE(reader.audioSize(), 0);
            EXPECT_FALSE(reader.ChannelMode().empty());
        }
        MediaFileInfo info;
        ReadAudioFacts(path.string(), info);
        ReadTagFields(path.string(), info, true);
        EXPECT_TRUE(info.genre == kNoGenre || (info.genre >= 0 && info.genre <= 125));
        ReadTagFields(path.string(), info, false);
        info.path = path.string();
        ApplyNaming(info, kImportSourceTag | kImportSourceFileName, true, true);
    }
    EXPECT_GT(opened, 0);
}

class CorpusClock : public IClock {
public:
    std::time_t Now() const override { return 1765202400; }
};

// Every file imports, as audio of a known format or (every file allowed) as media type 0; the
// same bytes behind each container's signature reach the tag library's readers as well.
TEST(Corpus, EveryFileImportsUnderEveryFormatsSignature) {
    const auto files = corpusFiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << TUNEBAY_CORPUS_DIR;
    test::TempCatalogue catalogue;
    CorpusClock clock;
    ImportOptions options;
    options.allowAllFiles = true;
    MediaImporter importer(catalogue.connection, options, nullptr, clock);
    const std::vector<std::string> signatures = {
        "",
        "fLaC",
        std::string("OggS\0\x02", 6) + std::string(20, '\0') + "\x01\x1e\x01vorbis",
        std::string("\0\0\0\x18"
                    "ftypM4A \0\0\0\0",
                    16),
        "RIFF\x10\0\0\0WAVEfmt ",
        "FORM\x10\0\0\0AIFFCOMM",
        "wvpk",
        "MAC ",
        std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16)};
    int n = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        const std::string bytes = test::readFile(path);
        for (const std::string& signature : signatures) {
            const auto copy =
                catalogue.dir().write("c" + std::to_string(n++) + ".mp3", signature + bytes);
            const int item = importer.ImportMediaFile(copy.string(), false);
            ASSERT_GT(item, 0);
            const int type = std::stoi(
                catalogue.scalar("SELECT tblMedia.lMediaType FROM tblMedia, tblItem WHERE "
                                 "tblMedia.lID=tblItem.lMediaID AND tblItem.lID=" +
                                 std::to_string(item)));
            EXPECT_TRUE(type == 0 || IsAudioMediaType(type)) << type;
        }
    }
}

// A write either succeeds and reads back, or leaves the file byte for byte as it was.
TEST(Corpus, TagsAreWrittenIntoCopiesWholeOrNotAtAll) {
    const auto files = corpusFiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << TUNEBAY_CORPUS_DIR;
    test::TempDir dir;
    const ItemTagFields fields{"Title \u00e9", "Group \u2603", "Package", "2001", "Comment", 17};
    int written = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        for (const bool useId3v2 : {true, false}) {
            const auto copy = dir.file("copy.mp3");
            std::filesystem::copy_file(path, copy,
                                       std::filesystem::copy_options::overwrite_existing);
            std::filesystem::permissions(copy, std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_write);
            const std::string before = test::readFile(copy.string());
            const RewriteResult result = WriteTagToFile(copy.string(), fields, useId3v2);
            if (!result.ok) {
                EXPECT_FALSE(result.reason.empty());
                EXPECT_EQ(test::readFile(copy.string()), before);
                continue;
            }
            ++written;
            MediaFileInfo info;
            ASSERT_EQ(ReadTagFields(copy.string(), info, useId3v2), 0);
            if (useId3v2) {
                EXPECT_EQ(info.title, fields.title);
                EXPECT_EQ(info.group, fields.group);
            } else {
                EXPECT_EQ(info.title, "Title \u00e9");
                EXPECT_EQ(info.group, "Group ?");
            }
        }
    }
    EXPECT_GT(written, 0);
}

} // namespace
} // namespace tunebay
