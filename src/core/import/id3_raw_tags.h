#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tunebay {

class MediaFileBytes;

// The ID3 tags of a file as bytes: the version-2 tag at its start (or, in a file of other data,
// the first one within its first 64 KB) and the version-1 tag in its last 128 bytes. Nothing else
// is read, so a large file costs no more than a small one.
struct RawId3Tags {
    std::string version2; // header and body, ready for the tag library; empty when none
    std::string version1; // the 128 bytes beginning with "TAG"; empty when none
};

// None when the file cannot be opened or is not a regular file. A version-2 tag whose size runs
// past the end of the file is taken as far as it goes.
std::optional<RawId3Tags> ReadRawId3Tags(const std::string& path, bool withVersion2);
std::optional<RawId3Tags> ReadRawId3Tags(const MediaFileBytes& file, bool withVersion2);

// A version 2.3 tag whose extended header is removed (its size counts differently from version
// 2.4, and the tag library reads it the version-2.4 way, losing every frame behind it). A tag
// unsynchronised as a whole is resynchronised first, as the extended header lies inside it. Other
// tags are returned unchanged.
std::string WithoutVersion23ExtendedHeader(std::string tag);

// The fields of a version-1 tag, in UTF-8 with spaces and zeros removed at both ends.
struct Id3v1Text {
    std::string title;
    std::string artist;
    std::string album;
    std::string year; // as written: "0099" stays "0099"
    std::string comment;
    int genre = 255; // the genre byte
};
Id3v1Text ParseId3v1(std::string_view tag);

} // namespace tunebay
