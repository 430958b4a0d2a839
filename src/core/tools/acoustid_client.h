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

// A recording the service offers for a track id; texts at most kCandidateFieldChars characters.
// A recording with no title, artist and album is not taken for one.
struct AcoustIdCandidate {
    std::string title;
    std::string artist;    // the credited artists' names with their join phrases
    std::string album;     // the first release group's title
    int duration = 0;      // whole seconds, 0 when unknown
    std::string trackId{}; // the track the recording belongs to
};

// A track the fingerprint matched, with the candidates among its recordings.
struct AcoustIdTrack {
    std::string id;
    double score = 0.0;
    std::vector<AcoustIdCandidate> candidates;
};

inline constexpr size_t kCandidateFieldChars = 255;
inline constexpr size_t kMaxCandidates = 10;
// The service allows three requests a second.
inline constexpr int kRequestIntervalMs = 334;

// Cuts `text` to at most `characters` UTF-8 characters (bytes that are not UTF-8 count one each).
std::string CutToCharacters(const std::string& text, size_t characters);

// Why the last request failed.
enum class RequestFailure {
    None,
    Stopped,     // the stop request aborted it
    Unreachable, // no answer, or none the service would give: every further request fails too
    KeyRefused,  // the service refuses the client key: so it will for every request
    Refused,     // the service refused this request
};

// The candidates of the tracks, best-scored track first, at most kMaxCandidates.
std::vector<AcoustIdCandidate> CandidatesOf(const std::vector<AcoustIdTrack>& tracks);
// The best-scored track that has candidates; "" when none has.
std::string BestTrackWithCandidates(const std::vector<AcoustIdTrack>& tracks);

// Talks to the lookup service. Requests of all clients in the process keep the interval between
// them; a request is aborted as soon as `stopRequested` says so.
class AcoustIdClient {
public:
    explicit AcoustIdClient(AcoustIdSettings settings, std::function<bool()> stopRequested = {});

    // The tracks a fingerprint matches with their recordings, best score first; true with no
    // tracks when nothing matched.
    bool LookupFingerprint(int duration, const std::string& fingerprint,
                           std::vector<AcoustIdTrack>& tracks, std::string& error);
    // The candidates of a track id, at most kMaxCandidates.
    bool LookupTrack(const std::string& trackId, std::vector<AcoustIdCandidate>& candidates,
                     std::string& error);

    RequestFailure LastFailure() const { return m_lastFailure; }

private:
    // Posts the form (the client key and the JSON format added) and returns the parsed answer's
    // text in `body`; false with `error` for transport failures and error answers.
    bool post(const std::string& form, std::string& body, std::string& error);
    bool waitTurn();
    bool stopRequested() const { return m_stopRequested && m_stopRequested(); }

    AcoustIdSettings m_settings;
    std::function<bool()> m_stopRequested;
    RequestFailure m_lastFailure = RequestFailure::None;
};

} // namespace tunebay
