#include "support/fake_acoustid_server.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <thread>

namespace tunebay::test {

struct FakeAcoustIdServer::State {
    httplib::Server server;
    std::thread thread;
    mutable std::mutex mutex;
    std::condition_variable closing;
    mutable std::condition_variable arrived;
    bool closed = false;
    std::vector<FakeRequest> requests;
    FakeAnswer fingerprint;
    std::map<std::string, FakeAnswer> tracks;
};

std::string trackIdAnswer(const std::vector<std::pair<std::string, double>>& idsAndScores) {
    nlohmann::json results = nlohmann::json::array();
    for (const auto& [id, score] : idsAndScores)
        results.push_back({{"id", id}, {"score", score}});
    return nlohmann::json{{"status", "ok"}, {"results", results}}.dump();
}

namespace {

nlohmann::json recordingList(const std::vector<FakeRecording>& recordings) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& recording : recordings) {
        nlohmann::json entry{{"id", "rec"}};
        if (!recording.title.empty())
            entry["title"] = recording.title;
        nlohmann::json artists = nlohmann::json::array();
        for (const auto& [name, join] : recording.artists) {
            nlohmann::json artist{{"id", "a"}, {"name", name}};
            if (!join.empty())
                artist["joinphrase"] = join;
            artists.push_back(artist);
        }
        if (!artists.empty())
            entry["artists"] = artists;
        if (!recording.album.empty())
            entry["releasegroups"] = nlohmann::json::array(
                {{{"id", "g1"}, {"title", recording.album}}, {{"id", "g2"}, {"title", "Other"}}});
        if (recording.duration > 0)
            entry["duration"] = recording.duration;
        list.push_back(entry);
    }
    return list;
}

} // namespace

std::string recordingsAnswer(const std::string& trackId,
                             const std::vector<FakeRecording>& recordings) {
    return tracksAnswer({{trackId, 1.0, recordings}});
}

std::string tracksAnswer(const std::vector<FakeTrack>& tracks) {
    nlohmann::json results = nlohmann::json::array();
    for (const auto& track : tracks) {
        nlohmann::json result{{"id", track.id}, {"score", track.score}};
        if (!track.recordings.empty())
            result["recordings"] = recordingList(track.recordings);
        results.push_back(result);
    }
    return nlohmann::json{{"status", "ok"}, {"results", results}}.dump();
}

std::string errorAnswer(int code, const std::string& message) {
    return nlohmann::json{{"status", "error"}, {"error", {{"code", code}, {"message", message}}}}
        .dump();
}

FakeAcoustIdServer::FakeAcoustIdServer() : m_state(std::make_shared<State>()) {
    State* state = m_state.get();
    state->server.Post(
        "/v2/lookup", [state](const httplib::Request& request, httplib::Response& response) {
            FakeRequest seen;
            seen.method = request.method;
            seen.path = request.path;
            seen.contentType = request.get_header_value("Content-Type");
            seen.acceptEncoding = request.get_header_value("Accept-Encoding");
            seen.arrived = std::chrono::steady_clock::now();
            httplib::Params params;
            httplib::detail::parse_query_text(request.body, params);
            for (const auto& [key, value] : params)
                seen.form[key] = value;
            FakeAnswer answer;
            {
                std::lock_guard lock(state->mutex);
                state->requests.push_back(seen);
                state->arrived.notify_all();
                if (seen.form.count("fingerprint"))
                    answer = state->fingerprint;
                else if (auto found = state->tracks.find(seen.form["trackid"]);
                         found != state->tracks.end())
                    answer = found->second;
            }
            if (answer.delayMs > 0) {
                std::unique_lock lock(state->mutex);
                state->closing.wait_for(lock, std::chrono::milliseconds(answer.delayMs),
                                        [state] { return state->closed; });
            }
            response.status = answer.status;
            response.set_content(answer.body, "application/json");
        });
    m_port = state->server.bind_to_any_port("127.0.0.1");
    state->thread = std::thread([state] { state->server.listen_after_bind(); });
    while (!state->server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeAcoustIdServer::~FakeAcoustIdServer() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->closed = true;
    }
    m_state->closing.notify_all();
    m_state->server.stop();
    m_state->thread.join();
}

std::string FakeAcoustIdServer::url() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/v2/lookup";
}

void FakeAcoustIdServer::answerFingerprint(FakeAnswer answer) {
    std::lock_guard lock(m_state->mutex);
    m_state->fingerprint = std::move(answer);
}

void FakeAcoustIdServer::answerTrack(const std::string& trackId, FakeAnswer answer) {
    std::lock_guard lock(m_state->mutex);
    m_state->tracks[trackId] = std::move(answer);
}

std::vector<FakeRequest> FakeAcoustIdServer::requests() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->requests;
}

bool FakeAcoustIdServer::waitForRequests(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_state->mutex);
    return m_state->arrived.wait_for(lock, timeout,
                                     [this, count] { return m_state->requests.size() >= count; });
}

int FakeAcoustIdServer::fingerprintLookups() const {
    int count = 0;
    for (const auto& request : requests())
        count += request.form.count("fingerprint") ? 1 : 0;
    return count;
}

} // namespace tunebay::test
