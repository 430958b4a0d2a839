#pragma once

#include "app/app_settings.h"
#include "import/media_importer.h"
#include "text/translatable.h"

namespace tunebay {

// The fingerprint step of an import, with the lookup settings: a file's acoustic fingerprint and
// the best-scored AcoustID track id that has recordings. Without a client key nothing is done;
// a file without usable audio, or a fingerprint that matches nothing, gives no track id and the
// import goes on. When the service cannot be reached (or refuses the key) the rest of the run's
// files are fingerprinted but not looked up, and the file where that happened says why.
FingerprintGenerator MakeImportFingerprints(const CAppSettings& settings);

// What the end of an import says when it gave up looking fingerprints up for `reason`.
inline constexpr const char* kMessageLookupsEnded =
    TB_TRANSLATE_NOOP("Tunebay", "Fingerprint lookups stopped after the first failure (%1); the "
                                 "other files were imported without AcoustID track ids.");
std::string LookupsEndedText(const std::string& reason, const TextLookup& lookup = {});

} // namespace tunebay
