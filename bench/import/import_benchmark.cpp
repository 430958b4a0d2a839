// Import throughput: builds a folder tree of deterministic tagged MP3 files, imports it into a
// fresh catalogue (new files), then imports it again (every file a duplicate). Prints files per
// second as the median of three runs and the peak memory of the process.
//
// Usage: bench_import [FILES] [LIBRARY]   (default 10000 files in a temporary folder; a LIBRARY
// folder is written once and reused by later runs)
#include "import/import_operations.h"
#include "support/mp3_fixture.h"
#include "support/temp_catalogue.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace tunebay;

namespace {

class QuietSink : public IProgressSink {
public:
    void OnProgress(int, const std::string&) override {}
    void OnFinished(int, int) override {}
};

// Genre / artist / album folders with a mix of tag versions, CBR and Xing VBR files.
void writeLibrary(const std::filesystem::path& root, int files) {
    const char* genres[] = {"Rock", "Pop", "Jazz", "Blues", "Electronic", "Folk", "Metal", "Soul"};
    for (int i = 0; i < files; ++i) {
        const int artist = i / 40;
        const int album = i / 10;
        test::Mp3Recipe recipe;
        recipe.frameCount = 30 + i % 50;
        recipe.vbr = i % 4 == 0;
        recipe.header.bitrateIndex = 9 + i % 3;
        const std::string title = "Title " + std::to_string(i);
        const std::string artistName = "Artist " + std::to_string(artist);
        const std::string albumName = "Album " + std::to_string(album);
        const std::string genre = "(" + std::to_string(i % 126) + ")";
        switch (i % 3) {
        case 0:
            recipe.id3v2 =
                test::id3v2TagFromFields(3, {title, artistName, albumName, "1999", "", genre, "1"});
            break;
        case 1:
            recipe.id3v2 =
                test::id3v2TagFromFields(4, {title, artistName, albumName, "2004", "c", genre, "2"},
                                         test::TextEncoding::Utf8, 512);
            break;
        default:
            recipe.id3v1 = test::Id3v1Fields{title, artistName, albumName, "1987", "", 3, i % 126};
        }
        const auto folder = root / genres[i % 8] / artistName / albumName;
        std::filesystem::create_directories(folder);
        std::ofstream(folder / (std::to_string(i) + " - " + title + ".mp3"), std::ios::binary)
            << test::makeMp3(recipe);
    }
}

double secondsFor(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    test::TempDir dir;
    const std::filesystem::path library =
        argc > 2 ? std::filesystem::path(argv[2]) : dir.file("library");
    std::error_code error;
    if (!std::filesystem::exists(library / "Rock", error)) {
        std::printf("writing %d files...\n", files);
        writeLibrary(library, files);
    }

    QuietSink sink;
    SystemClock clock;
    std::vector<double> fresh;
    std::vector<double> duplicates;
    for (int run = 0; run < 3; ++run) {
        test::TempCatalogue catalogue;
        auto importOnce = [&](int expectAdded) {
            auto operation = std::make_shared<FolderImportOperation>(
                sink, catalogue.connection, library.string(), ImportOptions(), clock);
            operation->Start();
            operation->WaitFinished(24 * 3600 * 1000);
            if (operation->ItemsAdded() != expectAdded)
                std::printf("unexpected: %d items added, %d failures\n", operation->ItemsAdded(),
                            operation->Failures());
        };
        fresh.push_back(secondsFor([&] { importOnce(files); }));
        duplicates.push_back(secondsFor([&] { importOnce(0); }));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("new files:       %8.0f files/s (median of 3: %.3f s for %d files)\n",
                files / median(fresh), median(fresh), files);
    std::printf("duplicate files: %8.0f files/s (median of 3: %.3f s)\n",
                files / median(duplicates), median(duplicates));
    std::printf("peak memory:     %8.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
