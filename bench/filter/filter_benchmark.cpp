// The filter box of the item list, one keystroke at a time: a synthetic catalogue is listed into
// the window's own model with the window's list view on it, then words are typed and erased
// letter by letter. Each keystroke is timed from the new text to the view laid out again.
#include "peak_memory.h"
#include "synthetic_catalogue.h"

#include "browse/item_listing.h"
#include "browse/list_filter.h"
#include "item_list_model.h"
#include "jukora_view.h"
#include "store/catalogue_connection.h"

#include <QApplication>

#include <unistd.h>

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

using Clock = std::chrono::steady_clock;

struct Keystrokes {
    std::vector<double> ms;
    std::vector<double> modelMs; // the model's part of each

    std::size_t fewestRows = SIZE_MAX;
};

// Types `word` letter by letter, then erases it again, timing each keystroke.
void typeAndErase(ItemListModel& model, CJukoraView& view, const std::string& word,
                  Keystrokes& keys) {
    std::vector<std::string> texts;
    for (std::size_t length = 1; length <= word.size(); ++length)
        texts.push_back(word.substr(0, length));
    for (std::size_t length = word.size(); length-- > 0;)
        texts.push_back(word.substr(0, length));
    for (const std::string& text : texts) {
        const auto start = Clock::now();
        model.SetFilter(ListFilter(text));
        keys.modelMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        view.doItemsLayout();
        QApplication::processEvents();
        keys.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        keys.fewestRows = std::min(keys.fewestRows, static_cast<std::size_t>(model.rowCount()));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int items = 100000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--items")
            items = std::max(1, std::atoi(argv[i + 1]));

    const fs::path path =
        fs::temp_directory_path() / ("tunebay-filter-" + std::to_string(::getpid()) + ".tbf");
    fs::copy_file(fs::path(TUNEBAY_DATA_DIR) / "TBDB.src", path);
    int status = 0;
    {
        CCatalogueConnection connection;
        if (connection.Open(CatalogueConnectionString(path.string())) != 0) {
            std::fprintf(stderr, "cannot open %s\n", path.c_str());
            status = 1;
        } else {
            bench::FillSyntheticCatalogue(connection, bench::ShapeFor(items));
            ItemListModel model;
            CJukoraView view(&model);
            view.resize(900, 600);
            view.show();
            const int run = model.Clear();
            const std::atomic<bool> stop{false};
            Selection selection;
            selection.sortCode = 7;
            RunListing(connection, selection, stop, [&](std::vector<ListedItem>&& batch) {
                model.AppendBatch(run, std::move(batch));
            });
            QApplication::processEvents();
            std::printf("%d items listed, peak %.1f MB\n", model.rowCount(),
                        bench::PeakMegabytes());

            // A word of the titles, one of the groups' numbers, a file's extension, a miss.
            Keystrokes keys;
            for (const char* word : {"midnight", "00042", ".mp3", "zqx"})
                typeAndErase(model, view, word, keys);
            std::vector<double> sorted = keys.modelMs;
            std::sort(sorted.begin(), sorted.end());
            std::printf("  the model's part: median %.1f ms, slowest %.1f ms\n",
                        sorted[sorted.size() / 2], sorted.back());
            sorted = keys.ms;
            std::sort(sorted.begin(), sorted.end());
            const double median = sorted[sorted.size() / 2];
            const double worst = sorted.back();
            std::printf("  %zu keystrokes: median %.1f ms, slowest %.1f ms (target 100 ms: %s), "
                        "fewest rows %zu, peak %.1f MB\n",
                        sorted.size(), median, worst, worst <= 100 ? "ok" : "MISSED",
                        keys.fewestRows, bench::PeakMegabytes());
        }
    }
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path.string() + suffix);
    return status;
}
