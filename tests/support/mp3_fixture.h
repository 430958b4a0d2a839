#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Builders for MP3 files made from bytes: MPEG audio frame headers, Xing frames, ID3 version-1
// and version-2 tags. Every function returns raw bytes in a std::string; texts are given in UTF-8
// and converted to the encoding asked for.
namespace tunebay::test {

// Field values as they stand in the header word (not decoded numbers).
struct FrameHeader {
    int version = 3;         // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5, 1 reserved
    int layer = 1;           // 3 Layer I, 2 Layer II, 1 Layer III, 0 reserved
    int bitrateIndex = 9;    // 128 kbit/s for MPEG-1 Layer III
    int sampleRateIndex = 0; // 44100 Hz for MPEG-1
    int channelMode = 0;     // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    bool padding = false;
    int emphasis = 0;
};

uint32_t headerWord(const FrameHeader& header);
std::string headerBytes(const FrameHeader& header);

// The real size of a frame with this header in bytes (0 for reserved values), for streams that
// decoders and TagLib accept.
int frameLength(const FrameHeader& header);

// `count` frames of the header's real length, silent (zero) payload.
std::string audioFrames(const FrameHeader& header, int count);

// Where the Xing header stands after the start of its frame.
int xingOffset(const FrameHeader& header);

// A frame of the header's real length carrying a Xing header. `frames` set: flag bit 0 and the
// count; `bytes` set: flag bit 1 and the byte count.
std::string xingFrame(const FrameHeader& header, std::optional<uint32_t> frames,
                      std::optional<uint32_t> bytes = std::nullopt);

struct Id3v1Fields {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    int track = 0; // 0: a version 1.0 tag with a 30-byte comment
    int genre = 255;
};

// The 128-byte tag; texts in Latin-1, cut or padded with zeros to their field widths.
std::string id3v1Tag(const Id3v1Fields& fields);

enum class TextEncoding : uint8_t { Latin1 = 0, Utf16 = 1, Utf16BigEndian = 2, Utf8 = 3 };

// `text` (UTF-8) in `encoding`, UTF-16 with a byte-order mark; without terminator.
std::string encodeText(const std::string& text, TextEncoding encoding);

// A frame of an ID3v2 tag of `majorVersion` (2, 3 or 4); `id` has 3 characters for version 2.
std::string id3v2Frame(int majorVersion, const std::string& id, const std::string& body);
std::string id3v2TextFrame(int majorVersion, const std::string& id, const std::string& text,
                           TextEncoding encoding = TextEncoding::Latin1);
std::string id3v2CommentFrame(int majorVersion, const std::string& description,
                              const std::string& text, TextEncoding encoding = TextEncoding::Latin1,
                              const std::string& language = "eng");

// A tag of the given frames followed by `padding` zero bytes.
std::string id3v2Tag(int majorVersion, const std::vector<std::string>& frames, size_t padding = 0);

// The text frames of a typical tag, by version.
struct Id3v2Fields {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    std::string genre; // content-type text as written, for example "(17)"
    std::string track;
};
std::string id3v2TagFromFields(int majorVersion, const Id3v2Fields& fields,
                               TextEncoding encoding = TextEncoding::Latin1, size_t padding = 0);

// A whole file: the leading ID3v2 tag bytes (may be empty), `frameCount` frames and an optional
// closing version-1 tag.
struct Mp3Recipe {
    FrameHeader header;
    int frameCount = 40;
    bool vbr = false; // the first frame carries a Xing header counting the frames
    std::string id3v2;
    std::optional<Id3v1Fields> id3v1;
};
std::string makeMp3(const Mp3Recipe& recipe);

// One frame of a parsed ID3v2 tag.
struct Id3v2FrameData {
    std::string id;
    std::string body;
};

// The frames of the version 2.3 or 2.4 tag at the start of `bytes` (no unsynchronisation, no
// extended header), and its major version; no frames and version 0 when there is no such tag.
std::vector<Id3v2FrameData> parseId3v2Frames(const std::string& bytes, int* majorVersion = nullptr);

// The text of a text frame body (encoding byte and text) in UTF-8, without terminators.
std::string decodeTextFrame(const std::string& body);

} // namespace tunebay::test
