#include "import/id3_tag_writer.h"

#include "import/id3_raw_tags.h"
#include "import/id3v2_frames.h"
#include "import/media_file_bytes.h"
#include "import/mpeg_header_reader.h"
#include "import/mpeg_layout.h"
#include "text/utf8_text.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace tunebay {

namespace {

constexpr std::size_t kVersion1Size = 128;
constexpr std::size_t kPadding = 1024;
constexpr const char* kUnknown = "Unknown";

// The frames a write touches, by tag version.
struct WrittenIds {
    const char* title;
    const char* artist;
    const char* album;
    std::array<const char*, 2> years; // the one the catalogue's year was read from comes first
    const char* comment;
    const char* genre;
    const char* track;
};

constexpr WrittenIds kVersion22{"TT2", "TP1", "TAL", {"TYE", "TRD"}, "COM", "TCO", "TRK"};
constexpr WrittenIds kVersion23{"TIT2", "TPE1", "TALB", {"TYER", "TDRC"}, "COMM", "TCON", "TRCK"};
constexpr WrittenIds kVersion24{"TIT2", "TPE1", "TALB", {"TDRC", "TYER"}, "COMM", "TCON", "TRCK"};

const WrittenIds& idsFor(int majorVersion) {
    return majorVersion == 2 ? kVersion22 : majorVersion == 4 ? kVersion24 : kVersion23;
}

// Windows-1252 at 0x80..0x9F, by byte.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Code points of a catalogue text; bytes that are not UTF-8 stand for their Windows-1252 letters,
// as they were read.
std::u32string codePointsOf(std::string_view text) {
    std::u32string points = DecodeUtf8(text);
    for (char32_t& c : points)
        if (IsEscapedByte(c)) {
            const auto byte = static_cast<unsigned char>(c - kEscapedByteBase);
            c = byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : byte;
        }
    return points;
}

std::optional<char> windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kWindows1252High.size(); ++i)
        if (kWindows1252High[i] == c && c > 0xFF)
            return static_cast<char>(0x80 + i);
    return std::nullopt;
}

// The compatibility decomposition of one code point, without its combining marks.
std::u32string withoutMarks(char32_t c) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfkd = unorm2_getNFKDInstance(&status);
    if (U_FAILURE(status))
        return {};
    UChar source[2];
    int32_t sourceLength = 0;
    if (c > 0xFFFF) {
        source[0] = static_cast<UChar>(0xD7C0 + (c >> 10));
        source[1] = static_cast<UChar>(0xDC00 | (c & 0x3FF));
        sourceLength = 2;
    } else {
        source[0] = static_cast<UChar>(c);
        sourceLength = 1;
    }
    UChar decomposed[32];
    const int32_t length = unorm2_normalize(nfkd, source, sourceLength, decomposed, 32, &status);
    if (U_FAILURE(status))
        return {};
    std::u32string result;
    for (int32_t i = 0; i < length; ++i) {
        const char32_t unit = decomposed[i];
        // Combining marks (U+0300..U+036F and the like) are what the code page cannot hold.
        if ((unit >= 0x0300 && unit <= 0x036F) || (unit >= 0x1AB0 && unit <= 0x1AFF) ||
            (unit >= 0x1DC0 && unit <= 0x1DFF) || (unit >= 0x20D0 && unit <= 0x20FF) ||
            (unit >= 0xFE20 && unit <= 0xFE2F) || (unit >= 0xD800 && unit <= 0xDFFF))
            continue;
        result.push_back(unit);
    }
    return result;
}

bool fitsLatin1(const std::u32string& points) {
    return std::all_of(points.begin(), points.end(), [](char32_t c) { return c <= 0xFF; });
}

void appendUtf16(std::string& out, const std::u32string& points) {
    auto unit = [&out](char32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>((u >> 8) & 0xFF));
    };
    for (const char32_t c : points) {
        if (c > 0xFFFF) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
}

// Encoding byte and text for a frame: ISO-8859-1 where it suffices (what every reader knows),
// else UTF-16 with a byte-order mark.
std::string encodedText(const std::u32string& points, bool terminated) {
    std::string out;
    if (fitsLatin1(points)) {
        for (const char32_t c : points)
            out.push_back(static_cast<char>(c));
        if (terminated)
            out.push_back('\0');
    } else {
        out += "\xFF\xFE";
        appendUtf16(out, points);
        if (terminated)
            out += std::string(2, '\0');
    }
    return out;
}

std::string textFrameBody(std::string_view text) {
    const std::u32string points = codePointsOf(text);
    return std::string(1, fitsLatin1(points) ? '\0' : '\1') + encodedText(points, false);
}

std::string commentFrameBody(std::string_view language, std::string_view text) {
    const std::u32string points = codePointsOf(text);
    std::string body;
    if (fitsLatin1(points)) {
        body = std::string(1, '\0') + std::string(language) + std::string(1, '\0');
    } else {
        // An empty description with its own byte-order mark, then the text.
        body = std::string(1, '\1') + std::string(language) + "\xFF\xFE" + std::string(2, '\0');
    }
    return body + encodedText(points, false);
}

// Puts `body` under `id`: the first frame of that id takes it (where it stands, its flags reset),
// later ones go; without one, the frame is added at the end.
void setFrame(std::vector<Id3v2Frame>& frames, const std::string& id, std::string body) {
    bool placed = false;
    for (auto it = frames.begin(); it != frames.end();) {
        if (it->id != id) {
            ++it;
        } else if (!placed) {
            it->flags = 0;
            it->body = std::move(body);
            placed = true;
            ++it;
        } else {
            it = frames.erase(it);
        }
    }
    if (!placed)
        frames.push_back({id, 0, std::move(body)});
}

void removeFrames(std::vector<Id3v2Frame>& frames, const std::string& id) {
    std::erase_if(frames, [&id](const Id3v2Frame& frame) { return frame.id == id; });
}

bool hasFrame(const std::vector<Id3v2Frame>& frames, const std::string& id) {
    return std::any_of(frames.begin(), frames.end(),
                       [&id](const Id3v2Frame& frame) { return frame.id == id; });
}

// The comment replaces the frame without a description and this program's own; comments other
// programs described stay.
void setComment(std::vector<Id3v2Frame>& frames, int majorVersion, const std::string& text) {
    const std::string id = idsFor(majorVersion).comment;
    std::optional<std::size_t> place;
    std::string language = "eng";
    for (std::size_t i = 0; i < frames.size();) {
        std::optional<Id3v2Comment> comment;
        if (frames[i].id == id)
            if (auto data = Id3v2FrameData(frames[i], majorVersion))
                comment = DecodeId3v2Comment(*data);
        if (comment &&
            (comment->description.empty() || comment->description == kTagCommentDescription)) {
            if (!place) {
                place = i;
                if (comment->language.size() == 3 && comment->language != std::string(3, '\0'))
                    language = comment->language;
            }
            frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        ++i;
    }
    Id3v2Frame frame{id, 0, commentFrameBody(language, text)};
    frames.insert(frames.begin() + static_cast<std::ptrdiff_t>(place.value_or(frames.size())),
                  std::move(frame));
}

// The frames of the tag after the write.
std::vector<Id3v2Frame> editedFrames(std::vector<Id3v2Frame> frames, int majorVersion,
                                     const ItemTagFields& fields, int version1Track) {
    const WrittenIds& ids = idsFor(majorVersion);
    if (!fields.title.empty())
        setFrame(frames, ids.title, textFrameBody(fields.title));
    if (!fields.group.empty())
        setFrame(frames, ids.artist, textFrameBody(fields.group));
    if (fields.package == kUnknown)
        removeFrames(frames, ids.album);
    else if (!fields.package.empty())
        setFrame(frames, ids.album, textFrameBody(fields.package));
    if (!fields.publishTime.empty()) {
        const char* year = hasFrame(frames, ids.years[0]) || !hasFrame(frames, ids.years[1])
                               ? ids.years[0]
                               : ids.years[1];
        setFrame(frames, year, textFrameBody(fields.publishTime));
    }
    if (!fields.comment.empty())
        setComment(frames, majorVersion, fields.comment);
    if (fields.genre >= 0 && fields.genre < kNoGenre)
        setFrame(frames, ids.genre, textFrameBody("(" + std::to_string(fields.genre) + ")"));
    if (version1Track != 0 && !hasFrame(frames, ids.track))
        setFrame(frames, ids.track, textFrameBody(std::to_string(version1Track)));
    return frames;
}

std::string renderTag(const std::vector<Id3v2Frame>& frames, int majorVersion,
                      std::size_t oldTotalSize) {
    std::string body;
    for (const Id3v2Frame& frame : frames)
        body += RenderId3v2Frame(frame, majorVersion);
    // A tag that still fits keeps its size, so the audio does not move; a larger one gets room
    // to grow.
    const std::size_t total =
        10 + body.size() <= oldTotalSize ? oldTotalSize : 10 + body.size() + kPadding;
    const std::size_t size = total - 10;
    std::string tag = "ID3";
    tag.push_back(static_cast<char>(majorVersion));
    tag.push_back('\0');
    tag.push_back('\0');
    for (int shift = 21; shift >= 0; shift -= 7)
        tag.push_back(static_cast<char>((size >> shift) & 0x7F));
    tag += body;
    tag.resize(total, '\0');
    return tag;
}

// Version-1 tag bytes after the write; `old` is the file's tag or empty.
std::string editedVersion1(const std::string& old, const ItemTagFields& fields) {
    std::string tag = old.size() == kVersion1Size ? old : std::string(kVersion1Size, '\0');
    if (old.size() != kVersion1Size) {
        tag.replace(0, 3, "TAG");
        tag[127] = static_cast<char>(0xFF);
    }
    auto put = [&tag](std::size_t at, std::size_t width, const std::string& bytes) {
        std::string field = bytes.substr(0, width);
        field.resize(width, '\0');
        tag.replace(at, width, field);
    };
    if (!fields.title.empty())
        put(3, 30, Version1FieldText(fields.title));
    if (!fields.group.empty())
        put(33, 30, Version1FieldText(fields.group));
    if (fields.package == kUnknown)
        put(63, 30, "");
    else if (!fields.package.empty())
        put(63, 30, Version1FieldText(fields.package));
    if (!fields.publishTime.empty()) {
        std::string digits;
        for (const char c : fields.publishTime) {
            if (c < '0' || c > '9' || digits.size() == 4)
                break;
            digits.push_back(c);
        }
        put(93, 4, digits);
    }
    if (!fields.comment.empty()) {
        // Version 1.1 keeps the track number in the comment's last byte, behind a zero.
        const bool hasTrack = tag[125] == '\0' && tag[126] != '\0';
        put(97, hasTrack ? 28 : 30, Version1FieldText(fields.comment));
    }
    if (fields.genre >= 0 && fields.genre < kNoGenre)
        tag[127] = static_cast<char>(fields.genre);
    return tag;
}

int version1Track(const std::string& tag) {
    return tag.size() == kVersion1Size && tag[125] == '\0' ? static_cast<unsigned char>(tag[126])
                                                           : 0;
}

// The new file as three parts: bytes in front, a range of the original, bytes behind.
struct NewContents {
    std::string head;
    int64_t from = 0;
    int64_t to = 0;
    std::string tail;
};

bool writeContents(int original, int target, const NewContents& contents, std::string& reason) {
    if (!WriteAllBytes(target, contents.head) ||
        !AppendFileRange(original, contents.from, contents.to - contents.from, target) ||
        !WriteAllBytes(target, contents.tail)) {
        reason = SystemReason(errno);
        return false;
    }
    return true;
}

// The MPEG frames of the new file are those of the old one, byte for byte.
bool sameAudio(int original, int written, std::string& reason) {
    const MpegLayout before = ReadMpegLayout(MediaFileBytes(original));
    const MpegLayout after = ReadMpegLayout(MediaFileBytes(written));
    if (before.AudioSize() != after.AudioSize() ||
        !SameFileBytes(original, before.audioStart, written, after.audioStart,
                       before.AudioSize())) {
        reason = "the audio would change";
        return false;
    }
    return true;
}

// Whether the file is MPEG audio (its first frame where the tags end, or three frames in a row).
bool isMpegAudio(const MediaFileBytes& file) {
    MpegHeaderReader reader;
    return reader.Open(file, std::string()) == MpegHeaderReader::kOpened;
}

// A file the writers may change: readable, and MPEG audio.
bool readableMpeg(const MediaFileBytes& file, std::string& reason) {
    if (!file.IsOpen() || file.Size() < 1) {
        reason = "the file cannot be read";
        return false;
    }
    if (!isMpegAudio(file)) {
        reason = kReasonNotMpeg;
        return false;
    }
    return true;
}

// The frames of the version-2 tag at the start of the file (none when it has none); false for a
// tag damaged so that frames would be lost.
bool readFrontTag(const MediaFileBytes& file, const MpegLayout& layout, Id3v2Frames& tag,
                  std::string& reason) {
    if (layout.firstTagSize <= 0)
        return true;
    tag = ReadId3v2Frames(file.Read(static_cast<std::size_t>(layout.firstTagSize), 0));
    if (tag.damaged) {
        reason = std::string(kReasonTagIncomplete) + " (" + tag.damage + ")";
        return false;
    }
    return true;
}

std::optional<std::string> valueOrNone(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

// The fields as the written file must read back.
bool readsBack(int written, const ItemTagFields& fields, bool useId3v2, std::string& reason) {
    const MediaFileBytes file(written);
    MediaFileInfo info;
    if (ReadTagFields(file, info, useId3v2) != 0) {
        reason = "the new tag cannot be read";
        return false;
    }
    auto expect = [&reason](const std::optional<std::string>& wanted, const std::string& got,
                            const char* name) {
        if (!wanted || *wanted == got)
            return true;
        reason = std::string("the new tag reads back another ") + name;
        return false;
    };
    if (useId3v2) {
        const std::optional<RawId3Tags> raw = ReadRawId3Tags(file, true);
        if (!raw || ReadId3v2Frames(raw->version2).damaged) {
            reason = "the new tag cannot be read";
            return false;
        }
        return expect(valueOrNone(fields.title), info.title, "title") &&
               expect(valueOrNone(fields.group), info.group, "group") &&
               expect(fields.package == kUnknown ? std::optional<std::string>("")
                                                 : valueOrNone(fields.package),
                      info.package, "package") &&
               expect(valueOrNone(fields.publishTime), info.publishTime, "year") &&
               expect(valueOrNone(fields.comment), info.comment, "comment") &&
               (fields.genre < 0 || fields.genre >= kNoGenre ||
                expect(std::to_string(fields.genre), std::to_string(info.genre), "genre"));
    }
    // Version 1 holds what its fields can; what was written must not read back empty.
    auto kept = [&reason](const std::string& wanted, const std::string& got, const char* name) {
        if (wanted.empty() || wanted == kUnknown || !got.empty())
            return true;
        reason = std::string("the new tag would lose the ") + name;
        return false;
    };
    return kept(fields.title, info.title, "title") && kept(fields.group, info.group, "group") &&
           kept(fields.package, info.package, "package") &&
           kept(fields.comment, info.comment, "comment");
}

constexpr char kFrontCover = 3;

const char* pictureId(int majorVersion) {
    return majorVersion == 2 ? "PIC" : "APIC";
}

// The picture type of a picture frame's data, or -1 when it cannot be read.
int pictureType(std::string_view data, int majorVersion) {
    const std::optional<Id3v2Picture> picture = DecodeId3v2Picture(data, majorVersion);
    return picture ? picture->type : -1;
}

// Indexes of the picture frames a reader shows as the cover: those of type 3, else the first
// picture.
std::vector<std::size_t> coverFrames(const std::vector<Id3v2Frame>& frames, int majorVersion) {
    std::vector<std::size_t> front;
    std::optional<std::size_t> first;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].id != pictureId(majorVersion))
            continue;
        if (!first)
            first = i;
        const std::optional<std::string> data = Id3v2FrameData(frames[i], majorVersion);
        if (data && pictureType(*data, majorVersion) == kFrontCover)
            front.push_back(i);
    }
    if (front.empty() && first)
        front.push_back(*first);
    return front;
}

std::string pictureFrameBody(int majorVersion, const std::string& image,
                             const std::string& mimeType) {
    std::string body(1, '\0'); // Latin-1, for the empty description
    if (majorVersion == 2) {
        body += mimeType == "image/png" ? "PNG" : mimeType == "image/gif" ? "GIF" : "JPG";
    } else {
        body += mimeType;
        body.push_back('\0');
    }
    body.push_back(kFrontCover);
    body.push_back('\0');
    return body + image;
}

// The bodies of the picture frames in tag order, with the edit made.
std::vector<Id3v2Frame> withFrontPicture(std::vector<Id3v2Frame> frames, int majorVersion,
                                         const std::optional<std::string>& image,
                                         const std::string& mimeType) {
    std::vector<std::size_t> replaced = coverFrames(frames, majorVersion);
    if (image) {
        // Only front covers make room: another kind of picture stays beside the new cover.
        std::erase_if(replaced, [&](std::size_t i) {
            const std::optional<std::string> data = Id3v2FrameData(frames[i], majorVersion);
            return !data || pictureType(*data, majorVersion) != kFrontCover;
        });
    }
    const std::size_t place = replaced.empty() ? frames.size() : replaced.front();
    for (auto it = replaced.rbegin(); it != replaced.rend(); ++it)
        frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(*it));
    if (image)
        frames.insert(
            frames.begin() + static_cast<std::ptrdiff_t>(place),
            {pictureId(majorVersion), 0, pictureFrameBody(majorVersion, *image, mimeType)});
    return frames;
}

// The picture frames' data in tag order.
std::vector<std::string> pictureData(const std::vector<Id3v2Frame>& frames, int majorVersion) {
    std::vector<std::string> out;
    for (const Id3v2Frame& frame : frames)
        if (frame.id == pictureId(majorVersion))
            out.push_back(Id3v2FrameData(frame, majorVersion).value_or(std::string()));
    return out;
}

} // namespace

std::string Version1FieldText(std::string_view text) {
    std::string bytes;
    for (const char32_t c : codePointsOf(text)) {
        if (const auto byte = windows1252Byte(c)) {
            bytes.push_back(*byte);
            continue;
        }
        if (u_getCombiningClass(static_cast<UChar32>(c)) != 0)
            continue; // a mark of its own: the letter before it stands without it
        bool any = false;
        for (const char32_t part : withoutMarks(c))
            if (const auto byte = windows1252Byte(part)) {
                bytes.push_back(*byte);
                any = true;
            }
        if (!any)
            bytes.push_back('?');
    }
    return bytes;
}

RewriteResult WriteTagToFile(const std::string& path, const ItemTagFields& fields, bool useId3v2,
                             IRewriteBackups* backups) {
    const auto produce = [&](int original, int target, std::string& reason) {
        const MediaFileBytes file(original);
        if (!readableMpeg(file, reason))
            return false;
        const MpegLayout layout = ReadMpegLayout(file);
        const std::string version1 =
            layout.version1At >= 0 ? file.Read(kVersion1Size, layout.version1At) : std::string();
        NewContents contents;
        if (useId3v2) {
            Id3v2Frames tag;
            if (!readFrontTag(file, layout, tag, reason))
                return false;
            const int version = tag.majorVersion != 0 ? tag.majorVersion : 3;
            // Frames of a tag whose data is unsynchronised as a whole are kept as they are; the
            // new tag does not claim that for the frames written anew.
            if (tag.unsynchronised)
                for (Id3v2Frame& frame : tag.frames)
                    frame.flags |= 0x0002;
            contents.head = renderTag(
                editedFrames(std::move(tag.frames), version, fields, version1Track(version1)),
                version, static_cast<std::size_t>(layout.firstTagSize));
            contents.from = layout.firstTagSize;
            contents.to = layout.version1At >= 0 ? layout.version1At : layout.size;
        } else {
            contents.from = 0;
            contents.to = layout.version1At >= 0 ? layout.version1At : layout.size;
            contents.tail = editedVersion1(version1, fields);
        }
        return writeContents(original, target, contents, reason);
    };
    const auto verify = [&](int original, int written, std::string& reason) {
        return sameAudio(original, written, reason) && readsBack(written, fields, useId3v2, reason);
    };
    return RewriteFile(path, produce, verify, backups);
}

RewriteResult WriteId3FrontPicture(const std::string& path, const std::optional<std::string>& image,
                                   const std::string& mimeType, IRewriteBackups* backups) {
    std::vector<std::string> expected; // the picture frames' data the new tag must hold
    int version = 3;
    const auto produce = [&](int original, int target, std::string& reason) {
        const MediaFileBytes file(original);
        if (!readableMpeg(file, reason))
            return false;
        const MpegLayout layout = ReadMpegLayout(file);
        Id3v2Frames tag;
        if (!readFrontTag(file, layout, tag, reason))
            return false;
        version = tag.majorVersion != 0 ? tag.majorVersion : 3;
        if (!image && coverFrames(tag.frames, version).empty()) {
            reason = "the file has no embedded cover";
            return false;
        }
        if (tag.unsynchronised)
            for (Id3v2Frame& frame : tag.frames)
                frame.flags |= 0x0002;
        std::vector<Id3v2Frame> frames =
            withFrontPicture(std::move(tag.frames), version, image, mimeType);
        expected = pictureData(frames, version);
        NewContents contents;
        contents.head = renderTag(frames, version, static_cast<std::size_t>(layout.firstTagSize));
        contents.from = layout.firstTagSize;
        contents.to = layout.size;
        return writeContents(original, target, contents, reason);
    };
    const auto verify = [&](int original, int written, std::string& reason) {
        if (!sameAudio(original, written, reason))
            return false;
        const MediaFileBytes file(written);
        const MpegLayout layout = ReadMpegLayout(file);
        const Id3v2Frames tag =
            ReadId3v2Frames(file.Read(static_cast<std::size_t>(layout.firstTagSize), 0));
        if (tag.damaged || tag.majorVersion != version) {
            reason = "the new tag cannot be read";
            return false;
        }
        if (pictureData(tag.frames, version) != expected) {
            reason = "the new tag reads back other pictures";
            return false;
        }
        return true;
    };
    return RewriteFile(path, produce, verify, backups);
}

RewriteResult RemoveFileTags(const std::string& path, bool keepVersion1, IRewriteBackups* backups) {
    const auto produce = [&](int original, int target, std::string& reason) {
        const MediaFileBytes file(original);
        if (!file.IsOpen() || !isMpegAudio(file)) {
            reason = kReasonNotMpeg;
            return false;
        }
        const MpegLayout layout = ReadMpegLayout(file);
        NewContents contents;
        contents.from = layout.audioStart;
        contents.to = layout.audioEnd;
        if (keepVersion1 && layout.version1At >= 0)
            contents.tail = file.Read(kVersion1Size, layout.version1At);
        return writeContents(original, target, contents, reason);
    };
    const auto verify = [&](int original, int written, std::string& reason) {
        if (!sameAudio(original, written, reason))
            return false;
        const MpegLayout after = ReadMpegLayout(MediaFileBytes(written));
        if (after.audioStart != 0 ||
            after.audioEnd != (after.version1At >= 0 ? after.version1At : after.size)) {
            reason = "tags remain";
            return false;
        }
        return true;
    };
    return RewriteFile(path, produce, verify, backups);
}

} // namespace tunebay
