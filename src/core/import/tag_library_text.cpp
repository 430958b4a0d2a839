#include "import/native_tag_writers.h"

#include <taglib/tstring.h>

namespace tunebay {

TagLib::String TagLibText(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

} // namespace tunebay
