#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// One frame of an ID3v2 tag as it stands in the tag: id, flags and body bytes, unchanged.
struct Id3v2Frame {
    std::string id; // three characters in a version 2.2 tag, four otherwise
    uint16_t flags = 0;
    std::string body;
};

// The frames of an ID3v2 tag, read the way tolerant readers read them: a frame whose id is not
// one, or that holds no data, is stepped over by its size instead of ending the tag, and a
// version 2.4 tag whose sizes were written without the synchsafe coding is read with the coding
// that fits its frames. What was stepped over makes the tag damaged: a tag library that stops
// there would lose every frame behind it, so such a tag is never written back.
struct Id3v2Frames {
    int majorVersion = 0;        // 2, 3 or 4; 0 when the bytes hold no tag
    bool unsynchronised = false; // version 2.4: the data of every frame is unsynchronised
    std::vector<Id3v2Frame> frames;
    bool damaged = false;
    std::string damage; // what was found, for messages ("" when not damaged)

    // The first frame with one of these ids (a version 2.2 id and its later form may both be
    // given), or none.
    const Id3v2Frame* Find(std::string_view id) const;
};

// `tag` is the whole tag, header included, as it stands at the start of a file (a tag cut short
// by the end of the file reads as far as it goes).
Id3v2Frames ReadId3v2Frames(std::string_view tag);

// The bytes of a frame's data with its own coding undone: unsynchronisation removed, a data
// length indicator or a grouping byte skipped. None for compressed or encrypted frames.
std::optional<std::string> Id3v2FrameData(const Id3v2Frame& frame, int majorVersion,
                                          bool tagUnsynchronised = false);

// `bytes` with the unsynchronisation undone (each 0xFF 0x00 pair back to 0xFF).
std::string ResynchronisedId3Data(std::string_view bytes);

// Texts of a text frame's data (encoding byte, then texts separated by terminators), in UTF-8.
// ISO-8859-1 reads as Windows-1252 at 0x80..0x9F, as the taggers that wrote it meant; UTF-16
// without a byte-order mark reads as little-endian, as other readers read it.
std::vector<std::string> DecodeId3v2Texts(std::string_view data);

// A comment frame's data: language, description and text, in UTF-8.
struct Id3v2Comment {
    std::string language;
    std::string description;
    std::string text;
};
std::optional<Id3v2Comment> DecodeId3v2Comment(std::string_view data);

// A picture frame's data (APIC, or PIC in a version 2.2 tag): picture type and image bytes.
struct Id3v2Picture {
    int type = 0;         // 3 is the front cover
    std::string mimeType; // as written ("JPG", "PNG" in version 2.2)
    std::string image;
};
std::optional<Id3v2Picture> DecodeId3v2Picture(std::string_view data, int majorVersion);

// A frame for `majorVersion` (id of the right length), its size coded as that version codes it.
std::string RenderId3v2Frame(const Id3v2Frame& frame, int majorVersion);

// The size a tag header gives (body only) and whether it has a footer; none when `header` is not
// a well-formed ID3v2 header.
struct Id3v2HeaderFacts {
    int majorVersion = 0;
    uint8_t flags = 0;
    std::size_t bodySize = 0;
    std::size_t totalSize = 0; // header, body and footer
};
std::optional<Id3v2HeaderFacts> ReadId3v2Header(std::string_view header);

} // namespace tunebay
