// Every audio format through the outputs: the playlists and lists carry each item's length and
// file, copying and moving keep each file byte for byte (and the catalogue follows a move), and
// the statistics and their charts count each format's items, lengths and sizes.
#include "browse/length_text.h"
#include "edit/item_properties.h"
#include "output/statistics_charts.h"
#include "store/catalogue_connection.h"
#include "store/sql_quote.h"
#include "support/cli_runner.h"
#include "support/encoded_audio.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"
#include "text/text_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

namespace tunebay {
namespace {

using test::CliResult;
using test::CliRunner;
namespace fs = std::filesystem;

// Monkey's Audio has no encoder to make a file with.
const std::vector<AudioFormat> kFormats = {
    AudioFormat::Mpeg,    AudioFormat::Flac, AudioFormat::OggVorbis, AudioFormat::Opus,
    AudioFormat::Aac,     AudioFormat::Alac, AudioFormat::Wav,       AudioFormat::Aiff,
    AudioFormat::WavPack, AudioFormat::Wma};

std::string formatName(AudioFormat format) {
    return std::string(AudioFormatName(format));
}

// One file per format, each of its own length, encoded once for the suite and only read.
struct Encoded {
    AudioFormat format;
    int seconds;
    fs::path path;
};

// A format's file as catalogued.
struct Row {
    const Encoded* file;
    int itemId = 0;
    long long length = 0;
    fs::path path; // where the catalogue has it
};

class FormatOutputs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<test::TempDir>();
        int seconds = 2;
        for (const AudioFormat format : kFormats) {
            const std::string name =
                "Band - " + formatName(format) + test::AudioFormatExtension(format);
            s_files.push_back({format, seconds,
                               test::EncodeAudio(s_dir->path(), name, {format, seconds, 22050})});
            ++seconds;
        }
    }
    static void TearDownTestSuite() {
        s_files.clear();
        s_dir.reset();
    }

    // Copies every file into a folder of this test and imports it; rows in the order of
    // kFormats. Fails the test when an encoder made no file.
    std::vector<Row> importAll() {
        const fs::path folder = files.path() / "in";
        fs::create_directories(folder);
        for (const Encoded& file : s_files) {
            if (file.path.empty()) {
                ADD_FAILURE() << formatName(file.format) << ": the encoder made no file";
                return {};
            }
            fs::copy_file(file.path, folder / file.path.filename());
        }
        // Only the command line has the catalogue open while it works on it.
        catalogue.connection.Open("");
        const CliResult imported = cli.run({"import", path, folder.string()});
        EXPECT_EQ(imported.status, 0) << imported.err;
        catalogue.connection.Open(CatalogueConnectionString(path));
        std::vector<Row> rows;
        for (const Encoded& file : s_files) {
            const fs::path copy = folder / file.path.filename();
            const std::string item = catalogue.scalar(
                "SELECT tblItem.lID FROM tblItem, tblMedia, tblDirectory WHERE "
                "tblMedia.lID=tblItem.lMediaID AND tblDirectory.lID=tblMedia.lDirectoryID AND "
                "tblMedia.sFileName=" +
                SqlQuote(copy.filename().string()));
            if (item.empty()) {
                ADD_FAILURE() << copy << " was not catalogued";
                return {};
            }
            Row row{&file, std::stoi(item), 0, copy};
            row.length = std::stoll(catalogue.scalar(
                "SELECT lLength FROM tblMedia, tblItem WHERE tblMedia.lID=tblItem.lMediaID AND "
                "tblItem.lID=" +
                item));
            EXPECT_NEAR(row.length, file.seconds, 1) << copy;
            EXPECT_EQ(catalogue.scalar("SELECT lMediaType FROM tblMedia, tblItem WHERE "
                                       "tblMedia.lID=tblItem.lMediaID AND tblItem.lID=" +
                                       item),
                      std::to_string(static_cast<int>(file.format)));
            rows.push_back(row);
        }
        catalogue.connection.Open("");
        return rows;
    }

    std::string exported(const std::string& format) {
        const fs::path out = files.path() / ("list." + format);
        const CliResult result = cli.run({"export", path, "--format", format, "-o", out.string(),
                                          "--detail", "4", "--link", "1", "--no-subdivide"});
        EXPECT_EQ(result.status, 0) << format << ": " << result.err;
        return test::readFile(out);
    }

    static std::unique_ptr<test::TempDir> s_dir;
    static std::vector<Encoded> s_files;
    test::TempCatalogue catalogue;
    test::TempDir files;
    CliRunner cli;
    std::string path = catalogue.path().string();
};

std::unique_ptr<test::TempDir> FormatOutputs::s_dir;
std::vector<Encoded> FormatOutputs::s_files;

// The value of the statistics line `label` in the part `section` of the report.
std::string statistic(const std::string& report, const std::string& section,
                      const std::string& label) {
    const std::size_t part = report.find(section + "...\n");
    const std::size_t at = report.find("\n" + label + " ", part);
    if (part == std::string::npos || at == std::string::npos)
        return {};
    const std::size_t value = report.find_first_not_of(" \t", at + 1 + label.size());
    return report.substr(value, report.find('\n', value) - value);
}

// The line of `text` that holds `needle`, "" when none does.
std::string lineWith(const std::string& text, const std::string& needle) {
    const std::size_t at = text.find(needle);
    if (at == std::string::npos)
        return {};
    const std::size_t start = text.rfind('\n', at);
    const std::size_t end = text.find('\n', at);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end == std::string::npos
                           ? std::string::npos
                           : end - (start == std::string::npos ? 0 : start + 1));
}

TEST_F(FormatOutputs, ExportsCarryEachItemsLengthAndFile) {
    const std::vector<Row> rows = importAll();
    ASSERT_EQ(rows.size(), kFormats.size());
    const std::string m3u = exported("m3u");
    const std::string pls = exported("pls");
    const std::string xml = exported("xml");
    const std::string csv = exported("csv");
    const std::string html = exported("html");
    for (const Row& row : rows) {
        SCOPED_TRACE(formatName(row.file->format));
        const std::string file = row.path.string();
        const std::string name = row.path.filename().string();
        const std::string seconds = std::to_string(row.length);
        EXPECT_NE(m3u.find("#EXTINF:" + seconds + ",Band - " + formatName(row.file->format) +
                           "\r\n" + file + "\r\n"),
                  std::string::npos)
            << m3u;
        const std::string fileLine = lineWith(pls, "=" + file);
        ASSERT_TRUE(fileLine.starts_with("File")) << pls;
        const std::string number = fileLine.substr(4, fileLine.find('=') - 4);
        EXPECT_NE(pls.find("\nLength" + number + "=" + seconds + "\r\n"), std::string::npos) << pls;

        const std::string length = LengthText(row.length);
        EXPECT_NE(xml.find("    <tb_filename>" + file +
                           "</tb_filename>\r\n    <tb_medianame>Band - " +
                           formatName(row.file->format) + "</tb_medianame>\r\n    <tb_length>" +
                           length + "</tb_length>"),
                  std::string::npos)
            << xml;
        const std::string csvLine = lineWith(csv, name);
        EXPECT_NE(csvLine.find(length), std::string::npos) << csv;
        // The list's row: from the link to the file up to the next item's link.
        const std::size_t link = html.find("<A href=\"" + file + "\">");
        ASSERT_NE(link, std::string::npos) << html;
        const std::string htmlRow = html.substr(link, html.find("<A href", link + 1) - link);
        EXPECT_NE(htmlRow.find(">" + length + "</TD>"), std::string::npos) << htmlRow;
    }
}

TEST_F(FormatOutputs, CopyAndMoveKeepEachFileByteForByte) {
    const std::vector<Row> rows = importAll();
    ASSERT_EQ(rows.size(), kFormats.size());
    std::vector<std::string> bytes;
    for (const Row& row : rows)
        bytes.push_back(test::readFile(row.path));

    const fs::path copies = files.path() / "copies";
    CliResult result = cli.run({"copy-files", path, "--to", copies.string(), "--yes"});
    ASSERT_EQ(result.status, 0) << result.err;
    const fs::path moved = files.path() / "moved";
    result = cli.run({"move-files", path, "--to", moved.string(), "--genre-folders", "--yes"});
    ASSERT_EQ(result.status, 0) << result.err;

    catalogue.connection.Open(CatalogueConnectionString(path));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(formatName(row.file->format));
        const std::string name = row.path.filename().string();
        EXPECT_EQ(test::readFile(copies / name), bytes[i]);
        EXPECT_FALSE(fs::exists(row.path));
        const auto item = LoadItemProperties(catalogue.connection, row.itemId);
        ASSERT_TRUE(item.has_value());
        EXPECT_EQ(fs::path(item->FilePath()).parent_path().parent_path(), moved);
        EXPECT_EQ(fs::path(item->FilePath()).filename(), name);
        EXPECT_EQ(test::readFile(item->FilePath()), bytes[i]);
    }
}

TEST_F(FormatOutputs, StatisticsCountEachFormatsItemsLengthsAndSizes) {
    const std::vector<Row> rows = importAll();
    ASSERT_EQ(rows.size(), kFormats.size());
    long long lengths = 0;
    double sizes = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(formatName(row.file->format));
        const double size = static_cast<double>(fs::file_size(row.path));
        lengths += row.length;
        sizes += size;
        const CliResult result = cli.run({"stats", path, "--items", std::to_string(row.itemId)});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(statistic(result.out, "SELECTED items", "MediaItems"), "1 (1)");
        EXPECT_EQ(statistic(result.out, "SELECTED items", "SumLength"), LengthText(row.length));
        EXPECT_EQ(statistic(result.out, "SELECTED items", "SumMediaSize"), FormatThousands(size));
    }
    const CliResult result = cli.run({"stats", path});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string count = std::to_string(rows.size());
    EXPECT_EQ(statistic(result.out, "ALL items", "MediaItems"), count + " (" + count + ")");
    EXPECT_EQ(statistic(result.out, "ALL items", "MediaTypes"), count);
    EXPECT_EQ(statistic(result.out, "ALL items", "SumLength"), LengthText(lengths));
    EXPECT_EQ(statistic(result.out, "ALL items", "SumMediaSize"), FormatThousands(sizes));

    // The chart of media types has a bar of one item per format, named after it.
    catalogue.connection.Open(CatalogueConnectionString(path));
    const std::vector<StatisticsChart> charts =
        BuildStatisticsCharts(catalogue.connection, nullptr);
    const auto chart = std::find_if(charts.begin(), charts.end(), [](const StatisticsChart& c) {
        return c.title == "Items per media type";
    });
    ASSERT_NE(chart, charts.end());
    std::vector<std::pair<std::string, double>> bars;
    for (const ChartBar& bar : chart->bars)
        bars.emplace_back(bar.label, bar.value);
    for (const Row& row : rows)
        EXPECT_NE(std::find(bars.begin(), bars.end(),
                            std::pair<std::string, double>(formatName(row.file->format), 1)),
                  bars.end())
            << formatName(row.file->format);
    EXPECT_EQ(bars.size(), rows.size());
}

} // namespace
} // namespace tunebay
