#include "output/html_page.h"

#include "output/export_options.h"
#include "tools/text_rules.h"

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
    for (const char c : link) {
        if (path && c == '%')
            target += "%25";
        else if (path && c == '#')
            target += "%23";
        else if (path && c == '?')
            target += "%3F";
        else
            target += c;
    }
    EncodeHtmlCharRefs(target);
    return target;
}

} // namespace tunebay
