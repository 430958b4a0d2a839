#include "text/text_rules.h"

#include "text/utf8_text.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

namespace tunebay {

namespace {

constexpr std::size_t kMinimumExceptionWord = 2;
constexpr std::size_t kMaximumExceptionWord = 64;

void TrimStart(std::u32string& text) {
    std::size_t count = 0;
    while (count < text.size() && IsAsciiSpace(text[count]))
        ++count;
    text.erase(0, count);
}

void TrimEnd(std::u32string& text) {
    while (!text.empty() && IsAsciiSpace(text.back()))
        text.pop_back();
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Names escaped by tools that predate UTF-8 carry Windows-1252 bytes.
char32_t Windows1252CodePoint(std::uint8_t byte) {
    static constexpr char16_t kHighControls[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return kHighControls[byte - 0x80];
    return byte;
}

void AppendDecodedRun(std::string& out, std::string& run) {
    if (IsValidUtf8(run)) {
        out += run;
    } else {
        for (const char byte : run)
            AppendUtf8(out, Windows1252CodePoint(static_cast<std::uint8_t>(byte)));
    }
    run.clear();
}

// Decodes "%XX" escapes. A decoded byte is never decoded again, so "%2541" gives "%41".
void DecodePercentEscapes(std::string& text) {
    if (text.find('%') == std::string::npos)
        return;
    std::string out;
    std::string run; // bytes of adjacent escapes, judged together as UTF-8 or Windows-1252
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const int high = i + 2 < text.size() && text[i] == '%' ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            // "%00" would cut the name short wherever it is stored later; leave it out instead.
            if (high != 0 || low != 0)
                run.push_back(static_cast<char>(high * 16 + low));
            i += 3;
        } else {
            AppendDecodedRun(out, run);
            out.push_back(text[i]);
            ++i;
        }
    }
    AppendDecodedRun(out, run);
    text = std::move(out);
}

bool IsWordSeparator(char32_t c) {
    if (c >= 0x80 || c == '\'')
        return false;
    const bool letterOrDigit = IsAsciiDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return IsAsciiSpace(c) || (c > ' ' && c < 0x7F && !letterOrDigit);
}

char32_t FoldAscii(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// Compares `word` from its start with `entry`, ASCII case ignored. Returns the number of code
// points of `entry` when all of them match, nothing otherwise.
std::optional<std::size_t> MatchEntryStart(std::u32string_view word, std::string_view entry) {
    std::size_t matched = 0;
    for (std::size_t index = 0; index < entry.size(); ++matched) {
        const char32_t wanted = DecodeNextCodePoint(entry, index);
        if (matched >= word.size() || FoldAscii(word[matched]) != FoldAscii(wanted))
            return std::nullopt;
    }
    return matched;
}

void OverwriteWith(std::u32string& text, std::size_t position, std::string_view entry) {
    for (std::size_t index = 0; index < entry.size(); ++position)
        text[position] = DecodeNextCodePoint(entry, index);
}

// Applies the first matching entry to the word text[begin, end).
void ApplyExceptions(std::u32string& text, std::size_t begin, std::size_t end,
                     const CapitalizeExceptionList& exceptions) {
    const std::size_t length = end - begin;
    if (length < kMinimumExceptionWord || length > kMaximumExceptionWord)
        return;
    const std::u32string_view word(text.data() + begin, length);
    for (const std::string& entry : exceptions) {
        if (entry.empty())
            continue;
        if (entry.back() == '?') {
            const std::string_view prefix(entry.data(), entry.size() - 1);
            const auto prefixLength = MatchEntryStart(word, prefix);
            if (!prefixLength || length < *prefixLength + 2)
                continue;
            OverwriteWith(text, begin, prefix);
            text[begin + *prefixLength] = UpperCaseCodePoint(text[begin + *prefixLength]);
            return;
        }
        const auto entryLength = MatchEntryStart(word, entry);
        if (entryLength && *entryLength == length) {
            OverwriteWith(text, begin, entry);
            return;
        }
    }
}

void CapitalizeWords(std::u32string& text, const CapitalizeExceptionList* exceptions) {
    for (char32_t& c : text)
        c = LowerCaseCodePoint(c);

    constexpr std::size_t kNoWord = std::u32string::npos;
    bool upperNext = true;
    std::size_t wordStart = kNoWord;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsWordSeparator(text[i])) {
            if (wordStart != kNoWord && exceptions)
                ApplyExceptions(text, wordStart, i, *exceptions);
            upperNext = true;
            wordStart = kNoWord;
            continue;
        }
        // A character without an upper-case form (a digit, say) passes the capital on: "2Pac".
        if (upperNext) {
            const char32_t upper = UpperCaseCodePoint(text[i]);
            if (upper != text[i]) {
                text[i] = upper;
                upperNext = false;
            }
        }
        if (wordStart == kNoWord)
            wordStart = i;
    }
    if (wordStart != kNoWord && exceptions)
        ApplyExceptions(text, wordStart, text.size(), *exceptions);
}

} // namespace

void CorrectName(std::string& text, bool full) {
    std::u32string name = DecodeUtf8(text);
    ReplaceAll(name, U"_", U" ");
    ReplaceAll(name, U",", U", ");
    ReplaceAll(name, U"&", U" & ");
    ReplaceAll(name, U"\u00B4", U"'");
    TrimStart(name);
    TrimEnd(name);
    ReplaceAll(name, U"  ", U" ");

    if (full) {
        if (name.size() > 4 && name.ends_with(U"!!s")) {
            name.resize(name.size() - 3);
            TrimEnd(name);
        }
        if (name.size() > 3 && name[2] == ' ' && IsAsciiDigit(name[0]) && IsAsciiDigit(name[1]))
            name.erase(0, 3);
        if (const std::size_t n = name.size(); n > 4 && name[n - 1] == ')') {
            if (name[n - 3] == '(' && IsAsciiDigit(name[n - 2])) {
                name.resize(n - 3);
                TrimEnd(name);
            } else if (name[n - 4] == '(' && IsAsciiDigit(name[n - 3]) &&
                       IsAsciiDigit(name[n - 2])) {
                name.resize(n - 4);
                TrimEnd(name);
            }
        }
    }

    text = EncodeUtf8(name);
    if (full)
        DecodePercentEscapes(text);
}

void CapitalizeName(std::string& text, int mode, const CapitalizeExceptionList* exceptions) {
    std::u32string name = DecodeUtf8(text);
    switch (mode) {
    case kCapitalizeFirstLetters:
        CapitalizeWords(name, exceptions);
        break;
    case kCapitalizeAllUppercase:
        for (char32_t& c : name)
            c = UpperCaseCodePoint(c);
        break;
    case kCapitalizeAllLowercase:
        for (char32_t& c : name)
            c = LowerCaseCodePoint(c);
        break;
    default:
        return;
    }
    text = EncodeUtf8(name);
}

void MakeFileNameSafe(std::string& text) {
    for (char& c : text) {
        switch (c) {
        case '"':
            c = '\'';
            break;
        case '*':
            c = '+';
            break;
        case '/':
            c = '-';
            break;
        case ':':
        case '\\':
        case '|':
            c = '!';
            break;
        case '<':
            c = '(';
            break;
        case '>':
            c = ')';
            break;
        case '?':
            c = '.';
            break;
        default:
            break;
        }
    }
}

void EncodeUnixFileName(std::string& text) {
    // Every byte of a multi-byte UTF-8 sequence is above 0x7E, so working byte by byte encodes
    // each non-ASCII character as the escapes of its UTF-8 form.
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte == ' ') {
            out.push_back('_');
        } else if (byte < 0x20 || byte > 0x7E) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned>(byte));
            out += escape;
        } else {
            out.push_back(c);
        }
    }
    text = std::move(out);
}

void EncodeHtmlCharRefs(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t index = 0; index < text.size();) {
        char32_t c = DecodeNextCodePoint(text, index);
        const bool markup = c == '"' || c == '&' || c == '\'' || c == '<' || c == '>';
        if (!markup && c >= 0x20 && c <= 0x7E) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        // A byte that is not UTF-8 is most likely Latin-1 or Windows-1252; browsers read
        // references to 128..255 that way.
        if (IsEscapedByte(c))
            c -= kEscapedByteBase;
        char reference[16];
        std::snprintf(reference, sizeof reference, "&#%03u;", static_cast<unsigned>(c));
        out += reference;
    }
    text = std::move(out);
}

std::string FormatThousands(double number) {
    char buffer[400]; // the largest double has 309 digits
    std::snprintf(buffer, sizeof buffer, "%.0f", number);
    std::string text = buffer;
    if (number >= 1000.0 && text.size() > 3)
        text.insert(text.size() - 3, 1, '.');
    if (number >= 1000000.0 && text.size() > 7)
        text.insert(text.size() - 7, 1, '.');
    return text;
}

} // namespace tunebay
