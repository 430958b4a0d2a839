#include "text/utf8_text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <utility>

namespace tunebay {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

const std::uint8_t* Bytes(std::string_view text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

} // namespace

bool IsEscapedByte(char32_t codePoint) {
    return codePoint >= kEscapedByteBase + 0x80 && codePoint <= kEscapedByteBase + 0xFF;
}

char32_t DecodeNextCodePoint(std::string_view text, std::size_t& index) {
    const std::size_t start = index;
    UChar32 codePoint = 0;
    U8_NEXT(Bytes(text), index, text.size(), codePoint);
    if (codePoint >= 0)
        return static_cast<char32_t>(codePoint);
    // An ill-formed sequence may span several bytes; take only its first byte so that each of
    // the others gets its own escape on the next call.
    index = start + 1;
    return kEscapedByteBase + static_cast<std::uint8_t>(text[start]);
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string codePoints;
    codePoints.reserve(text.size());
    for (std::size_t index = 0; index < text.size();)
        codePoints.push_back(DecodeNextCodePoint(text, index));
    return codePoints;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (IsEscapedByte(codePoint)) {
        out.push_back(static_cast<char>(codePoint - kEscapedByteBase));
        return;
    }
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = kReplacementCharacter;
    std::uint8_t buffer[U8_MAX_LENGTH];
    std::size_t length = 0;
    U8_APPEND_UNSAFE(buffer, length, codePoint);
    out.append(reinterpret_cast<const char*>(buffer), length);
}

std::string EncodeUtf8(std::u32string_view codePoints) {
    std::string text;
    text.reserve(codePoints.size());
    for (const char32_t codePoint : codePoints)
        AppendUtf8(text, codePoint);
    return text;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t index = 0; index < text.size();) {
        if (IsEscapedByte(DecodeNextCodePoint(text, index)))
            return false;
    }
    return true;
}

std::size_t CodePointLength(std::string_view text) {
    std::size_t length = 0;
    for (std::size_t index = 0; index < text.size(); ++length)
        DecodeNextCodePoint(text, index);
    return length;
}

char32_t UpperCaseCodePoint(char32_t codePoint) {
    if (IsEscapedByte(codePoint))
        return codePoint;
    return static_cast<char32_t>(u_toupper(static_cast<UChar32>(codePoint)));
}

char32_t LowerCaseCodePoint(char32_t codePoint) {
    if (IsEscapedByte(codePoint))
        return codePoint;
    return static_cast<char32_t>(u_tolower(static_cast<UChar32>(codePoint)));
}

bool IsAsciiSpace(char32_t codePoint) {
    return codePoint == ' ' || (codePoint >= '\t' && codePoint <= '\r');
}

bool IsAsciiDigit(char32_t codePoint) {
    return codePoint >= '0' && codePoint <= '9';
}

void ReplaceAll(std::u32string& text, std::u32string_view from, std::u32string_view to) {
    if (from.empty() || text.find(from) == std::u32string::npos)
        return;
    std::u32string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t found = text.find(from); found != std::u32string::npos;
         found = text.find(from, start)) {
        result.append(text, start, found - start);
        result.append(to);
        start = found + from.size();
    }
    result.append(text, start);
    text = std::move(result);
}

} // namespace tunebay
