#include "import/native_tag_texts.h"

#include <taglib/apetag.h>

namespace tunebay {

TagTexts ApeTagTexts(const TagLib::APE::Tag& tag) {
    // The tag library keys the items by their names in upper case.
    const TagLib::APE::ItemListMap& items = tag.itemListMap();
    const auto item = [&items](const char* name) -> std::optional<std::string> {
        const auto found = items.find(name);
        if (found == items.end() || found->second.type() != TagLib::APE::Item::Text)
            return std::nullopt;
        return FirstText(found->second.values());
    };
    TagTexts texts;
    texts.title = item("TITLE");
    texts.group = FirstOf({item("ARTIST"), item("ALBUM ARTIST"), item("ALBUMARTIST"),
                           item("PERFORMER"), item("COMPOSER")});
    texts.package = item("ALBUM");
    texts.year = FirstOf({item("YEAR"), item("DATE")});
    texts.comment = item("COMMENT");
    texts.genre = item("GENRE");
    return texts;
}

} // namespace tunebay
