#include "tools/audio_fingerprint.h"

#include "tools/audio_decoder.h"

#include <chromaprint.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace tunebay {

namespace {

struct ContextDeleter {
    void operator()(ChromaprintContext* context) const { chromaprint_free(context); }
};

} // namespace

AudioFingerprint FingerprintFile(const std::string& path,
                                 const std::function<bool()>& stopRequested) {
    AudioFingerprint result;
    const auto stop = [&result](const std::string& why) {
        result.stopped = true;
        result.error = why;
        return result;
    };
    std::unique_ptr<ChromaprintContext, ContextDeleter> context(
        chromaprint_new(CHROMAPRINT_ALGORITHM_DEFAULT));
    if (!context) {
        result.error = "cannot start the fingerprinter";
        return result;
    }
    // The decoder hands over exactly what the fingerprinter listens to (11025 Hz mono).
    const int rate = chromaprint_get_sample_rate(context.get());
    const int channels = chromaprint_get_num_channels(context.get());
    AudioDecoder decoder;
    if (!decoder.Open(path, rate, channels, stopRequested)) {
        if (stopRequested && stopRequested())
            return stop("stopped");
        result.errorNumber = decoder.ErrorNumber();
        result.error = decoder.Error();
        return result;
    }
    if (!chromaprint_start(context.get(), rate, channels)) {
        result.error = "cannot start the fingerprinter";
        return result;
    }
    const long long wanted = static_cast<long long>(rate) * kFingerprintSeconds;
    long long fed = 0;
    bool refused = false;
    const AudioDecoder::End end = decoder.Decode([&](const int16_t* samples, size_t frames) {
        const long long taken = std::min(static_cast<long long>(frames), wanted - fed);
        if (!chromaprint_feed(context.get(), samples, static_cast<int>(taken * channels))) {
            refused = true;
            return false;
        }
        fed += taken;
        return fed < wanted;
    });
    if (end == AudioDecoder::End::Stopped)
        return stop("stopped");
    if (refused) {
        result.error = "the fingerprinter refused the audio";
        return result;
    }
    if (fed == 0 || !chromaprint_finish(context.get())) {
        result.error = "no audio could be decoded";
        return result;
    }
    uint32_t* raw = nullptr;
    int rawSize = 0;
    if (!chromaprint_get_raw_fingerprint(context.get(), &raw, &rawSize) || rawSize <= 0) {
        chromaprint_dealloc(raw);
        result.error = "the audio is too short for a fingerprint";
        return result;
    }
    std::vector<uint32_t> subFingerprints(raw, raw + rawSize);
    chromaprint_dealloc(raw);
    const double seconds = decoder.DurationSeconds();
    if (stopRequested && stopRequested())
        return stop("stopped");
    result.duration = seconds > 0 ? static_cast<int>(std::lround(seconds)) : 0;
    if (result.duration <= 0) {
        result.error = "no playing length";
        return result;
    }
    result.raw = std::move(subFingerprints);
    result.fingerprint = EncodeFingerprint(result.raw);
    result.ok = !result.fingerprint.empty();
    if (!result.ok)
        result.error = "cannot encode the fingerprint";
    return result;
}

std::string EncodeFingerprint(const std::vector<uint32_t>& raw) {
    if (raw.empty())
        return {};
    std::vector<uint32_t> copy(raw);
    char* encoded = nullptr;
    int size = 0;
    if (!chromaprint_encode_fingerprint(copy.data(), static_cast<int>(copy.size()),
                                        CHROMAPRINT_ALGORITHM_DEFAULT, &encoded, &size, 1) ||
        !encoded)
        return {};
    std::string text(encoded, static_cast<size_t>(size));
    chromaprint_dealloc(encoded);
    return text;
}

std::vector<uint32_t> DecodeFingerprint(const std::string& encoded) {
    uint32_t* raw = nullptr;
    int size = 0;
    int algorithm = 0;
    if (encoded.empty() ||
        !chromaprint_decode_fingerprint(encoded.c_str(), static_cast<int>(encoded.size()), &raw,
                                        &size, &algorithm, 1) ||
        !raw)
        return {};
    std::vector<uint32_t> result(raw, raw + size);
    chromaprint_dealloc(raw);
    return result;
}

} // namespace tunebay
