#include "import/native_tag_texts.h"

#include <taglib/mp4tag.h>

namespace tunebay {

TagTexts Mp4TagTexts(const TagLib::MP4::Tag& tag) {
    const auto atom = [&tag](const char* name) -> std::optional<std::string> {
        // The names are Latin-1 ("\251nam" is "©nam"), as the tag library keys them.
        const TagLib::String key(name, TagLib::String::Latin1);
        return tag.contains(key) ? FirstText(tag.item(key).toStringList()) : std::nullopt;
    };
    TagTexts texts;
    texts.title = atom("\251nam");
    texts.group = FirstOf({atom("\251ART"), atom("aART"), atom("\251wrt")});
    texts.package = atom("\251alb");
    texts.year = atom("\251day");
    texts.comment = atom("\251cmt");
    // A numeric "gnre" atom is read by the tag library as the name of its standard genre.
    texts.genre = atom("\251gen");
    return texts;
}

} // namespace tunebay
