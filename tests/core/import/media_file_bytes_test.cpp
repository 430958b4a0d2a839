#include "import/media_file_bytes.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tunebay {
namespace {

// Every byte tells its own position, so a range served from the wrong place shows.
std::string numbered(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

TEST(MediaFileBytes, EveryRangeReadsWhatTheFileHolds) {
    constexpr std::size_t head = MediaFileBytes::kHeadSize;
    constexpr std::size_t tail = MediaFileBytes::kTailSize;
    struct Case {
        std::size_t fileSize;
        std::size_t size;
        int64_t offset;
    };
    const std::size_t big = head * 3 + 100;
    const Case cases[] = {
        {1000, 10, 0},                                    // a small file is all head
        {1000, 2000, 900},                                // short at the end
        {big, 10, 0},                                     // in the head
        {big, 64, head - 32},                             // across the head's end
        {big, 3 * head, 5},                               // head, the middle and the tail in one
        {big, tail, static_cast<int64_t>(big - tail)},    // the tail
        {big, 40, static_cast<int64_t>(big - tail - 20)}, // into the tail from the middle
        {big, 16, static_cast<int64_t>(head + 500)},      // the middle, read on demand
        {big, 16, static_cast<int64_t>(big)},             // past the end
        {head + tail / 2, 200, static_cast<int64_t>(head - 100)}, // tail and head overlap
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.fileSize) + " " + std::to_string(c.size) + "@" +
                     std::to_string(c.offset));
        const std::string content = numbered(c.fileSize);
        const MediaFileBytes file(dir.write("a.mp3", content).string());
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(file.Size(), static_cast<int64_t>(c.fileSize));
        const auto at = static_cast<std::size_t>(c.offset);
        const std::string expected = at < content.size() ? content.substr(at, c.size) : "";
        EXPECT_EQ(file.Read(c.size, c.offset), expected);
    }
}

TEST(MediaFileBytes, OnlyRegularFilesOpen) {
    test::TempDir dir;
    const std::string fifo = (dir.path() / "pipe.mp3").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.path().string(), fifo, (dir.path() / "gone").string()}) {
        const MediaFileBytes file(path);
        EXPECT_FALSE(file.IsOpen()) << path;
        EXPECT_EQ(file.Read(10, 0), "");
    }
}

} // namespace
} // namespace tunebay
