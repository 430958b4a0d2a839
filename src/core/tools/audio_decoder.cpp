#include "tools/audio_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace tunebay {

namespace {

// The demuxers of the audio formats the catalogue knows. Content that looks like anything else
// (a playlist, a concatenation script, a picture) is refused, so that no file can make the
// decoder open another file or an address.
constexpr const char* kAudioDemuxers = "mp3,flac,ogg,mov,wav,w64,aiff,wv,ape,asf,aac,matroska";

constexpr int kInputBufferSize = 64 * 1024;
constexpr int kTailFrames = 4096;

void quietLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string withReason(const char* what, int code) {
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, reason, sizeof reason) != 0)
        return what;
    return std::string(what) + " (" + reason + ")";
}

} // namespace

struct AudioDecoder::State {
    using Sink = std::function<bool(const int16_t*, size_t)>;

    ~State();

    bool stopped() const { return stopRequested && stopRequested(); }
    // The file is read through these, never opened by the library itself.
    static int readInput(void* opaque, uint8_t* buffer, int size);
    static int64_t seekInput(void* opaque, int64_t offset, int whence);
    static int interrupt(void* opaque) { return static_cast<State*>(opaque)->stopped() ? 1 : 0; }

    // The next packet of the stream into the decoder; false at the end of the file.
    bool feedDecoder();
    void notePacket(const AVPacket& read);
    bool deliver(const AVFrame& decoded, const Sink& sink);
    bool makeResampler(const AVFrame& decoded);
    bool deliverTail(const Sink& sink);

    int fd = -1;
    std::function<bool()> stopRequested;
    AVIOContext* input = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;

    SwrContext* resampler = nullptr;
    // What the resampler converts from; a stream may change it midway.
    int inputFormat = -1;
    int inputRate = 0;
    AVChannelLayout inputLayout{};
    int outputRate = 0;
    AVChannelLayout outputLayout{};
    std::vector<int16_t> converted;

    bool fileEnded = false;
    bool drainRequested = false;
    bool everythingDecoded = false;
    int64_t deliveredFrames = 0;
    int64_t packetEnd = AV_NOPTS_VALUE; // the furthest end of a packet, in the stream's time base

    std::string error;
    int errorNumber = 0;
};

AudioDecoder::State::~State() {
    swr_free(&resampler);
    av_channel_layout_uninit(&inputLayout);
    av_channel_layout_uninit(&outputLayout);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    if (input) {
        av_freep(&input->buffer);
        avio_context_free(&input);
    }
    if (fd >= 0)
        ::close(fd);
}

int AudioDecoder::State::readInput(void* opaque, uint8_t* buffer, int size) {
    State& state = *static_cast<State*>(opaque);
    if (state.stopped())
        return AVERROR_EXIT;
    ssize_t got = 0;
    do
        got = ::read(state.fd, buffer, static_cast<size_t>(size));
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return AVERROR(errno);
    return got == 0 ? AVERROR_EOF : static_cast<int>(got);
}

int64_t AudioDecoder::State::seekInput(void* opaque, int64_t offset, int whence) {
    const State& state = *static_cast<State*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat info {};
        return ::fstat(state.fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(state.fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

void AudioDecoder::State::notePacket(const AVPacket& read) {
    if (read.pts == AV_NOPTS_VALUE)
        return;
    const int64_t end = read.pts + read.duration;
    if (packetEnd == AV_NOPTS_VALUE || end > packetEnd)
        packetEnd = end;
}

bool AudioDecoder::State::feedDecoder() {
    while (!fileEnded) {
        // Any failure to read on counts as the end: what came before is still good audio.
        if (av_read_frame(format, packet) < 0) {
            fileEnded = true;
            break;
        }
        const bool ours = packet->stream_index == stream;
        if (ours) {
            notePacket(*packet);
            // A packet that does not decode (a damaged frame) is left out.
            avcodec_send_packet(codec, packet);
        }
        av_packet_unref(packet);
        if (ours)
            return true;
    }
    if (!drainRequested) {
        drainRequested = true;
        avcodec_send_packet(codec, nullptr);
        return true;
    }
    return false;
}

bool AudioDecoder::State::makeResampler(const AVFrame& decoded) {
    swr_free(&resampler);
    av_channel_layout_uninit(&inputLayout);
    inputFormat = -1;
    AVChannelLayout layout{};
    if (decoded.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, decoded.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&layout, &decoded.ch_layout) < 0)
        return false;
    const int made = swr_alloc_set_opts2(&resampler, &outputLayout, AV_SAMPLE_FMT_S16, outputRate,
                                         &layout, static_cast<AVSampleFormat>(decoded.format),
                                         decoded.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    if (made < 0)
        return false;
    // Resampled as the fingerprinter's own command-line tool does it, so that a file gives the
    // fingerprint the lookup service has from other users of it.
    av_opt_set_int(resampler, "filter_size", 16, 0);
    av_opt_set_int(resampler, "phase_shift", 8, 0);
    av_opt_set_int(resampler, "linear_interp", 1, 0);
    av_opt_set_int(resampler, "tsf", AV_SAMPLE_FMT_S16P, 0);
    av_opt_set_double(resampler, "cutoff", 0.8, 0);
    if (swr_init(resampler) < 0) {
        swr_free(&resampler);
        return false;
    }
    if (av_channel_layout_copy(&inputLayout, &decoded.ch_layout) < 0) {
        swr_free(&resampler);
        return false;
    }
    inputFormat = decoded.format;
    inputRate = decoded.sample_rate;
    return true;
}

bool AudioDecoder::State::deliverTail(const Sink& sink) {
    if (!resampler)
        return true;
    for (;;) {
        converted.resize(static_cast<size_t>(kTailFrames) * outputLayout.nb_channels);
        auto* out = reinterpret_cast<uint8_t*>(converted.data());
        const int made = swr_convert(resampler, &out, kTailFrames, nullptr, 0);
        if (made <= 0)
            return true;
        deliveredFrames += made;
        if (!sink(converted.data(), static_cast<size_t>(made)))
            return false;
    }
}

bool AudioDecoder::State::deliver(const AVFrame& decoded, const Sink& sink) {
    if (decoded.nb_samples <= 0 || decoded.sample_rate <= 0 || decoded.ch_layout.nb_channels <= 0)
        return true;
    if (!resampler || decoded.format != inputFormat || decoded.sample_rate != inputRate ||
        av_channel_layout_compare(&decoded.ch_layout, &inputLayout) != 0) {
        // What the old conversion still holds belongs before the new part.
        if (!deliverTail(sink))
            return false;
        if (!makeResampler(decoded))
            return true; // a part in a form that cannot be converted is left out
    }
    const int room = swr_get_out_samples(resampler, decoded.nb_samples);
    if (room <= 0)
        return true;
    converted.resize(static_cast<size_t>(room) * outputLayout.nb_channels);
    auto* out = reinterpret_cast<uint8_t*>(converted.data());
    const int made =
        swr_convert(resampler, &out, room, const_cast<const uint8_t**>(decoded.extended_data),
                    decoded.nb_samples);
    if (made <= 0)
        return true;
    deliveredFrames += made;
    return sink(converted.data(), static_cast<size_t>(made));
}

AudioDecoder::AudioDecoder() : m_state(std::make_unique<State>()) {}

AudioDecoder::~AudioDecoder() = default;

const std::string& AudioDecoder::Error() const {
    return m_state->error;
}

int AudioDecoder::ErrorNumber() const {
    return m_state->errorNumber;
}

bool AudioDecoder::Open(const std::string& path, int sampleRate, int channels,
                        std::function<bool()> stopRequested) {
    quietLibrary();
    m_state = std::make_unique<State>();
    State& state = *m_state;
    state.stopRequested = std::move(stopRequested);

    // Not blocking: a named pipe in place of a file must not hold the caller up.
    state.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (state.fd < 0) {
        state.errorNumber = errno;
        state.error = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(state.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        state.error = "not a regular file";
        return false;
    }

    auto* buffer = static_cast<unsigned char*>(av_malloc(kInputBufferSize));
    if (buffer)
        state.input = avio_alloc_context(buffer, kInputBufferSize, 0, &state, &State::readInput,
                                         nullptr, &State::seekInput);
    state.format = avformat_alloc_context();
    if (!state.input || !state.format) {
        if (!state.input)
            av_free(buffer);
        state.error = "not enough memory for the decoder";
        return false;
    }
    state.format->pb = state.input;
    state.format->interrupt_callback = {&State::interrupt, &state};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", kAudioDemuxers, 0);
    // The name only hints at the format; the content decides.
    int status = avformat_open_input(&state.format, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (status < 0) {
        state.error = state.stopped() ? "stopped" : "no audio in a format the decoder knows";
        return false;
    }
    status = avformat_find_stream_info(state.format, nullptr);
    if (status < 0) {
        state.error = state.stopped() ? "stopped" : withReason("no stream information", status);
        return false;
    }
    const AVCodec* decoder = nullptr;
    state.stream = av_find_best_stream(state.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (state.stream < 0 || !decoder) {
        state.error = state.stream == AVERROR_DECODER_NOT_FOUND ? "no decoder for the audio"
                                                                : "no audio stream";
        state.stream = -1;
        return false;
    }
    // Cover art and other streams are not even read.
    for (unsigned i = 0; i < state.format->nb_streams; ++i)
        if (static_cast<int>(i) != state.stream)
            state.format->streams[i]->discard = AVDISCARD_ALL;

    state.codec = avcodec_alloc_context3(decoder);
    state.packet = av_packet_alloc();
    state.frame = av_frame_alloc();
    if (!state.codec || !state.packet || !state.frame) {
        state.error = "not enough memory for the decoder";
        return false;
    }
    status =
        avcodec_parameters_to_context(state.codec, state.format->streams[state.stream]->codecpar);
    if (status >= 0) {
        state.codec->request_sample_fmt = AV_SAMPLE_FMT_S16;
        state.codec->thread_count = 1;
        status = avcodec_open2(state.codec, decoder, nullptr);
    }
    if (status < 0) {
        state.error = withReason("cannot start the decoder", status);
        avcodec_free_context(&state.codec);
        return false;
    }
    state.outputRate = sampleRate;
    av_channel_layout_default(&state.outputLayout, channels);
    return true;
}

AudioDecoder::End AudioDecoder::Decode(const std::function<bool(const int16_t*, size_t)>& sink) {
    State& state = *m_state;
    if (!state.codec)
        return End::StreamEnded;
    for (;;) {
        if (state.stopped())
            return End::Stopped;
        const int received = avcodec_receive_frame(state.codec, state.frame);
        if (received == 0) {
            const bool more = state.deliver(*state.frame, sink);
            av_frame_unref(state.frame);
            if (!more)
                return End::SinkSatisfied;
            continue;
        }
        if (received == AVERROR_EOF) {
            if (!state.deliverTail(sink))
                return End::SinkSatisfied;
            state.everythingDecoded = true;
            return End::StreamEnded;
        }
        // The decoder wants more, or a frame did not decode: go on with the next packet.
        if (!state.feedDecoder())
            return state.stopped() ? End::Stopped : End::StreamEnded;
    }
}

double AudioDecoder::DurationSeconds() {
    State& state = *m_state;
    if (!state.format || state.stream < 0)
        return -1.0;
    const AVStream& stream = *state.format->streams[state.stream];
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0)
        return static_cast<double>(stream.duration) * av_q2d(stream.time_base);
    if (state.format->duration != AV_NOPTS_VALUE && state.format->duration > 0)
        return static_cast<double>(state.format->duration) / AV_TIME_BASE;
    if (state.everythingDecoded && state.outputRate > 0)
        return static_cast<double>(state.deliveredFrames) / state.outputRate;
    // The container does not say: the time stamps of the remaining packets do.
    while (!state.fileEnded && !state.stopped()) {
        if (av_read_frame(state.format, state.packet) < 0) {
            state.fileEnded = true;
            break;
        }
        if (state.packet->stream_index == state.stream)
            state.notePacket(*state.packet);
        av_packet_unref(state.packet);
    }
    if (state.packetEnd == AV_NOPTS_VALUE || state.stopped())
        return -1.0;
    const int64_t start = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
    return static_cast<double>(state.packetEnd - start) * av_q2d(stream.time_base);
}

} // namespace tunebay
