#include "output/xml_export.h"

#include "app/product.h"
#include "browse/length_text.h"
#include "output/export_file.h"
#include "output/export_record.h"
#include "text/text_rules.h"

#include <charconv>
#include <exception>

namespace tunebay {

namespace {

bool isXmlCharacter(unsigned long c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

std::string XmlText(std::string_view text) {
    std::string encoded(text);
    EncodeHtmlCharRefs(encoded);
    // The encoded text is ASCII, every character outside printable ASCII a "&#N;" reference.
    std::string checked;
    checked.reserve(encoded.size());
    std::size_t start = 0;
    for (std::size_t at = encoded.find("&#"); at != std::string::npos;
         at = encoded.find("&#", start)) {
        const std::size_t end = encoded.find(';', at);
        unsigned long code = 0;
        std::from_chars(encoded.data() + at + 2, encoded.data() + end, code);
        checked.append(encoded, start, at - start);
        if (isXmlCharacter(code))
            checked.append(encoded, at, end + 1 - at);
        else
            checked += "&#65533;";
        start = end + 1;
    }
    checked.append(encoded, start);
    return checked;
}

bool ExportXml(CCatalogueConnection& connection, ExportOptions& options) {
    if (options.columnSet < 0 || options.columnSet > 4)
        options.columnSet = 0;
    options.selection.columns = ExportSelectList(options.linkType, options.columnSet);
    options.selection.sortCode = options.orderType;

    ExportFile file;
    if (!file.Create(options.path))
        return false;
    file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<!--\n"
         << "  Media list exported by " << kProductVersionText << "\n"
         << "  " << kProductWebsite << "\n"
         << "-->\n\n<tunebay>\n";
    const bool link = options.linkType >= kLinkLocal && options.linkType <= kLinkUrl;
    try {
        int number = 1;
        for (ResultSet rows = RunSelection(connection, options.selection); !rows.IsEof();
             rows.MoveNext(), ++number) {
            const ExportRecord record = ReadExportRecord(rows, options.columnSet);
            std::string item = "  <tb_item>\n";
            if (options.showIndex)
                item += "    <tb_index>" + std::to_string(number) + "</tb_index>\n";
            if (link)
                item += "    <tb_filename>" + XmlText(record.Link()) + "</tb_filename>\n";
            item += "    <tb_medianame>";
            if (options.columnSet >= 1 && !record.group.empty())
                item += XmlText(record.group) + " - ";
            item += XmlText(record.title) + "</tb_medianame>\n";
            if (options.columnSet >= 2)
                item += "    <tb_length>" + LengthText(record.length) + "</tb_length>\n";
            if (options.columnSet >= 3) {
                item += "    <tb_genre>" + XmlText(record.genre) + "</tb_genre>\n";
                item +=
                    "    <tb_publishtime>" + XmlText(record.publishTime) + "</tb_publishtime>\n";
            }
            if (options.columnSet == 4)
                item += "    <tb_comment>" + XmlText(record.comment) + "</tb_comment>\n";
            item += "  </tb_item>\n";
            file << item;
        }
    } catch (const std::exception&) {
        file << kReadErrorText << "\n";
    }
    file << "</tunebay>";
    return file.Close();
}

} // namespace tunebay
