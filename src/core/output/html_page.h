#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// Head elements every exported page carries.
inline constexpr std::string_view kHtmlContentTypeMeta =
    "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n";
inline constexpr std::string_view kHtmlGeneratorMeta =
    "<META name=\"generator\" content=\"Tunebay\">\n";
inline constexpr std::string_view kHtmlMakerMeta =
    "<META name=\"author\" content=\"Tunebay by Plenwick\">\n";

// Text from the catalogue or the settings, made safe for the page.
std::string HtmlText(std::string_view text);

// A title inside the TITLE element. It is written as typed (an ampersand stays one) except for
// "<", which could otherwise end the element and start markup of its own.
std::string HtmlTitleText(std::string_view title);

// A link target inside an href attribute. References keep quotes and markup from ending the
// attribute; in local and network paths "%", "#" and "?" are percent-encoded, as browsers would
// otherwise read them as escapes, a fragment or a query. Bytes that are not UTF-8 (file names in
// another encoding) are percent-encoded in every link type, so the link names those very bytes.
std::string HtmlHref(int linkType, std::string_view link);

} // namespace tunebay
