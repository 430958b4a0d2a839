#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tunebay {

// The acoustic fingerprint of an audio file in any of the common formats: the first two minutes
// decoded, converted to what the fingerprinter's default algorithm listens to and fed to it.
struct AudioFingerprint {
    bool ok = false;
    std::string error;         // why it failed
    int errorNumber = 0;       // the system's error when the file could not be read
    bool stopped = false;      // a stop request ended the work, not the file
    int duration = 0;          // whole seconds (nearest), the stream's length as its file states it
    std::string fingerprint;   // compressed, base64 (URL-safe), as the lookup service takes it
    std::vector<uint32_t> raw; // the sub-fingerprints, for comparing recordings offline
};

inline constexpr int kFingerprintSeconds = 120;

// `stopRequested` is asked while the file is read and decoded; the file is never written.
AudioFingerprint FingerprintFile(const std::string& path,
                                 const std::function<bool()>& stopRequested = {});

// The raw sub-fingerprints back from their compressed base64 form; empty when it does not decode.
std::vector<uint32_t> DecodeFingerprint(const std::string& encoded);
std::string EncodeFingerprint(const std::vector<uint32_t>& raw);

} // namespace tunebay
