#include "import/native_tag_texts.h"
#include "import/native_tag_writers.h"

#include <taglib/asftag.h>

namespace tunebay {

namespace {

// Title, author and description live in the Content Description Object; the rest are
// attributes of the extended one.
void put(TagLib::ASF::Tag& tag, const char* key, const std::optional<std::string>& value) {
    if (!value)
        return;
    if (value->empty())
        tag.removeItem(key);
    else
        tag.setAttribute(key, TagLib::ASF::Attribute(TagLibText(*value)));
}

std::optional<std::string> get(const TagLib::ASF::Tag& tag, const char* key) {
    for (const TagLib::ASF::Attribute& attribute : tag.attribute(key))
        if (attribute.type() == TagLib::ASF::Attribute::UnicodeType)
            if (auto text = FirstText(attribute.toString()))
                return text;
    return std::nullopt;
}

} // namespace

void WriteAsfTag(TagLib::ASF::Tag& tag, const NativeTagValues& values) {
    if (values.title)
        tag.setTitle(TagLibText(*values.title));
    if (values.artist)
        tag.setArtist(TagLibText(*values.artist));
    if (values.comment)
        tag.setComment(TagLibText(*values.comment));
    put(tag, "WM/AlbumTitle", values.album);
    put(tag, "WM/Year", values.date);
    put(tag, "WM/Genre", values.genre);
}

NativeTagValues ReadAsfTag(const TagLib::ASF::Tag& tag) {
    return {FirstText(tag.title()), FirstText(tag.artist()), get(tag, "WM/AlbumTitle"),
            get(tag, "WM/Year"),    get(tag, "WM/Genre"),    FirstText(tag.comment())};
}

} // namespace tunebay
