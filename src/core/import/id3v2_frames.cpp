#include "import/id3v2_frames.h"

#include "import/tag_text.h"
#include "text/utf8_text.h"

#include <algorithm>

namespace tunebay {

namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr uint8_t kTagUnsynchronisation = 0x80;
constexpr uint8_t kTagExtendedHeader = 0x40;
constexpr uint8_t kTagFooter = 0x10;

// Frame flags of version 2.3 and of version 2.4 (format byte in the low half).
constexpr uint16_t kV3Compression = 0x0080;
constexpr uint16_t kV3Encryption = 0x0040;
constexpr uint16_t kV3Grouping = 0x0020;
constexpr uint16_t kV4Grouping = 0x0040;
constexpr uint16_t kV4Compression = 0x0008;
constexpr uint16_t kV4Encryption = 0x0004;
constexpr uint16_t kV4Unsynchronisation = 0x0002;
constexpr uint16_t kV4DataLength = 0x0001;

unsigned char byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

uint32_t plainSize(std::string_view bytes, std::size_t width) {
    uint32_t size = 0;
    for (std::size_t i = 0; i < width; ++i)
        size = (size << 8) | byteAt(bytes, i);
    return size;
}

std::optional<uint32_t> synchsafeSize(std::string_view bytes) {
    uint32_t size = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (byteAt(bytes, i) & 0x80)
            return std::nullopt;
        size = (size << 7) | byteAt(bytes, i);
    }
    return size;
}

std::string synchsafeBytes(std::size_t size) {
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        bytes[3 - i] = static_cast<char>((size >> (7 * i)) & 0x7F);
    return bytes;
}

std::string plainBytes(std::size_t size, std::size_t width) {
    std::string bytes(width, '\0');
    for (std::size_t i = 0; i < width; ++i)
        bytes[width - 1 - i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    return bytes;
}

bool isIdCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isFrameId(std::string_view id) {
    return std::all_of(id.begin(), id.end(), isIdCharacter);
}

bool isPadding(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; });
}

struct Layout {
    std::size_t idSize;
    std::size_t sizeSize;
    std::size_t headerSize;
};

Layout layoutOf(int majorVersion) {
    return majorVersion == 2 ? Layout{3, 3, 6} : Layout{4, 4, 10};
}

// One walk over the frames of `body` with the given size coding.
struct Walk {
    std::vector<Id3v2Frame> frames;
    std::string damage;
    bool clean = true; // every step landed on a frame, on padding or on the end
};

Walk walkFrames(std::string_view body, int majorVersion, bool synchsafe) {
    const Layout layout = layoutOf(majorVersion);
    Walk walk;
    auto note = [&walk](std::string text) {
        walk.clean = false;
        if (walk.damage.empty())
            walk.damage = std::move(text);
    };
    std::size_t at = 0;
    while (at + layout.headerSize <= body.size()) {
        const std::string_view header = body.substr(at, layout.headerSize);
        const std::string_view id = header.substr(0, layout.idSize);
        if (isPadding(id)) {
            if (!isPadding(body.substr(at)))
                note("data after the padding");
            return walk;
        }
        std::optional<uint32_t> size;
        if (majorVersion == 4 && synchsafe)
            size = synchsafeSize(header.substr(4, 4));
        else
            size = plainSize(header.substr(layout.idSize, layout.sizeSize), layout.sizeSize);
        if (!size) {
            note("a frame size that is not synchsafe");
            return walk;
        }
        const std::size_t bodyStart = at + layout.headerSize;
        if (*size > body.size() - bodyStart) {
            // What the tag holds of it is read, as other readers do; nothing can follow it.
            note("a frame running past the end of the tag");
            size = static_cast<uint32_t>(body.size() - bodyStart);
            if (*size > 0 && isFrameId(id))
                walk.frames.push_back(
                    {std::string(id),
                     majorVersion > 2 ? static_cast<uint16_t>(plainSize(header.substr(8, 2), 2))
                                      : uint16_t{0},
                     std::string(body.substr(bodyStart))});
            return walk;
        }
        // Some writers put version 2.2 ids, filled up with a zero, into version 2.3 tags.
        const bool shortId = majorVersion == 3 && isFrameId(id.substr(0, 3)) && id[3] == '\0';
        if (*size == 0) {
            note("an empty " + std::string(id) + " frame");
        } else if (!isFrameId(id) && !shortId) {
            note("a frame with the id \"" + DecodeLatin1TagText(id) + "\"");
        } else {
            Id3v2Frame frame;
            frame.id = std::string(id);
            if (majorVersion > 2)
                frame.flags = static_cast<uint16_t>(plainSize(header.substr(8, 2), 2));
            frame.body = std::string(body.substr(bodyStart, *size));
            walk.frames.push_back(std::move(frame));
        }
        at = bodyStart + *size;
    }
    if (at < body.size() && !isPadding(body.substr(at)))
        note("a frame cut short by the end of the tag");
    return walk;
}

// UTF-8 as it should be; text that is not (Windows-1252 in a frame marked UTF-8) as the tagger
// meant it.
std::string windows1252OrUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes))
        return TagCodePointsToUtf8(DecodeUtf8(bytes), false);
    return DecodeLatin1TagText(bytes);
}

// The text of `data` from `at` up to its terminator in `encoding`; `at` moves past it.
std::string takeText(std::string_view data, std::size_t& at, uint8_t encoding) {
    const bool wide = encoding == 1 || encoding == 2;
    std::size_t end = at;
    if (wide) {
        while (end + 1 < data.size() && !(data[end] == '\0' && data[end + 1] == '\0'))
            end += 2;
        if (end + 1 >= data.size())
            end = data.size();
    } else {
        end = data.find('\0', at);
        if (end == std::string_view::npos)
            end = data.size();
    }
    const std::string_view text = data.substr(at, end - at);
    at = std::min(data.size(), end + (wide ? 2 : 1));

    switch (encoding) {
    case 0:
        return DecodeLatin1TagText(text);
    case 3:
        return windows1252OrUtf8(text);
    default:
        break;
    }
    bool bigEndian = encoding == 2;
    std::size_t i = 0;
    std::u32string codePoints;
    codePoints.reserve(text.size() / 2);
    for (; i + 1 < text.size(); i += 2) {
        const char32_t unit = bigEndian ? (byteAt(text, i) << 8) | byteAt(text, i + 1)
                                        : (byteAt(text, i + 1) << 8) | byteAt(text, i);
        // A byte-order mark sets the order of what follows (some writers put one before every
        // text of a list, or a second one by mistake).
        if (unit == 0xFEFF)
            continue;
        if (unit == 0xFFFE) {
            bigEndian = !bigEndian;
            continue;
        }
        codePoints.push_back(unit);
    }
    return TagCodePointsToUtf8(codePoints, false);
}

} // namespace

std::string ResynchronisedId3Data(std::string_view bytes) {
    std::string plain;
    plain.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        plain.push_back(bytes[i]);
        if (byteAt(bytes, i) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0')
            ++i;
    }
    return plain;
}

const Id3v2Frame* Id3v2Frames::Find(std::string_view id) const {
    for (const Id3v2Frame& frame : frames)
        if (frame.id == id)
            return &frame;
    return nullptr;
}

std::optional<Id3v2HeaderFacts> ReadId3v2Header(std::string_view header) {
    if (header.size() < kHeaderSize || header.substr(0, 3) != "ID3" || byteAt(header, 3) < 2 ||
        byteAt(header, 3) > 4 || byteAt(header, 4) == 0xFF)
        return std::nullopt;
    const std::optional<uint32_t> size = synchsafeSize(header.substr(6, 4));
    if (!size)
        return std::nullopt;
    Id3v2HeaderFacts facts;
    facts.majorVersion = byteAt(header, 3);
    facts.flags = byteAt(header, 5);
    facts.bodySize = *size;
    const bool footer = facts.majorVersion == 4 && (facts.flags & kTagFooter);
    facts.totalSize = kHeaderSize + facts.bodySize + (footer ? kHeaderSize : 0);
    return facts;
}

Id3v2Frames ReadId3v2Frames(std::string_view tag) {
    Id3v2Frames result;
    const std::optional<Id3v2HeaderFacts> header = ReadId3v2Header(tag);
    if (!header)
        return result;
    result.majorVersion = header->majorVersion;
    result.unsynchronised = header->majorVersion == 4 && (header->flags & kTagUnsynchronisation);
    std::string body(tag.substr(kHeaderSize, std::min(header->bodySize, tag.size() - kHeaderSize)));
    if (header->majorVersion < 4 && (header->flags & kTagUnsynchronisation))
        body = ResynchronisedId3Data(body);
    if (header->flags & kTagExtendedHeader) {
        // Version 2.3 counts the size field out of the size, version 2.4 counts it in.
        std::size_t extended = 0;
        if (body.size() >= 4) {
            if (header->majorVersion == 3)
                extended = 4 + plainSize(body, 4);
            else if (const auto size = synchsafeSize(body.substr(0, 4)))
                extended = *size;
        }
        body.erase(0, std::min(extended, body.size()));
    }

    Walk walk = walkFrames(body, header->majorVersion, true);
    if (header->majorVersion == 4 && !walk.clean) {
        // Some writers code the frame sizes of version 2.4 as version 2.3 does; whichever
        // coding reads the tag to its end is the one it was written with.
        Walk plain = walkFrames(body, 4, false);
        if (plain.clean || plain.frames.size() > walk.frames.size())
            walk = std::move(plain);
    }
    result.frames = std::move(walk.frames);
    result.damaged = !walk.clean;
    result.damage = std::move(walk.damage);
    return result;
}

std::optional<std::string> Id3v2FrameData(const Id3v2Frame& frame, int majorVersion,
                                          bool tagUnsynchronised) {
    std::string_view data = frame.body;
    if (majorVersion == 3) {
        if (frame.flags & (kV3Compression | kV3Encryption))
            return std::nullopt;
        if (frame.flags & kV3Grouping)
            data.remove_prefix(std::min<std::size_t>(1, data.size()));
        return std::string(data);
    }
    if (majorVersion == 4) {
        if (frame.flags & (kV4Compression | kV4Encryption))
            return std::nullopt;
        if (frame.flags & kV4Grouping)
            data.remove_prefix(std::min<std::size_t>(1, data.size()));
        if (frame.flags & kV4DataLength)
            data.remove_prefix(std::min<std::size_t>(4, data.size()));
        if (tagUnsynchronised || (frame.flags & kV4Unsynchronisation))
            return ResynchronisedId3Data(data);
    }
    return std::string(data);
}

std::vector<std::string> DecodeId3v2Texts(std::string_view data) {
    std::vector<std::string> texts;
    if (data.empty())
        return texts;
    const uint8_t encoding = byteAt(data, 0);
    if (encoding > 3)
        return texts;
    std::size_t at = 1;
    do {
        texts.push_back(takeText(data, at, encoding));
    } while (at < data.size() && !isPadding(data.substr(at)));
    return texts;
}

std::optional<Id3v2Picture> DecodeId3v2Picture(std::string_view data, int majorVersion) {
    if (data.size() < 5 || byteAt(data, 0) > 3)
        return std::nullopt;
    const uint8_t encoding = byteAt(data, 0);
    Id3v2Picture picture;
    std::size_t at = 1;
    if (majorVersion == 2) {
        picture.mimeType = std::string(data.substr(1, 3));
        at = 4;
    } else {
        const std::size_t end = data.find('\0', at);
        if (end == std::string_view::npos)
            return std::nullopt;
        picture.mimeType = std::string(data.substr(at, end - at));
        at = end + 1;
    }
    if (at >= data.size())
        return std::nullopt;
    picture.type = byteAt(data, at++);
    takeText(data, at, encoding); // the description
    picture.image = std::string(data.substr(std::min(at, data.size())));
    return picture;
}

std::optional<Id3v2Comment> DecodeId3v2Comment(std::string_view data) {
    if (data.size() < 4 || byteAt(data, 0) > 3)
        return std::nullopt;
    const uint8_t encoding = byteAt(data, 0);
    Id3v2Comment comment;
    comment.language = std::string(data.substr(1, 3));
    std::size_t at = 4;
    comment.description = takeText(data, at, encoding);
    comment.text = at < data.size() ? takeText(data, at, encoding) : std::string();
    return comment;
}

std::string RenderId3v2Frame(const Id3v2Frame& frame, int majorVersion) {
    if (majorVersion == 2)
        return frame.id + plainBytes(frame.body.size(), 3) + frame.body;
    const std::string size =
        majorVersion == 4 ? synchsafeBytes(frame.body.size()) : plainBytes(frame.body.size(), 4);
    return frame.id + size + plainBytes(frame.flags, 2) + frame.body;
}

} // namespace tunebay
