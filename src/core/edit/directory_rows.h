#pragma once

#include "store/catalogue_connection.h"

#include <string>
#include <vector>

namespace tunebay {

// The directory rows of a catalogue as the Directories page edits them: every row's local,
// network (UNC) and web (URL) forms, changed in memory and written back on confirmation.
class DirectoryRows {
public:
    enum Column { kLocal = 0, kNetwork = 1, kWeb = 2 };

    struct Row {
        int id = 0;
        std::string forms[3];
        bool modified = false;
    };

    // Reads every row, ordered by local path. Without an open catalogue there are none.
    void Load(CCatalogueConnection& connection);

    const std::vector<Row>& Rows() const { return m_rows; }

    // One cell edited; the row is marked only when the text differs. False for no such row.
    bool SetCell(std::size_t row, Column column, const std::string& text);

    // Replaces every occurrence of `find` in one column, left to right and without rescanning
    // what was put in; letter case counts. Returns the number of rows changed (and marked).
    int Replace(Column column, const std::string& find, const std::string& replacement);

    // Every row's network and web forms become its local form; every row is marked.
    int CopyLocalToOthers();

    struct WriteResult {
        int written = 0;
        int merged = 0;                  // rows folded into another of the same local form
        std::vector<std::string> failed; // a line per row the catalogue refused
    };
    // Writes the marked rows (an empty form as NULL) in one transaction: a refused row is
    // reported and nothing is written (the rows stay marked). A row whose local form another row
    // already has is merged into that row: its media move there and it is deleted, so that one
    // folder keeps one row.
    WriteResult WriteBack(CCatalogueConnection& connection);

private:
    std::vector<Row> m_rows;
};

// The column named "local", "unc" or "url" (any case); false for another name.
bool DirectoryColumnFromName(const std::string& name, DirectoryRows::Column& column);

} // namespace tunebay
