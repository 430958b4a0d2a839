// Import throughput into a catalogue on a PostgreSQL server (a private one, started for the run
// on a Unix socket), beside the same import into a catalogue file: new files, the same folder
// again (every file catalogued already), two importers of the folder's two halves at once (two
// threads), and four importers of its four quarters at once (processes on the server).  Prints
// files per second as the median of three runs and the peak memory of the process.
//
// Usage: bench_server_import [FILES] [LIBRARY]   (default 2000 files in a temporary folder; a
// LIBRARY folder is written once and reused by later runs)
#include "import/import_operations.h"
#include "realistic_library.h"
#include "support/private_postgres.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

constexpr const char* kHalves[] = {"a", "b"};
constexpr const char* kQuarters[] = {"a/1", "a/2", "b/1", "b/2"};

// Imports each folder at once into the catalogue named `name`, each with a connection of its
// own: in processes of their own on a server; in threads on a catalogue file, since a file that
// a process has open must not be used by a child forked from it. False when an importer failed.
bool importAtOnce(test::Engine engine, const std::string& name,
                  const std::vector<std::string>& folders) {
    const auto importOne = [&name](const std::string& folder) {
        CCatalogueConnection own;
        return own.Open(CatalogueConnectionString(name)) == 0 && importFolder(own, folder) >= 0;
    };
    if (engine == test::Engine::File) {
        std::vector<std::thread> importers;
        for (const std::string& folder : folders)
            importers.emplace_back([&importOne, &folder] { importOne(folder); });
        for (auto& importer : importers)
            importer.join();
        return true;
    }
    std::vector<pid_t> children;
    for (const std::string& folder : folders) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(importOne(folder) ? 0 : 1); // never the parent's exit handlers: they stop
                                                // the server
        if (child > 0)
            children.push_back(child);
    }
    bool ok = children.size() == folders.size();
    for (const pid_t child : children) {
        int status = 0;
        ok = ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
             WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

// Runs of one engine: new files, the same files again, two importers of two halves at once and
// four importer processes of four quarters at once.
void measure(test::Engine engine, const std::filesystem::path& library, int files) {
    std::vector<double> fresh, again, halves, quarters;
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
        std::vector<std::string> folders;
        for (const char* half : kHalves)
            folders.push_back((library / half).string());
        halves.push_back(secondsFor([&] {
            // Threads of one process, on a server too.
            importAtOnce(test::Engine::File, split.name(), folders);
        }));
        test::EngineCatalogue four(engine);
        folders.clear();
        for (const char* quarter : kQuarters)
            folders.push_back((library / quarter).string());
        quarters.push_back(secondsFor([&] {
            if (!importAtOnce(engine, four.name(), folders))
                std::printf("unexpected: an importer failed\n");
        }));
        // Every file catalogued exactly once, whichever process got to it.
        const std::string rows = four.rows(
            "SELECT COUNT(*), COUNT(DISTINCT tblMedia.lDirectoryID || '/' || tblMedia.sFileName), "
            "(SELECT COUNT(*) FROM tblItem) FROM tblMedia");
        const std::string expected = std::to_string(catalogued) + "|" + std::to_string(catalogued) +
                                     "|" + std::to_string(catalogued);
        if (rows != expected)
            std::printf("unexpected: four importers left %s media|files|items, not %s\n",
                        rows.c_str(), expected.c_str());
    }
    const std::string label = test::EngineLabel(engine);
    std::printf("%-7s new files:     %8.0f files/s (median of 3: %.3f s, %d of %d catalogued)\n",
                label.c_str(), files / median(fresh), median(fresh), catalogued, files);
    std::printf("%-7s re-import:     %8.0f files/s (median of 3: %.3f s)\n", label.c_str(),
                files / median(again), median(again));
    std::printf("%-7s two importers: %8.0f files/s (median of 3: %.3f s)\n", label.c_str(),
                files / median(halves), median(halves));
    std::printf("%-7s four importers:%8.0f files/s (median of 3: %.3f s)\n", label.c_str(),
                files / median(quarters), median(quarters));
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::max(4, std::atoi(argv[1])) : 2000;
    test::TempDir dir;
    const std::filesystem::path library =
        argc > 2 ? std::filesystem::path(argv[2]) : dir.file("library");
    std::error_code error;
    if (!std::filesystem::exists(library, error) || std::filesystem::is_empty(library, error)) {
        // Two halves of two quarters each, so that two or four importers can take one each.
        int written = 0;
        for (int quarter = 0; quarter < 4; ++quarter)
            written +=
                bench::WriteRealisticLibrary(library / kQuarters[quarter],
                                             (files * (quarter + 1)) / 4 - (files * quarter) / 4)
                    .files;
        std::printf("wrote %d files\n", written);
    }
    measure(test::Engine::Server, library, files);
    measure(test::Engine::File, library, files);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory:           %8.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
