#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tunebay {

// The first audio stream of a file in any of the common audio formats (MPEG audio, FLAC, Ogg
// Vorbis and Opus, AAC and ALAC in MP4, WAV, AIFF, WavPack, Monkey's Audio, WMA), decoded and
// converted to interleaved signed 16-bit samples at the rate and channel count the caller asks
// for. The file is only ever read; its content decides the format, not its name.
class AudioDecoder {
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // False, with `Error()` (and `ErrorNumber()` when the system refused the file), when the
    // file holds no audio stream that can be decoded. `stopRequested` is asked while the file
    // is read and decoded.
    bool Open(const std::string& path, int sampleRate, int channels,
              std::function<bool()> stopRequested = {});

    enum class End {
        StreamEnded, // everything was decoded (and the converter's tail delivered)
        SinkSatisfied,
        Stopped,
    };
    // Hands the samples to `sink` (`frames` samples of every channel) until it returns false or
    // the stream ends. Packets that do not decode are skipped; an unreadable rest of the file
    // ends the stream.
    End Decode(const std::function<bool(const int16_t* samples, size_t frames)>& sink);

    // The stream's length in seconds as the container states it; when it states none, measured
    // from the packets (reading on to the end of the file where decoding stopped short of it).
    // Negative when unknown.
    double DurationSeconds();

    const std::string& Error() const;
    int ErrorNumber() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace tunebay
