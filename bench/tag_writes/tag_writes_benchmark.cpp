// Tag writes as the tools run and the properties window make them: each one a new file beside the
// old, flushed, checked and renamed into place. Writes a version-2 tag into FILES small files
// (default 1,000, about 40 KB each, with a tag to keep) and into one large file (default 60 MB)
// five times; then the native tags of FILES / 5 FLAC and M4A files of 30 s (made with the
// distribution's encoders, skipped without them); prints the median of three runs of each.
//
// Usage: bench_tag_writes [FILES] [LARGE_MB]
#include "import/audio_tag_writer.h"
#include "import/id3_tag_writer.h"

#include "support/encoded_audio.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace tunebay;

namespace {

double median(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

template <typename Work>
double seconds(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string fileWithTag(int frames) {
    test::Mp3Recipe recipe;
    recipe.frameCount = frames;
    recipe.id3v2 = test::id3v2TagFromFields(
        3, {"Old Title", "Old Artist", "Old Album", "1999", "Old comment", "(17)", "3/12"},
        test::TextEncoding::Latin1, 512);
    return test::makeMp3(recipe);
}

// Writes the native tag of `count` copies of one encoded file; the failures are counted.
void containerWrites(const test::TempDir& dir, AudioFormat format, int count, int& failures) {
    const test::AudioRecipe recipe{format,
                                   30,
                                   44100,
                                   2,
                                   16,
                                   {{"title", "Old Title"},
                                    {"artist", "Old Artist"},
                                    {"album", "Old Album"},
                                    {"albumartist", "Album Artist"},
                                    {"date", "1999"},
                                    {"genre", "Jazz"}}};
    const std::string name = std::string(AudioFormatName(format));
    const std::filesystem::path source =
        test::EncodeAudio(dir.path(), "source" + test::AudioFormatExtension(format), recipe);
    if (source.empty()) {
        std::printf("%s: encoder missing\n", name.c_str());
        return;
    }
    const std::string bytes = test::readFile(source);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back(
            dir.write(name + std::to_string(i) + test::AudioFormatExtension(format), bytes)
                .string());
    std::vector<double> runs;
    for (int run = 0; run < 3; ++run) {
        const ItemTagFields fields{
            "Title " + std::to_string(run), "Group", "Package", "2001", "Comment", 17};
        runs.push_back(seconds([&] {
            for (const std::string& path : paths)
                failures += WriteAudioTagToFile(path, format, fields, "Rock").ok ? 0 : 1;
        }));
    }
    const double middle = median(runs);
    std::printf("%s files (%zu bytes): %d writes in %.3f s, %.0f writes/s\n", name.c_str(),
                bytes.size(), count, middle, count / middle);
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int largeMegabytes = argc > 2 ? std::atoi(argv[2]) : 60;
    test::TempDir dir;

    const std::string small = fileWithTag(100);
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i)
        paths.push_back(dir.write("song" + std::to_string(i) + ".mp3", small).string());
    int failures = 0;
    std::vector<double> smallRuns;
    for (int run = 0; run < 3; ++run) {
        const ItemTagFields fields{
            "Title " + std::to_string(run), "Group", "Package", "2001", "Comment", 17};
        smallRuns.push_back(seconds([&] {
            for (const std::string& path : paths)
                failures += WriteTagToFile(path, fields, true).ok ? 0 : 1;
        }));
    }
    const double smallSeconds = median(smallRuns);
    std::printf("small files (%zu bytes): %d writes in %.3f s, %.0f writes/s\n", small.size(),
                files, smallSeconds, files / smallSeconds);

    const int frames = static_cast<int>(static_cast<long long>(largeMegabytes) * 1048576 / 417);
    const std::string large = dir.write("large.mp3", fileWithTag(frames)).string();
    std::vector<double> largeRuns;
    for (int run = 0; run < 3; ++run) {
        largeRuns.push_back(seconds([&] {
                                for (int i = 0; i < 5; ++i) {
                                    const ItemTagFields fields{
                                        "Large " + std::to_string(i), "", "", "", "", kNoGenre};
                                    failures += WriteTagToFile(large, fields, true).ok ? 0 : 1;
                                }
                            }) /
                            5);
    }
    const double largeSeconds = median(largeRuns);
    std::printf("large file (%d MB): %.3f s a write, %.0f MB/s\n", largeMegabytes, largeSeconds,
                largeMegabytes / largeSeconds);
    containerWrites(dir, AudioFormat::Flac, std::max(1, files / 5), failures);
    containerWrites(dir, AudioFormat::Aac, std::max(1, files / 5), failures);
    if (failures)
        std::printf("%d writes failed\n", failures);
    return failures ? 1 : 0;
}
