#pragma once

#include "app/app_settings.h"

#include <functional>
#include <string>
#include <vector>

namespace tunebay {

// Where and how the lookup service is reached, from the settings.
struct AcoustIdSettings {
    std::string serverUrl; // empty: the public service; with a scheme: as given; else a host
    int serverPort = 80;
    std::string proxy; // empty: no proxy at all (the environment's is not used either)
    int proxyPort = 8080;
    std::string apiKey;
    long connectTimeoutMs = 10000;
    long requestTimeoutMs = 30000;

    static AcoustIdSettings FromSettings(const CAppSettings& settings);
};

// The lookup address the settings name.
std::string AcoustIdEndpoint(const AcoustIdSettings& settings);

// A recording the service offers for a track id; texts at most kCandidateFieldBytes bytes.
struct AcoustIdCandidate {
    std::string title;
    std::string artist; // the credited artists' names with their join phrases
    std::string album;  // the first release group's title
    int duration = 0;   // whole seconds, 0 when unknown
};

inline constexpr size_t kCandidateFieldBytes = 255;
inline constexpr size_t kMaxCandidates = 10;
// The service allows three requests a second.
inline constexpr int kRequestIntervalMs = 334;

// Cuts `text` to at most `bytes` bytes without splitting a UTF-8 sequence.
std::string CutAtCodePoint(const std::string& text, size_t bytes);

// Talks to the lookup service. Requests of all clients in the process keep the interval between
// them; a request is aborted as soon as `stopRequested` says so.
class AcoustIdClient {
public:
    explicit AcoustIdClient(AcoustIdSettings settings, std::function<bool()> stopRequested = {});

    // The best-scored track id for a fingerprint; true with an empty id when nothing matched.
    bool LookupFingerprint(int duration, const std::string& fingerprint, std::string& trackId,
                           std::string& error);
    // The recordings of a track id, at most kMaxCandidates.
    bool LookupTrack(const std::string& trackId, std::vector<AcoustIdCandidate>& candidates,
                     std::string& error);

private:
    // Posts the form (the client key and the JSON format added) and returns the parsed answer's
    // text in `body`; false with `error` for transport failures and error answers.
    bool post(const std::string& form, std::string& body, std::string& error);
    bool waitTurn();

    AcoustIdSettings m_settings;
    std::function<bool()> m_stopRequested;
};

} // namespace tunebay
