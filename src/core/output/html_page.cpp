#include "output/html_page.h"

#include "output/export_options.h"
#include "text/text_rules.h"
#include "text/utf8_text.h"

#include <cstdio>

namespace tunebay {

std::string HtmlText(std::string_view text) {
    std::string encoded(text);
    EncodeHtmlCharRefs(encoded);
    return encoded;
}

std::string HtmlTitleText(std::string_view title) {
    std::string text;
    text.reserve(title.size());
    for (const char c : title) {
        if (c == '<')
            text += "&#060;";
        else
            text += c;
    }
    return text;
}

std::string HtmlHref(int linkType, std::string_view link) {
    std::string target;
    target.reserve(link.size());
    const bool path = linkType == kLinkLocal || linkType == kLinkUnc;
    for (std::size_t index = 0; index < link.size();) {
        const std::size_t start = index;
        const char32_t c = DecodeNextCodePoint(link, index);
        if (IsEscapedByte(c)) {
            // A file name that is not UTF-8: the byte itself, percent-encoded, reaches the file;
            // a character reference would stand for a different character.
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X",
                          static_cast<unsigned>(c - kEscapedByteBase));
            target += escape;
        } else if (path && c == '%') {
            target += "%25";
        } else if (path && c == '#') {
            target += "%23";
        } else if (path && c == '?') {
            target += "%3F";
        } else {
            target.append(link.substr(start, index - start));
        }
    }
    EncodeHtmlCharRefs(target);
    return target;
}

} // namespace tunebay
