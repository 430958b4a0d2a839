#include "import/native_tag_texts.h"

#include <taglib/tstring.h>
#include <taglib/tstringlist.h>

namespace tunebay {

std::optional<std::string> FirstText(const TagLib::String& value) {
    if (value.isEmpty())
        return std::nullopt;
    std::string text = value.to8Bit(true);
    // Some writers end a text with its terminator.
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    return text;
}

std::optional<std::string> FirstText(const TagLib::StringList& values) {
    for (const TagLib::String& value : values)
        if (auto text = FirstText(value))
            return text;
    return std::nullopt;
}

std::optional<std::string> FirstOf(std::initializer_list<std::optional<std::string>> candidates) {
    for (const auto& candidate : candidates)
        if (candidate)
            return candidate;
    return std::nullopt;
}

TagTexts MergeTagTexts(TagTexts first, const TagTexts& second) {
    for (auto field : {&TagTexts::title, &TagTexts::group, &TagTexts::package, &TagTexts::year,
                       &TagTexts::comment, &TagTexts::genre})
        if (!(first.*field))
            first.*field = second.*field;
    return first;
}

} // namespace tunebay
