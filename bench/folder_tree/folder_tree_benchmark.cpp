// The folder tree at scale, through the window's own tree view on the offscreen platform. For
// each size a synthetic catalogue is built, then a fresh process (so that its peak memory is its
// own) shows its tree as the window does when a catalogue opens: the tree statement run and the
// tree built, then the view filled with it, its remembered node selected, and painted. It prints
// the median time of each step for the genre/group tree (the window's first choice) and the
// genre/group/package tree, and then the time the view takes to open a node (what the user
// waits for on a click).
#include "peak_memory.h"
#include "run_timing.h"
#include "scale_options.h"
#include "synthetic_runs.h"

#include "browse/folder_tree.h"
#include "left_view.h"
#include "store/catalogue_connection.h"

#include <QApplication>
#include <QTreeWidgetItem>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tunebay;

namespace {

using bench::Clock;
using bench::Median;
using bench::MsSince;

// The chain of the last node of the tree's last genre: a node deep down, as a remembered
// selection is after the user browsed there.
NodeChain deepChain(const FolderTree& tree) {
    NodeChain chain;
    for (std::size_t at = tree.nodes.size() - 1; at != 0;
         at = static_cast<std::size_t>(tree.nodes[at].parent))
        chain.push_back({tree.nodes[at].type, tree.nodes[at].id});
    return chain;
}

int measure(int argc, char** argv, const std::string& path, int runs) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(path)) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    CLeftView view;
    view.resize(300, 700);
    view.show();
    QApplication::processEvents();

    for (const int folderView : {kFolderViewGenre | kFolderViewGroup,
                                 kFolderViewGenre | kFolderViewGroup | kFolderViewPackage}) {
        const NodeChain remembered = deepChain(PopulateTree(connection, folderView, {}));
        std::vector<double> statementMs, viewMs, openMs;
        std::size_t nodes = 0;
        for (int run = 0; run < runs; ++run) {
            view.SetTree({});
            QApplication::processEvents();
            const auto start = Clock::now();
            const FolderTree tree = PopulateTree(connection, folderView, remembered);
            statementMs.push_back(MsSince(start));
            nodes = tree.nodes.size();
            const auto shown = Clock::now();
            view.SetTree(tree);
            view.viewport()->repaint();
            viewMs.push_back(MsSince(shown));

            // The first genre's first child opened, as a click on its sign does.
            QTreeWidgetItem* genre = view.topLevelItem(0)->child(0);
            view.expandItem(genre);
            const auto open = Clock::now();
            view.expandItem(genre->child(0));
            view.viewport()->repaint();
            openMs.push_back(MsSince(open));
        }
        std::printf("  FolderView %d, %zu nodes; median of %d runs: statement and build %.0f ms, "
                    "view filled and painted %.0f ms, a node opened %.1f ms, peak %.1f MB\n",
                    folderView, nodes, runs, Median(statementMs), Median(viewMs), Median(openMs),
                    bench::PeakMegabytes());
        std::fflush(stdout);
    }
    return 0;
}

void usage() {
    std::fprintf(stderr,
                 "usage: bench_folder_tree [--items N[,N...]] [--runs N] [--dir DIR] [--keep]\n");
}

} // namespace

int main(int argc, char** argv) {
    bench::ScaleOptions options;
    if (!bench::ParseScaleOptions(argc, argv, options)) {
        usage();
        return 2;
    }
    if (options.measure)
        return measure(argc, argv, options.path, options.runs);
    return bench::MeasureSyntheticCatalogues(argv[0], "tunebay-folder-tree",
                                             fs::path(TUNEBAY_DATA_DIR) / "TBDB.src", options);
}
