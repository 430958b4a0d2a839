#include "output/text_exports.h"

#include "browse/length_text.h"
#include "output/export_file.h"
#include "output/export_record.h"
#include "output/group_breaks.h"

#include <cstdio>
#include <exception>

namespace tunebay {

namespace {

bool hasLink(int linkType) {
    return linkType >= kLinkLocal && linkType <= kLinkUrl;
}

void prepare(ExportOptions& options) {
    if (options.columnSet < 0 || options.columnSet > 4)
        options.columnSet = 0;
    options.selection.columns = ExportSelectList(options.linkType, options.columnSet);
    options.selection.sortCode = options.orderType;
}

void stripTrailing(std::string& line, std::string_view characters) {
    const std::size_t end = line.find_last_not_of(characters);
    line.erase(end == std::string::npos ? 0 : end + 1);
}

std::string textLine(const ExportOptions& options, const ExportRecord& record, int number) {
    std::string line;
    if (options.showIndex) {
        char index[24];
        std::snprintf(index, sizeof index, "%5d", number);
        line += index;
        line += ", ";
    }
    if (hasLink(options.linkType))
        line += record.Link() + ", ";
    line += record.MediaName(options.columnSet >= 1) + ", ";
    if (options.columnSet >= 2)
        line += LengthText(record.length) + ", ";
    if (options.columnSet >= 3)
        line += record.genre + ", " + record.publishTime + ", ";
    if (options.columnSet == 4)
        line += record.comment + ", ";
    stripTrailing(line, ", ");
    line += "\n";
    return line;
}

void writeTextRows(CCatalogueConnection& connection, const ExportOptions& options,
                   ExportFile& file) {
    GroupBreaks breaks(SubdivisionMode(options.columnSet, options.orderType));
    int number = 1;
    for (ResultSet rows = RunSelection(connection, options.selection); !rows.IsEof();
         rows.MoveNext(), ++number) {
        const ExportRecord record = ReadExportRecord(rows, options.columnSet);
        const std::string line = textLine(options, record, number);
        if (options.subdivide && breaks.Next(record.group, record.genre))
            file << "\n";
        file << line;
    }
}

// CSV quoting: a double quote inside a value is doubled, so that the value ends where its
// closing quote stands.
std::string csvValue(std::string_view value) {
    std::string quoted = "\"";
    for (const char c : value) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    quoted += "\",";
    return quoted;
}

std::string csvHeader(const ExportOptions& options) {
    std::string header;
    if (options.showIndex)
        header += "\"Index\",";
    if (hasLink(options.linkType))
        header += "\"FileName\",";
    switch (options.columnSet) {
    case 2:
        header += "\"MediaName\",\"Length\"";
        break;
    case 3:
        header += "\"MediaName\",\"Length\",\"Genre\",\"PublishTime\"";
        break;
    case 4:
        header += "\"MediaName\",\"Length\",\"Genre\",\"PublishTime\",\"Comment\"";
        break;
    default:
        header += "\"MediaName\"";
        break;
    }
    return header + "\n";
}

std::string csvLine(const ExportOptions& options, const ExportRecord& record, int number) {
    std::string line;
    if (options.showIndex)
        line += csvValue(std::to_string(number));
    if (hasLink(options.linkType))
        line += csvValue(record.Link());
    line += csvValue(record.MediaName(options.columnSet >= 1));
    if (options.columnSet >= 2)
        line += csvValue(LengthText(record.length));
    if (options.columnSet >= 3)
        line += csvValue(record.genre) + csvValue(record.publishTime);
    if (options.columnSet == 4)
        line += csvValue(record.comment);
    stripTrailing(line, ",");
    line += "\n";
    return line;
}

void writeCsvRows(CCatalogueConnection& connection, const ExportOptions& options,
                  ExportFile& file) {
    int number = 1;
    for (ResultSet rows = RunSelection(connection, options.selection); !rows.IsEof();
         rows.MoveNext(), ++number)
        file << csvLine(options, ReadExportRecord(rows, options.columnSet), number);
}

} // namespace

bool ExportText(CCatalogueConnection& connection, ExportOptions& options) {
    prepare(options);
    ExportFile file;
    if (!file.Create(options.path))
        return false;
    if (!options.title.empty())
        file << options.title << "\n\n";
    try {
        writeTextRows(connection, options, file);
    } catch (const std::exception&) {
        file << kReadErrorText << "\n";
    }
    file << "\n\nCreated with Tunebay!";
    return file.Close();
}

bool ExportCsv(CCatalogueConnection& connection, ExportOptions& options) {
    prepare(options);
    ExportFile file;
    if (!file.Create(options.path))
        return false;
    file << csvHeader(options);
    try {
        writeCsvRows(connection, options, file);
    } catch (const std::exception&) {
        file << kReadErrorText << "\n";
    }
    file << "\nCreated with Tunebay!";
    return file.Close();
}

} // namespace tunebay
