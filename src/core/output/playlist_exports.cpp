#include "output/playlist_exports.h"

#include "output/export_file.h"
#include "output/export_record.h"
#include "store/catalogued_file_locator.h"

#include <exception>

namespace tunebay {

namespace {

// The playlist columns read as column set 2: directory, file name, title, group, length.
constexpr int kPlaylistColumns = 2;
constexpr int kPlaylistColumnCount = 5;

bool locating(const ExportOptions& options) {
    return options.locateFiles && options.linkType != kLinkUnc && options.linkType != kLinkUrl;
}

void prepare(ExportOptions& options) {
    options.selection.columns = PlaylistSelectList(options.linkType);
    // The network folder behind the playlist's columns.
    if (locating(options))
        options.selection.columns += ", tblDirectory.sUNC";
    options.selection.sortCode = options.orderType;
}

// A playlist is read line by line: a line break inside a name or path would start an entry of
// its own, so it is written as a space.
std::string entryText(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

bool ExportM3u(CCatalogueConnection& connection, ExportOptions& options) {
    prepare(options);
    ExportFile file;
    if (!file.Create(options.path))
        return false;
    file << "#EXTM3U\n";
    const CataloguedFileLocator locator;
    try {
        for (ResultSet rows = RunSelection(connection, options.selection); !rows.IsEof();
             rows.MoveNext()) {
            const ExportRecord record = ReadExportRecord(rows, kPlaylistColumns);
            const std::string link =
                locating(options)
                    ? locator.Path(record.directory, rows.GetText(kPlaylistColumnCount),
                                   record.fileName)
                    : record.Link();
            file << "#EXTINF:" << std::to_string(record.length) << ","
                 << entryText(record.MediaName(true)) << "\n"
                 << entryText(link) << "\n";
        }
    } catch (const std::exception&) {
        file << kReadErrorText << "\n";
    }
    file << "\n#Created with Tunebay!";
    return file.Close();
}

bool ExportPls(CCatalogueConnection& connection, ExportOptions& options) {
    prepare(options);
    ExportFile file;
    if (!file.Create(options.path))
        return false;
    file << "[playlist]\n";
    int written = 0;
    try {
        for (ResultSet rows = RunSelection(connection, options.selection); !rows.IsEof();
             rows.MoveNext()) {
            const ExportRecord record = ReadExportRecord(rows, kPlaylistColumns);
            const std::string number = std::to_string(written + 1);
            file << "File" << number << "=" << entryText(record.Link()) << "\n"
                 << "Title" << number << "=" << entryText(record.MediaName(true)) << "\n"
                 << "Length" << number << "=" << std::to_string(record.length) << "\n";
            ++written;
        }
    } catch (const std::exception&) {
        file << kReadErrorText << "\n";
    }
    file << "NumberOfEntries=" << (written > 0 ? std::to_string(written) : std::string()) << "\n"
         << "Version=2\n"
         << "\nCreated with Tunebay!";
    return file.Close();
}

} // namespace tunebay
