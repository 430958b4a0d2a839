#pragma once

#include "files/file_rewrite.h"
#include "import/tag_fields.h"
#include "text/translatable.h"

#include <optional>
#include <string>
#include <string_view>

namespace tunebay {

// The reason given for a file whose tag is damaged so that a tag library would lose frames of it.
inline constexpr const char* kReasonTagIncomplete =
    TB_TRANSLATE_NOOP("Tunebay", "tag could not be read completely");
inline constexpr const char* kReasonNotMpeg = TB_TRANSLATE_NOOP("Tunebay", "not MPEG audio");

// Writes `fields` into the tag of the MPEG audio file at `path`, through RewriteFile: the file
// holds its old or its new contents, whole, whatever happens, and the new ones are checked (the
// audio frames unchanged, the tag reading back with the written values) before they stand.
//
// With `useId3v2`, the version-2 tag is changed frame by frame: the frames of the catalogue's
// fields are replaced, every other frame stays as it is, and the tag keeps its version (a new tag
// is version 2.3); texts that Latin-1 cannot hold are written as UTF-16. The version-1 tag is
// removed, its track number carried over when version 2 has none. Without, the version-1 tag alone
// is written (Windows-1252, other characters transliterated or replaced by "?"). An empty text
// leaves its field as it is; the package "Unknown" removes the album.
//
// Refused, with the reason, for a file that is not MPEG audio and for a version-2 tag that could
// not be read completely (frames would be lost).
RewriteResult WriteTagToFile(const std::string& path, const ItemTagFields& fields, bool useId3v2,
                             IRewriteBackups* backups = nullptr);

// Removes the tags of the MPEG audio file at `path` (ID3v2 in front; APE, Lyrics3 and ID3v1
// behind), all of them or all but ID3v1, through RewriteFile; the audio frames are checked to be
// unchanged.
RewriteResult RemoveFileTags(const std::string& path, bool keepVersion1,
                             IRewriteBackups* backups = nullptr);

// Puts `image` (bytes as they are, of `mimeType`) into the version-2 tag of the MPEG audio file at
// `path` as its front cover, through RewriteFile: pictures of type 3 (front cover) are replaced by
// it, where the first of them stood; without one it is added at the end. With no image, the
// pictures a reader would show as the cover go: those of type 3, else the first picture; a file
// without one is refused. Every other frame stays as it is and the tag keeps its version; the audio
// frames and the pictures are checked before the new file stands. Refused like WriteTagToFile.
RewriteResult WriteId3FrontPicture(const std::string& path, const std::optional<std::string>& image,
                                   const std::string& mimeType, IRewriteBackups* backups = nullptr);

// `text` (UTF-8) as Windows-1252 bytes for a version-1 field: letters the code page lacks lose
// their marks ("Ł" stays "?", "ő" becomes "o"), anything else becomes "?"; never empty for a
// text that is not.
std::string Version1FieldText(std::string_view text);

} // namespace tunebay
