// Copy, move and hard-link speed over FILES small real files (default 2,000 of 4 KiB, in 20
// folders) catalogued in a temporary catalogue, with genre, group and disc folders on; and the
// time to read and pack ITEMS catalogue rows (default 100,000) into disc folders. Prints the
// median of three runs of each against its target.
//
// Usage: bench_copy_move [FILES] [ITEMS]
#include "output/copy_move_run.h"

#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace tunebay;
namespace fs = std::filesystem;

namespace {

class AlwaysYes : public IWorkerQuestion {
public:
    QuestionAnswer Ask(const std::string&, const std::string&, QuestionButtons,
                       QuestionIcon) override {
        return QuestionAnswer::Yes;
    }
};

class SilentSink : public IProgressSink {
public:
    void OnProgress(int, const std::string&) override {}
    void OnFinished(int, int) override {}
};

constexpr int kFolders = 20;
constexpr int kGroups = 50;

// ITEMS rows in FOLDERS directories under `root` (which may not exist: packing only).
void fill(CCatalogueConnection& connection, int items, const std::string& root) {
    const std::string numbers = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                "WHERE i < " +
                                std::to_string(items) + ") ";
    CatalogueTransaction transaction(connection);
    connection.Execute("INSERT INTO tblDirectory (lID, sLocal, sUNC, sURL) WITH RECURSIVE n(i) "
                       "AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                       std::to_string(kFolders) + ") SELECT i, '" + root +
                       "d' || i || '/', '', '' FROM n");
    connection.Execute("INSERT INTO tblGroup (lID, sName) WITH RECURSIVE n(i) AS (SELECT 1 UNION "
                       "ALL SELECT i + 1 FROM n WHERE i < " +
                       std::to_string(kGroups) + ") SELECT i, 'Group ' || i FROM n");
    connection.Execute("INSERT INTO tblPackage (lID, sName) VALUES (1, 'Unknown')");
    // Sizes of 1 to 10 MB, so the 650 MB discs fill unevenly.
    connection.Execute("INSERT INTO tblMedia (lID, sName, sComment, lGenreID, sPublishTime, "
                       "sFileName, lDirectoryID, lLength, sImportTime, lMediaType, fSize) " +
                       numbers +
                       "SELECT i, 'Title ' || i, '', 1 + i % 3, '1999', 'file' || i || '.mp3', "
                       "1 + i % " +
                       std::to_string(kFolders) +
                       ", 200, '20030501120000', 1, 1048576.0 * (1 + i % 10) FROM n");
    connection.Execute("INSERT INTO tblItem (lID, lMediaID, lGroupID, lPackageID) " + numbers +
                       "SELECT i, i, 1 + i % " + std::to_string(kGroups) + ", 1 FROM n");
    transaction.Commit();
}

void writeFiles(const std::string& root, int files) {
    const std::string bytes(4096, 'x');
    for (int folder = 1; folder <= kFolders; ++folder)
        fs::create_directories(root + "d" + std::to_string(folder));
    for (int i = 1; i <= files; ++i)
        std::ofstream(root + "d" + std::to_string(1 + i % kFolders) + "/file" + std::to_string(i) +
                      ".mp3")
            << bytes;
}

double median(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One run into `destination`; its time in seconds.
double timedRun(CCatalogueConnection& connection, CopyMoveOptions options, int expected) {
    SilentSink sink;
    AlwaysYes yes;
    std::string message;
    if (PrepareDestination(options, yes, message) != DestinationCheck::Ready) {
        std::fprintf(stderr, "%s\n", message.c_str());
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    auto run = std::make_shared<CopyMoveRun>(sink, connection, options,
                                             ScopeSelection(ExplorerScope{}, 0), yes);
    run->Start();
    run->WaitFinished(24 * 3600 * 1000);
    const double time = seconds(start);
    if (run->Done() != expected)
        std::fprintf(stderr, "incomplete run: %d done, %d failed %s\n", run->Done(), run->Failed(),
                     run->ErrorMessage().c_str());
    return time;
}

CopyMoveOptions sortedInto(const fs::path& destination, int mode) {
    CopyMoveOptions options;
    options.mode = mode;
    options.destination = destination.string();
    options.genreFolders = true;
    options.groupFolders = true;
    options.limitOn = mode == kCopyFiles;
    return options;
}

void report(const char* what, int count, double time, double target) {
    const double rate = count / time;
    std::printf("%-12s %6d files in %.3f s = %7.0f files/s   target %.0f files/s  %s\n", what,
                count, time, rate, target, rate >= target ? "ok" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int items = argc > 2 ? std::atoi(argv[2]) : 100000;

    test::TempCatalogue catalogue;
    catalogue.connection.EnableConcurrentAccess(); // as the front ends open a catalogue
    const std::string source = catalogue.dir().path().string() + "/music/";
    writeFiles(source, files);
    fill(catalogue.connection, files, source);
    test::TempDir out;

    std::vector<double> copies, links, moves;
    for (int round = 0; round < 3; ++round) {
        copies.push_back(timedRun(catalogue.connection,
                                  sortedInto(out.file("copy" + std::to_string(round)), kCopyFiles),
                                  files));
        CopyMoveOptions linked = sortedInto(out.file("link" + std::to_string(round)), kCopyFiles);
        linked.hardLinks = true;
        links.push_back(timedRun(catalogue.connection, linked, files));
    }
    // Each move takes the files on from where the one before left them.
    for (int round = 0; round < 3; ++round)
        moves.push_back(timedRun(catalogue.connection,
                                 sortedInto(out.file("move" + std::to_string(round)), kMoveFiles),
                                 files));
    report("copy", files, median(copies), 500);
    report("hard links", files, median(links), 2000);
    report("move", files, median(moves), 2000);

    // Reading a large selection and packing it into discs, before any file is touched.
    test::TempCatalogue large;
    fill(large.connection, items, "/music/");
    std::vector<double> packings;
    int disks = 0;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        Selection selection = ScopeSelection(ExplorerScope{}, 0);
        selection.columns = kCopyMoveColumns;
        DiskPacker packer(650 * 1048576.0);
        for (ResultSet set = RunSelection(large.connection, selection); !set.IsEof();
             set.MoveNext())
            disks = std::max(disks, packer.Place(set.GetDouble(7)));
        packings.push_back(seconds(start));
    }
    const double packing = median(packings);
    std::printf("packing      %6d items in %.3f s into %d discs   target 1 s  %s\n", items, packing,
                disks, packing < 1.0 ? "ok" : "MISSED");
    return 0;
}
