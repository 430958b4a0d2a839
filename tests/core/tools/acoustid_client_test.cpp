#include "tools/acoustid_client.h"

#include "support/fake_acoustid_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace tunebay {
namespace {

using test::FakeAcoustIdServer;
using test::FakeRecording;

constexpr const char* kTrack = "9ff43b6a-4f16-427c-93c2-92307ca505e0";

struct EndpointCase {
    std::string server;
    int port;
    std::string endpoint;
};

TEST(AcoustIdEndpointTest, FollowsTheServerSettings) {
    const EndpointCase cases[] = {
        {"", 80, "https://api.acoustid.org/v2/lookup"},
        {"https://mirror.example/v2/lookup", 80, "https://mirror.example/v2/lookup"},
        {"http://10.0.0.2:81/lookup", 80, "http://10.0.0.2:81/lookup"},
        {"lookup.example", 8080, "http://lookup.example:8080/v2/lookup"},
    };
    for (const auto& c : cases) {
        AcoustIdSettings settings;
        settings.serverUrl = c.server;
        settings.serverPort = c.port;
        EXPECT_EQ(AcoustIdEndpoint(settings), c.endpoint) << c.server;
    }
}

TEST(CutAtCodePointTest, NeverSplitsACharacter) {
    EXPECT_EQ(CutAtCodePoint("abc", 5), "abc");
    EXPECT_EQ(CutAtCodePoint("ab\xC3\xA9", 3), "ab"); // é is two bytes
    EXPECT_EQ(CutAtCodePoint("a\xE2\x82\xAC"
                             "b",
                             3),
              "a"); // € is three
    EXPECT_EQ(CutAtCodePoint("a\xE2\x82\xAC"
                             "b",
                             4),
              "a\xE2\x82\xAC");
}

class AcoustIdClientTest : public ::testing::Test {
protected:
    AcoustIdSettings settings() const {
        AcoustIdSettings settings;
        settings.serverUrl = server.url();
        settings.apiKey = "key+1";
        settings.connectTimeoutMs = 2000;
        settings.requestTimeoutMs = 1000;
        return settings;
    }
    FakeAcoustIdServer server;
};

TEST_F(AcoustIdClientTest, FingerprintLookupPostsTheFormAndTakesTheBestScoredTrack) {
    server.answerFingerprint(
        {200, test::trackIdAnswer({{"11111111-1111-1111-1111-111111111111", 0.5}, {kTrack, 0.9}})});
    AcoustIdClient client(settings());
    std::string trackId;
    std::string error;
    ASSERT_TRUE(client.LookupFingerprint(187, "AQAA_x-1", trackId, error)) << error;
    EXPECT_EQ(trackId, kTrack);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/v2/lookup");
    EXPECT_EQ(request.contentType, "application/x-www-form-urlencoded");
    EXPECT_NE(request.acceptEncoding.find("gzip"), std::string::npos);
    const std::map<std::string, std::string> form{
        {"client", "key+1"}, {"format", "json"}, {"duration", "187"}, {"fingerprint", "AQAA_x-1"}};
    EXPECT_EQ(request.form, form);
}

TEST_F(AcoustIdClientTest, TrackLookupReadsTheRecordings) {
    FakeRecording joined{"Duet", {{"Ann", " & "}, {"Bob", ""}}, "Pairs", 201.9};
    FakeRecording bare{"", {}, "", 0};
    FakeRecording wide{std::string(254, 'x') + "\xC3\xA9", {{"Long", ""}}, "A", 10};
    server.answerTrack(kTrack, {200, test::recordingsAnswer(kTrack, {joined, bare, wide})});
    AcoustIdClient client(settings());
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    ASSERT_TRUE(client.LookupTrack(kTrack, candidates, error)) << error;
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0].title, "Duet");
    EXPECT_EQ(candidates[0].artist, "Ann & Bob");
    EXPECT_EQ(candidates[0].album, "Pairs"); // the first release group
    EXPECT_EQ(candidates[0].duration, 201);
    EXPECT_EQ(candidates[1].title, "");
    EXPECT_EQ(candidates[1].artist, "");
    EXPECT_EQ(candidates[1].duration, 0);
    EXPECT_EQ(candidates[2].title, std::string(254, 'x'));

    const auto request = server.requests().at(0);
    EXPECT_EQ(request.form.at("trackid"), kTrack);
    EXPECT_EQ(request.form.at("meta"), "recordings releasegroups");
    EXPECT_EQ(request.form.at("client"), "key+1");
    EXPECT_EQ(request.form.count("fingerprint"), 0u);
}

TEST_F(AcoustIdClientTest, AtMostTenCandidates) {
    server.answerTrack(
        kTrack,
        {200, test::recordingsAnswer(kTrack, std::vector<FakeRecording>(12, {"T", {}, "", 0}))});
    AcoustIdClient client(settings());
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    ASSERT_TRUE(client.LookupTrack(kTrack, candidates, error));
    EXPECT_EQ(candidates.size(), 10u);
}

TEST_F(AcoustIdClientTest, ErrorsAreReadFromTheBodyWhateverTheStatus) {
    struct Case {
        int status;
        std::string body;
        std::string error;
    };
    const Case cases[] = {
        {400, test::errorAnswer(4, "invalid API key"), "invalid API key"},
        {503, test::errorAnswer(14, "rate limit (3 requests per second) exceeded"),
         "rate limit (3 requests per second) exceeded"},
        {200, test::errorAnswer(3, "invalid fingerprint"), "invalid fingerprint"},
        {200, "<html>busy</html>", "the service's answer is not JSON"},
        {502, "<html>bad gateway</html>", "the service answered HTTP 502"},
    };
    AcoustIdClient client(settings());
    for (const auto& c : cases) {
        server.answerFingerprint({c.status, c.body});
        std::string trackId;
        std::string error;
        EXPECT_FALSE(client.LookupFingerprint(10, "AQAA", trackId, error)) << c.body;
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(AcoustIdClientTest, UnknownTrackGivesNoCandidates) {
    AcoustIdClient client(settings());
    std::vector<AcoustIdCandidate> candidates{{"old", "", "", 1}};
    std::string error;
    EXPECT_TRUE(client.LookupTrack("00000000-0000-0000-0000-000000000000", candidates, error));
    EXPECT_TRUE(candidates.empty());
}

TEST_F(AcoustIdClientTest, RequestsKeepTheirDistance) {
    AcoustIdClient client(settings());
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(client.LookupTrack(kTrack, candidates, error)) << error;
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (size_t i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i].arrived - requests[i - 1].arrived,
                  std::chrono::milliseconds(kRequestIntervalMs - 5));
}

TEST_F(AcoustIdClientTest, SlowAnswersTimeOut) {
    server.answerTrack(kTrack, {200, test::recordingsAnswer(kTrack, {}), 3000});
    AcoustIdSettings quick = settings();
    quick.requestTimeoutMs = 300;
    AcoustIdClient client(quick);
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    EXPECT_FALSE(client.LookupTrack(kTrack, candidates, error));
    EXPECT_NE(error.find("imed out"), std::string::npos) << error;
}

TEST_F(AcoustIdClientTest, AStopRequestAbortsTheRequest) {
    server.answerTrack(kTrack, {200, test::recordingsAnswer(kTrack, {}), 3000});
    std::atomic<bool> stop{false};
    AcoustIdSettings patient = settings();
    patient.requestTimeoutMs = 30000;
    AcoustIdClient client(patient, [&stop] { return stop.load(); });
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        stop = true;
    });
    const auto started = std::chrono::steady_clock::now();
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    EXPECT_FALSE(client.LookupTrack(kTrack, candidates, error));
    stopper.join();
    EXPECT_EQ(error, "stopped");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2500));
}

TEST_F(AcoustIdClientTest, OnlyTheSettingsProxyIsUsed) {
    // A proxy in the environment that nothing listens on must not be taken.
    ::setenv("http_proxy", "http://127.0.0.1:9", 1);
    ::setenv("HTTP_PROXY", "http://127.0.0.1:9", 1);
    AcoustIdClient client(settings());
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    EXPECT_TRUE(client.LookupTrack(kTrack, candidates, error)) << error;
    ::unsetenv("http_proxy");
    ::unsetenv("HTTP_PROXY");

    // The settings' proxy is: with nothing listening there the request fails.
    AcoustIdSettings proxied = settings();
    proxied.proxy = "127.0.0.1";
    proxied.proxyPort = 9;
    AcoustIdClient viaProxy(proxied);
    EXPECT_FALSE(viaProxy.LookupTrack(kTrack, candidates, error));
    EXPECT_EQ(server.requests().size(), 1u);
}

} // namespace
} // namespace tunebay
