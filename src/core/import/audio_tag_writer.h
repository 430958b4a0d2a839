#pragma once

#include "files/file_rewrite.h"
#include "import/audio_format.h"
#include "import/tag_fields.h"
#include "text/translatable.h"

#include <optional>
#include <string>

namespace tunebay {

inline constexpr const char* kReasonReadOnlyFormat =
    TB_TRANSLATE_NOOP("Tunebay", "Monkey's Audio files are read only: there is no writer for them");

// Writes `fields` into the native tag of the file at `path` of container format `format` (Vorbis
// comments of FLAC, Ogg Vorbis and Opus; MP4 items; WAV's RIFF INFO list and ID3v2 chunk; AIFF's
// ID3v2 chunk; WavPack's APEv2 tag; ASF attributes) through RewriteFile: the file holds its old or
// its new contents, whole, whatever happens. The catalogue's fields go under the tag's own keys
// (the genre as `genreName`, in ID3 as "(n)"); an empty text leaves its field as it is, the
// package "Unknown" removes the album; every other field stays (cover art, ReplayGain,
// MusicBrainz ids, album artist, track numbers). Before the new contents stand they are checked:
// the audio unchanged, the written values reading back, every other field and picture still
// there. Refused with the reason for a file of another format, a damaged one, and Monkey's Audio.
RewriteResult WriteAudioTagToFile(const std::string& path, AudioFormat format,
                                  const ItemTagFields& fields, const std::string& genreName,
                                  IRewriteBackups* backups = nullptr);

// Removes every tag and picture of the file at `path` of container format `format` the same way;
// the audio is checked to be unchanged and the tag to read back empty. These formats have no
// version-1 tag to keep.
RewriteResult RemoveAudioTags(const std::string& path, AudioFormat format,
                              IRewriteBackups* backups = nullptr);

// Embeds `image` (its bytes as they are, of type `mimeType`) as the front cover of the file at
// `path` of container format `format`, in place of its front covers, or with none removes the
// picture a reader shows (the front covers, else the first picture); every other picture and field
// stays. Through RewriteFile, checked like a tag write: the audio unchanged, the pictures reading
// back as meant. MP4 takes JPEG and PNG only. Refused with the reason for another format, a damaged
// file, Monkey's Audio, and a removal from a file without a cover.
RewriteResult WriteAudioFrontCover(const std::string& path, AudioFormat format,
                                   const std::optional<std::string>& image,
                                   const std::string& mimeType, IRewriteBackups* backups = nullptr);

} // namespace tunebay
