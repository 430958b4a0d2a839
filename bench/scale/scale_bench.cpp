// How the browsing statements hold up in large catalogues. For each size a synthetic catalogue is
// built through the store (with --server, then copied into a new database of a private
// PostgreSQL server), then a fresh process (so that its peak memory is its own) times the
// listing, the tree, the searches and a delete, printing the median of the runs.
#include "fresh_process.h"
#include "peak_memory.h"
#include "scale_options.h"
#include "synthetic_catalogue.h"

#include "app/catalogue_transfer.h"
#include "browse/folder_tree.h"
#include "browse/item_deletion.h"
#include "browse/item_listing.h"
#include "browse/search_row.h"
#include "browse/selection.h"
#include "store/catalogue_connection.h"
#include "store/item_query.h"
#include "support/private_postgres.h"
#include "support/temp_dir.h"

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

int measure(const std::string& path, int items, int runs, bool explain) {
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(path)) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    connection.EnableConcurrentAccess();
    if (explain) {
        // The server logs the plan of each statement that takes long, with what it found.
        connection.Execute("LOAD 'auto_explain'");
        connection.Execute("SET auto_explain.log_min_duration = 100");
        connection.Execute("SET auto_explain.log_analyze = on");
        connection.Execute("SET auto_explain.log_buffers = on");
    }
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
        {"search: Title OR Duplicates:Name",
         {"Title", "=", "night"},
         "OR",
         {"Duplicates:Name", "=", ""}},
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

// Builds the synthetic catalogue of `shape` in a new file at `path` (from the template); false
// when it cannot be opened.
bool buildFile(const fs::path& path, const bench::CatalogueShape& shape) {
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path.string() + suffix);
    fs::copy_file(fs::path(TUNEBAY_DATA_DIR) / "TBDB.src", path);
    const auto start = Clock::now();
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(path.string())) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return false;
    }
    bench::FillSyntheticCatalogue(connection, shape);
    std::printf("  %-28s %10.1f s  %8.0f MB file\n", "build", secondsSince(start),
                static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0));
    return true;
}

// Copies the catalogue file into a new database of the private server as a user's
// copy-catalogue does; its URI, or "" when there is no server or the copy failed.
std::string copyToServer(const fs::path& file) {
    std::string why;
    test::PrivateServer* server = test::PrivateServer::Get(why);
    if (!server) {
        std::fprintf(stderr, "no server: %s\n", why.c_str());
        return {};
    }
    const std::string uri = server->NewDatabase();
    const auto start = Clock::now();
    const TransferResult copied = CopyCatalogue(file.string(), uri, true, TUNEBAY_DATA_DIR);
    if (!copied.ok()) {
        std::fprintf(stderr, "copy failed: %s\n", copied.message.c_str());
        return {};
    }
    std::printf("  %-28s %10.1f s\n", "copy to the server", secondsSince(start));
    return uri;
}

// The private server's log, with the plans of the statements that took long.
void printPlans() {
    std::string why;
    if (test::PrivateServer* server = test::PrivateServer::Get(why))
        std::printf("%s", test::readFile(server->LogFile()).c_str());
}

void usage() {
    std::fprintf(stderr, "usage: bench_scale [--items N[,N...]] [--runs N] [--dir DIR] [--keep] "
                         "[--server [--explain]]\n");
}

} // namespace

int main(int argc, char** argv) {
    bench::ScaleOptions options;
    if (!bench::ParseScaleOptions(argc, argv, options)) {
        usage();
        return 2;
    }
    if (options.measure)
        return measure(options.path, options.items, options.runs, options.explain);
    // The catalogue files go in the given folder, or else in a private one of the run's own.
    const test::TempDir own;
    const fs::path files = options.dir.empty() ? own.path() : fs::path(options.dir);

    int status = 0;
    for (const int items : options.sizes) {
        if (items <= 0)
            continue;
        const fs::path path = files / ("tunebay-scale-" + std::to_string(items) + ".tbf");
        const bench::CatalogueShape shape = bench::ShapeFor(items);
        std::printf("%d items, %d groups, %d packages (%s%s)\n", shape.items, shape.groups,
                    shape.packages, path.c_str(), options.server ? ", then on a server" : "");
        if (!buildFile(path, shape))
            return 1;
        const std::string measured = options.server ? copyToServer(path) : path.string();
        if (measured.empty())
            return 1;
        std::vector<std::string> arguments{argv[0]};
        if (options.server && options.explain)
            arguments.push_back("--explain");
        for (const std::string& argument : {std::string("--measure"), measured,
                                            std::to_string(items), std::to_string(options.runs)})
            arguments.push_back(argument);
        status |= bench::RunFreshProcess(arguments);
        if (options.server && options.explain)
            printPlans();
        if (!options.keep)
            for (const char* suffix : {"", "-wal", "-shm"})
                fs::remove(path.string() + suffix);
    }
    return status;
}
