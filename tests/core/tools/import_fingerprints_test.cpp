#include "tools/import_fingerprints.h"

#include "import/import_operations.h"
#include "store/optional_values.h"
#include "support/fake_acoustid_server.h"
#include "support/quiet_run.h"
#include "support/temp_catalogue.h"
#include "support/tone_mp3.h"
#include "tools/audio_fingerprint.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::FixedClock;
using test::QuietSink;

using test::FakeAcoustIdServer;

constexpr const char* kTrack = "9ff43b6a-4f16-427c-93c2-92307ca505e0";
constexpr const char* kBareTrack = "11111111-1111-1111-1111-111111111111";

class ImportFingerprintsTest : public ::testing::Test {
protected:
    ImportFingerprintsTest() {
        settings.MusicBrainzServerURL = server.url();
        settings.MusicBrainzApiKey = "secret";
    }
    // A folder of `count` different tunes.
    std::string music(int count) {
        for (int i = 0; i < count; ++i)
            catalogue.dir().write("music/" + std::to_string(i) + ".mp3",
                                  test::toneMp3({static_cast<uint32_t>(i + 1), 10, 0}));
        return catalogue.dir().file("music").string() + "/";
    }
    std::shared_ptr<FolderImportOperation> importRun(const std::string& folder) {
        ImportOptions options;
        options.generateFingerprint = true;
        return std::make_shared<FolderImportOperation>(sink, catalogue.connection, folder, options,
                                                       clock, MakeImportFingerprints(settings));
    }
    static void finish(const std::shared_ptr<FolderImportOperation>& run) {
        ASSERT_EQ(run->Start(), 1);
        ASSERT_EQ(run->WaitFinished(60000), 1);
    }
    std::string values(int type) {
        return catalogue.scalar("SELECT COUNT(*) || ' ' || IFNULL(MIN(sValue), '') FROM "
                                "tblOptional WHERE lOptionalTypeID=" +
                                std::to_string(type));
    }

    FakeAcoustIdServer server;
    test::TempCatalogue catalogue;
    CAppSettings settings;
    QuietSink sink;
    FixedClock clock{1041379200};
};

// The best-scored track has no recordings: the one stored is the best that has.
TEST_F(ImportFingerprintsTest, KeepsTheRawFingerprintAndATrackWithRecordings) {
    server.answerFingerprint({200, test::tracksAnswer({{kBareTrack, 0.99, {}},
                                                       {kTrack, 0.91, {{"Song", {}, "", 10}}}})});
    const std::string folder = music(1);
    auto run = importRun(folder);
    finish(run);
    EXPECT_EQ(values(kOptionalFingerprint), std::string("1 ") + kTrack);
    const AudioFingerprint expected = FingerprintFile(folder + "0.mp3");
    EXPECT_EQ(values(kOptionalRawFingerprint), "1 " + expected.fingerprint);
    EXPECT_EQ(run->LookupsEnded(), "");
}

// One failed request tells for the rest of the run: the files are imported, with their raw
// fingerprints, without waiting for the service again.
TEST_F(ImportFingerprintsTest, AnUnreachableServiceIsAskedOnce) {
    int closedPort = 0;
    {
        FakeAcoustIdServer gone;
        closedPort = gone.port();
    }
    struct Case {
        std::string url;
        std::string reason;
    };
    const Case cases[] = {
        {server.url(), "the service answered HTTP 502"},
        {"http://127.0.0.1:" + std::to_string(closedPort) + "/v2/lookup", "onnect"},
    };
    server.answerFingerprint({502, "<html>bad gateway</html>"});
    int folder = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        settings.MusicBrainzServerURL = c.url;
        const int before = server.fingerprintLookups();
        catalogue.connection.Execute("DELETE FROM tblOptional");
        for (int i = 0; i < 3; ++i)
            catalogue.dir().write("f" + std::to_string(folder) + "/" + std::to_string(i) + ".mp3",
                                  test::toneMp3({static_cast<uint32_t>(i + 1), 10, 0}));
        auto run = importRun(catalogue.dir().file("f" + std::to_string(folder++)).string());
        finish(run);
        EXPECT_EQ(run->ItemsAdded(), 3);
        EXPECT_LE(server.fingerprintLookups() - before, 1);
        EXPECT_NE(run->LookupsEnded().find(c.reason), std::string::npos) << run->LookupsEnded();
        EXPECT_EQ(values(kOptionalRawFingerprint).substr(0, 2), "3 ");
        EXPECT_EQ(values(kOptionalFingerprint), "0 ");
    }
}

// A request that hangs is given up as soon as the run is asked to stop.
TEST_F(ImportFingerprintsTest, AStopAbortsTheRequestInFlight) {
    server.answerFingerprint({200, test::trackIdAnswer({}), 60000});
    auto run = importRun(music(2));
    ASSERT_EQ(run->Start(), 1);
    ASSERT_TRUE(server.waitForRequests(1, std::chrono::seconds(30)));
    run->RequestStop();
    // Far less than the hung request's minute.
    ASSERT_EQ(run->WaitFinished(10000), 1);
    EXPECT_EQ(run->StopCode(), 1);
    EXPECT_EQ(server.fingerprintLookups(), 1);
    EXPECT_EQ(run->LookupsEnded(), "");
}

} // namespace
} // namespace tunebay
