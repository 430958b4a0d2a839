#include "import/media_rows.h"

#include "import/media_importer.h"

namespace tunebay {

namespace {

constexpr const char* kUnknown = "Unknown";

} // namespace

CataloguedNames CataloguedNamesOf(const MediaFileInfo& info) {
    CataloguedNames names;
    SplitMediaPath(info.path, names.directory, names.fileName);
    names.title = info.title.empty() ? kUnknown : info.title;
    names.group = info.group.empty() ? kUnknown : info.group;
    names.package = info.package.empty() ? kUnknown : info.package;
    return names;
}

std::vector<MediaOptionalFact> MediaOptionalFacts(int mediaId, const MediaFileInfo& info) {
    const auto text = [&](int type, const std::string& value) {
        return MediaOptionalFact{!value.empty(), false, {mediaId, type, kValueText, value, 0, 0.0}};
    };
    const auto fact = [&](bool known, const OptionalValue& value) {
        return MediaOptionalFact{known, true, value};
    };
    return {
        fact(info.sampleRate != 0,
             {mediaId, kOptionalSampleRate, kValueInteger, {}, info.sampleRate, 0.0}),
        fact(info.bitrate != 0, {mediaId, kOptionalBitrate, kValueInteger, {}, info.bitrate, 0.0}),
        // Only MPEG audio's frame headers tell whether the bit rate varies.
        fact(info.format == AudioFormat::Mpeg,
             {mediaId, kOptionalVariableBitrate, kValueBoolean, {}, info.vbr, 0.0}),
        fact(
            info.audioSize != 0,
            {mediaId, kOptionalAudioSize, kValueFloat, {}, 0, static_cast<double>(info.audioSize)}),
        text(kOptionalVolumeName, info.volumeName),
        fact(!info.channelMode.empty(),
             {mediaId, kOptionalChannelMode, kValueText, info.channelMode, 0, 0.0}),
        text(kOptionalFingerprint, info.fingerprint),
        text(kOptionalRawFingerprint, info.rawFingerprint),
        fact(info.bitsPerSample != 0,
             {mediaId, kOptionalBitsPerSample, kValueInteger, {}, info.bitsPerSample, 0.0}),
    };
}

} // namespace tunebay
