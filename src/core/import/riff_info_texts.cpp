#include "import/native_tag_texts.h"

#include <taglib/infotag.h>

namespace tunebay {

TagTexts RiffInfoTexts(const TagLib::RIFF::Info::Tag& tag) {
    const auto field = [&tag](const char* id) { return FirstText(tag.fieldText(id)); };
    TagTexts texts;
    texts.title = field("INAM");
    texts.group = FirstOf({field("IART"), field("IMUS")});
    texts.package = field("IPRD");
    texts.year = field("ICRD");
    texts.comment = field("ICMT");
    texts.genre = field("IGNR");
    return texts;
}

} // namespace tunebay
