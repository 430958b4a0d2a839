#pragma once

#include "import/media_file_info.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tunebay {

class MediaFileBytes;

// Description of the comment frames this program writes: the product web site's domain name, so
// that its own comment is found and replaced again without touching comments of other programs.
inline constexpr const char* kTagCommentDescription = "tunebay.org";

// An item's catalogue fields as they go into a file's tag.
struct ItemTagFields {
    std::string title;
    std::string group;
    std::string package; // "Unknown" removes the album instead of writing it
    std::string publishTime;
    std::string comment;
    int32_t genre = kNoGenre; // kNoGenre (also for a missing genre) writes no genre
};

// Reads title, group, package, publishTime, comment and genre of `info` from the ID3 tags of
// `path`: version 2 before version 1 when `useId3v2` is set, version 1 alone otherwise. Returns 0,
// or kStatusFailed when the file cannot be opened or is empty.
int ReadTagFields(const std::string& path, MediaFileInfo& info, bool useId3v2);
int ReadTagFields(const MediaFileBytes& file, MediaFileInfo& info, bool useId3v2);

// Writes `fields` into the tag of `path`: an ID3v2.3 tag (the version-1 tag is removed, its track
// number carried over) when `useId3v2` is set, a version-1 tag alone otherwise. An empty text
// leaves the frame of its kind as it is. Returns 0, or kStatusFailed when nothing was written.
int WriteTagToFile(const std::string& path, const ItemTagFields& fields, bool useId3v2);

// The genre number of a content-type text: "(n)" at its start, or a text of digits alone (the
// form version 2.4 uses and TagLib hands back for "(n)"); numbers above 125, and every other
// form, give kNoGenre.
int32_t GenreFromContentType(std::string_view text);

} // namespace tunebay
