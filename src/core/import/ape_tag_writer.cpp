#include "import/native_tag_texts.h"
#include "import/native_tag_writers.h"

#include <taglib/apetag.h>

namespace tunebay {

namespace {

void put(TagLib::APE::Tag& tag, const char* key, const std::optional<std::string>& value) {
    if (!value)
        return;
    if (value->empty())
        tag.removeItem(key);
    else
        tag.addValue(key, TagLibText(*value), true);
}

std::optional<std::string> get(const TagLib::APE::Tag& tag, const char* key) {
    // The item map is keyed in upper case.
    const auto& items = tag.itemListMap();
    const auto found = items.find(TagLib::String(key).upper());
    if (found == items.end() || found->second.type() != TagLib::APE::Item::Text)
        return std::nullopt;
    return FirstText(found->second.values());
}

} // namespace

void WriteApeTag(TagLib::APE::Tag& tag, const NativeTagValues& values) {
    put(tag, "Title", values.title);
    put(tag, "Artist", values.artist);
    put(tag, "Album", values.album);
    put(tag, "Year", values.date);
    put(tag, "Genre", values.genre);
    put(tag, "Comment", values.comment);
}

NativeTagValues ReadApeTag(const TagLib::APE::Tag& tag) {
    return {get(tag, "Title"), get(tag, "Artist"), get(tag, "Album"),
            get(tag, "Year"),  get(tag, "Genre"),  get(tag, "Comment")};
}

} // namespace tunebay
