// How the browsing statements hold up in large catalogues. For each size a synthetic catalogue is
// built through the store, then a fresh process (so that its peak memory is its own) times the
// listing, the tree, the searches and a delete, printing the median of the runs.
#include "fresh_process.h"
#include "peak_memory.h"
#include "scale_options.h"
#include "synthetic_catalogue.h"

#include "browse/folder_tree.h"
#include "browse/item_deletion.h"
#include "browse/item_listing.h"
#include "browse/search_row.h"
#include "browse/selection.h"
#include "store/catalogue_connection.h"
#include "store/item_query.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tunebay;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The median of `runs` timings of `work`, in milliseconds; `rows` gets the row count it reports.
double medianMs(int runs, const std::function<std::size_t()>& work, std::size_t& rows) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        rows = work();
        times.push_back(secondsSince(start) * 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// One line per measurement, with the process's peak memory so far. A target below 0 means
// none is set.
void report(const char* what, double ms, std::size_t rows, double targetMs = -1) {
    std::printf("  %-28s %10.1f ms %10zu rows  peak %6.1f MB", what, ms, rows,
                bench::PeakMegabytes());
    if (targetMs >= 0)
        std::printf("   target %6.0f ms  %s", targetMs, ms <= targetMs ? "ok" : "MISSED");
    std::printf("\n");
    std::fflush(stdout);
}

std::size_t readAll(ResultSet rows, std::size_t limit = SIZE_MAX) {
    std::size_t count = 0;
    for (; !rows.IsEof() && count < limit; rows.MoveNext()) {
        const ListedItem item = ReadListedItem(rows);
        count += item.itemId != 0 ? 1 : 0;
    }
    return count;
}

std::size_t runSearch(CCatalogueConnection& connection, const SearchRow& row,
                      std::string_view link = "-", const SearchRow& second = {}) {
    const SearchText condition = BuildSearchCondition(row, link, second);
    Selection selection;
    selection.columns = kListingColumns;
    selection.condition = condition.sql;
    selection.sortCode = kSortGroup;
    return readAll(RunSelection(connection, selection));
}

int measure(const std::string& path, int items, int runs) {
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(path)) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    connection.EnableConcurrentAccess();
    // The targets are those for a million items; smaller catalogues are held to the same.
    std::size_t rows = 0;

    double ms = medianMs(
        runs,
        [&] {
            return readAll(QueryItems(connection, kListingColumns, "", kSortGroup), kListingBatch);
        },
        rows);
    report("list: first 50 rows", ms, rows, 100);
    ms = medianMs(
        runs, [&] { return readAll(QueryItems(connection, kListingColumns, "", kSortGroup)); },
        rows);
    report("list: all rows", ms, rows, 3000);
    for (const int view : {5, 7}) {
        ms = medianMs(
            runs, [&] { return PopulateTree(connection, view, {}).nodes.size(); }, rows);
        report(view == 5 ? "tree: FolderView 5 (nodes)" : "tree: FolderView 7 (nodes)", ms, rows,
               2000);
    }
    ms = medianMs(
        runs,
        [&] {
            return runSearch(connection, {"*", "=", "night"});
        },
        rows);
    report("search: * = night", ms, rows, 2000);
    for (const char* type : {"Duplicates:Name", "Duplicates:Size", "Duplicates:TRM"}) {
        ms = medianMs(
            runs,
            [&] {
                return runSearch(connection, {type, "=", ""});
            },
            rows);
        report((std::string("search: ") + type).c_str(), ms, rows, 3000);
    }
    // Rows over optional properties and duplicate queries joined with another row.
    const struct {
        const char* name;
        SearchRow first;
        const char* link;
        SearchRow second;
    } combined[] = {
        {"search: Title OR Duplicates:TRM",
         {"Title", "=", "night"},
         "OR",
         {"Duplicates:TRM", "=", ""}},
        {"search: Title OR VBR", {"Title", "=", "night"}, "OR", {"VBR", "=", ""}},
        {"search: Bitrate AND Samplerate",
         {"Bitrate", ">=", "320"},
         "AND",
         {"Samplerate", "=", "44100"}},
    };
    for (const auto& search : combined) {
        ms = medianMs(
            runs, [&] { return runSearch(connection, search.first, search.link, search.second); },
            rows);
        report(search.name, ms, rows, 3000);
    }
    int seed = 0;
    ms = medianMs(
        runs,
        [&] {
            const auto ids = SpreadItemIds(bench::ShapeFor(items), 255, ++seed);
            return static_cast<std::size_t>(DeleteItems(connection, ids).deleted);
        },
        rows);
    report("delete 255 items", ms, rows);

    const double peakMb = bench::PeakMegabytes();
    std::printf("  %-28s %10.1f MB %38s target    400 MB  %s\n", "peak memory", peakMb, "",
                peakMb <= 400 ? "ok" : "MISSED");
    return 0;
}

void usage() {
    std::fprintf(stderr, "usage: bench_scale [--items N[,N...]] [--runs N] [--dir DIR] [--keep]\n");
}

} // namespace

int main(int argc, char** argv) {
    bench::ScaleOptions options;
    if (!bench::ParseScaleOptions(argc, argv, options)) {
        usage();
        return 2;
    }
    if (options.measure)
        return measure(options.path, options.items, options.runs);
    const std::vector<int>& sizes = options.sizes;
    const int runs = options.runs;
    const bool keep = options.keep;
    const std::string& dir = options.dir;
    const fs::path folder = dir.empty() ? fs::temp_directory_path() : fs::path(dir);
    const fs::path templateFile = fs::path(TUNEBAY_DATA_DIR) / "TBDB.src";

    int status = 0;
    for (const int items : sizes) {
        if (items <= 0)
            continue;
        const fs::path path = folder / ("tunebay-scale-" + std::to_string(items) + ".tbf");
        for (const char* suffix : {"", "-wal", "-shm"})
            fs::remove(path.string() + suffix);
        fs::copy_file(templateFile, path);

        const bench::CatalogueShape shape = bench::ShapeFor(items);
        std::printf("%d items, %d groups, %d packages (%s)\n", shape.items, shape.groups,
                    shape.packages, path.c_str());
        const auto start = Clock::now();
        {
            CCatalogueConnection connection;
            if (connection.Open(CatalogueConnectionString(path.string())) != 0) {
                std::fprintf(stderr, "cannot open %s\n", path.c_str());
                return 1;
            }
            bench::FillSyntheticCatalogue(connection, shape);
        }
        std::printf("  %-28s %10.1f s  %8.0f MB file\n", "build", secondsSince(start),
                    static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0));
        status |= bench::RunFreshProcess(
            {argv[0], "--measure", path.string(), std::to_string(items), std::to_string(runs)});
        if (!keep)
            for (const char* suffix : {"", "-wal", "-shm"})
                fs::remove(path.string() + suffix);
    }
    return status;
}
