#include "import/item_tag.h"

#include "files/catalogue_backups.h"
#include "import/audio_format.h"
#include "import/audio_tag_writer.h"
#include "import/id3_tag_writer.h"
#include "import/media_file_bytes.h"
#include "store/catalogued_file_locator.h"
#include "store/item_query.h"

namespace tunebay {

namespace {

// The container format of the file by its content; None for MPEG audio and whatever is not audio
// (the ID3 writer decides on those).
AudioFormat containerFormatOf(const std::string& path) {
    const MediaFileBytes file(path);
    return file.IsOpen() ? DetectContainerFormat(file) : AudioFormat::None;
}

} // namespace

RewriteResult WriteItemTag(CCatalogueConnection& connection, int itemId, bool useId3v2) {
    std::string path;
    {
        ResultSet file =
            QueryItems(connection,
                       "SELECT tblMedia.lMediaType, tblMedia.sFileName, tblDirectory.sLocal, "
                       "tblDirectory.sUNC",
                       "tblItem.lID=" + std::to_string(itemId), 0);
        if (file.IsEof())
            return {false, "no such item"};
        if (!IsAudioMediaType(file.GetInt(0)))
            return {true, {}};
        path = LocateCataloguedFile(file.GetText(2), file.GetText(3), file.GetText(1));
    }
    return WriteItemTagToFile(connection, path, itemId, useId3v2);
}

RewriteResult WriteItemTagToFile(CCatalogueConnection& connection, const std::string& path,
                                 int itemId, bool useId3v2) {
    ItemTagFields fields;
    std::string genreName;
    {
        ResultSet item = QueryItems(connection,
                                    "SELECT tblMedia.sName, tblGroup.sName, tblPackage.sName, "
                                    "tblMedia.sPublishTime, tblMedia.sComment, tblMedia.lGenreID, "
                                    "tblGenre.sName",
                                    "tblItem.lID=" + std::to_string(itemId), 0);
        if (item.IsEof())
            return {false, "no such item"};
        fields.title = item.GetText(0);
        fields.group = item.GetText(1);
        fields.package = item.GetText(2);
        fields.publishTime = item.GetText(3);
        fields.comment = item.GetText(4);
        fields.genre = item.IsNull(5) ? kNoGenre : item.GetInt(5);
        genreName = item.IsNull(6) ? std::string() : item.GetText(6);
    }
    // A file with several names is written in place, after a backup the journal keeps.
    CatalogueBackups backups(connection);
    const AudioFormat format = containerFormatOf(path);
    if (format != AudioFormat::None)
        return WriteAudioTagToFile(path, format, fields, genreName, &backups);
    return WriteTagToFile(path, fields, useId3v2, &backups);
}

RewriteResult RemoveItemTags(CCatalogueConnection& connection, const std::string& path,
                             bool keepVersion1) {
    CatalogueBackups backups(connection);
    const AudioFormat format = containerFormatOf(path);
    if (format != AudioFormat::None)
        return RemoveAudioTags(path, format, &backups);
    return RemoveFileTags(path, keepVersion1, &backups);
}

} // namespace tunebay
