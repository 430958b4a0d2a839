#pragma once

#include "app/app_settings.h"
#include "import/media_importer.h"

namespace tunebay {

// The fingerprint step of an import: a file's AcoustID track id, found from its acoustic
// fingerprint with the lookup settings. Gives "" when the file has no usable audio, no client key
// is set, nothing matches or the service fails: the import goes on without it.
FingerprintGenerator MakeImportFingerprints(const CAppSettings& settings);

} // namespace tunebay
