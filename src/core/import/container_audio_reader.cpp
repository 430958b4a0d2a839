#include "import/container_audio_reader.h"

#include "import/audio_layout.h"
#include "import/media_file_stream.h"
#include "import/native_tag_texts.h"
#include "import/native_tag_writers.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <memory>

namespace tunebay {

namespace {

constexpr auto kReadStyle = TagLib::AudioProperties::Average;

template <typename File, typename... Arguments>
std::unique_ptr<File> openFile(MediaFileStream& stream, Arguments... arguments) {
    auto file = std::make_unique<File>(&stream, arguments...);
    if (!file->isValid() || !file->audioProperties())
        return nullptr;
    return file;
}

void takeFacts(const TagLib::AudioProperties& properties, ContainerAudio& audio) {
    audio.lengthMs = properties.lengthInMilliseconds();
    audio.bitrate = properties.bitrate();
    audio.sampleRate = properties.sampleRate();
    audio.channels = properties.channels();
}

bool readFlac(MediaFileStream& stream, ContainerAudio& audio) {
    const auto file = openFile<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(),
                                                   true, kReadStyle);
    if (!file)
        return false;
    takeFacts(*file->audioProperties(), audio);
    audio.bitsPerSample = file->audioProperties()->bitsPerSample();
    // The Vorbis comment is FLAC's own tag; ID3v2 tags some writers put in front fill gaps.
    if (file->hasXiphComment())
        audio.tags = XiphCommentTexts(*file->xiphComment());
    if (file->hasID3v2Tag())
        audio.tags = MergeTagTexts(audio.tags, Id3v2TagTexts(*file->ID3v2Tag()));
    return true;
}

template <typename File>
bool readOgg(MediaFileStream& stream, ContainerAudio& audio) {
    const auto file = openFile<File>(stream, true, kReadStyle);
    if (!file)
        return false;
    takeFacts(*file->audioProperties(), audio);
    if (file->tag())
        audio.tags = XiphCommentTexts(*file->tag());
    return true;
}

bool readMp4(MediaFileStream& stream, ContainerAudio& audio) {
    const auto file = openFile<TagLib::MP4::File>(stream, true, kReadStyle);
    if (!file)
        return false;
    const TagLib::MP4::Properties& properties = *file->audioProperties();
    takeFacts(properties, audio);
    if (properties.codec() == TagLib::MP4::Properties::ALAC)
        audio.bitsPerSample = properties.bitsPerSample();
    if (file->tag())
        audio.tags = Mp4TagTexts(*file->tag());
    return true;
}

bool readWav(MediaFileStream& stream, ContainerAudio& audio) {
    // INFO texts as the tag writer writes them: UTF-8 where they are valid UTF-8.
    UseUtf8RiffInfoTexts();
    const auto file = openFile<TagLib::RIFF::WAV::File>(stream, true, kReadStyle);
    if (!file)
        return false;
    const TagLib::RIFF::WAV::Properties& properties = *file->audioProperties();
    takeFacts(properties, audio);
    // PCM (1), IEEE float (3) and the extensible form (0xFFFE) carry samples as they are;
    // compressed data (MPEG in WAV, ADPCM) has no meaningful sample width.
    const int format = properties.format();
    if (format == 1 || format == 3 || format == 0xFFFE)
        audio.bitsPerSample = properties.bitsPerSample();
    if (file->hasID3v2Tag())
        audio.tags = Id3v2TagTexts(*file->ID3v2Tag());
    if (file->hasInfoTag())
        audio.tags = MergeTagTexts(audio.tags, RiffInfoTexts(*file->InfoTag()));
    return true;
}

// AIFF-C's names for samples stored as they are (either byte order, integer or float).
bool isUncompressedAifc(const TagLib::ByteVector& compression) {
    for (const char* name :
         {"NONE", "sowt", "twos", "raw ", "in24", "in32", "fl32", "fl64", "FL32", "FL64"})
        if (compression == TagLib::ByteVector(name, 4))
            return true;
    return false;
}

bool readAiff(MediaFileStream& stream, ContainerAudio& audio) {
    const auto file = openFile<TagLib::RIFF::AIFF::File>(stream, true, kReadStyle);
    if (!file)
        return false;
    const TagLib::RIFF::AIFF::Properties& properties = *file->audioProperties();
    takeFacts(properties, audio);
    if (!properties.isAiffC() || isUncompressedAifc(properties.compressionType()))
        audio.bitsPerSample = properties.bitsPerSample();
    if (file->hasID3v2Tag())
        audio.tags = Id3v2TagTexts(*file->tag());
    return true;
}

template <typename File>
bool readApeTagged(MediaFileStream& stream, ContainerAudio& audio) {
    const auto file = openFile<File>(stream, true, kReadStyle);
    if (!file)
        return false;
    takeFacts(*file->audioProperties(), audio);
    audio.bitsPerSample = file->audioProperties()->bitsPerSample();
    if (file->hasAPETag())
        audio.tags = ApeTagTexts(*file->APETag());
    return true;
}

bool readAsf(MediaFileStream& stream, ContainerAudio& audio) {
    const auto file = openFile<TagLib::ASF::File>(stream, true, kReadStyle);
    if (!file)
        return false;
    const TagLib::ASF::Properties& properties = *file->audioProperties();
    takeFacts(properties, audio);
    if (properties.codec() == TagLib::ASF::Properties::WMA9Lossless)
        audio.bitsPerSample = properties.bitsPerSample();
    if (file->tag())
        audio.tags = AsfTagTexts(*file->tag());
    return true;
}

} // namespace

std::optional<ContainerAudio> ReadContainerAudio(AudioFormat format, const MediaFileBytes& file,
                                                 const std::string& path) {
    MediaFileStream stream(file, path);
    ContainerAudio audio;
    bool read = false;
    switch (format) {
    case AudioFormat::None:
    case AudioFormat::Mpeg:
        return std::nullopt;
    case AudioFormat::Flac:
        read = readFlac(stream, audio);
        break;
    case AudioFormat::OggVorbis:
        read = readOgg<TagLib::Ogg::Vorbis::File>(stream, audio);
        break;
    case AudioFormat::Opus:
        read = readOgg<TagLib::Ogg::Opus::File>(stream, audio);
        break;
    case AudioFormat::Aac:
    case AudioFormat::Alac:
        read = readMp4(stream, audio);
        break;
    case AudioFormat::Wav:
        read = readWav(stream, audio);
        break;
    case AudioFormat::Aiff:
        read = readAiff(stream, audio);
        break;
    case AudioFormat::WavPack:
        read = readApeTagged<TagLib::WavPack::File>(stream, audio);
        break;
    case AudioFormat::MonkeysAudio:
        read = readApeTagged<TagLib::APE::File>(stream, audio);
        break;
    case AudioFormat::Wma:
        read = readAsf(stream, audio);
        break;
    }
    if (!read)
        return std::nullopt;
    return audio;
}

void TakeContainerFacts(AudioFormat format, const ContainerAudio& audio, const MediaFileBytes& file,
                        MediaFileInfo& info) {
    info.format = format;
    info.length = static_cast<int32_t>((audio.lengthMs + 500) / 1000);
    info.sampleRate = audio.sampleRate;
    info.channelMode = ChannelsText(audio.channels);
    info.bitsPerSample = audio.bitsPerSample;
    const std::optional<AudioLayout> layout = ReadAudioLayout(format, file);
    info.audioSize = layout ? layout->AudioSize() : 0;
    // Bits per millisecond are kilobits per second.
    info.bitrate =
        info.audioSize > 0 && audio.lengthMs > 0
            ? static_cast<int32_t>((info.audioSize * 8 + audio.lengthMs / 2) / audio.lengthMs)
            : audio.bitrate;
}

std::string ChannelsText(int32_t channels) {
    if (channels <= 0)
        return {};
    if (channels == 1)
        return "Single Channel";
    if (channels == 2)
        return "Stereo";
    return std::to_string(channels) + " Channels";
}

} // namespace tunebay
