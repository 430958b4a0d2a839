// Import throughput on a realistic music folder (see realistic_library.h): imports it into a fresh
// catalogue (new files), imports it again (every file already catalogued) and updates every item
// from its file. Prints files per second as the median of three runs of each and the peak memory
// of the process. When beets is installed, times `beet import -A` on the same folder for a ratio.
//
// Usage: bench_import [FILES] [LIBRARY]   (default 5000 files in a temporary folder; a LIBRARY
// folder is written once and reused by later runs)
#include "import/import_operations.h"
#include "realistic_library.h"
#include "support/temp_catalogue.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace tunebay;

namespace {

class QuietSink : public IProgressSink {
public:
    void OnProgress(int, const std::string&) override {}
    void OnFinished(int, int) override {}
};

double secondsFor(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void runToEnd(const std::shared_ptr<ImportRun>& run) {
    run->Start();
    run->WaitFinished(24 * 3600 * 1000);
}

// Seconds of `beet import -A` of the folder into a throw-away library, or 0 without beets.
double beetsSeconds(const std::filesystem::path& library, const std::filesystem::path& scratch) {
    if (std::system("command -v beet >/dev/null 2>&1") != 0)
        return 0;
    std::filesystem::create_directories(scratch);
    const std::string config = (scratch / "config.yaml").string();
    std::FILE* file = std::fopen(config.c_str(), "w");
    if (!file)
        return 0;
    std::fprintf(file, "directory: %s\nlibrary: %s\nimport:\n  copy: no\n  write: no\n",
                 (scratch / "music").c_str(), (scratch / "library.db").c_str());
    std::fclose(file);
    const std::string command = "BEETSDIR='" + scratch.string() + "' beet -c '" + config +
                                "' import -A -q '" + library.string() + "' >/dev/null 2>&1";
    return secondsFor([&] { [[maybe_unused]] int status = std::system(command.c_str()); });
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    test::TempDir dir;
    const std::filesystem::path library =
        argc > 2 ? std::filesystem::path(argv[2]) : dir.file("library");
    std::error_code error;
    if (!std::filesystem::exists(library, error) || std::filesystem::is_empty(library, error)) {
        const bench::LibraryFacts facts = bench::WriteRealisticLibrary(library, files);
        std::printf("wrote %d files, %.0f KB on average, %d with cover art, %d malformed\n",
                    facts.files, facts.bytes / 1024.0 / facts.files, facts.withCoverArt,
                    facts.malformed);
        std::printf("by media type:");
        for (int type = 1; type <= kLastAudioFormat; ++type)
            if (facts.byFormat[type] != 0)
                std::printf(" %s %d",
                            std::string(AudioFormatName(static_cast<AudioFormat>(type))).c_str(),
                            facts.byFormat[type]);
        std::printf("\n");
    }

    QuietSink sink;
    SystemClock clock;
    std::vector<double> fresh;
    std::vector<double> again;
    std::vector<double> updates;
    int catalogued = 0;
    for (int run = 0; run < 3; ++run) {
        test::TempCatalogue catalogue;
        auto folderImport = [&] {
            auto operation = std::make_shared<FolderImportOperation>(
                sink, catalogue.connection, library.string(), ImportOptions(), clock);
            runToEnd(operation);
            return operation->ItemsAdded();
        };
        fresh.push_back(secondsFor([&] { catalogued = folderImport(); }));
        again.push_back(secondsFor([&] {
            if (folderImport() != 0)
                std::printf("unexpected: files added again\n");
        }));
        updates.push_back(secondsFor([&] {
            runToEnd(std::make_shared<UpdateOperation>(sink, catalogue.connection, "", 0,
                                                       ImportOptions(), clock));
        }));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double newRate = files / median(fresh);
    std::printf("new files:       %8.0f files/s (median of 3: %.3f s, %d of %d catalogued)\n",
                newRate, median(fresh), catalogued, files);
    std::printf("re-import:       %8.0f files/s (median of 3: %.3f s)\n", files / median(again),
                median(again));
    std::printf("update all:      %8.0f files/s (median of 3: %.3f s)\n",
                catalogued / median(updates), median(updates));
    std::printf("peak memory:     %8.1f MB\n", usage.ru_maxrss / 1024.0);
    if (const double beets = beetsSeconds(library, dir.file("beets")); beets > 0)
        std::printf("beet import -A:  %8.0f files/s (%.1f s; tunebay %.0fx faster)\n",
                    files / beets, beets, newRate / (files / beets));
    else
        std::printf("beet import -A:  not installed\n");
    return 0;
}
