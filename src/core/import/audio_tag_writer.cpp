#include "import/audio_tag_writer.h"

#include "files/file_bytes.h"
#include "import/audio_layout.h"
#include "import/media_file_bytes.h"
#include "import/native_tag_writers.h"
#include "import/tag_pictures.h"

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

#include <algorithm>
#include <functional>
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

std::size_t pictureCount(AudioFormat format, TagLib::File& file) {
    return ReadTagPictures(format, file).size();
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

// Edits the file of `format` at `path` through RewriteFile: the new file starts as a copy of the
// original, `edit` changes that copy through the tag library (the original is only read), and
// `check` looks at the result, whose audio is already known to be the same, beside the original.
using TagEdit = std::function<bool(TagLib::File&)>;
using TagCheck = std::function<bool(TagLib::File& before, TagLib::File& after, std::string&)>;

RewriteResult rewriteTags(const std::string& path, AudioFormat format, const TagEdit& edit,
                          const std::string& editFailure, const TagCheck& check,
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
        if (!edit(*tags->file)) {
            reason = editFailure;
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
        return check(*before->file, *after->file, reason);
    };
    return RewriteFile(path, produce, verify, backups);
}

// Saves a file whose pictures alone changed; a WAV file's INFO list is left as it lies.
bool savePictures(AudioFormat format, TagLib::File& file) {
    if (format == AudioFormat::Wav) {
        auto& wav = static_cast<TagLib::RIFF::WAV::File&>(file);
        return wav.save(TagLib::RIFF::WAV::File::ID3v2, TagLib::File::StripNone,
                        id3v2Version(wav.ID3v2Tag(), wav.hasID3v2Tag()));
    }
    if (format == AudioFormat::Aiff) {
        auto& aiff = static_cast<TagLib::RIFF::AIFF::File&>(file);
        return aiff.save(id3v2Version(aiff.tag(), aiff.hasID3v2Tag()));
    }
    return file.save();
}

// Whether two tags hold the same fields, whatever else they hold.
bool sameFields(const TagLib::PropertyMap& a, const TagLib::PropertyMap& b) {
    if (a.size() != b.size())
        return false;
    for (const auto& [name, values] : a)
        if (!b.contains(name) || b[name] != values)
            return false;
    return true;
}

// The data the tag library cannot show as properties, pictures left out.
TagLib::StringList nonPictureData(const TagLib::PropertyMap& properties) {
    TagLib::StringList out;
    for (const TagLib::String& name : properties.unsupportedData())
        if (!IsPictureProperty(name.to8Bit(true)))
            out.append(name);
    return out;
}

// The picture a reader shows among `pictures`: the first front cover, else the first.
const TagPicture* shownPicture(const std::vector<TagPicture>& pictures) {
    const auto front = std::find_if(pictures.begin(), pictures.end(),
                                    [](const TagPicture& p) { return p.type == kFrontCoverType; });
    return front != pictures.end() ? &*front : pictures.empty() ? nullptr : &pictures.front();
}

} // namespace

RewriteResult WriteAudioTagToFile(const std::string& path, AudioFormat format,
                                  const ItemTagFields& fields, const std::string& genreName,
                                  IRewriteBackups* backups) {
    const std::vector<NativeTagValues> values = valuesFor(format, fields, genreName);
    const auto edit = [&](TagLib::File& file) { return writeTags(format, file, values); };
    const auto check = [&](TagLib::File& before, TagLib::File& after, std::string& reason) {
        const std::vector<NativeTagValues> read = readTags(format, after);
        for (std::size_t i = 0; i < values.size(); ++i)
            if (i >= read.size() || !readsBack(values[i], read[i], isId3Tag(format, i), reason))
                return false;
        if (!sameProperties(keptProperties(before), keptProperties(after)) ||
            pictureCount(format, before) != pictureCount(format, after)) {
            reason = "the new tag would lose fields the catalogue does not hold";
            return false;
        }
        return true;
    };
    return rewriteTags(path, format, edit, "the tag library could not write the tag", check,
                       backups);
}

RewriteResult RemoveAudioTags(const std::string& path, AudioFormat format,
                              IRewriteBackups* backups) {
    const auto edit = [&](TagLib::File& file) { return stripTags(format, file); };
    const auto check = [&](TagLib::File&, TagLib::File& after, std::string& reason) {
        const std::vector<NativeTagValues> read = readTags(format, after);
        if (!std::all_of(read.begin(), read.end(), isEmpty) || pictureCount(format, after) != 0) {
            reason = "tags remain";
            return false;
        }
        return true;
    };
    return rewriteTags(path, format, edit, "the tag library could not remove the tags", check,
                       backups);
}

RewriteResult WriteAudioFrontCover(const std::string& path, AudioFormat format,
                                   const std::optional<std::string>& image,
                                   const std::string& mimeType, IRewriteBackups* backups) {
    if (image && (format == AudioFormat::Aac || format == AudioFormat::Alac) &&
        mimeType != "image/jpeg" && mimeType != "image/png")
        return {false, "MP4 files take JPEG and PNG covers only"};
    std::vector<TagPicture> expected; // the pictures the new file must hold, in any order
    // Read when the edit fails, which may name a reason of its own.
    std::string failure = "the tag library could not write the pictures";
    const auto edit = [&](TagLib::File& file) {
        std::vector<TagPicture> pictures = ReadTagPictures(format, file);
        const std::vector<std::size_t> replaced =
            ReplacedPictures(format, pictures, image.has_value());
        if (!image && replaced.empty()) {
            failure = "the file has no embedded cover";
            return false;
        }
        for (auto it = replaced.rbegin(); it != replaced.rend(); ++it)
            pictures.erase(pictures.begin() + static_cast<std::ptrdiff_t>(*it));
        if (image)
            pictures.push_back({kFrontCoverType, *image});
        if (format == AudioFormat::Aac || format == AudioFormat::Alac) {
            // MP4 pictures have no kinds: the new cover goes first, and the first is the front.
            if (image)
                std::rotate(pictures.begin(), pictures.end() - 1, pictures.end());
            for (std::size_t i = 0; i < pictures.size(); ++i)
                pictures[i].type = i == 0 ? kFrontCoverType : 0;
        }
        expected = std::move(pictures);
        return ReplaceTagPictures(format, file, replaced, image, mimeType) &&
               savePictures(format, file);
    };
    const auto check = [&](TagLib::File& before, TagLib::File& after, std::string& reason) {
        const TagLib::PropertyMap old = before.properties();
        const TagLib::PropertyMap now = after.properties();
        if (!sameFields(old, now) || nonPictureData(old) != nonPictureData(now)) {
            reason = "the new tag would lose fields";
            return false;
        }
        std::vector<TagPicture> pictures = ReadTagPictures(format, after);
        const TagPicture* shown = shownPicture(pictures);
        if (image && (shown == nullptr || shown->data != *image)) {
            reason = "the new tag does not show the new cover";
            return false;
        }
        std::sort(pictures.begin(), pictures.end());
        std::vector<TagPicture> wanted = expected;
        std::sort(wanted.begin(), wanted.end());
        if (pictures != wanted) {
            reason = "the new tag reads back other pictures";
            return false;
        }
        return true;
    };
    return rewriteTags(path, format, edit, failure, check, backups);
}

} // namespace tunebay
