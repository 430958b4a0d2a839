#pragma once

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

// The catalogue's fields in one native tag, as the tag kind's own keys hold them (a genre by name,
// or "(n)" in ID3). To write: none leaves the field as it is, an empty text removes it. As read:
// none for a field the tag does not hold.
struct NativeTagValues {
    std::optional<std::string> title;
    std::optional<std::string> artist;
    std::optional<std::string> album;
    std::optional<std::string> date;
    std::optional<std::string> genre;
    std::optional<std::string> comment;
};

// One writer per tag kind (each in a source of its own): the catalogue's fields go under their
// keys, every other field of the tag stays as it is.
void WriteXiphComment(TagLib::Ogg::XiphComment& tag, const NativeTagValues& values);
NativeTagValues ReadXiphComment(const TagLib::Ogg::XiphComment& tag);
void WriteMp4Tag(TagLib::MP4::Tag& tag, const NativeTagValues& values);
NativeTagValues ReadMp4Tag(const TagLib::MP4::Tag& tag);
void WriteApeTag(TagLib::APE::Tag& tag, const NativeTagValues& values);
NativeTagValues ReadApeTag(const TagLib::APE::Tag& tag);
void WriteAsfTag(TagLib::ASF::Tag& tag, const NativeTagValues& values);
NativeTagValues ReadAsfTag(const TagLib::ASF::Tag& tag);
void WriteRiffInfo(TagLib::RIFF::Info::Tag& tag, const NativeTagValues& values);
NativeTagValues ReadRiffInfo(const TagLib::RIFF::Info::Tag& tag);
// The ID3v2 tag of a WAV or AIFF chunk: texts Latin-1 cannot hold go as UTF-16, the comment
// without a description is the catalogue's.
void WriteId3v2Chunk(TagLib::ID3v2::Tag& tag, const NativeTagValues& values);
NativeTagValues ReadId3v2Chunk(const TagLib::ID3v2::Tag& tag);

// Makes the tag library read RIFF INFO texts as UTF-8 where they are valid UTF-8 (Latin-1
// otherwise) and write them as UTF-8, as today's programs do. Idempotent.
void UseUtf8RiffInfoTexts();

// A catalogue text for the tag library (read back with FirstText of native_tag_texts.h).
TagLib::String TagLibText(const std::string& text);

} // namespace tunebay
