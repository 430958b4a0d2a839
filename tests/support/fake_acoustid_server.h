#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A lookup service on the loopback interface that records every request and serves canned
// answers, so that tests never reach the real one.
namespace tunebay::test {

struct FakeRequest {
    std::string method;
    std::string path;
    std::string contentType;
    std::string acceptEncoding;
    std::map<std::string, std::string> form; // the decoded form fields
    std::chrono::steady_clock::time_point arrived;
};

struct FakeAnswer {
    int status = 200;
    std::string body = R"({"status":"ok","results":[]})";
    int delayMs = 0; // waits this long before answering
};

// Canned bodies of the service.
std::string trackIdAnswer(const std::vector<std::pair<std::string, double>>& idsAndScores);
struct FakeRecording {
    std::string title;
    std::vector<std::pair<std::string, std::string>> artists; // name, join phrase
    std::string album;                                        // first release group; "" none
    double duration = 0;                                      // seconds; 0 leaves it out
};
std::string recordingsAnswer(const std::string& trackId,
                             const std::vector<FakeRecording>& recordings);
// Several tracks in the order given, each with its recordings (none: the key is left out).
struct FakeTrack {
    std::string id;
    double score = 1.0;
    std::vector<FakeRecording> recordings;
};
std::string tracksAnswer(const std::vector<FakeTrack>& tracks);
std::string errorAnswer(int code, const std::string& message);

class FakeAcoustIdServer {
public:
    FakeAcoustIdServer();
    ~FakeAcoustIdServer();
    FakeAcoustIdServer(const FakeAcoustIdServer&) = delete;
    FakeAcoustIdServer& operator=(const FakeAcoustIdServer&) = delete;

    int port() const { return m_port; }
    // The lookup address, as MusicBrainzServerURL takes it.
    std::string url() const;

    // The answer to every fingerprint lookup; and to track lookups by id (unknown ids get an
    // empty result list).
    void answerFingerprint(FakeAnswer answer);
    void answerTrack(const std::string& trackId, FakeAnswer answer);

    std::vector<FakeRequest> requests() const;
    // Waits until `count` requests have arrived; false when `timeout` passed first.
    bool waitForRequests(size_t count, std::chrono::milliseconds timeout) const;
    int fingerprintLookups() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
    int m_port = 0;
};

} // namespace tunebay::test
