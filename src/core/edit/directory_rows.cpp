#include "edit/directory_rows.h"

#include "store/catalogue_error.h"
#include "store/row_links.h"

#include <algorithm>
#include <cctype>

namespace tunebay {

namespace {

SqlValue formValue(const std::string& text) {
    if (text.empty())
        return nullptr;
    return std::string_view(text);
}

} // namespace

void DirectoryRows::Load(CCatalogueConnection& connection) {
    m_rows.clear();
    if (!connection.IsOpen())
        return;
    for (ResultSet rows = connection.Execute(
             "SELECT tblDirectory.lID, tblDirectory.sLocal, tblDirectory.sUNC, tblDirectory.sURL "
             "FROM tblDirectory ORDER BY tblDirectory.sLocal");
         !rows.IsEof(); rows.MoveNext()) {
        Row row;
        row.id = rows.GetInt(0);
        for (int column = 0; column < 3; ++column)
            row.forms[column] = rows.IsNull(column + 1) ? std::string() : rows.GetText(column + 1);
        m_rows.push_back(std::move(row));
    }
}

bool DirectoryRows::SetCell(std::size_t row, Column column, const std::string& text) {
    if (row >= m_rows.size())
        return false;
    std::string& cell = m_rows[row].forms[column];
    if (cell != text) {
        cell = text;
        m_rows[row].modified = true;
    }
    return true;
}

int DirectoryRows::Replace(Column column, const std::string& find, const std::string& replacement) {
    if (find.empty())
        return 0;
    int changed = 0;
    for (Row& row : m_rows) {
        std::string& text = row.forms[column];
        std::string result;
        std::size_t from = 0;
        bool replaced = false;
        for (std::size_t at = text.find(find); at != std::string::npos;
             at = text.find(find, from)) {
            result.append(text, from, at - from);
            result += replacement;
            from = at + find.size();
            replaced = true;
        }
        if (!replaced)
            continue;
        result.append(text, from, std::string::npos);
        text = std::move(result);
        row.modified = true;
        ++changed;
    }
    return changed;
}

int DirectoryRows::CopyLocalToOthers() {
    for (Row& row : m_rows) {
        row.forms[kNetwork] = row.forms[kLocal];
        row.forms[kWeb] = row.forms[kLocal];
        row.modified = true;
    }
    return static_cast<int>(m_rows.size());
}

DirectoryRows::WriteResult DirectoryRows::WriteBack(CCatalogueConnection& connection) {
    WriteResult result;
    long long current = 0;
    try {
        // One transaction for the whole edit: a crash or a refused row leaves every row as it
        // was, so running the edit again applies it once.
        CatalogueTransaction transaction(connection);
        for (const Row& row : m_rows) {
            if (!row.modified)
                continue;
            const long long id = current = row.id;
            // Another row of the same local form takes this one's media.
            ResultSet twin = connection.ExecuteWith(
                "SELECT MIN(lID) FROM tblDirectory WHERE sLocal=? AND lID<>?",
                {formValue(row.forms[kLocal]), id});
            bool merge = !row.forms[kLocal].empty() && !twin.IsEof() && !twin.IsNull(0);
            const long long into = merge ? twin.GetInt64(0) : 0;
            twin = ResultSet();
            // The row that takes the media is kept from removal meanwhile, and a writer still
            // adding media to this one is waited for, so that they move too.
            const int kept[] = {static_cast<int>(into)};
            merge = merge && !KeepLinkedRows(connection, "tblDirectory", kept).empty();
            if (merge && !LockRowForRemoval(connection, "tblDirectory", static_cast<int>(id)))
                continue;
            if (merge) {
                connection.ExecuteWith("UPDATE tblMedia SET lDirectoryID=? WHERE lDirectoryID=?",
                                       {into, id});
                connection.ExecuteWith("DELETE FROM tblDirectory WHERE lID=?", {id});
                connection.ExecuteWith(
                    "UPDATE tblDirectory SET sUNC=?, sURL=? WHERE lID=?",
                    {formValue(row.forms[kNetwork]), formValue(row.forms[kWeb]), into});
                ++result.merged;
            } else {
                connection.ExecuteWith(
                    "UPDATE tblDirectory SET sLocal=?, sUNC=?, sURL=? WHERE lID=?",
                    {formValue(row.forms[kLocal]), formValue(row.forms[kNetwork]),
                     formValue(row.forms[kWeb]), id});
            }
            ++result.written;
        }
        transaction.Commit();
    } catch (const CatalogueError& error) {
        result = WriteResult();
        result.failed.push_back(std::to_string(current) + ": " + error.engineMessage());
        return result;
    }
    for (Row& row : m_rows)
        row.modified = false;
    return result;
}

bool DirectoryColumnFromName(const std::string& name, DirectoryRows::Column& column) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "local")
        column = DirectoryRows::kLocal;
    else if (lower == "unc")
        column = DirectoryRows::kNetwork;
    else if (lower == "url")
        column = DirectoryRows::kWeb;
    else
        return false;
    return true;
}

} // namespace tunebay
