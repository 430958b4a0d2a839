#include "tools/audio_fingerprint.h"

#include "import/mpeg_header_reader.h"

#include <chromaprint.h>
#include <mpg123.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

namespace tunebay {

namespace {

// The decoder library wants one process-wide initialisation.
void initDecoder() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

struct DecoderDeleter {
    void operator()(mpg123_handle* handle) const {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
struct ContextDeleter {
    void operator()(ChromaprintContext* context) const { chromaprint_free(context); }
};

} // namespace

AudioFingerprint FingerprintFile(const std::string& path) {
    AudioFingerprint result;
    // The system's reason ("No such file or directory") says more than "no MPEG audio frame".
    if (const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC); descriptor < 0) {
        result.errorNumber = errno;
        result.error = std::strerror(errno);
        return result;
    } else {
        ::close(descriptor);
    }
    MpegHeaderReader header;
    if (header.Open(path) != MpegHeaderReader::kOpened) {
        result.error = "no MPEG audio frame";
        return result;
    }
    result.duration = header.Length();
    if (result.duration <= 0) {
        result.error = "no playing length";
        return result;
    }

    initDecoder();
    int status = MPG123_OK;
    std::unique_ptr<mpg123_handle, DecoderDeleter> decoder(mpg123_new(nullptr, &status));
    if (!decoder) {
        result.error = "cannot start the MP3 decoder";
        return result;
    }
    mpg123_param(decoder.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Signed 16-bit output at the file's own rate and channels.
    mpg123_format_none(decoder.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(decoder.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(decoder.get(), path.c_str()) != MPG123_OK) {
        result.error = "cannot open the file for decoding";
        return result;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(decoder.get(), &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
        result.error = "cannot decode the audio";
        return result;
    }

    std::unique_ptr<ChromaprintContext, ContextDeleter> context(
        chromaprint_new(CHROMAPRINT_ALGORITHM_DEFAULT));
    if (!context || !chromaprint_start(context.get(), static_cast<int>(rate), channels)) {
        result.error = "cannot start the fingerprinter";
        return result;
    }
    const long long wanted = static_cast<long long>(rate) * kFingerprintSeconds * channels;
    long long fed = 0;
    std::vector<unsigned char> buffer(32768);
    while (fed < wanted) {
        size_t done = 0;
        status = mpg123_read(decoder.get(), buffer.data(), buffer.size(), &done);
        if (status == MPG123_NEW_FORMAT) {
            long newRate = 0;
            int newChannels = 0;
            mpg123_getformat(decoder.get(), &newRate, &newChannels, &encoding);
            if (newRate != rate || newChannels != channels)
                break; // a stream that changes format midway: fingerprint what came before
            continue;
        }
        long long samples = static_cast<long long>(done / sizeof(int16_t));
        if (samples > wanted - fed)
            samples = (wanted - fed) / channels * channels;
        if (samples > 0 &&
            !chromaprint_feed(context.get(), reinterpret_cast<const int16_t*>(buffer.data()),
                              static_cast<int>(samples))) {
            result.error = "the fingerprinter refused the audio";
            return result;
        }
        fed += samples;
        if (status != MPG123_OK)
            break; // the end of the stream, or frames it cannot decode further on
    }
    if (fed == 0 || !chromaprint_finish(context.get())) {
        result.error = "no audio could be decoded";
        return result;
    }
    uint32_t* raw = nullptr;
    int rawSize = 0;
    if (!chromaprint_get_raw_fingerprint(context.get(), &raw, &rawSize) || rawSize <= 0) {
        result.error = "the audio is too short for a fingerprint";
        return result;
    }
    result.raw.assign(raw, raw + rawSize);
    chromaprint_dealloc(raw);
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
