#include "import/native_tag_writers.h"

#include <taglib/tstring.h>
#include <taglib/tstringlist.h>

namespace tunebay {

TagLib::String TagLibText(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

std::optional<std::string> Utf8Text(const TagLib::String& text) {
    if (text.isEmpty())
        return std::nullopt;
    return text.to8Bit(true);
}

std::optional<std::string> FirstUtf8Text(const TagLib::StringList& texts) {
    for (const TagLib::String& text : texts)
        if (auto utf8 = Utf8Text(text))
            return utf8;
    return std::nullopt;
}

} // namespace tunebay
