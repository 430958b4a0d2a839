#include "tools/import_fingerprints.h"

#include "tools/acoustid_client.h"
#include "tools/acoustid_identifier.h"
#include "tools/audio_fingerprint.h"

#include <memory>

namespace tunebay {

FingerprintGenerator MakeImportFingerprints(const CAppSettings& settings) {
    auto client = std::make_shared<AcoustIdClient>(AcoustIdSettings::FromSettings(settings));
    const bool hasKey = !settings.MusicBrainzApiKey.empty();
    return [client, hasKey](const std::string& path) -> std::string {
        if (!hasKey)
            return {};
        const AudioFingerprint fingerprint = FingerprintFile(path);
        if (!fingerprint.ok)
            return {};
        std::vector<AcoustIdTrack> tracks;
        std::string error;
        if (!client->LookupFingerprint(fingerprint.duration, fingerprint.fingerprint, tracks,
                                       error))
            return {};
        // Only a track with recordings can identify the item later.
        return BestTrackWithCandidates(tracks);
    };
}

} // namespace tunebay
