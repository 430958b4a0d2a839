#include "import/native_tag_texts.h"
#include "import/native_tag_writers.h"

#include <taglib/xiphcomment.h>

namespace tunebay {

namespace {

void put(TagLib::Ogg::XiphComment& tag, const char* key, const std::optional<std::string>& value) {
    if (!value)
        return;
    if (value->empty())
        tag.removeFields(key);
    else
        tag.addField(key, TagLibText(*value), true);
}

std::optional<std::string> get(const TagLib::Ogg::XiphComment& tag, const char* key) {
    const auto& fields = tag.fieldListMap();
    const auto found = fields.find(key);
    return found == fields.end() ? std::nullopt : FirstText(found->second);
}

} // namespace

void WriteXiphComment(TagLib::Ogg::XiphComment& tag, const NativeTagValues& values) {
    put(tag, "TITLE", values.title);
    put(tag, "ARTIST", values.artist);
    put(tag, "ALBUM", values.album);
    put(tag, "DATE", values.date);
    put(tag, "GENRE", values.genre);
    put(tag, "COMMENT", values.comment);
}

NativeTagValues ReadXiphComment(const TagLib::Ogg::XiphComment& tag) {
    return {get(tag, "TITLE"), get(tag, "ARTIST"), get(tag, "ALBUM"),
            get(tag, "DATE"),  get(tag, "GENRE"),  get(tag, "COMMENT")};
}

} // namespace tunebay
