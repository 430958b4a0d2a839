#include "import/item_tag.h"

#include "files/catalogue_backups.h"
#include "import/id3_tag_writer.h"
#include "store/item_query.h"

namespace tunebay {

RewriteResult WriteItemTag(CCatalogueConnection& connection, int itemId, bool useId3v2) {
    std::string path;
    {
        ResultSet file = QueryItems(
            connection, "SELECT tblMedia.lMediaType, tblMedia.sFileName, tblDirectory.sLocal",
            "tblItem.lID=" + std::to_string(itemId), 0);
        if (file.IsEof())
            return {false, "no such item"};
        if (file.GetInt(0) != 1)
            return {true, {}};
        path = file.GetText(2) + file.GetText(1);
    }
    return WriteItemTagToFile(connection, path, itemId, useId3v2);
}

RewriteResult WriteItemTagToFile(CCatalogueConnection& connection, const std::string& path,
                                 int itemId, bool useId3v2) {
    ItemTagFields fields;
    {
        ResultSet item = QueryItems(connection,
                                    "SELECT tblMedia.sName, tblGroup.sName, tblPackage.sName, "
                                    "tblMedia.sPublishTime, tblMedia.sComment, tblMedia.lGenreID",
                                    "tblItem.lID=" + std::to_string(itemId), 0);
        if (item.IsEof())
            return {false, "no such item"};
        fields.title = item.GetText(0);
        fields.group = item.GetText(1);
        fields.package = item.GetText(2);
        fields.publishTime = item.GetText(3);
        fields.comment = item.GetText(4);
        fields.genre = item.IsNull(5) ? kNoGenre : item.GetInt(5);
    }
    // A file with several names is written in place, after a backup the journal keeps.
    CatalogueBackups backups(connection);
    return WriteTagToFile(path, fields, useId3v2, &backups);
}

} // namespace tunebay
