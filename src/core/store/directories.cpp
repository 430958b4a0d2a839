#include "store/directories.h"

#include "store/catalogue_error.h"
#include "store/local_paths.h"
#include "store/network_mounts.h"
#include "store/row_batches.h"
#include "store/row_links.h"
#include "store/writer_locks.h"
#include "text/text_case.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace tunebay {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

void ensureTrailing(std::string& text, char separator) {
    if (text.empty() || text.back() != separator)
        text.push_back(separator);
}

// A folder on a network share is known to every machine by the share's name; the mount table is
// read only for a new row.
void takeSharedForm(DirectoryForms& forms, std::string_view web, std::string_view network,
                    const std::vector<MountEntry>* mounts) {
    if (!network.empty())
        return;
    if (const std::string shared =
            NetworkFormOf(forms.local, mounts ? *mounts : CurrentMountTable());
        !shared.empty())
        forms = CompleteDirectoryForms(forms.local, web, shared);
}

// The ids of the forms' rows in their order, -1 for a row not found.
std::vector<int> rowIds(const std::vector<DirectoryForms>& forms,
                        const std::unordered_map<std::string, int>& ids) {
    std::vector<int> result;
    result.reserve(forms.size());
    for (const DirectoryForms& form : forms) {
        const auto found = ids.find(form.local);
        result.push_back(found == ids.end() ? -1 : found->second);
    }
    return result;
}

} // namespace

DirectoryForms CompleteDirectoryForms(std::string_view local, std::string_view web,
                                      std::string_view network) {
    // One directory has one row: its local form is absolute and lexically normal.
    const bool isAddress = HasUrlScheme(local);
    DirectoryForms forms{isAddress || !startsWith(local, "/") ? std::string(local)
                                                              : NormalLocalPath(local),
                         std::string(network), std::string(web)};
    // An address (a playlist's stream) is its own network and web form.
    if (forms.network.empty())
        forms.network =
            isAddress || startsWith(forms.local, "//") ? forms.local : "/" + forms.local;
    if (forms.web.empty()) {
        if (isAddress) {
            forms.web = forms.local;
        } else {
            std::string address;
            for (const char c : forms.network)
                if (c != ':')
                    address.push_back(c);
            address = ToLowerText(address);
            forms.web = (startsWith(address, "//") ? "http:" : "http://") + address;
        }
    }
    ensureTrailing(forms.local, '/');
    ensureTrailing(forms.network, '/');
    ensureTrailing(forms.web, '/');
    return forms;
}

namespace {

int findOrCreateDirectory(CCatalogueConnection& connection, std::string_view local,
                          std::string_view web, std::string_view network,
                          const std::vector<MountEntry>* mounts) {
    DirectoryForms forms = CompleteDirectoryForms(local, web, network);
    // Runs once per imported file: the statements are kept prepared.
    constexpr std::string_view select = "SELECT lID FROM tblDirectory WHERE sLocal=?";
    {
        ResultSet rows = connection.ExecuteWith(select, {forms.local});
        if (!rows.IsEof())
            return rows.GetInt(0);
    }
    takeSharedForm(forms, web, network, mounts);
    // Two importers may make the row at once: on a server its unique key refuses the second,
    // which takes the first's row.
    try {
        connection.ExecuteWith("INSERT INTO tblDirectory (sLocal, sUNC, sURL) VALUES (?, ?, ?)",
                               {forms.local, forms.network, forms.web});
    } catch (const CatalogueError&) {
        if (connection.ExecuteWith(select, {forms.local}).IsEof())
            throw;
    }
    ResultSet rows = connection.ExecuteWith(select, {forms.local});
    return rows.IsEof() ? -1 : rows.GetInt(0);
}

} // namespace

int FindOrCreateDirectory(CCatalogueConnection& connection, std::string_view local,
                          std::string_view web, std::string_view network,
                          const std::vector<MountEntry>* mounts) {
    // A row found may be removed by a writer that found it unused before this one's media row
    // links it: the folder is then looked up and made again.
    for (int attempt = 0;; ++attempt) {
        const int id = findOrCreateDirectory(connection, local, web, network, mounts);
        const int ids[] = {id};
        if (id <= 0 || !KeepLinkedRows(connection, "tblDirectory", ids).empty())
            return id;
        if (attempt == 3)
            throw CatalogueError("", "the folder's row keeps being removed");
    }
}

bool DirectoryRowStandsFor(std::string_view rowLocal, std::string_view rowNetwork,
                           std::string_view local, std::string_view network) {
    if (rowLocal == local)
        return true;
    // A folder of a machine's own disk has "/" and its path as its network form, no share's.
    return !network.empty() && rowNetwork != "/" + std::string(rowLocal) &&
           ComparableNetworkForm(rowNetwork) == ComparableNetworkForm(network);
}

namespace {

std::vector<int> findOrCreateDirectories(CCatalogueConnection& connection,
                                         std::span<const std::string> locals,
                                         const std::vector<MountEntry>* mounts) {
    std::vector<DirectoryForms> forms;
    forms.reserve(locals.size());
    for (const std::string& local : locals)
        forms.push_back(CompleteDirectoryForms(local, {}, {}));
    std::unordered_map<std::string, int> ids;
    const auto lookUp = [&] {
        std::vector<SqlValue> values;
        for (const DirectoryForms& form : forms)
            if (!ids.contains(form.local))
                values.emplace_back(std::string_view(form.local));
        if (values.empty())
            return;
        const std::string marks = PaddedListMarks(values);
        for (ResultSet rows = connection.ExecuteBatch(
                 "SELECT lID, sLocal FROM tblDirectory WHERE sLocal IN (" + marks + ")", values);
             !rows.IsEof(); rows.MoveNext())
            ids.emplace(rows.GetText(1), rows.GetInt(0));
    };
    lookUp();

    // The folders without a row, each once, in the order given, with their share's form ("" off
    // a share). The mount table is read once for all of them, and not at all when there are none.
    std::vector<std::size_t> fresh;
    std::vector<std::string> shares;
    std::optional<std::vector<MountEntry>> read;
    {
        std::unordered_set<std::string> seen;
        for (std::size_t i = 0; i < forms.size(); ++i) {
            if (ids.contains(forms[i].local) || !seen.insert(forms[i].local).second)
                continue;
            if (!mounts && !read)
                read = CurrentMountTable();
            std::string shared = NetworkFormOf(forms[i].local, mounts ? *mounts : *read);
            if (!shared.empty())
                forms[i] = CompleteDirectoryForms(forms[i].local, {}, shared);
            fresh.push_back(i);
            shares.push_back(std::move(shared));
        }
    }
    if (fresh.empty())
        return rowIds(forms, ids);

    // A share folder another machine catalogued through its own mount point stays one folder of
    // the catalogue: its row serves (the first made, when there are several). The share folders'
    // locks make two machines adding the same new folder at once take turns.
    std::vector<std::string> shareForms, foldedForms;
    for (const std::string& shared : shares)
        if (!shared.empty()) {
            shareForms.push_back(shared);
            foldedForms.push_back(AsciiFoldedText(shared));
        }
    std::vector<SqlValue> folded(foldedForms.begin(), foldedForms.end());
    if (!shareForms.empty()) {
        LockShareFolders(connection, shareForms);
        lookUp();
        const std::string marks = PaddedListMarks(folded);
        for (ResultSet rows = connection.ExecuteBatch(
                 "SELECT lID, sLocal, sUNC FROM tblDirectory WHERE LOWER(sUNC) IN (" + marks +
                     ") ORDER BY lID",
                 folded);
             !rows.IsEof(); rows.MoveNext())
            for (std::size_t k = 0; k < fresh.size(); ++k)
                if (!shares[k].empty() && !ids.contains(forms[fresh[k]].local) &&
                    DirectoryRowStandsFor(rows.GetText(1), rows.GetText(2), forms[fresh[k]].local,
                                          shares[k]))
                    ids.emplace(forms[fresh[k]].local, rows.GetInt(0));
    }

    std::vector<SqlValue> missing;
    for (const std::size_t i : fresh)
        if (!ids.contains(forms[i].local))
            missing.insert(missing.end(),
                           {std::string_view(forms[i].local), std::string_view(forms[i].network),
                            std::string_view(forms[i].web)});
    if (!missing.empty()) {
        // Two importers may make a row at once: on a server its unique key lets the first in,
        // and the second takes that row.
        InsertRows(connection, "INSERT INTO tblDirectory (sLocal, sUNC, sURL) VALUES ", 3, missing,
                   " ON CONFLICT DO NOTHING");
        lookUp();
    }
    return rowIds(forms, ids);
}

} // namespace

std::vector<int> FindOrCreateDirectories(CCatalogueConnection& connection,
                                         std::span<const std::string> locals,
                                         const std::vector<MountEntry>* mounts) {
    // A row found may be removed by a writer that found it unused before this one's media rows
    // link it: the folders are then looked up and made again.
    for (int attempt = 0;; ++attempt) {
        const std::vector<int> ids = findOrCreateDirectories(connection, locals, mounts);
        const std::unordered_set<int> kept = KeepLinkedRows(connection, "tblDirectory", ids);
        if (std::all_of(ids.begin(), ids.end(),
                        [&](int id) { return id <= 0 || kept.contains(id); }))
            return ids;
        if (attempt == 3)
            throw CatalogueError("", "the folders' rows keep being removed");
    }
}

} // namespace tunebay
