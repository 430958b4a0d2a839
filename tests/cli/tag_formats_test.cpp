#include "support/catalogue_builder.h"
#include "support/cli_runner.h"
#include "support/encoded_audio.h"
#include "support/mutagen_tags.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::CliRunner;

// Files of several formats, prepared with a cover and other fields, catalogued under their own
// media types (one FLAC named like an MP3: the content decides the writer).
struct Shelf {
    test::TempCatalogue catalogue;
    test::TempDir files;
    std::string path = catalogue.path().string();
    std::vector<std::pair<std::filesystem::path, int>> items; // file, item id
    std::string missing;                                      // files that could not be made

    explicit Shelf(const std::vector<std::pair<AudioFormat, std::string>>& formats) {
        test::CatalogueBuilder builder(catalogue.connection);
        for (const auto& [format, name] : formats) {
            const auto file = test::EncodeAudio(files.path(), name, {format, 1});
            if (file.empty() || !test::MutagenPrepare(file)) {
                missing += " " + name;
                continue;
            }
            const test::AddedItem added = builder.add({.title = "Title " + name,
                                                       .group = "Group",
                                                       .package = "Package",
                                                       .genreId = 17,
                                                       .directory = files.path().string() + "/",
                                                       .fileName = name,
                                                       .publishTime = "2001"});
            catalogue.connection.Execute(
                "UPDATE tblMedia SET lMediaType=" + std::to_string(static_cast<int>(format)) +
                " WHERE lID=" + std::to_string(added.mediaId));
            items.emplace_back(file, added.itemId);
        }
        catalogue.connection.Open("");
    }
};

TEST(CliTagFormats, PropertiesAndToolsWriteAndRemoveEachFormatsTag) {
    if (!test::HaveMutagen())
        GTEST_SKIP() << "python3 with mutagen is missing";
    Shelf shelf({{AudioFormat::Flac, "a.mp3"},
                 {AudioFormat::Aac, "b.m4a"},
                 {AudioFormat::Opus, "c.opus"},
                 {AudioFormat::Wma, "d.wma"}});
    if (!shelf.missing.empty())
        GTEST_SKIP() << "could not make" << shelf.missing;
    CliRunner cli;
    for (const auto& [file, item] : shelf.items) {
        SCOPED_TRACE(file.string());
        const auto result = cli.run({"properties", shelf.path, std::to_string(item), "--comment",
                                     "Written", "--write-tag"});
        ASSERT_EQ(result.status, 0) << result.err;
        const auto tags = test::MutagenRead(file);
        EXPECT_EQ(tags.at("title"), "Title " + file.filename().string());
        EXPECT_EQ(tags.at("artist"), "Group");
        EXPECT_EQ(tags.at("album"), "Package");
        EXPECT_EQ(tags.at("genre"), "Rock");
        EXPECT_EQ(tags.at("comment"), "Written");
        EXPECT_EQ(tags.at("albumartist"), "Album Artist");
        EXPECT_EQ(tags.at("pictures"), "1");
    }
    std::string ids;
    for (const auto& [file, item] : shelf.items)
        ids += (ids.empty() ? "" : ",") + std::to_string(item);
    // For formats without a version-1 tag, keeping version 1 is deleting all.
    const auto result = cli.run({"tools", shelf.path, "--items", ids, "--tag", "keep-v1", "--yes"});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const auto& [file, item] : shelf.items) {
        SCOPED_TRACE(file.string());
        const auto tags = test::MutagenRead(file);
        EXPECT_EQ(tags.count("title"), 0u);
        EXPECT_EQ(tags.at("pictures"), "0");
    }
}

} // namespace
} // namespace tunebay
