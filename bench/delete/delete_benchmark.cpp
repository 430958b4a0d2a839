// How long Edit > Delete takes over a large selection: a synthetic catalogue is built through
// the store, then selections spread over the whole catalogue are deleted with the rows only
// they used, each selection in one run. Prints the time per selection size against the target
// of 10,000 items in under two seconds; then the same with every item in one folder.
#include "synthetic_catalogue.h"

#include "browse/item_deletion.h"
#include "store/catalogue_connection.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tunebay;

int main(int argc, char** argv) {
    int items = 100000;
    std::vector<int> selections{255, 2016, 10000};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string argument = argv[i];
        if (argument == "--items") {
            items = std::max(20000, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "usage: bench_delete [--items N]\n");
            return 2;
        }
    }
    const fs::path path = fs::temp_directory_path() / "tunebay-delete-bench.tbf";
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path.string() + suffix);
    fs::copy_file(fs::path(TUNEBAY_DATA_DIR) / "TBDB.src", path);

    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(path.string())) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    connection.EnableConcurrentAccess();
    const bench::CatalogueShape shape = bench::ShapeFor(items);
    bench::FillSyntheticCatalogue(connection, shape);
    std::printf("%d items, %d groups, %d packages\n", shape.items, shape.groups, shape.packages);

    int seed = 0;
    const auto run = [&](int count) {
        const std::vector<int> ids = bench::SpreadItemIds(shape, count, ++seed);
        const auto start = std::chrono::steady_clock::now();
        const DeletionOutcome outcome = DeleteItems(connection, ids);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::printf("  delete %6d items %10.1f ms  %6d deleted", count, ms, outcome.deleted);
        if (count == 10000)
            std::printf("   target 2000 ms  %s", ms <= 2000 ? "ok" : "MISSED");
        std::printf("\n");
    };
    for (const int count : selections)
        run(count);
    // Every item left in one folder: whether the folder is still used is asked per item.
    connection.Execute("UPDATE tblMedia SET lDirectoryID=2");
    std::printf("all items in one folder:\n");
    run(10000);
    connection.Open("");
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path.string() + suffix);
    return 0;
}
