// Import throughput into a catalogue on a PostgreSQL server (a private one, started for the run
// on a Unix socket), beside the same import into a catalogue file: new files, the same folder
// again (every file catalogued already), and two importers of the folder's two halves at once.
// Prints files per second as the median of three runs and the peak memory of the process.
//
// Usage: bench_server_import [FILES] [LIBRARY]   (default 2000 files in a temporary folder; a
// LIBRARY folder is written once and reused by later runs)
#include "import/import_operations.h"
#include "realistic_library.h"
#include "support/private_postgres.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
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

// Imports `folder` into the open catalogue; the items it added.
int importFolder(CCatalogueConnection& connection, const std::string& folder) {
    QuietSink sink;
    SystemClock clock;
    auto run =
        std::make_shared<FolderImportOperation>(sink, connection, folder, ImportOptions(), clock);
    run->Start();
    run->WaitFinished(24 * 3600 * 1000);
    if (!run->ErrorMessage().empty())
        std::printf("import failed: %s (%s)\n", run->ErrorMessage().c_str(),
                    run->ErrorDetail().c_str());
    return run->ItemsAdded();
}

// Runs of one engine: new files, the same files again, two importers of two halves at once.
void measure(test::Engine engine, const std::filesystem::path& library, int files) {
    std::vector<double> fresh, again, halves;
    int catalogued = 0;
    for (int run = 0; run < 3; ++run) {
        test::EngineCatalogue catalogue(engine);
        if (!catalogue.unavailable().empty()) {
            std::printf("%s: skipped, %s\n", test::EngineLabel(engine).c_str(),
                        catalogue.unavailable().c_str());
            return;
        }
        fresh.push_back(
            secondsFor([&] { catalogued = importFolder(catalogue.connection, library.string()); }));
        again.push_back(secondsFor([&] {
            if (importFolder(catalogue.connection, library.string()) != 0)
                std::printf("unexpected: files added again\n");
        }));
        test::EngineCatalogue split(engine);
        halves.push_back(secondsFor([&] {
            std::vector<std::thread> importers;
            for (const char* half : {"a", "b"})
                importers.emplace_back([&, half] {
                    CCatalogueConnection own;
                    if (own.Open(CatalogueConnectionString(split.name())) == 0)
                        importFolder(own, (library / half).string());
                });
            for (auto& importer : importers)
                importer.join();
        }));
    }
    const std::string label = test::EngineLabel(engine);
    std::printf("%-7s new files:     %8.0f files/s (median of 3: %.3f s, %d of %d catalogued)\n",
                label.c_str(), files / median(fresh), median(fresh), catalogued, files);
    std::printf("%-7s re-import:     %8.0f files/s (median of 3: %.3f s)\n", label.c_str(),
                files / median(again), median(again));
    std::printf("%-7s two importers: %8.0f files/s (median of 3: %.3f s)\n", label.c_str(),
                files / median(halves), median(halves));
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::max(2, std::atoi(argv[1])) : 2000;
    test::TempDir dir;
    const std::filesystem::path library =
        argc > 2 ? std::filesystem::path(argv[2]) : dir.file("library");
    std::error_code error;
    if (!std::filesystem::exists(library, error) || std::filesystem::is_empty(library, error)) {
        // Two halves, so that two importers can take one each.
        const bench::LibraryFacts a = bench::WriteRealisticLibrary(library / "a", files / 2);
        const bench::LibraryFacts b =
            bench::WriteRealisticLibrary(library / "b", files - files / 2);
        std::printf("wrote %d files\n", a.files + b.files);
    }
    measure(test::Engine::Server, library, files);
    measure(test::Engine::File, library, files);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory:           %8.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
