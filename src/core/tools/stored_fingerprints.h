#pragma once

#include "store/catalogue_connection.h"
#include "store/optional_values.h"
#include "tools/acoustic_duplicates.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tunebay {

void StoreRawFingerprint(CCatalogueConnection& connection, int mediaId, const std::string& encoded);

struct FingerprintCollection {
    std::vector<FingerprintedMedia> media;
    int generated = 0;
    std::vector<std::string> failed;  // full paths of audio files that gave none
    std::map<int, std::string> paths; // media id → where this machine has the file
};

// How many media of the catalogue hold audio (of any format) that can be fingerprinted.
int CountFingerprintableMedia(CCatalogueConnection& connection);

// The stored fingerprints of every audio media in the catalogue, generating (and storing) the
// missing ones from the files. `stopRequested` is asked between files and while one is decoded;
// `progress` gets the count of files looked at.
FingerprintCollection CollectFingerprints(CCatalogueConnection& connection,
                                          const std::function<bool()>& stopRequested,
                                          const std::function<void(int)>& progress);

} // namespace tunebay
