#include "tools/acoustid_client.h"

#include "text/utf8_text.h"

#include <curl/curl.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace tunebay {

namespace {

constexpr const char* kPublicEndpoint = "https://api.acoustid.org/v2/lookup";

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

size_t appendBody(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

// How often a request in flight looks at the stop request: Ctrl-C must not wait for the timeout.
constexpr int kStopCheckMs = 100;

// The service's code for a client key it does not know.
constexpr int kInvalidKeyCode = 4;

std::string escaped(CURL* handle, const std::string& text) {
    char* out = curl_easy_escape(handle, text.c_str(), static_cast<int>(text.size()));
    std::string result = out ? out : "";
    curl_free(out);
    return result;
}

// When the last request of the process left.
std::mutex g_turnMutex;
std::chrono::steady_clock::time_point g_lastRequest{};

std::string textOf(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// A recording with none of the names is no candidate: taking it would only wipe names out.
bool candidateOf(const nlohmann::json& recording, const std::string& trackId,
                 AcoustIdCandidate& candidate) {
    candidate.trackId = trackId;
    candidate.title = CutToCharacters(textOf(recording, "title"), kCandidateFieldChars);
    std::string artist;
    if (const auto artists = recording.find("artists");
        artists != recording.end() && artists->is_array())
        for (const auto& credit : *artists)
            if (credit.is_object())
                artist += textOf(credit, "name") + textOf(credit, "joinphrase");
    candidate.artist = CutToCharacters(artist, kCandidateFieldChars);
    if (const auto groups = recording.find("releasegroups");
        groups != recording.end() && groups->is_array() && !groups->empty() &&
        groups->front().is_object())
        candidate.album = CutToCharacters(textOf(groups->front(), "title"), kCandidateFieldChars);
    if (const auto duration = recording.find("duration");
        duration != recording.end() && duration->is_number() && duration->get<double>() > 0)
        candidate.duration = static_cast<int>(duration->get<double>());
    return !candidate.title.empty() || !candidate.artist.empty() || !candidate.album.empty();
}

// The results of an answer, best score first (equal scores in the service's order).
std::vector<AcoustIdTrack> tracksOf(const nlohmann::json& answer) {
    std::vector<AcoustIdTrack> tracks;
    const auto results = answer.find("results");
    if (results == answer.end() || !results->is_array())
        return tracks;
    for (const auto& result : *results) {
        if (!result.is_object())
            continue;
        AcoustIdTrack track;
        track.id = textOf(result, "id");
        if (track.id.empty())
            continue;
        if (const auto score = result.find("score"); score != result.end() && score->is_number())
            track.score = score->get<double>();
        if (const auto recordings = result.find("recordings");
            recordings != result.end() && recordings->is_array())
            for (const auto& recording : *recordings) {
                AcoustIdCandidate candidate;
                if (recording.is_object() && candidateOf(recording, track.id, candidate))
                    track.candidates.push_back(std::move(candidate));
            }
        tracks.push_back(std::move(track));
    }
    std::stable_sort(tracks.begin(), tracks.end(),
                     [](const auto& a, const auto& b) { return a.score > b.score; });
    return tracks;
}

} // namespace

AcoustIdSettings AcoustIdSettings::FromSettings(const CAppSettings& settings) {
    AcoustIdSettings result;
    result.serverUrl = settings.MusicBrainzServerURL;
    result.serverPort = settings.MusicBrainzServerPort;
    result.proxy = settings.MusicBrainzProxyURL;
    result.proxyPort = settings.MusicBrainzProxyPort;
    result.apiKey = settings.MusicBrainzApiKey;
    return result;
}

std::string AcoustIdEndpoint(const AcoustIdSettings& settings) {
    if (settings.serverUrl.empty())
        return kPublicEndpoint;
    if (settings.serverUrl.find("://") != std::string::npos)
        return settings.serverUrl;
    return "http://" + settings.serverUrl + ":" + std::to_string(settings.serverPort) +
           "/v2/lookup";
}

std::string CutToCharacters(const std::string& text, size_t characters) {
    size_t index = 0;
    for (size_t count = 0; count < characters && index < text.size(); ++count)
        DecodeNextCodePoint(text, index);
    return text.substr(0, index);
}

std::vector<AcoustIdCandidate> CandidatesOf(const std::vector<AcoustIdTrack>& tracks) {
    std::vector<AcoustIdCandidate> candidates;
    for (const AcoustIdTrack& track : tracks)
        for (const AcoustIdCandidate& candidate : track.candidates) {
            if (candidates.size() >= kMaxCandidates)
                return candidates;
            candidates.push_back(candidate);
        }
    return candidates;
}

std::string BestTrackWithCandidates(const std::vector<AcoustIdTrack>& tracks) {
    for (const AcoustIdTrack& track : tracks)
        if (!track.candidates.empty())
            return track.id;
    return {};
}

AcoustIdClient::AcoustIdClient(AcoustIdSettings settings, std::function<bool()> stopRequested)
    : m_settings(std::move(settings)), m_stopRequested(std::move(stopRequested)) {}

bool AcoustIdClient::waitTurn() {
    std::unique_lock lock(g_turnMutex);
    const auto due = g_lastRequest + std::chrono::milliseconds(kRequestIntervalMs);
    while (std::chrono::steady_clock::now() < due) {
        if (stopRequested())
            return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), due - std::chrono::steady_clock::now()));
    }
    g_lastRequest = std::chrono::steady_clock::now();
    return true;
}

bool AcoustIdClient::post(const std::string& form, std::string& body, std::string& error) {
    m_lastFailure = RequestFailure::Unreachable;
    initCurl();
    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!handle || !multi) {
        error = "cannot start a network request";
        return false;
    }
    const std::string url = AcoustIdEndpoint(m_settings);
    const std::string fields =
        "client=" + escaped(handle.get(), m_settings.apiKey) + "&format=json&" + form;
    const std::string proxy = m_settings.proxy.empty()
                                  ? std::string()
                                  : m_settings.proxy + ":" + std::to_string(m_settings.proxyPort);
    char message[CURL_ERROR_SIZE] = {};
    body.clear();
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, fields.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(fields.size()));
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "gzip");
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str()); // "" keeps the environment's proxy out
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, m_settings.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, m_settings.requestTimeoutMs);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Tunebay");

    if (!waitTurn()) {
        m_lastFailure = RequestFailure::Stopped;
        error = "stopped";
        return false;
    }
    // Driven here rather than by curl_easy_perform, whose progress callback may wait a second
    // between calls while nothing arrives.
    curl_multi_add_handle(multi.get(), h);
    int running = 1;
    CURLcode code = CURLE_OK;
    for (;;) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        if (const CURLMsg* done = curl_multi_info_read(multi.get(), &queued);
            done && done->msg == CURLMSG_DONE) {
            code = done->data.result;
            break;
        }
        if (stopRequested()) {
            curl_multi_remove_handle(multi.get(), h);
            m_lastFailure = RequestFailure::Stopped;
            error = "stopped";
            return false;
        }
        curl_multi_poll(multi.get(), nullptr, 0, kStopCheckMs, nullptr);
    }
    curl_multi_remove_handle(multi.get(), h);
    if (code != CURLE_OK) {
        error = message[0] ? message : curl_easy_strerror(code);
        return false;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    // The service explains refusals in the body, whatever the status says.
    const nlohmann::json answer = nlohmann::json::parse(body, nullptr, false);
    if (answer.is_discarded() || !answer.is_object()) {
        error = status != 200 ? "the service answered HTTP " + std::to_string(status)
                              : "the service's answer is not JSON";
        return false;
    }
    if (textOf(answer, "status") != "ok") {
        std::string text;
        int serviceCode = 0;
        if (const auto found = answer.find("error"); found != answer.end() && found->is_object()) {
            text = textOf(*found, "message");
            if (const auto number = found->find("code");
                number != found->end() && number->is_number_integer())
                serviceCode = number->get<int>();
        }
        error = text.empty() ? "the service answered HTTP " + std::to_string(status) : text;
        m_lastFailure =
            serviceCode == kInvalidKeyCode ? RequestFailure::KeyRefused : RequestFailure::Refused;
        return false;
    }
    m_lastFailure = RequestFailure::None;
    return true;
}

bool AcoustIdClient::LookupFingerprint(int duration, const std::string& fingerprint,
                                       std::vector<AcoustIdTrack>& tracks, std::string& error) {
    tracks.clear();
    std::string body;
    // The recordings come with the tracks: the best-scored track may have none.
    if (!post("meta=recordings+releasegroups&duration=" + std::to_string(duration) +
                  "&fingerprint=" + fingerprint,
              body, error))
        return false;
    tracks = tracksOf(nlohmann::json::parse(body, nullptr, false));
    return true;
}

bool AcoustIdClient::LookupTrack(const std::string& trackId,
                                 std::vector<AcoustIdCandidate>& candidates, std::string& error) {
    candidates.clear();
    std::string body;
    if (!post("meta=recordings+releasegroups&trackid=" + trackId, body, error))
        return false;
    candidates = CandidatesOf(tracksOf(nlohmann::json::parse(body, nullptr, false)));
    return true;
}

} // namespace tunebay
