#include "browse/item_rename.h"

#include "store/catalogue_error.h"
#include "store/sql_quote.h"

#include <string>

namespace tunebay {

bool RenameItemTitle(CCatalogueConnection& connection, int itemId, std::string_view title) {
    try {
        std::string mediaId;
        {
            ResultSet rows = connection.Execute("SELECT lMediaID FROM tblItem WHERE lID=" +
                                                std::to_string(itemId));
            if (rows.IsEof() || rows.IsNull(0))
                return false;
            mediaId = rows.GetText(0);
        }
        connection.Execute("UPDATE tblMedia SET sName=" + SqlQuote(title) +
                           " WHERE lID=" + mediaId);
        return connection.ChangedRows() > 0;
    } catch (const CatalogueError&) {
        return false;
    }
}

} // namespace tunebay
