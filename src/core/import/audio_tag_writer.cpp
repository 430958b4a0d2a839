#include "import/audio_tag_writer.h"

#include "files/file_bytes.h"
#include "import/audio_layout.h"
#include "import/media_file_bytes.h"
#include "import/native_tag_writers.h"

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace tunebay {

namespace {

constexpr const char* kUnknown = "Unknown";
// The property names of the catalogue's fields, which a write may change.
constexpr const char* kWrittenProperties[] = {"TITLE", "ARTIST", "ALBUM",
                                              "DATE",  "GENRE",  "COMMENT"};

// One file as the tag library sees it, through a descriptor of ours (the library closes the
// duplicate it is given).
struct TagFile {
    std::unique_ptr<TagLib::FileStream> stream;
    std::unique_ptr<TagLib::File> file;
};

std::unique_ptr<TagLib::File> openAs(AudioFormat format, TagLib::IOStream* stream) {
    switch (format) {
    case AudioFormat::Flac:
        return std::make_unique<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(),
                                                    false);
    case AudioFormat::OggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, false);
    case AudioFormat::Opus:
        return std::make_unique<TagLib::Ogg::Opus::File>(stream, false);
    case AudioFormat::Aac:
    case AudioFormat::Alac:
        return std::make_unique<TagLib::MP4::File>(stream, false);
    case AudioFormat::Wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, false);
    case AudioFormat::Aiff:
        return std::make_unique<TagLib::RIFF::AIFF::File>(stream, false);
    case AudioFormat::WavPack:
        return std::make_unique<TagLib::WavPack::File>(stream, false);
    case AudioFormat::Wma:
        return std::make_unique<TagLib::ASF::File>(stream, false);
    default:
        return nullptr;
    }
}

std::optional<TagFile> openTagFile(AudioFormat format, int fd, bool readOnly) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return std::nullopt;
    // Some of the library's readers start where the descriptor stands, without a seek.
    ::lseek(copy, 0, SEEK_SET);
    TagFile tags;
    tags.stream = std::make_unique<TagLib::FileStream>(copy, readOnly);
    if (!tags.stream->isOpen()) {
        ::close(copy);
        return std::nullopt;
    }
    if (!readOnly && tags.stream->readOnly())
        return std::nullopt;
    tags.file = openAs(format, tags.stream.get());
    if (!tags.file || !tags.file->isValid())
        return std::nullopt;
    return tags;
}

// The ID3v2 version a chunk's tag keeps: 2.4 stays, everything else is written as 2.3.
TagLib::ID3v2::Version id3v2Version(const TagLib::ID3v2::Tag* tag, bool present) {
    return present && tag && tag->header()->majorVersion() == 4 ? TagLib::ID3v2::v4
                                                                : TagLib::ID3v2::v3;
}

// Which tags of a format hold the catalogue's fields, in the order of the values below.
bool isId3Tag(AudioFormat format, std::size_t index) {
    return format == AudioFormat::Aiff || (format == AudioFormat::Wav && index == 1);
}

std::size_t tagCount(AudioFormat format) {
    return format == AudioFormat::Wav ? 2 : 1;
}

// Writes the values (one per tag of the format) and saves.
bool writeTags(AudioFormat format, TagLib::File& file, const std::vector<NativeTagValues>& values) {
    switch (format) {
    case AudioFormat::Flac: {
        auto& flac = static_cast<TagLib::FLAC::File&>(file);
        WriteXiphComment(*flac.xiphComment(true), values[0]);
        return flac.save();
    }
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus:
        WriteXiphComment(*static_cast<TagLib::Ogg::XiphComment*>(file.tag()), values[0]);
        return file.save();
    case AudioFormat::Aac:
    case AudioFormat::Alac:
        WriteMp4Tag(*static_cast<TagLib::MP4::File&>(file).tag(), values[0]);
        return file.save();
    case AudioFormat::Wav: {
        auto& wav = static_cast<TagLib::RIFF::WAV::File&>(file);
        UseUtf8RiffInfoTexts();
        const TagLib::ID3v2::Version version = id3v2Version(wav.ID3v2Tag(), wav.hasID3v2Tag());
        WriteRiffInfo(*wav.InfoTag(), values[0]);
        WriteId3v2Chunk(*wav.ID3v2Tag(), values[1]);
        return wav.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripOthers, version);
    }
    case AudioFormat::Aiff: {
        auto& aiff = static_cast<TagLib::RIFF::AIFF::File&>(file);
        const TagLib::ID3v2::Version version = id3v2Version(aiff.tag(), aiff.hasID3v2Tag());
        WriteId3v2Chunk(*aiff.tag(), values[0]);
        return aiff.save(version);
    }
    case AudioFormat::WavPack:
        WriteApeTag(*static_cast<TagLib::WavPack::File&>(file).APETag(true), values[0]);
        return file.save();
    case AudioFormat::Wma:
        WriteAsfTag(*static_cast<TagLib::ASF::File&>(file).tag(), values[0]);
        return file.save();
    default:
        return false;
    }
}

std::vector<NativeTagValues> readTags(AudioFormat format, TagLib::File& file) {
    switch (format) {
    case AudioFormat::Flac: {
        const TagLib::Ogg::XiphComment* comment =
            static_cast<TagLib::FLAC::File&>(file).xiphComment(false);
        return {comment ? ReadXiphComment(*comment) : NativeTagValues{}};
    }
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus:
        return {ReadXiphComment(*static_cast<TagLib::Ogg::XiphComment*>(file.tag()))};
    case AudioFormat::Aac:
    case AudioFormat::Alac:
        return {ReadMp4Tag(*static_cast<TagLib::MP4::File&>(file).tag())};
    case AudioFormat::Wav: {
        UseUtf8RiffInfoTexts();
        auto& wav = static_cast<TagLib::RIFF::WAV::File&>(file);
        return {ReadRiffInfo(*wav.InfoTag()), ReadId3v2Chunk(*wav.ID3v2Tag())};
    }
    case AudioFormat::Aiff:
        return {ReadId3v2Chunk(*static_cast<TagLib::RIFF::AIFF::File&>(file).tag())};
    case AudioFormat::WavPack: {
        const TagLib::APE::Tag* ape = static_cast<TagLib::WavPack::File&>(file).APETag(false);
        return {ape ? ReadApeTag(*ape) : NativeTagValues{}};
    }
    case AudioFormat::Wma:
        return {ReadAsfTag(*static_cast<TagLib::ASF::File&>(file).tag())};
    default:
        return {};
    }
}

// Pictures are no properties of the tag library; each format keeps them its own way.
std::size_t pictureCount(AudioFormat format, TagLib::File& file) {
    switch (format) {
    case AudioFormat::Flac:
        return static_cast<TagLib::FLAC::File&>(file).pictureList().size();
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus:
        return static_cast<TagLib::Ogg::XiphComment*>(file.tag())->pictureList().size();
    case AudioFormat::Aac:
    case AudioFormat::Alac: {
        const TagLib::MP4::Tag* tag = static_cast<TagLib::MP4::File&>(file).tag();
        return tag->contains("covr") ? tag->item("covr").toCoverArtList().size() : 0;
    }
    case AudioFormat::Wav:
        return static_cast<TagLib::RIFF::WAV::File&>(file)
            .ID3v2Tag()
            ->frameListMap()["APIC"]
            .size();
    case AudioFormat::Aiff:
        return static_cast<TagLib::RIFF::AIFF::File&>(file).tag()->frameListMap()["APIC"].size();
    case AudioFormat::WavPack: {
        const TagLib::APE::Tag* ape = static_cast<TagLib::WavPack::File&>(file).APETag(false);
        std::size_t count = 0;
        if (ape)
            for (const auto& [key, item] : ape->itemListMap())
                count += item.type() == TagLib::APE::Item::Binary ? 1 : 0;
        return count;
    }
    case AudioFormat::Wma:
        return static_cast<TagLib::ASF::File&>(file).tag()->attribute("WM/Picture").size();
    default:
        return 0;
    }
}

// Removes every tag and saves.
bool stripTags(AudioFormat format, TagLib::File& file) {
    switch (format) {
    case AudioFormat::Flac: {
        auto& flac = static_cast<TagLib::FLAC::File&>(file);
        flac.removePictures();
        if (TagLib::Ogg::XiphComment* comment = flac.xiphComment(false))
            comment->removeAllFields();
        flac.strip(TagLib::FLAC::File::ID3v1 | TagLib::FLAC::File::ID3v2);
        return flac.save();
    }
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus: {
        auto* comment = static_cast<TagLib::Ogg::XiphComment*>(file.tag());
        comment->removeAllFields();
        comment->removeAllPictures();
        return file.save();
    }
    case AudioFormat::Aac:
    case AudioFormat::Alac:
        return static_cast<TagLib::MP4::File&>(file).strip();
    case AudioFormat::Wav:
        static_cast<TagLib::RIFF::WAV::File&>(file).strip();
        return true;
    case AudioFormat::Aiff: {
        TagLib::ID3v2::Tag* tag = static_cast<TagLib::RIFF::AIFF::File&>(file).tag();
        // Pointers of our own: the tag's list deletes what it holds.
        const TagLib::ID3v2::FrameList& list = tag->frameList();
        const std::vector<TagLib::ID3v2::Frame*> frames(list.begin(), list.end());
        for (TagLib::ID3v2::Frame* frame : frames)
            tag->removeFrame(frame);
        return file.save();
    }
    case AudioFormat::WavPack:
        static_cast<TagLib::WavPack::File&>(file).strip();
        return file.save();
    case AudioFormat::Wma: {
        TagLib::ASF::Tag* tag = static_cast<TagLib::ASF::File&>(file).tag();
        std::vector<TagLib::String> names;
        for (const auto& [name, attributes] : tag->attributeListMap())
            names.push_back(name);
        for (const TagLib::String& name : names)
            tag->removeItem(name);
        tag->setTitle({});
        tag->setArtist({});
        tag->setComment({});
        tag->setCopyright({});
        tag->setRating({});
        return file.save();
    }
    default:
        return false;
    }
}

// The properties a write must leave as they were: all but the catalogue's fields.
TagLib::PropertyMap keptProperties(TagLib::File& file) {
    TagLib::PropertyMap properties = file.properties();
    for (const char* name : kWrittenProperties)
        properties.erase(name);
    return properties;
}

bool sameProperties(const TagLib::PropertyMap& a, const TagLib::PropertyMap& b) {
    return a == b && a.unsupportedData() == b.unsupportedData();
}

// The values of each tag of `format` that a write of `fields` puts there.
std::vector<NativeTagValues> valuesFor(AudioFormat format, const ItemTagFields& fields,
                                       const std::string& genreName) {
    NativeTagValues named;
    auto text = [](const std::string& value) {
        return value.empty() ? std::nullopt : std::optional<std::string>(value);
    };
    named.title = text(fields.title);
    named.artist = text(fields.group);
    named.album =
        fields.package == kUnknown ? std::optional<std::string>("") : text(fields.package);
    named.date = text(fields.publishTime);
    named.comment = text(fields.comment);
    const bool hasGenre = fields.genre >= 0 && fields.genre < kNoGenre;
    NativeTagValues id3 = named;
    if (hasGenre) {
        named.genre = text(genreName);
        id3.genre = "(" + std::to_string(fields.genre) + ")";
    }
    std::vector<NativeTagValues> values;
    for (std::size_t i = 0; i < tagCount(format); ++i)
        values.push_back(isId3Tag(format, i) ? id3 : named);
    return values;
}

// Whether `read` holds what `written` put there; `reason` names the first field that does not.
bool readsBack(const NativeTagValues& written, const NativeTagValues& read, bool id3,
               std::string& reason) {
    auto same = [&reason](const std::optional<std::string>& wanted,
                          const std::optional<std::string>& got, const char* name, bool genre) {
        if (!wanted)
            return true;
        const bool ok = wanted->empty() ? !got
                        : genre ? got && GenreFromContentType(*wanted) == GenreFromContentType(*got)
                                : got == wanted;
        if (!ok)
            reason = std::string("the new tag reads back another ") + name;
        return ok;
    };
    return same(written.title, read.title, "title", false) &&
           same(written.artist, read.artist, "group", false) &&
           same(written.album, read.album, "package", false) &&
           same(written.date, read.date, "year", false) &&
           same(written.genre, read.genre, "genre", id3) &&
           same(written.comment, read.comment, "comment", false);
}

bool isEmpty(const NativeTagValues& values) {
    return !values.title && !values.artist && !values.album && !values.date && !values.genre &&
           !values.comment;
}

// The new file starts as a copy of the original, the tag library edits that copy: it reads the
// original, never changes it.
bool copyOriginal(AudioFormat format, int original, int target, std::string& reason) {
    const MediaFileBytes file(original);
    if (!file.IsOpen() || file.Size() < 1) {
        reason = "the file cannot be read";
        return false;
    }
    if (DetectContainerFormat(file) != format) {
        reason = std::string("not ") + std::string(AudioFormatName(format));
        return false;
    }
    if (!ReadAudioLayout(format, file)) {
        reason = "the audio data cannot be found";
        return false;
    }
    if (!AppendFileRange(original, 0, file.Size(), target)) {
        reason = SystemReason(errno);
        return false;
    }
    return true;
}

bool sameAudio(AudioFormat format, int original, int written, std::string& reason) {
    return SameAudio(format, MediaFileBytes(original), MediaFileBytes(written), reason);
}

constexpr const char* kReasonUnreadable = "the tag library cannot read the file";

} // namespace

RewriteResult WriteAudioTagToFile(const std::string& path, AudioFormat format,
                                  const ItemTagFields& fields, const std::string& genreName,
                                  IRewriteBackups* backups) {
    if (format == AudioFormat::MonkeysAudio)
        return {false, kReasonReadOnlyFormat};
    const std::vector<NativeTagValues> values = valuesFor(format, fields, genreName);
    const auto produce = [&](int original, int target, std::string& reason) {
        if (!copyOriginal(format, original, target, reason))
            return false;
        std::optional<TagFile> tags = openTagFile(format, target, false);
        if (!tags) {
            reason = kReasonUnreadable;
            return false;
        }
        if (!writeTags(format, *tags->file, values)) {
            reason = "the tag library could not write the tag";
            return false;
        }
        return true;
    };
    const auto verify = [&](int original, int written, std::string& reason) {
        if (!sameAudio(format, original, written, reason))
            return false;
        std::optional<TagFile> before = openTagFile(format, original, true);
        std::optional<TagFile> after = openTagFile(format, written, true);
        if (!before || !after) {
            reason = kReasonUnreadable;
            return false;
        }
        const std::vector<NativeTagValues> read = readTags(format, *after->file);
        for (std::size_t i = 0; i < values.size(); ++i)
            if (i >= read.size() || !readsBack(values[i], read[i], isId3Tag(format, i), reason))
                return false;
        if (!sameProperties(keptProperties(*before->file), keptProperties(*after->file)) ||
            pictureCount(format, *before->file) != pictureCount(format, *after->file)) {
            reason = "the new tag would lose fields the catalogue does not hold";
            return false;
        }
        return true;
    };
    return RewriteFile(path, produce, verify, backups);
}

RewriteResult RemoveAudioTags(const std::string& path, AudioFormat format,
                              IRewriteBackups* backups) {
    if (format == AudioFormat::MonkeysAudio)
        return {false, kReasonReadOnlyFormat};
    const auto produce = [&](int original, int target, std::string& reason) {
        if (!copyOriginal(format, original, target, reason))
            return false;
        std::optional<TagFile> tags = openTagFile(format, target, false);
        if (!tags) {
            reason = kReasonUnreadable;
            return false;
        }
        if (!stripTags(format, *tags->file)) {
            reason = "the tag library could not remove the tags";
            return false;
        }
        return true;
    };
    const auto verify = [&](int original, int written, std::string& reason) {
        if (!sameAudio(format, original, written, reason))
            return false;
        std::optional<TagFile> after = openTagFile(format, written, true);
        if (!after) {
            reason = kReasonUnreadable;
            return false;
        }
        for (const NativeTagValues& values : readTags(format, *after->file))
            if (!isEmpty(values)) {
                reason = "tags remain";
                return false;
            }
        if (pictureCount(format, *after->file) != 0) {
            reason = "tags remain";
            return false;
        }
        return true;
    };
    return RewriteFile(path, produce, verify, backups);
}

} // namespace tunebay
