#include "import/native_tag_texts.h"

#include <taglib/xiphcomment.h>

namespace tunebay {

TagTexts XiphCommentTexts(const TagLib::Ogg::XiphComment& tag) {
    // The tag library hands the field names back in upper case.
    const TagLib::Ogg::FieldListMap& fields = tag.fieldListMap();
    const auto field = [&fields](const char* name) -> std::optional<std::string> {
        const auto found = fields.find(name);
        return found == fields.end() ? std::nullopt : FirstText(found->second);
    };
    TagTexts texts;
    texts.title = field("TITLE");
    texts.group = FirstOf({field("ARTIST"), field("ALBUMARTIST"), field("ALBUM ARTIST"),
                           field("PERFORMER"), field("COMPOSER")});
    texts.package = field("ALBUM");
    texts.year = FirstOf({field("DATE"), field("YEAR")});
    texts.comment = FirstOf({field("COMMENT"), field("DESCRIPTION")});
    texts.genre = field("GENRE");
    return texts;
}

} // namespace tunebay
