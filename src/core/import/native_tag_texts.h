#pragma once

#include "import/tag_fields.h"

#include <initializer_list>
#include <optional>
#include <string>

namespace TagLib {
class String;
class StringList;
namespace Ogg {
class XiphComment;
}
namespace MP4 {
class Tag;
}
namespace APE {
class Tag;
}
namespace ASF {
class Tag;
}
namespace RIFF::Info {
class Tag;
}
namespace ID3v2 {
class Tag;
}
} // namespace TagLib

namespace tunebay {

// The catalogue's fields from each native tag kind the tag library reads, one reader per kind
// (each in a source of its own). The group is the first of artist, album artist, performer and
// composer the tag holds, in the order ID3 readers take them; a field's first non-empty value
// counts.
TagTexts XiphCommentTexts(const TagLib::Ogg::XiphComment& tag); // FLAC, Ogg Vorbis, Opus
TagTexts Mp4TagTexts(const TagLib::MP4::Tag& tag);
TagTexts ApeTagTexts(const TagLib::APE::Tag& tag); // WavPack, Monkey's Audio
TagTexts AsfTagTexts(const TagLib::ASF::Tag& tag);
TagTexts RiffInfoTexts(const TagLib::RIFF::Info::Tag& tag); // WAV's INFO list
TagTexts Id3v2TagTexts(const TagLib::ID3v2::Tag& tag);      // WAV and AIFF chunks, FLAC

// Each field of `first` where it has one, else that of `second`: several tags of one file read
// as one.
TagTexts MergeTagTexts(TagTexts first, const TagTexts& second);

// The first non-empty text of `values`, as UTF-8; none when every one is empty.
std::optional<std::string> FirstText(const TagLib::StringList& values);
std::optional<std::string> FirstText(const TagLib::String& value);

// The first of several candidates that holds a text.
std::optional<std::string> FirstOf(std::initializer_list<std::optional<std::string>> candidates);

} // namespace tunebay
