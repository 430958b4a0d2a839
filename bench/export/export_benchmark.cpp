// Export and statistics speed: fills a catalogue with ITEMS items (default 100,000) spread over
// 148 genres, 5,000 groups and 1,000 directories, exports all of them in every format with
// every column, and writes the web site; then builds a catalogue of STATS_ITEMS items (default
// 1,000,000) and makes its statistics report. Prints the median of three runs of each and the
// peak memory of the process.
//
// Usage: bench_export [ITEMS] [STATS_ITEMS]
#include "output/run_exporter.h"
#include "output/statistics.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

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

constexpr int kGenres = 148;

// Rows made by the engine itself: far quicker than the import, and the export does not care
// how the rows came in.
void fill(CCatalogueConnection& connection, int items) {
    const std::string numbers = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                "WHERE i < " +
                                std::to_string(items) + ") ";
    CatalogueTransaction transaction(connection);
    for (int genre = 0; genre < kGenres; ++genre)
        connection.Execute("INSERT OR IGNORE INTO tblGenre (lID, sName) VALUES (" +
                           std::to_string(genre) + ", 'Genre " + std::to_string(genre) + "')");
    connection.Execute("INSERT INTO tblDirectory (lID, sLocal, sUNC, sURL) WITH RECURSIVE n(i) AS "
                       "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) SELECT i, "
                       "'/music/d' || i || '/', '//music/d' || i || '/', 'http://host/music/d' "
                       "|| i || '/' FROM n");
    connection.Execute("INSERT INTO tblGroup (lID, sName) WITH RECURSIVE n(i) AS (SELECT 1 UNION "
                       "ALL SELECT i + 1 FROM n WHERE i < 5000) SELECT i, 'Group ' || i FROM n");
    connection.Execute("INSERT INTO tblPackage (lID, sName) WITH RECURSIVE n(i) AS (SELECT 1 "
                       "UNION ALL SELECT i + 1 FROM n WHERE i < 10000) SELECT i, 'Album ' || i "
                       "FROM n");
    connection.Execute("INSERT INTO tblMedia (lID, sName, sComment, lGenreID, sPublishTime, "
                       "sFileName, lDirectoryID, lLength, sImportTime, lMediaType, fSize) " +
                       numbers +
                       "SELECT i, CASE WHEN i % 50 = 0 THEN 'Unknown' ELSE 'Title ' || i END, "
                       "'Comment ' || i, i % " +
                       std::to_string(kGenres) +
                       ", '1999', 'file' || i || '.mp3', 1 + i % 1000, 100 + i % 300, "
                       "'20030501120000', 1 + i % 2, 3000000.0 + i FROM n");
    connection.Execute("INSERT INTO tblItem (lID, lMediaID, lGroupID, lPackageID) " + numbers +
                       "SELECT i, i, 1 + i % 5000, 1 + i % 10000 FROM n");
    transaction.Commit();
}

double secondsFor(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double medianOfThree(const std::function<void()>& work) {
    std::vector<double> runs;
    for (int run = 0; run < 3; ++run)
        runs.push_back(secondsFor(work));
    std::sort(runs.begin(), runs.end());
    return runs[1];
}

ExportOptions everyColumn(const std::string& path, int orderType) {
    ExportOptions options;
    options.path = path;
    options.title = "Benchmark";
    options.subdivide = 1;
    options.showIcons = 1;
    options.showIndex = 1;
    options.itemsPerRow = 2;
    options.orderType = orderType;
    options.linkType = kLinkLocal;
    options.columnSet = 4;
    options.selection = ScopeSelection(ExplorerScope{}, 0);
    return options;
}

} // namespace

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int statsItems = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000000;

    test::TempDir out;
    {
        test::TempCatalogue catalogue;
        std::printf("filling a catalogue with %d items...\n", items);
        fill(catalogue.connection, items);
        for (const ExportFormatInfo& info : kExportFormats) {
            for (const int orderType : {7, 8}) {
                bool done = true;
                const double seconds = medianOfThree([&] {
                    ExportOptions options = everyColumn(
                        out.file(std::string("export") + info.extension).string(), orderType);
                    done = RunExporter(catalogue.connection, info.format, options) && done;
                });
                std::printf("%-18s order %d: %6.3f s for %d items (median of 3)%s\n",
                            info.filterText, orderType, seconds, items, done ? "" : " FAILED");
            }
        }
    }
    {
        test::TempCatalogue catalogue;
        std::printf("filling a catalogue with %d items...\n", statsItems);
        fill(catalogue.connection, statsItems);
        const Selection everything = ScopeSelection(ExplorerScope{}, 0);
        bool complete = true;
        const double seconds = medianOfThree(
            [&] { complete = BuildStatisticsReport(catalogue.connection, &everything).complete; });
        std::printf("%-18s        : %6.3f s for %d items (median of 3)%s\n", "Statistics", seconds,
                    statsItems, complete ? "" : " FAILED");
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
