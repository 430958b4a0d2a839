#include "support/mp3_fixture.h"

#include <algorithm>
#include <stdexcept>

namespace tunebay::test {

namespace {

// Decodes UTF-8; a malformed byte stands for itself (as Latin-1), which is all fixtures need.
std::u32string decodeUtf8(const std::string& text) {
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        bool wellFormed = extra > 0 && i + extra < text.size();
        for (size_t k = 1; wellFormed && k <= extra; ++k)
            wellFormed = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (!wellFormed) {
            out.push_back(lead);
            ++i;
            continue;
        }
        char32_t cp = lead & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string decodeUtf16(const std::string& bytes, bool bigEndian) {
    std::string out;
    char32_t high = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        const char32_t unit = bigEndian ? (a << 8 | b) : (b << 8 | a);
        if (unit >= 0xD800 && unit < 0xDC00) {
            high = unit;
            continue;
        }
        if (unit >= 0xDC00 && unit < 0xE000 && high) {
            appendUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
            high = 0;
            continue;
        }
        appendUtf8(out, unit);
    }
    return out;
}

uint32_t readBigEndian(const std::string& bytes, size_t at, int count, int bitsPerByte) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << bitsPerByte) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void appendUtf16(std::string& out, char32_t cp, bool bigEndian) {
    const auto unit = [&](uint16_t u) {
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    if (cp >= 0x10000) {
        cp -= 0x10000;
        unit(static_cast<uint16_t>(0xD800 + (cp >> 10)));
        unit(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        unit(static_cast<uint16_t>(cp));
    }
}

std::string bigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string synchsafe(uint32_t value) {
    std::string out;
    for (int i = 3; i >= 0; --i)
        out += static_cast<char>((value >> (7 * i)) & 0x7F);
    return out;
}

std::string terminator(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16 || encoding == TextEncoding::Utf16BigEndian
               ? std::string(2, '\0')
               : std::string(1, '\0');
}

std::string latin1Field(const std::string& text, size_t width) {
    std::string field = encodeText(text, TextEncoding::Latin1);
    field.resize(width, '\0');
    return field;
}

// Standard rates, not the reader's: fixtures model real streams.
int standardSampleRate(const FrameHeader& h) {
    static const int kRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    if (h.version < 0 || h.version > 3 || h.sampleRateIndex < 0 || h.sampleRateIndex > 2)
        return 0;
    return kRates[h.version][h.sampleRateIndex];
}

int standardBitrate(const FrameHeader& h) {
    static const int kMpeg1[3][16] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}};
    static const int kMpeg2[3][16] = {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}};
    if (h.layer < 1 || h.layer > 3 || h.bitrateIndex < 0 || h.bitrateIndex > 15)
        return 0;
    return (h.version == 3 ? kMpeg1 : kMpeg2)[h.layer - 1][h.bitrateIndex];
}

} // namespace

uint32_t headerWord(const FrameHeader& h) {
    return 0xFFE00000u | (static_cast<uint32_t>(h.version & 3) << 19) |
           (static_cast<uint32_t>(h.layer & 3) << 17) | (1u << 16) /* no CRC */ |
           (static_cast<uint32_t>(h.bitrateIndex & 15) << 12) |
           (static_cast<uint32_t>(h.sampleRateIndex & 3) << 10) | ((h.padding ? 1u : 0u) << 9) |
           (static_cast<uint32_t>(h.channelMode & 3) << 6) | static_cast<uint32_t>(h.emphasis & 3);
}

std::string headerBytes(const FrameHeader& header) {
    return bigEndian(headerWord(header), 4);
}

int frameLength(const FrameHeader& h) {
    const int rate = standardSampleRate(h);
    const int bitrate = standardBitrate(h) * 1000;
    if (rate == 0 || bitrate == 0)
        return 0;
    const int pad = h.padding ? 1 : 0;
    if (h.layer == 3)
        return (12 * bitrate / rate + pad) * 4;
    if (h.layer == 1 && h.version != 3)
        return 72 * bitrate / rate + pad;
    return 144 * bitrate / rate + pad;
}

std::string audioFrames(const FrameHeader& header, int count) {
    const int length = frameLength(header);
    if (length < 4)
        throw std::invalid_argument("frame header without a frame length");
    std::string frame = headerBytes(header);
    frame.resize(static_cast<size_t>(length), '\0');
    std::string out;
    out.reserve(frame.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out += frame;
    return out;
}

int xingOffset(const FrameHeader& h) {
    const bool mono = h.channelMode == 3;
    if (h.version == 3)
        return 4 + (mono ? 17 : 32);
    return 4 + (mono ? 9 : 17);
}

std::string xingFrame(const FrameHeader& header, std::optional<uint32_t> frames,
                      std::optional<uint32_t> bytes) {
    std::string out = headerBytes(header);
    out.resize(static_cast<size_t>(xingOffset(header)), '\0');
    out += "Xing";
    out += bigEndian((frames ? 1u : 0u) | (bytes ? 2u : 0u), 4);
    if (frames)
        out += bigEndian(*frames, 4);
    if (bytes)
        out += bigEndian(*bytes, 4);
    const auto length = static_cast<size_t>(frameLength(header));
    if (out.size() < length)
        out.resize(length, '\0');
    return out;
}

std::string id3v1Tag(const Id3v1Fields& f) {
    std::string tag = "TAG";
    tag += latin1Field(f.title, 30);
    tag += latin1Field(f.artist, 30);
    tag += latin1Field(f.album, 30);
    tag += latin1Field(f.year, 4);
    if (f.track > 0) {
        tag += latin1Field(f.comment, 28);
        tag += '\0';
        tag += static_cast<char>(f.track & 0xFF);
    } else {
        tag += latin1Field(f.comment, 30);
    }
    tag += static_cast<char>(f.genre & 0xFF);
    return tag;
}

std::string encodeText(const std::string& text, TextEncoding encoding) {
    std::string out;
    switch (encoding) {
    case TextEncoding::Latin1:
        for (char32_t cp : decodeUtf8(text))
            out += cp <= 0xFF ? static_cast<char>(cp) : '?';
        break;
    case TextEncoding::Utf16:
        out = "\xFF\xFE";
        for (char32_t cp : decodeUtf8(text))
            appendUtf16(out, cp, false);
        break;
    case TextEncoding::Utf16BigEndian:
        for (char32_t cp : decodeUtf8(text))
            appendUtf16(out, cp, true);
        break;
    case TextEncoding::Utf8:
        out = text;
        break;
    }
    return out;
}

std::string id3v2Frame(int majorVersion, const std::string& id, const std::string& body) {
    const auto size = static_cast<uint32_t>(body.size());
    if (majorVersion == 2)
        return id + bigEndian(size, 3) + body;
    return id + (majorVersion == 4 ? synchsafe(size) : bigEndian(size, 4)) + std::string(2, '\0') +
           body;
}

std::string id3v2TextFrame(int majorVersion, const std::string& id, const std::string& text,
                           TextEncoding encoding) {
    return id3v2Frame(majorVersion, id,
                      std::string(1, static_cast<char>(encoding)) + encodeText(text, encoding));
}

std::string id3v2CommentFrame(int majorVersion, const std::string& description,
                              const std::string& text, TextEncoding encoding,
                              const std::string& language) {
    std::string body(1, static_cast<char>(encoding));
    body += language.substr(0, 3);
    body.resize(4, ' ');
    body += encodeText(description, encoding) + terminator(encoding);
    body += encodeText(text, encoding);
    return id3v2Frame(majorVersion, majorVersion == 2 ? "COM" : "COMM", body);
}

std::string id3v2Tag(int majorVersion, const std::vector<std::string>& frames, size_t padding) {
    std::string body;
    for (const auto& frame : frames)
        body += frame;
    body.append(padding, '\0');
    std::string tag = "ID3";
    tag += static_cast<char>(majorVersion);
    tag += '\0'; // revision
    tag += '\0'; // flags
    tag += synchsafe(static_cast<uint32_t>(body.size()));
    return tag + body;
}

std::string id3v2TagFromFields(int majorVersion, const Id3v2Fields& f, TextEncoding encoding,
                               size_t padding) {
    const bool v22 = majorVersion == 2;
    std::vector<std::string> frames;
    const auto add = [&](const char* id22, const char* id, const std::string& text) {
        if (!text.empty())
            frames.push_back(id3v2TextFrame(majorVersion, v22 ? id22 : id, text, encoding));
    };
    add("TT2", "TIT2", f.title);
    add("TP1", "TPE1", f.artist);
    add("TAL", "TALB", f.album);
    add("TYE", majorVersion == 4 ? "TDRC" : "TYER", f.year);
    add("TCO", "TCON", f.genre);
    add("TRK", "TRCK", f.track);
    if (!f.comment.empty())
        frames.push_back(id3v2CommentFrame(majorVersion, "", f.comment, encoding));
    return id3v2Tag(majorVersion, frames, padding);
}

std::string makeMp3(const Mp3Recipe& recipe) {
    std::string out = recipe.id3v2;
    int frames = recipe.frameCount;
    if (recipe.vbr && frames > 0) {
        out += xingFrame(recipe.header, static_cast<uint32_t>(frames));
        --frames;
    }
    out += audioFrames(recipe.header, frames);
    if (recipe.id3v1)
        out += id3v1Tag(*recipe.id3v1);
    return out;
}

std::vector<Id3v2FrameData> parseId3v2Frames(const std::string& bytes, int* majorVersion) {
    std::vector<Id3v2FrameData> frames;
    if (majorVersion)
        *majorVersion = 0;
    if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0)
        return frames;
    const int version = bytes[3];
    if (version != 3 && version != 4)
        return frames;
    if (majorVersion)
        *majorVersion = version;
    const size_t end = std::min(bytes.size(), 10 + size_t{readBigEndian(bytes, 6, 4, 7)});
    size_t at = 10;
    while (at + 10 <= end && bytes[at] != '\0') {
        const size_t size = readBigEndian(bytes, at + 4, 4, version == 4 ? 7 : 8);
        if (at + 10 + size > end)
            break;
        frames.push_back({bytes.substr(at, 4), bytes.substr(at + 10, size)});
        at += 10 + size;
    }
    return frames;
}

std::string decodeTextFrame(const std::string& body) {
    if (body.empty())
        return {};
    std::string text = body.substr(1);
    std::string out;
    switch (body[0]) {
    case 0:
        for (char c : text)
            appendUtf8(out, static_cast<unsigned char>(c));
        break;
    case 1: {
        const bool bigEndian = text.size() >= 2 && text[0] == '\xFE';
        out = decodeUtf16(text.size() >= 2 ? text.substr(2) : std::string(), bigEndian);
        break;
    }
    case 2:
        out = decodeUtf16(text, true);
        break;
    default:
        out = text;
        break;
    }
    while (!out.empty() && out.back() == '\0')
        out.pop_back();
    return out;
}

} // namespace tunebay::test
