// One catalogue in many hands: this process works on it as the window does (an import on a
// worker thread, a listing thread, file locks dropped by a look into the file) while commands of
// tunebay-cli read and write it. Nothing crashes, nothing is lost.
#include "app/background_operation.h"
#include "app/clock.h"
#include "import/import_operations.h"
#include "store/item_query.h"
#include "support/cli_runner.h"
#include "support/mp3_fixture.h"
#include "support/quiet_run.h"
#include "support/temp_catalogue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

namespace tunebay {
namespace {

using test::QuietSink;

TEST(SharedCatalogue, AWindowLikeImportAndCommandsWorkTogether) {
    constexpr int kFiles = 800;
    test::CliRunner cli;
    test::TempCatalogue catalogue;
    catalogue.connection.EnableConcurrentAccess();
    const std::string path = catalogue.path().string();
    test::TempDir music;
    test::Mp3Recipe recipe;
    recipe.frameCount = 10;
    for (int i = 0; i < kFiles; ++i) {
        recipe.id3v2 =
            test::id3v2TagFromFields(3, {"Song " + std::to_string(i), "Group", "", "", "", "", ""});
        music.write("f" + std::to_string(i) + ".mp3", test::makeMp3(recipe));
    }

    QuietSink sink;
    SystemClock clock;
    auto import = std::make_shared<FolderImportOperation>(
        sink, catalogue.connection, music.path().string(), ImportOptions(), clock);
    ASSERT_TRUE(import->Start());
    std::atomic<bool> importing{true};
    std::atomic<int> listings{0};
    std::thread listing([&] {
        while (importing) {
            QueryItems(catalogue.connection, "SELECT tblItem.lID", "", 0);
            ++listings;
        }
    });
    int commands = 0;
    while (import->IsRunning() || commands < 6) {
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"info", path},
              {"list", path},
              {"sql", path, "SELECT COUNT(*) FROM tblItem"}}) {
            const test::CliResult result = cli.run(command);
            EXPECT_EQ(result.status, 0) << command[0] << ": " << result.err;
            ++commands;
        }
        std::ifstream(path).get(); // as a file dialog looking into the catalogue would
    }
    import->WaitFinished(60000);
    importing = false;
    listing.join();

    EXPECT_EQ(import->ItemsAdded(), kFiles);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblItem"), std::to_string(kFiles));
    // A command that writes while this process still has the catalogue open.
    const test::CliResult tools =
        cli.run({"tools", path, "--search", "Title|<>|zzz", "--set-comment", "shared", "--yes"});
    EXPECT_EQ(tools.status, 0) << tools.err;
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblMedia WHERE sComment='shared'"),
              std::to_string(kFiles));
    EXPECT_GT(listings.load(), 0);
}

} // namespace
} // namespace tunebay
