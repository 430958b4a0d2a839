// How long the Properties window takes to load one item and to save a change of it on a large
// catalogue: a synthetic catalogue is built through the store, then items spread over it are
// loaded (with the details text) and saved with a new title, group and package. Prints the
// medians against the targets of 20 ms a load and 50 ms a save.
#include "synthetic_catalogue.h"

#include "edit/item_properties.h"
#include "store/catalogue_connection.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tunebay;

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int items = 1000000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--items") {
            items = std::max(20000, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "usage: bench_properties [--items N]\n");
            return 2;
        }
    }
    const fs::path path = fs::temp_directory_path() / "tunebay-properties-bench.tbf";
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

    std::vector<double> loads;
    std::vector<double> saves;
    int n = 0;
    for (const int id : bench::SpreadItemIds(shape, 50, 7)) {
        auto start = std::chrono::steady_clock::now();
        const std::optional<ItemProperties> item = LoadItemProperties(connection, id);
        if (!item)
            continue;
        const std::string details = ItemDetailsText(connection, *item);
        loads.push_back(millisecondsSince(start));

        PropertyChanges changes;
        changes.title = item->title + " (edited)";
        changes.group = "Bench group " + std::to_string(n % 5);
        changes.package = "Bench package " + std::to_string(n++);
        changes.published = "85";
        start = std::chrono::steady_clock::now();
        const SaveResult saved = SaveItemProperties(connection, *item, changes);
        saves.push_back(millisecondsSince(start));
        if (saved.outcome != SaveOutcome::Saved)
            std::printf("item %d not saved: %s %s\n", id, saved.message.c_str(),
                        saved.engineReason.c_str());
    }
    std::printf("load with details: median %.2f ms, slowest %.2f ms (target 20 ms)\n",
                median(loads), *std::max_element(loads.begin(), loads.end()));
    std::printf("save:              median %.2f ms, slowest %.2f ms (target 50 ms)\n",
                median(saves), *std::max_element(saves.begin(), saves.end()));
    connection.Open("");
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path.string() + suffix);
    return 0;
}
