#include "tools/import_fingerprints.h"

#include "tools/acoustid_client.h"
#include "tools/audio_fingerprint.h"

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace tunebay {

namespace {

// One per run: after a failure that every further request would meet as well, the files that
// follow are only fingerprinted, not looked up.
class ImportLookups {
public:
    explicit ImportLookups(AcoustIdSettings settings) : m_settings(std::move(settings)) {}

    FileFingerprint operator()(const std::string& path,
                               const std::function<bool()>& stopRequested) {
        FileFingerprint result;
        const AudioFingerprint fingerprint = FingerprintFile(path, stopRequested);
        if (!fingerprint.ok)
            return result;
        result.raw = fingerprint.fingerprint;
        {
            std::lock_guard lock(m_mutex);
            if (m_given)
                return result;
        }
        AcoustIdClient client(m_settings, stopRequested);
        std::vector<AcoustIdTrack> tracks;
        std::string error;
        if (client.LookupFingerprint(fingerprint.duration, fingerprint.fingerprint, tracks,
                                     error)) {
            // Only a track with recordings can identify the item later.
            result.trackId = BestTrackWithCandidates(tracks);
            return result;
        }
        const RequestFailure failure = client.LastFailure();
        if (failure == RequestFailure::Unreachable || failure == RequestFailure::KeyRefused) {
            std::lock_guard lock(m_mutex);
            if (!std::exchange(m_given, true))
                result.lookupsEnded = error;
        }
        return result;
    }

private:
    AcoustIdSettings m_settings;
    std::mutex m_mutex;
    bool m_given = false;
};

} // namespace

std::string LookupsEndedText(const std::string& reason, const TextLookup& lookup) {
    std::string text = Worded(lookup, kMessageLookupsEnded);
    if (const std::size_t at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, reason);
    return text;
}

FingerprintGenerator MakeImportFingerprints(const CAppSettings& settings) {
    if (settings.MusicBrainzApiKey.empty())
        return [](const std::string&, const std::function<bool()>&) { return FileFingerprint(); };
    auto lookups = std::make_shared<ImportLookups>(AcoustIdSettings::FromSettings(settings));
    return [lookups](const std::string& path, const std::function<bool()>& stopRequested) {
        return (*lookups)(path, stopRequested);
    };
}

} // namespace tunebay
