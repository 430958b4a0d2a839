#include "support/cli_runner.h"
#include "support/fake_acoustid_server.h"
#include "support/tone_mp3.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::CliRunner;

constexpr const char* kTrack = "9ff43b6a-4f16-427c-93c2-92307ca505e0";

class CliIdentify : public ::testing::Test {
protected:
    CliIdentify()
        : catalogue(cli.dir().file("c.tbf").string()),
          tune(cli.dir().write("music/tune.mp3", test::toneMp3({5, 20, 0})).string()) {
        cli.run({"new", catalogue});
        const std::string recordings =
            test::recordingsAnswer(kTrack, {{"tune", {{"The Band", ""}}, "Album", 20}});
        server.answerFingerprint({200, recordings});
        server.answerTrack(kTrack, {200, recordings});
    }
    // The lookup settings for the fake service, then the command.
    test::CliResult run(std::vector<std::string> arguments, const std::string& key = "secret") {
        std::vector<std::string> all{"--set", "MusicBrainzServerURL=" + server.url(), "--set",
                                     "MusicBrainzApiKey=" + key};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return cli.run(all);
    }
    std::string sql(const std::string& statement) {
        return cli.run({"sql", catalogue, statement}).out;
    }

    test::FakeAcoustIdServer server;
    CliRunner cli;
    std::string catalogue;
    std::string tune;
};

TEST_F(CliIdentify, FingerprintPrintsLengthAndFingerprintAndLooksItUp) {
    const auto plain = run({"fingerprint", tune});
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(plain.out.rfind("20\tAQAA", 0), 0u) << plain.out;
    EXPECT_TRUE(server.requests().empty());

    const auto looked = run({"fingerprint", tune, "--lookup", catalogue});
    EXPECT_EQ(looked.status, 0) << looked.err;
    EXPECT_EQ(looked.out, plain.out.substr(0, plain.out.size() - 1) + "\t" + kTrack + "\n");
    EXPECT_EQ(server.requests().at(0).form.at("fingerprint"),
              plain.out.substr(3, plain.out.size() - 4));

    const auto notAudio = run({"fingerprint", cli.dir().write("x.mp3", "text").string()});
    EXPECT_EQ(notAudio.status, 1);
    EXPECT_NE(notAudio.err.find("no fingerprint"), std::string::npos);

    const auto missing = run({"fingerprint", "missing.mp3"});
    EXPECT_NE(missing.status, 0);
    EXPECT_EQ(missing.err, "missing.mp3: No such file or directory\n");
}

TEST_F(CliIdentify, IdentifyTakesAGoodCandidateAndStoresTheTrackId) {
    ASSERT_EQ(cli.run({"import", catalogue, tune}).status, 0);
    const auto result = run({"identify", catalogue, "--items", "1", "--yes"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(sql("SELECT sName FROM tblGroup").find("The Band"), std::string::npos);
    EXPECT_NE(sql("SELECT sValue FROM tblOptional WHERE lOptionalTypeID=4095").find(kTrack),
              std::string::npos);
}

TEST_F(CliIdentify, WithoutAKeyIdentificationIsNotAvailable) {
    ASSERT_EQ(cli.run({"import", catalogue, tune}).status, 0);
    const auto result = run({"identify", catalogue, "--items", "1", "--yes"}, "");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Cannot create MusicBrainz object!\nNo AcoustID client key is set"),
              std::string::npos)
        << result.err;
    // The tools command runs the same step.
    const auto tools = run({"tools", catalogue, "--items", "1", "--identify", "--yes"}, "");
    EXPECT_EQ(tools.status, 1);
    EXPECT_NE(tools.err.find("Cannot create MusicBrainz object!"), std::string::npos);
}

TEST_F(CliIdentify, ImportStoresTheTrackIdWhenAskedAndGoesOnWhenTheServiceFails) {
    const auto stored = run({"--set", "ImportGenerateTRM=1", "import", catalogue, tune});
    EXPECT_EQ(stored.status, 0) << stored.err;
    EXPECT_NE(sql("SELECT sValue FROM tblOptional WHERE lOptionalTypeID=4095").find(kTrack),
              std::string::npos);
    // The fingerprint itself is kept for comparisons without decoding.
    EXPECT_EQ(sql("SELECT COUNT(*) FROM tblOptional WHERE lOptionalTypeID=4119"), "1\n");

    server.answerFingerprint({400, test::errorAnswer(4, "invalid API key")});
    const auto other = cli.dir().write("music/other.mp3", test::toneMp3({6, 20, 0})).string();
    const auto failed = run({"--set", "ImportGenerateTRM=1", "import", catalogue, other});
    EXPECT_EQ(failed.status, 0) << failed.err;
    EXPECT_NE(failed.err.find("Fingerprint lookups stopped after the first failure (invalid API "
                              "key)"),
              std::string::npos)
        << failed.err;
    EXPECT_NE(sql("SELECT COUNT(*) FROM tblMedia").find("2"), std::string::npos);
    EXPECT_NE(sql("SELECT COUNT(*) FROM tblOptional WHERE lOptionalTypeID=4095").find("1"),
              std::string::npos);

    const auto third = cli.dir().write("music/third.mp3", test::toneMp3({9, 20, 0})).string();
    const auto keyless = run({"--set", "ImportGenerateTRM=1", "import", catalogue, third}, "");
    EXPECT_EQ(keyless.status, 0) << keyless.err;
    EXPECT_NE(keyless.err.find("Fingerprints need an AcoustID client key"), std::string::npos);
}

TEST_F(CliIdentify, AcousticDuplicatesListTheSameRecordingWithoutTheNetwork) {
    cli.dir().write("music/again.mp3", test::toneMp3({5, 25, 37}));
    cli.dir().write("music/other.mp3", test::toneMp3({6, 20, 0}));
    ASSERT_EQ(cli.run({"import", catalogue, cli.dir().file("music").string()}).status, 0);
    const auto result = run({"duplicates", catalogue, "--acoustic"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.find("0.9"), 0u) << result.out;
    EXPECT_NE(result.out.find("again.mp3"), std::string::npos);
    EXPECT_NE(result.out.find("tune.mp3\n"), std::string::npos);
    EXPECT_EQ(result.out.find("other.mp3"), std::string::npos);
    EXPECT_EQ(result.err, "") << "progress is for a terminal only";
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(run({"duplicates", catalogue, "--acoustic", "--threshold", "2"}).status, 2);
}

} // namespace
} // namespace tunebay
