#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunebay {

// The acoustic fingerprint of an MPEG audio file: the first two minutes decoded and fed to the
// fingerprinter's default algorithm.
struct AudioFingerprint {
    bool ok = false;
    std::string error;         // why it failed
    int errorNumber = 0;       // the system's error when the file could not be read
    int duration = 0;          // whole seconds, from the frame header
    std::string fingerprint;   // compressed, base64 (URL-safe), as the lookup service takes it
    std::vector<uint32_t> raw; // the sub-fingerprints, for comparing recordings offline
};

inline constexpr int kFingerprintSeconds = 120;

AudioFingerprint FingerprintFile(const std::string& path);

// The raw sub-fingerprints back from their compressed base64 form; empty when it does not decode.
std::vector<uint32_t> DecodeFingerprint(const std::string& encoded);
std::string EncodeFingerprint(const std::vector<uint32_t>& raw);

} // namespace tunebay
