#include "store/directories.h"

#include "store/sql_quote.h"
#include "tools/text_case.h"

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
    DirectoryForms forms{std::string(local), std::string(network), std::string(web)};
    if (forms.network.empty())
        forms.network = startsWith(local, "//") ? std::string(local) : "/" + std::string(local);
    if (forms.web.empty()) {
        if (startsWith(local, "http://")) {
            forms.web = local;
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
                          std::string_view web, std::string_view network) {
    const DirectoryForms forms = CompleteDirectoryForms(local, web, network);
    const std::string select = "SELECT lID FROM tblDirectory WHERE sLocal=" + SqlQuote(forms.local);
    {
        ResultSet rows = connection.Execute(select);
        if (!rows.IsEof())
            return rows.GetInt(0);
    }
    connection.Execute("INSERT INTO tblDirectory (sLocal, sUNC, sURL) VALUES (" +
                       SqlQuote(forms.local) + ", " + SqlQuote(forms.network) + ", " +
                       SqlQuote(forms.web) + ")");
    ResultSet rows = connection.Execute(select);
    return rows.IsEof() ? -1 : rows.GetInt(0);
}

} // namespace tunebay
