#pragma once

#include "files/file_rewrite.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tunebay {

// A picture larger than this is not taken for a cover: a tag claiming more is damaged or hostile.
inline constexpr std::size_t kMaxCoverBytes = 32u * 1024u * 1024u;

enum class CoverSource {
    None,
    Embedded,   // a picture in the file's tag
    FolderFile, // cover.*, folder.* or front.* beside the file
};

// An item's cover: its bytes as they are stored (never re-encoded) and where they came from.
struct CoverArt {
    CoverSource source = CoverSource::None;
    std::string bytes;
    std::string mimeType;   // from the bytes: image/jpeg, image/png, image/webp, image/gif or ""
    std::string folderFile; // the picture file's path for a folder cover
};

// The embedded front picture of the audio file at `path`: ID3v2 picture type 3, else its first
// picture (MPEG, WAV, AIFF); FLAC PICTURE blocks; MP4 `covr`; Vorbis and Opus
// METADATA_BLOCK_PICTURE; ASF WM/Picture; APEv2 "Cover Art (Front)". Read only; none for a file
// that holds none or cannot be read.
std::optional<CoverArt> ReadEmbeddedCover(const std::string& path);

// The picture file beside `audioPath` that stands for its folder: cover, folder, then front, each
// as .jpg, .jpeg, .png, then .webp, names compared without case. Empty when there is none.
std::string FindFolderCover(const std::string& audioPath);

// The cover of the audio file at `path`: the embedded one, else the folder's. Source None when
// there is neither.
CoverArt ReadCover(const std::string& path);

// The picture type of `bytes` by their first bytes ("" when none of those above).
std::string ImageMimeType(std::string_view bytes);

// The whole content of a picture file, at most kMaxCoverBytes; none with `reason` set when it
// cannot be read, is too large or is no picture of those above.
std::optional<std::string> ReadImageFile(const std::string& path, std::string& reason);

// The usual extension (with the dot) of a picture of `mimeType`; ".img" for another.
std::string ImageExtension(std::string_view mimeType);

// Embeds `image` (its bytes as they are) as the front cover of the audio file at `path`, or with
// none removes the picture ReadEmbeddedCover would show, every other part of the tag kept, through
// RewriteFile. MP4 takes JPEG and PNG only; Monkey's Audio files, which have no writer, are refused
// with the reason.
RewriteResult SetEmbeddedCover(const std::string& path, const std::optional<std::string>& image,
                               IRewriteBackups* backups = nullptr);

} // namespace tunebay
