// Tools run speed: correct + capitalise (with the installed exception list) + a set-title
// function over ITEMS catalogue items (default 100,000), then renaming FILES real files
// (default 2,000) in a temporary folder, with the catalogue opened as the program opens it
// (write-ahead log, crash journal). Prints the median of three runs of each.
//
// Usage: bench_tools [ITEMS] [FILES]
#include "app/catalogue_document.h"
#include "text/capitalize_exceptions.h"
#include "text/text_rules.h"
#include "tools/tools_run.h"

#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace tunebay;

namespace {

class AlwaysYes : public IWorkerQuestion {
public:
    QuestionAnswer Ask(const std::string&, const std::string&, QuestionButtons,
                       QuestionIcon) override {
        return QuestionAnswer::Yes;
    }
};

// Untidy names as file names give them: underscores, doubled spaces, lower case.
void fill(CCatalogueConnection& connection, int items, const std::string& directory) {
    const std::string numbers = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                "WHERE i < " +
                                std::to_string(items) + ") ";
    CatalogueTransaction transaction(connection);
    connection.Execute("INSERT INTO tblDirectory (lID, sLocal, sUNC, sURL) VALUES (1, '" +
                       directory + "', '', '')");
    connection.Execute("INSERT INTO tblGroup (lID, sName) WITH RECURSIVE n(i) AS (SELECT 1 UNION "
                       "ALL SELECT i + 1 FROM n WHERE i < 2000) SELECT i, 'the_group  ' || i "
                       "FROM n");
    connection.Execute("INSERT INTO tblPackage (lID, sName) WITH RECURSIVE n(i) AS (SELECT 1 "
                       "UNION ALL SELECT i + 1 FROM n WHERE i < 4000) SELECT i, 'an album of ' "
                       "|| i FROM n");
    connection.Execute("INSERT INTO tblMedia (lID, sName, sComment, lGenreID, sPublishTime, "
                       "sFileName, lDirectoryID, lLength, sImportTime, lMediaType, fSize) " +
                       numbers +
                       "SELECT i, 'some_title  of the song ' || i, '', 255, '1999', 'file' || i "
                       "|| '.MP3', 1, 200, '20030501120000', 1, 3000000.0 FROM n");
    connection.Execute("INSERT INTO tblItem (lID, lMediaID, lGroupID, lPackageID) " + numbers +
                       "SELECT i, i, 1 + i % 2000, 1 + i % 4000 FROM n");
    transaction.Commit();
}

template <typename Work>
double medianSeconds(Work&& work) {
    std::vector<double> runs;
    for (int run = 0; run < 3; ++run) {
        const double seconds = work();
        runs.push_back(seconds);
    }
    std::sort(runs.begin(), runs.end());
    return runs[1];
}

double timed(ToolsRun& run) {
    const auto start = std::chrono::steady_clock::now();
    run.Execute({});
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int files = argc > 2 ? std::atoi(argv[2]) : 2000;
    AlwaysYes yes;
    const CapitalizeExceptionsLoad exceptions = LoadCapitalizeExceptions(test::dataDirectory());

    const double names = medianSeconds([&] {
        test::TempCatalogue catalogue;
        fill(catalogue.connection, items, "/music/");
        ToolsJob job;
        job.correct = true;
        job.capitalize = true;
        job.capitalizeMode = kCapitalizeFirstLetters;
        job.exceptions = exceptions.list ? &*exceptions.list : nullptr;
        job.setProperty = true;
        job.title = {"Insert(0, \"01 \");", true, false};
        ToolsRun run(catalogue.connection, job, yes, nullptr);
        const double seconds = timed(run);
        if (run.ItemsDone() != items || !run.ErrorMessage().empty())
            std::fprintf(stderr, "names run incomplete: %d items, %s\n", run.ItemsDone(),
                         run.ErrorMessage().c_str());
        return seconds;
    });
    std::printf("correct + capitalise + set title: %d items in %.3f s = %.0f items/s "
                "(exceptions: %zu)\n",
                items, names, items / names, exceptions.list ? exceptions.list->size() : 0);

    const double renames = medianSeconds([&] {
        test::TempCatalogue catalogue;
        test::TempDir folder;
        for (int i = 1; i <= files; ++i)
            std::ofstream(folder.file("file" + std::to_string(i) + ".MP3")) << "x";
        fill(catalogue.connection, files, folder.path().string() + "/");
        catalogue.connection.Open("");
        CatalogueDocument document(catalogue.connection, test::dataDirectory());
        if (!document.OpenCatalogue(catalogue.path().string()).ok())
            std::fprintf(stderr, "cannot open the catalogue\n");
        ToolsJob job;
        job.rename = true;
        ToolsRun run(catalogue.connection, job, yes, nullptr);
        const double seconds = timed(run);
        if (run.ItemsDone() != files || !run.Failures().Summary().empty())
            std::fprintf(stderr, "rename run incomplete: %d files, %d failures\n", run.ItemsDone(),
                         run.Failures().Total());
        if (catalogue.scalar("SELECT COUNT(*) FROM tblJournal") != "0")
            std::fprintf(stderr, "rename run left journal entries\n");
        return seconds;
    });
    std::printf("rename files (journalled): %d files in %.3f s = %.0f renames/s\n", files, renames,
                files / renames);
    return 0;
}
