#pragma once

#include "store/catalogue_connection.h"

#include <string>

namespace tunebay {

// One row of an export's query, read by the column positions of the select lists: 0 directory,
// 1 file name, 2 title, 3 group, 4 length, 5 genre, 6 publish time, 7 comment. Columns the
// column set does not select stay empty.
struct ExportRecord {
    std::string directory;
    std::string fileName;
    std::string title;
    std::string group;
    long long length = 0;
    std::string genre;
    std::string publishTime;
    std::string comment;

    // The file's link target: the directory forms end with their separator.
    std::string Link() const { return directory + fileName; }
    // "group - title", or the title alone when the group is not shown or is empty.
    std::string MediaName(bool withGroup) const;
};

// Reads the current row; `columnSet` says how many columns the select list holds (the playlists
// read theirs as column set 2).
ExportRecord ReadExportRecord(const ResultSet& rows, int columnSet);

inline constexpr const char* kReadErrorText =
    "[Unknown error occurred while writing data records!]";

} // namespace tunebay
