#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tunebay {

// Text is UTF-8, but names that come from the file system may not be. Decoding maps every byte
// that is not part of a well-formed sequence to U+DC00 + byte (always U+DC80..U+DCFF, which valid
// UTF-8 can never produce), and encoding turns those back into the very same byte, so any text
// survives a decode/encode round trip unchanged.
inline constexpr char32_t kEscapedByteBase = 0xDC00;

bool IsEscapedByte(char32_t codePoint);

// Reads the code point at `index` and moves `index` past it.
char32_t DecodeNextCodePoint(std::string_view text, std::size_t& index);
std::u32string DecodeUtf8(std::string_view text);
void AppendUtf8(std::string& out, char32_t codePoint);
std::string EncodeUtf8(std::u32string_view codePoints);

bool IsValidUtf8(std::string_view text);
std::size_t CodePointLength(std::string_view text);

// Unicode simple case mapping; escaped bytes are left alone.
char32_t UpperCaseCodePoint(char32_t codePoint);
char32_t LowerCaseCodePoint(char32_t codePoint);

// Space, tab, line feed, vertical tab, form feed and carriage return only.
bool IsAsciiSpace(char32_t codePoint);
bool IsAsciiDigit(char32_t codePoint);

// Replaces every non-overlapping occurrence of `from`, left to right, without rescanning what was
// inserted. An empty `from` changes nothing.
void ReplaceAll(std::u32string& text, std::u32string_view from, std::u32string_view to);

} // namespace tunebay
