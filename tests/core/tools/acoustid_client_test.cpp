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

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(CutToCharactersTest, CountsCharactersNotBytes) {
    const std::string e = "\xC3\xA9";        // é, two bytes
    const std::string euro = "\xE2\x82\xAC"; // €, three
    EXPECT_EQ(CutToCharacters("abc", 5), "abc");
    EXPECT_EQ(CutToCharacters("ab" + e, 3), "ab" + e);
    EXPECT_EQ(CutToCharacters("a" + euro + "b", 2), "a" + euro);
    EXPECT_EQ(CutToCharacters(repeated(e, 300), 255), repeated(e, 255));
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

TEST_F(AcoustIdClientTest, FingerprintLookupPostsTheFormAndOrdersTheTracksByScore) {
    server.answerFingerprint(
        {200, test::trackIdAnswer({{"11111111-1111-1111-1111-111111111111", 0.5}, {kTrack, 0.9}})});
    AcoustIdClient client(settings());
    std::vector<AcoustIdTrack> tracks;
    std::string error;
    ASSERT_TRUE(client.LookupFingerprint(187, "AQAA_x-1", tracks, error)) << error;
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].id, kTrack);
    EXPECT_EQ(tracks[1].id, "11111111-1111-1111-1111-111111111111");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/v2/lookup");
    EXPECT_EQ(request.contentType, "application/x-www-form-urlencoded");
    EXPECT_NE(request.acceptEncoding.find("gzip"), std::string::npos);
    const std::map<std::string, std::string> form{{"client", "key+1"},
                                                  {"format", "json"},
                                                  {"duration", "187"},
                                                  {"fingerprint", "AQAA_x-1"},
                                                  {"meta", "recordings releasegroups"}};
    EXPECT_EQ(request.form, form);
}

// The best-scored track may have no recordings, or only recordings without names.
TEST_F(AcoustIdClientTest, CandidatesComeFromEveryTrackBestFirst) {
    const std::string bare = "11111111-1111-1111-1111-111111111111";
    const std::string nameless = "22222222-2222-2222-2222-222222222222";
    const std::string weaker = "33333333-3333-3333-3333-333333333333";
    server.answerFingerprint({200, test::tracksAnswer({{weaker, 0.5, {{"Other", {}, "", 0}}},
                                                       {bare, 0.99, {}},
                                                       {nameless, 0.95, {{"", {}, "", 180}}},
                                                       {kTrack, 0.91, {{"Song", {}, "", 0}}}})});
    AcoustIdClient client(settings());
    std::vector<AcoustIdTrack> tracks;
    std::string error;
    ASSERT_TRUE(client.LookupFingerprint(10, "AQAA", tracks, error)) << error;
    EXPECT_EQ(BestTrackWithCandidates(tracks), kTrack);
    const auto candidates = CandidatesOf(tracks);
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0].title, "Song");
    EXPECT_EQ(candidates[0].trackId, kTrack);
    EXPECT_EQ(candidates[1].trackId, weaker);
}

TEST_F(AcoustIdClientTest, TrackLookupReadsTheRecordings) {
    FakeRecording joined{"Duet", {{"Ann", " & "}, {"Bob", ""}}, "Pairs", 201.9};
    FakeRecording bare{"", {}, "", 0};
    FakeRecording wide{repeated("\xC3\xA9", 300), {{"Long", ""}}, "A", 10};
    server.answerTrack(kTrack, {200, test::recordingsAnswer(kTrack, {joined, bare, wide})});
    AcoustIdClient client(settings());
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    ASSERT_TRUE(client.LookupTrack(kTrack, candidates, error)) << error;
    ASSERT_EQ(candidates.size(), 2u); // a recording without names is no candidate
    EXPECT_EQ(candidates[0].title, "Duet");
    EXPECT_EQ(candidates[0].artist, "Ann & Bob");
    EXPECT_EQ(candidates[0].album, "Pairs"); // the first release group
    EXPECT_EQ(candidates[0].duration, 201);
    EXPECT_EQ(candidates[0].trackId, kTrack);
    EXPECT_EQ(candidates[1].title, repeated("\xC3\xA9", 255));

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
        RequestFailure failure;
    };
    const Case cases[] = {
        {400, test::errorAnswer(4, "invalid API key"), "invalid API key",
         RequestFailure::KeyRefused},
        {503, test::errorAnswer(14, "rate limit (3 requests per second) exceeded"),
         "rate limit (3 requests per second) exceeded", RequestFailure::Refused},
        {200, test::errorAnswer(3, "invalid fingerprint"), "invalid fingerprint",
         RequestFailure::Refused},
        {200, "<html>busy</html>", "the service's answer is not JSON", RequestFailure::Unreachable},
        {502, "<html>bad gateway</html>", "the service answered HTTP 502",
         RequestFailure::Unreachable},
    };
    AcoustIdClient client(settings());
    for (const auto& c : cases) {
        server.answerFingerprint({c.status, c.body});
        std::vector<AcoustIdTrack> tracks;
        std::string error;
        EXPECT_FALSE(client.LookupFingerprint(10, "AQAA", tracks, error)) << c.body;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(client.LastFailure(), c.failure) << c.body;
    }
}

TEST_F(AcoustIdClientTest, UnknownTrackGivesNoCandidates) {
    AcoustIdClient client(settings());
    std::vector<AcoustIdCandidate> candidates{{"old", "", "", 1, ""}};
    std::string error;
    EXPECT_TRUE(client.LookupTrack("00000000-0000-0000-0000-000000000000", candidates, error));
    EXPECT_TRUE(candidates.empty());
}

TEST_F(AcoustIdClientTest, RequestsKeepTheirDistance) {
    AcoustIdClient client(settings());
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    // A lower bound only: three requests cannot go out in less than two intervals, however fast
    // or slow the machine (when they arrive depends on the machine).
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(client.LookupTrack(kTrack, candidates, error)) << error;
    EXPECT_GE(std::chrono::steady_clock::now() - started,
              std::chrono::milliseconds(2 * kRequestIntervalMs));
    EXPECT_EQ(server.requests().size(), 3u);
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
    // The stop comes once the service holds the request; an answer would mean it was not
    // aborted.
    std::thread stopper([this, &stop] {
        server.waitForRequests(1, std::chrono::seconds(30));
        stop = true;
    });
    std::vector<AcoustIdCandidate> candidates;
    std::string error;
    EXPECT_FALSE(client.LookupTrack(kTrack, candidates, error));
    stopper.join();
    EXPECT_EQ(error, "stopped");
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
