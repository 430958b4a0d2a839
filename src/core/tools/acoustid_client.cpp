#include "tools/acoustid_client.h"

#include <curl/curl.h>
#include <nlohmann/json.hpp>

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

int abortOnStop(void* client, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* stop = static_cast<const std::function<bool()>*>(client);
    return (*stop && (*stop)()) ? 1 : 0;
}

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

std::string CutAtCodePoint(const std::string& text, size_t bytes) {
    if (text.size() <= bytes)
        return text;
    size_t end = bytes;
    // Step back over continuation bytes to the start of the sequence that does not fit.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

AcoustIdClient::AcoustIdClient(AcoustIdSettings settings, std::function<bool()> stopRequested)
    : m_settings(std::move(settings)), m_stopRequested(std::move(stopRequested)) {}

bool AcoustIdClient::waitTurn() {
    std::unique_lock lock(g_turnMutex);
    const auto due = g_lastRequest + std::chrono::milliseconds(kRequestIntervalMs);
    while (std::chrono::steady_clock::now() < due) {
        if (m_stopRequested && m_stopRequested())
            return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), due - std::chrono::steady_clock::now()));
    }
    g_lastRequest = std::chrono::steady_clock::now();
    return true;
}

bool AcoustIdClient::post(const std::string& form, std::string& body, std::string& error) {
    initCurl();
    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    if (!handle) {
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
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, abortOnStop);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &m_stopRequested);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Tunebay");

    if (!waitTurn()) {
        error = "stopped";
        return false;
    }
    const CURLcode code = curl_easy_perform(h);
    if (code == CURLE_ABORTED_BY_CALLBACK) {
        error = "stopped";
        return false;
    }
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
        if (const auto found = answer.find("error"); found != answer.end() && found->is_object())
            text = textOf(*found, "message");
        error = text.empty() ? "the service answered HTTP " + std::to_string(status) : text;
        return false;
    }
    return true;
}

bool AcoustIdClient::LookupFingerprint(int duration, const std::string& fingerprint,
                                       std::string& trackId, std::string& error) {
    trackId.clear();
    std::string body;
    if (!post("duration=" + std::to_string(duration) + "&fingerprint=" + fingerprint, body, error))
        return false;
    const nlohmann::json answer = nlohmann::json::parse(body, nullptr, false);
    double best = -1.0;
    if (const auto results = answer.find("results");
        results != answer.end() && results->is_array()) {
        for (const auto& result : *results) {
            if (!result.is_object())
                continue;
            const auto score = result.find("score");
            const double value =
                score != result.end() && score->is_number() ? score->get<double>() : 0.0;
            const std::string id = textOf(result, "id");
            if (!id.empty() && value > best) {
                best = value;
                trackId = id;
            }
        }
    }
    return true;
}

bool AcoustIdClient::LookupTrack(const std::string& trackId,
                                 std::vector<AcoustIdCandidate>& candidates, std::string& error) {
    candidates.clear();
    std::string body;
    if (!post("meta=recordings+releasegroups&trackid=" + trackId, body, error))
        return false;
    const nlohmann::json answer = nlohmann::json::parse(body, nullptr, false);
    const auto results = answer.find("results");
    if (results == answer.end() || !results->is_array())
        return true;
    for (const auto& result : *results) {
        const auto recordings = result.is_object() ? result.find("recordings") : result.end();
        if (!result.is_object() || recordings == result.end() || !recordings->is_array())
            continue;
        for (const auto& recording : *recordings) {
            if (candidates.size() >= kMaxCandidates)
                return true;
            if (!recording.is_object())
                continue;
            AcoustIdCandidate candidate;
            candidate.title = CutAtCodePoint(textOf(recording, "title"), kCandidateFieldBytes);
            std::string artist;
            if (const auto artists = recording.find("artists");
                artists != recording.end() && artists->is_array())
                for (const auto& credit : *artists)
                    if (credit.is_object())
                        artist += textOf(credit, "name") + textOf(credit, "joinphrase");
            candidate.artist = CutAtCodePoint(artist, kCandidateFieldBytes);
            if (const auto groups = recording.find("releasegroups");
                groups != recording.end() && groups->is_array() && !groups->empty() &&
                groups->front().is_object())
                candidate.album =
                    CutAtCodePoint(textOf(groups->front(), "title"), kCandidateFieldBytes);
            if (const auto duration = recording.find("duration");
                duration != recording.end() && duration->is_number() && duration->get<double>() > 0)
                candidate.duration = static_cast<int>(duration->get<double>());
            candidates.push_back(std::move(candidate));
        }
    }
    return true;
}

} // namespace tunebay
