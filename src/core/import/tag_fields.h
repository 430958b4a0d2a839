#pragma once

#include "import/media_file_info.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tunebay {

class MediaFileBytes;
struct Id3v2Frames;

// Description of the comment frames this program writes: the product web site's domain name, so
// that its own comment is found and replaced again without touching comments of other programs.
inline constexpr const char* kTagCommentDescription = "tunebay.org";

// The description under which tag writers that keep one frame list for both tag versions store
// the version-1 comment in version 2.
inline constexpr const char* kVersion1CommentDescription = "ID3v1 Comment";

// An item's catalogue fields as they go into a file's tag.
struct ItemTagFields {
    std::string title;
    std::string group;
    std::string package; // "Unknown" removes the album instead of writing it
    std::string publishTime;
    std::string comment;
    int32_t genre = kNoGenre; // kNoGenre (also for a missing genre) writes no genre
};

// The texts a tag holds for the catalogue's fields, as one tag format's reader found them; a
// field the tag does not hold is empty.
struct TagTexts {
    std::optional<std::string> title;
    std::optional<std::string> group; // the first of artist, album artist, performer, composer
    std::optional<std::string> package;
    std::optional<std::string> year;
    std::optional<std::string> comment;
    std::optional<std::string> genre; // a name, "(n)" or "n"
};

// Fills the tag fields of `info` from `texts`: a missing text leaves the field empty; a genre that
// starts with a number is read as the content type's number, any other as a name the import
// matches with the catalogue's genres.
void ApplyTagTexts(const TagTexts& texts, MediaFileInfo& info);

// Reads title, group, package, publishTime, comment and genre of `info` from the ID3 tags of
// `path`: version 2 before version 1 when `useId3v2` is set, version 1 alone otherwise. Returns 0,
// or kStatusFailed when the file cannot be opened or is empty.
int ReadTagFields(const std::string& path, MediaFileInfo& info, bool useId3v2);
int ReadTagFields(const MediaFileBytes& file, MediaFileInfo& info, bool useId3v2);

// The comment a version-2 tag holds: the first comment frame without a description, else the one
// under this program's description, else any other but the copy of the version-1 comment and
// music stores' loudness notes, else that copy. None when the tag has no comment frame.
std::optional<std::string> Version2Comment(const Id3v2Frames& tag);

// The genre number of a content-type text: "(n)" at its start, or a text of digits alone (the
// form version 2.4 uses and TagLib hands back for "(n)"); numbers above 125, and every other
// form, give kNoGenre.
int32_t GenreFromContentType(std::string_view text);

} // namespace tunebay
