#include "store/directories.h"

#include "store/catalogue_error.h"
#include "store/local_paths.h"
#include "text/text_case.h"

namespace tunebay {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

void ensureTrailing(std::string& text, char separator) {
    if (text.empty() || text.back() != separator)
        text.push_back(separator);
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

int FindOrCreateDirectory(CCatalogueConnection& connection, std::string_view local,
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
    // A folder on a network share is known to every machine by the share's name; the mount
    // table is read only for a new row.
    if (network.empty()) {
        if (const std::string shared =
                NetworkFormOf(forms.local, mounts ? *mounts : CurrentMountTable());
            !shared.empty())
            forms = CompleteDirectoryForms(forms.local, web, shared);
    }
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

} // namespace tunebay
