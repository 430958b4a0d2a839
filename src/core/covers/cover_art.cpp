#include "covers/cover_art.h"

#include "files/file_bytes.h"
#include "import/audio_format.h"
#include "import/audio_tag_writer.h"
#include "import/id3_raw_tags.h"
#include "import/id3_tag_writer.h"
#include "import/id3v2_frames.h"
#include "import/media_file_bytes.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tunebay {

namespace {

namespace fs = std::filesystem;

std::string toBytes(const TagLib::ByteVector& data) {
    return std::string(data.data(), data.size());
}

std::optional<CoverArt> embedded(std::string bytes) {
    if (bytes.empty() || bytes.size() > kMaxCoverBytes)
        return std::nullopt;
    CoverArt cover;
    cover.source = CoverSource::Embedded;
    cover.mimeType = ImageMimeType(bytes);
    cover.bytes = std::move(bytes);
    return cover;
}

std::optional<CoverArt> fromId3v2(TagLib::ID3v2::Tag* tag) {
    if (tag == nullptr)
        return std::nullopt;
    const TagLib::ID3v2::FrameList& frames = tag->frameListMap()["APIC"];
    const TagLib::ID3v2::AttachedPictureFrame* chosen = nullptr;
    for (TagLib::ID3v2::Frame* frame : frames) {
        const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (picture == nullptr)
            continue;
        if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
            chosen = picture;
            break;
        }
        if (chosen == nullptr)
            chosen = picture;
    }
    return chosen != nullptr ? embedded(toBytes(chosen->picture())) : std::nullopt;
}

// An MP3's tag is read with the frame walker the tag writer uses: it reads damaged tags as far
// as they go and never loops on a header with an unknown version, as the tag library can.
std::optional<CoverArt> fromMpeg(const std::string& path) {
    const std::optional<RawId3Tags> raw = ReadRawId3Tags(path, true);
    if (!raw || raw->version2.empty())
        return std::nullopt;
    const Id3v2Frames tag = ReadId3v2Frames(raw->version2);
    std::optional<Id3v2Picture> chosen;
    for (const Id3v2Frame& frame : tag.frames) {
        if (frame.id != (tag.majorVersion == 2 ? "PIC" : "APIC"))
            continue;
        const std::optional<std::string> data =
            Id3v2FrameData(frame, tag.majorVersion, tag.unsynchronised);
        std::optional<Id3v2Picture> picture =
            data ? DecodeId3v2Picture(*data, tag.majorVersion) : std::nullopt;
        if (!picture)
            continue;
        if (picture->type == 3) {
            chosen = std::move(picture);
            break;
        }
        if (!chosen)
            chosen = std::move(picture);
    }
    return chosen ? embedded(std::move(chosen->image)) : std::nullopt;
}

std::optional<CoverArt> fromFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
    const TagLib::FLAC::Picture* chosen = nullptr;
    for (const TagLib::FLAC::Picture* picture : pictures) {
        if (picture->type() == TagLib::FLAC::Picture::FrontCover) {
            chosen = picture;
            break;
        }
        if (chosen == nullptr)
            chosen = picture;
    }
    return chosen != nullptr ? embedded(toBytes(chosen->data())) : std::nullopt;
}

std::optional<CoverArt> fromApe(TagLib::APE::Tag* tag) {
    if (tag == nullptr)
        return std::nullopt;
    const TagLib::APE::ItemListMap& items = tag->itemListMap();
    const auto it = items.find("COVER ART (FRONT)");
    if (it == items.end())
        return std::nullopt;
    // A file name, a zero byte, then the picture.
    const TagLib::ByteVector value = it->second.binaryData();
    const int zero = value.find('\0');
    if (zero < 0)
        return std::nullopt;
    return embedded(toBytes(value.mid(static_cast<unsigned int>(zero) + 1)));
}

std::optional<CoverArt> fromMp4(TagLib::MP4::Tag* tag) {
    if (tag == nullptr || !tag->contains("covr"))
        return std::nullopt;
    const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
    if (covers.isEmpty())
        return std::nullopt;
    return embedded(toBytes(covers.front().data()));
}

std::optional<CoverArt> fromAsf(TagLib::ASF::Tag* tag) {
    if (tag == nullptr || !tag->contains("WM/Picture"))
        return std::nullopt;
    std::optional<TagLib::ASF::Picture> chosen;
    for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
        const TagLib::ASF::Picture picture = attribute.toPicture();
        if (!picture.isValid())
            continue;
        if (picture.type() == TagLib::ASF::Picture::FrontCover) {
            chosen = picture;
            break;
        }
        if (!chosen)
            chosen = picture;
    }
    return chosen ? embedded(toBytes(chosen->picture())) : std::nullopt;
}

std::optional<CoverArt> readEmbedded(const std::string& path, AudioFormat format) {
    const char* name = path.c_str();
    switch (format) {
    case AudioFormat::None:
    case AudioFormat::Mpeg:
        return fromMpeg(path);
    case AudioFormat::Flac: {
        TagLib::FLAC::File file(name, false);
        return file.isValid() ? fromFlacPictures(file.pictureList()) : std::nullopt;
    }
    case AudioFormat::OggVorbis: {
        TagLib::Ogg::Vorbis::File file(name, false);
        return file.isValid() && file.tag() != nullptr ? fromFlacPictures(file.tag()->pictureList())
                                                       : std::nullopt;
    }
    case AudioFormat::Opus: {
        TagLib::Ogg::Opus::File file(name, false);
        return file.isValid() && file.tag() != nullptr ? fromFlacPictures(file.tag()->pictureList())
                                                       : std::nullopt;
    }
    case AudioFormat::Aac:
    case AudioFormat::Alac: {
        TagLib::MP4::File file(name, false);
        return file.isValid() ? fromMp4(file.tag()) : std::nullopt;
    }
    case AudioFormat::Wav: {
        TagLib::RIFF::WAV::File file(name, false);
        return file.isValid() && file.hasID3v2Tag() ? fromId3v2(file.ID3v2Tag()) : std::nullopt;
    }
    case AudioFormat::Aiff: {
        TagLib::RIFF::AIFF::File file(name, false);
        return file.isValid() && file.hasID3v2Tag() ? fromId3v2(file.tag()) : std::nullopt;
    }
    case AudioFormat::WavPack: {
        TagLib::WavPack::File file(name, false);
        return file.isValid() ? fromApe(file.APETag()) : std::nullopt;
    }
    case AudioFormat::MonkeysAudio: {
        TagLib::APE::File file(name, false);
        return file.isValid() ? fromApe(file.APETag()) : std::nullopt;
    }
    case AudioFormat::Wma: {
        TagLib::ASF::File file(name, false);
        return file.isValid() ? fromAsf(file.tag()) : std::nullopt;
    }
    }
    return std::nullopt;
}

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::string ImageMimeType(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xD8\xFF"))
        return "image/jpeg";
    if (bytes.starts_with("\x89PNG\r\n\x1A\n"))
        return "image/png";
    if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP")
        return "image/webp";
    if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a"))
        return "image/gif";
    return {};
}

std::string ImageExtension(std::string_view mimeType) {
    if (mimeType == "image/jpeg")
        return ".jpg";
    if (mimeType == "image/png")
        return ".png";
    if (mimeType == "image/webp")
        return ".webp";
    if (mimeType == "image/gif")
        return ".gif";
    return ".img";
}

std::optional<std::string> ReadImageFile(const std::string& path, std::string& reason) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        reason = error ? error.message() : "not a file";
        return std::nullopt;
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        reason = error.message();
        return std::nullopt;
    }
    if (size > kMaxCoverBytes) {
        reason = "the picture is larger than 32 MB";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        reason = SystemReason(errno);
        return std::nullopt;
    }
    if (ImageMimeType(bytes).empty()) {
        reason = "not a JPEG, PNG, WebP or GIF picture";
        return std::nullopt;
    }
    return bytes;
}

std::optional<CoverArt> ReadEmbeddedCover(const std::string& path) {
    std::error_code error;
    // A FIFO or a device named like a music file would block the tag library.
    if (!fs::is_regular_file(path, error))
        return std::nullopt;
    AudioFormat format = AudioFormat::None;
    {
        const MediaFileBytes file(path);
        if (!file.IsOpen())
            return std::nullopt;
        format = DetectContainerFormat(file);
    }
    try {
        return readEmbedded(path, format);
    } catch (const std::exception&) {
        return std::nullopt; // a picture the tag library could not allocate
    }
}

std::string FindFolderCover(const std::string& audioPath) {
    static constexpr std::array<std::string_view, 3> kNames = {"cover", "folder", "front"};
    static constexpr std::array<std::string_view, 4> kExtensions = {".jpg", ".jpeg", ".png",
                                                                    ".webp"};
    std::error_code error;
    fs::directory_iterator it(fs::path(audioPath).parent_path(), error);
    std::string best;
    std::size_t bestRank = kNames.size() * kExtensions.size();
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::path& candidate = it->path();
        const std::string stem = lowerAscii(candidate.stem().string());
        const std::string extension = lowerAscii(candidate.extension().string());
        for (std::size_t n = 0; n < kNames.size(); ++n) {
            if (stem != kNames[n])
                continue;
            for (std::size_t e = 0; e < kExtensions.size(); ++e) {
                const std::size_t rank = n * kExtensions.size() + e;
                std::error_code typeError;
                if (extension == kExtensions[e] && rank < bestRank &&
                    fs::is_regular_file(candidate, typeError)) {
                    best = candidate.string();
                    bestRank = rank;
                }
            }
        }
    }
    return best;
}

CoverArt ReadCover(const std::string& path) {
    if (std::optional<CoverArt> cover = ReadEmbeddedCover(path))
        return std::move(*cover);
    const std::string folderFile = FindFolderCover(path);
    if (folderFile.empty())
        return {};
    std::string reason;
    std::optional<std::string> bytes = ReadImageFile(folderFile, reason);
    if (!bytes)
        return {};
    CoverArt cover;
    cover.source = CoverSource::FolderFile;
    cover.mimeType = ImageMimeType(*bytes);
    cover.bytes = std::move(*bytes);
    cover.folderFile = folderFile;
    return cover;
}

RewriteResult SetEmbeddedCover(const std::string& path, const std::optional<std::string>& image,
                               IRewriteBackups* backups) {
    std::string mimeType;
    if (image) {
        mimeType = ImageMimeType(*image);
        if (mimeType.empty())
            return {false, "the picture is not a JPEG, PNG, WebP or GIF image"};
        if (image->size() > kMaxCoverBytes)
            return {false, "the picture is larger than 32 MB"};
    }
    AudioFormat format = AudioFormat::None;
    {
        const MediaFileBytes file(path);
        if (!file.IsOpen())
            return {false, "the file cannot be read"};
        format = DetectContainerFormat(file);
    }
    if (format == AudioFormat::None || format == AudioFormat::Mpeg)
        return WriteId3FrontPicture(path, image, mimeType, backups);
    return WriteAudioFrontCover(path, format, image, mimeType, backups);
}

} // namespace tunebay
