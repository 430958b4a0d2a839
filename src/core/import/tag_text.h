#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// Tag texts into UTF-8, the way the taggers that wrote them meant them.

// Bytes of a version-1 field or of an ISO-8859-1 frame. Taggers on Windows wrote such fields in
// Windows-1252, which differs from ISO-8859-1 only at 0x80..0x9F (control codes there, but
// quotes, dashes and the euro sign in practice); those bytes are read as Windows-1252.
std::string DecodeLatin1TagText(std::string_view bytes);

// Code points as a tag library hands them over. `latin1` says the frame was ISO-8859-1, so
// U+0080..U+009F stand for the Windows-1252 bytes. UTF-16 surrogate pairs are joined; a byte-order
// mark left in the text (a doubled one, or one before UTF-8 text) is dropped.
std::string TagCodePointsToUtf8(std::u32string_view codePoints, bool latin1);

} // namespace tunebay
