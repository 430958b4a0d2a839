#pragma once

#include "output/export_options.h"
#include "store/catalogue_connection.h"

#include <string>
#include <string_view>

namespace tunebay {

// The selected items as an XML document, one tb_item element each; every text value is written
// as ASCII with character references.
bool ExportXml(CCatalogueConnection& connection, ExportOptions& options);

// Text made safe for an XML element: the HTML references, except that characters XML 1.0 does
// not allow (control characters other than tab, line feed and carriage return, U+FFFE and
// U+FFFF) become the replacement character U+FFFD, since a reference to them is not
// well-formed either.
std::string XmlText(std::string_view text);

} // namespace tunebay
