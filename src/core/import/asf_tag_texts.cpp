#include "import/native_tag_texts.h"

#include <taglib/asftag.h>

namespace tunebay {

TagTexts AsfTagTexts(const TagLib::ASF::Tag& tag) {
    const TagLib::ASF::AttributeListMap& attributes = tag.attributeListMap();
    const auto attribute = [&attributes](const char* name) -> std::optional<std::string> {
        const auto found = attributes.find(name);
        if (found == attributes.end())
            return std::nullopt;
        for (const TagLib::ASF::Attribute& value : found->second)
            if (value.type() == TagLib::ASF::Attribute::UnicodeType)
                if (auto text = FirstText(value.toString()))
                    return text;
        return std::nullopt;
    };
    // Title, author and description live in the content description object.
    TagTexts texts;
    texts.title = FirstText(tag.title());
    texts.group =
        FirstOf({FirstText(tag.artist()), attribute("WM/AlbumArtist"), attribute("WM/Composer")});
    texts.package = attribute("WM/AlbumTitle");
    // ffmpeg writes the year as a plain "date" attribute, which no other writer uses.
    texts.year = FirstOf({attribute("WM/Year"), attribute("date")});
    // Some writers (ffmpeg) put the description among the attributes instead.
    texts.comment = FirstOf({FirstText(tag.comment()), attribute("Description")});
    texts.genre = attribute("WM/Genre");
    return texts;
}

} // namespace tunebay
