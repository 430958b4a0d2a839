#include "edit/item_properties.h"

#include "browse/length_text.h"
#include "import/audio_format.h"
#include "import/media_importer.h"
#include "store/catalogue_error.h"
#include "store/catalogued_file_locator.h"
#include "store/directories.h"
#include "store/item_query.h"
#include "store/row_links.h"
#include "text/text_rules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace tunebay {

namespace {

constexpr const char* kUnknown = "Unknown";

std::optional<long long> firstId(ResultSet rows) {
    if (rows.IsEof() || rows.IsNull(0))
        return std::nullopt;
    return rows.GetInt64(0);
}

long long countOf(CCatalogueConnection& connection, std::string_view sql, long long id) {
    ResultSet rows = connection.ExecuteWith(sql, {id});
    return rows.IsEof() || rows.IsNull(0) ? 0 : rows.GetInt64(0);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && !(x < 128 && y < 128 && std::tolower(x) == std::tolower(y)))
            return false;
    }
    return true;
}

// The names of one classification kind's table and its column in tblItem.
struct Kind {
    const char* table;
    const char* column;
};
constexpr Kind kGroup{"tblGroup", "lGroupID"};
constexpr Kind kPackage{"tblPackage", "lPackageID"};

// Gives the item the typed name of its kind. `sameNamed` is the other row of that name the item
// may join (looked up by the caller, packages only among the group's). Returns the item's row
// afterwards.
long long assignName(CCatalogueConnection& connection, const Kind& kind, long long itemId,
                     long long currentId, const std::string& currentName, const std::string& name,
                     bool pressedNew, std::optional<long long> sameNamed) {
    const std::string table = kind.table;
    const std::string column = kind.column;
    const long long users =
        countOf(connection, "SELECT COUNT(lID) FROM tblItem WHERE " + column + "=?", currentId);
    long long target = currentId;
    // A row found may be removed by a writer that found it unused: a row of its own then.
    if (sameNamed &&
        KeepLinkedRows(connection, table, std::vector<int>{static_cast<int>(*sameNamed)}).empty()) {
        sameNamed.reset();
        pressedNew = true;
    }
    if (sameNamed) {
        target = *sameNamed;
        // The row takes the letter case the user typed.
        connection.ExecuteWith("UPDATE " + table + " SET sName=? WHERE lID=?", {name, target});
    } else if (pressedNew && sameName(name, currentName)) {
        return currentId; // a row of the item's own name is the row it has
    } else if (pressedNew || (sameName(currentName, kUnknown) && users > 1)) {
        // A row of its own; the shared "Unknown" row is never renamed for one of its items.
        connection.ExecuteWith("INSERT INTO " + table + " (sName) VALUES (?)", {name});
        target = connection.LastInsertedId();
    } else {
        connection.ExecuteWith("UPDATE " + table + " SET sName=? WHERE lID=?", {name, currentId});
        return currentId;
    }
    connection.ExecuteWith("UPDATE tblItem SET " + column + "=? WHERE lID=?", {target, itemId});
    // Deleted only when no item uses it now, whoever else changed the catalogue meanwhile.
    if (target != currentId)
        RemoveRowIfUnused(connection, table, static_cast<int>(currentId),
                          "SELECT lID FROM tblItem WHERE " + column + "=? LIMIT 1");
    return target;
}

void changeFile(CCatalogueConnection& connection, long long mediaId, const std::string& path) {
    std::string directory;
    std::string fileName;
    SplitMediaPath(path, directory, fileName);
    const std::optional<long long> oldDirectory =
        firstId(connection.ExecuteWith("SELECT lDirectoryID FROM tblMedia WHERE lID=?", {mediaId}));
    const long long newDirectory = FindOrCreateDirectory(connection, directory);
    connection.ExecuteWith("UPDATE tblMedia SET sFileName=?, lDirectoryID=? WHERE lID=?",
                           {fileName, newDirectory, mediaId});
    // Directory 1 stays, as on delete.
    if (oldDirectory && *oldDirectory != newDirectory && *oldDirectory != 1)
        RemoveRowIfUnused(connection, "tblDirectory", static_cast<int>(*oldDirectory),
                          "SELECT lID FROM tblMedia WHERE lDirectoryID=? LIMIT 1");
}

bool isReadableFile(const std::string& path, long long& size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    size = regular ? static_cast<long long>(status.st_size) : 0;
    return regular;
}

std::string importTimeText(const std::string& stamp) {
    if (stamp.size() != 14)
        return stamp;
    return stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " +
           stamp.substr(8, 2) + ":" + stamp.substr(10, 2) + ":" + stamp.substr(12, 2);
}

std::size_t codePoints(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

std::string numberText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

} // namespace

std::optional<ItemProperties> LoadItemProperties(CCatalogueConnection& connection, int itemId,
                                                 const CataloguedFileLocator* locator) {
    ResultSet rows = QueryItems(
        connection,
        "SELECT tblMedia.sFileName, tblDirectory.sLocal, tblGroup.sName, tblPackage.sName, "
        "tblMedia.sName, tblMedia.sComment, tblGenre.sName, tblMedia.sPublishTime, "
        "tblItem.lPackageID, tblItem.lGroupID, tblItem.lMediaID, tblMedia.lLength, "
        "tblMedia.lGenreID, tblMedia.lMediaType, tblDirectory.sUNC",
        "tblItem.lID=" + std::to_string(itemId), 0);
    if (rows.IsEof())
        return std::nullopt;
    ItemProperties item;
    item.itemId = itemId;
    item.fileName = rows.GetText(0);
    item.directory = rows.GetText(1);
    item.group = rows.GetText(2);
    item.package = rows.GetText(3);
    item.title = rows.GetText(4);
    item.comment = rows.GetText(5);
    item.genreName = rows.GetText(6);
    item.published = rows.GetText(7);
    item.packageId = rows.GetInt(8);
    item.groupId = rows.GetInt(9);
    item.mediaId = rows.GetInt(10);
    item.length = rows.GetInt64(11);
    item.genreId = rows.GetInt(12);
    item.mediaType = rows.GetInt(13);
    item.network = rows.GetText(14);
    item.located = locator ? locator->Path(item.directory, item.network, item.fileName)
                           : LocateCataloguedFile(item.directory, item.network, item.fileName);
    return item;
}

std::string PublishedYear(std::string typed) {
    return codePoints(typed) == 2 ? "19" + typed : typed;
}

SaveResult SaveItemProperties(CCatalogueConnection& connection, const ItemProperties& loaded,
                              const PropertyChanges& changes) {
    SaveResult result;
    if (!changes.Any())
        return result;
    if (changes.title && changes.title->empty()) {
        result.outcome = SaveOutcome::EmptyTitle;
        result.message = kMessageEmptyTitle;
        return result;
    }
    if (changes.file) {
        // A folder, a device or nothing at all would leave the item naming no file.
        const std::string& path = *changes.file;
        struct stat status {};
        const std::size_t slash = path.rfind('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.empty() || name == "." || name == ".." ||
            (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))) {
            result.outcome = SaveOutcome::Failed;
            result.message = kMessageSaveFailed;
            result.engineReason =
                (path.empty() ? std::string("no file") : path) + ": not a regular file";
            return result;
        }
    }
    const long long item = loaded.itemId;
    const long long media = loaded.mediaId;
    try {
        CatalogueTransaction transaction(connection);
        // A genre that is no row of the genre table would hide the item from every view.
        if (changes.genreId && connection
                                   .ExecuteWith("SELECT lID FROM tblGenre WHERE lID=?",
                                                {static_cast<long long>(*changes.genreId)})
                                   .IsEof()) {
            result.outcome = SaveOutcome::Failed;
            result.message = kMessageSaveFailed;
            result.engineReason =
                "No genre " + std::to_string(*changes.genreId) + " in the catalogue.";
            return result;
        }
        // The item as it stands now: another writer may have moved or deleted it.
        ResultSet now = connection.ExecuteWith(
            "SELECT tblItem.lGroupID, tblItem.lPackageID, tblItem.lMediaID FROM tblItem WHERE "
            "tblItem.lID=?",
            {item});
        if (now.IsEof() || now.GetInt64(2) != media) {
            result.outcome = SaveOutcome::ItemGone;
            result.message = kMessageItemGone;
            return result;
        }
        long long groupId = now.IsNull(0) ? -1 : now.GetInt64(0);
        const long long packageId = now.IsNull(1) ? -1 : now.GetInt64(1);
        now = ResultSet();

        if (changes.group) {
            const std::string name = changes.group->empty() ? kUnknown : *changes.group;
            const std::optional<long long> other = firstId(connection.ExecuteWith(
                "SELECT MAX(tblGroup.lID) FROM tblGroup WHERE tblGroup.sName=? AND lID<>?",
                {name, groupId}));
            groupId = assignName(connection, kGroup, item, groupId, loaded.group, name,
                                 changes.newGroup, other);
            result.groupChanged = true;
        }
        if (changes.package) {
            const std::string name = changes.package->empty() ? kUnknown : *changes.package;
            const std::optional<long long> other = firstId(connection.ExecuteWith(
                "SELECT MAX(tblPackage.lID) FROM tblPackage, tblItem WHERE "
                "tblItem.lPackageID=tblPackage.lID AND tblPackage.sName=? AND "
                "tblItem.lGroupID=? AND tblItem.lPackageID<>?",
                {name, groupId, packageId}));
            assignName(connection, kPackage, item, packageId, loaded.package, name,
                       changes.newPackage, other);
            result.packageChanged = true;
        }
        if (changes.comment)
            connection.ExecuteWith("UPDATE tblMedia SET sComment=? WHERE lID=?",
                                   {*changes.comment, media});
        if (changes.title)
            connection.ExecuteWith("UPDATE tblMedia SET sName=? WHERE lID=?",
                                   {*changes.title, media});
        if (changes.published)
            connection.ExecuteWith("UPDATE tblMedia SET sPublishTime=? WHERE lID=?",
                                   {PublishedYear(*changes.published), media});
        if (changes.genreId)
            connection.ExecuteWith("UPDATE tblMedia SET lGenreID=? WHERE lID=?",
                                   {static_cast<long long>(*changes.genreId), media});
        if (changes.file)
            changeFile(connection, media, *changes.file);
        transaction.Commit();
    } catch (const CatalogueError& error) {
        result = SaveResult();
        result.outcome = SaveOutcome::Failed;
        // The transaction was rolled back: nothing of this save stays.
        result.message = kMessageSaveFailed;
        result.engineReason = error.engineMessage();
        return result;
    }
    result.outcome = SaveOutcome::Saved;
    return result;
}

std::optional<std::vector<ItemDetail>> ItemDetails(CCatalogueConnection& connection,
                                                   const ItemProperties& item) {
    try {
        ResultSet facts = connection.ExecuteWith(
            "SELECT tblMedia.sImportTime, tblMedia.lMediaType, tblMedia.fSize, tblDirectory.sUNC, "
            "tblDirectory.sURL, tblMedia.lLength FROM tblMedia, tblDirectory WHERE "
            "tblMedia.lDirectoryID=tblDirectory.lID AND tblMedia.lID=?",
            {static_cast<long long>(item.mediaId)});
        if (facts.IsEof())
            return std::nullopt;
        std::vector<ItemDetail> details;
        long long actualSize = 0;
        const bool exists = isReadableFile(item.LocatedPath(), actualSize);
        details.push_back({"Exists local", "\t\t ", exists ? "yes" : "no"});
        if (exists)
            details.push_back({"Actual FileSize [byte]", "\t ",
                               FormatThousands(static_cast<double>(actualSize))});
        details.push_back({"FileSize [byte]", "\t\t ", FormatThousands(facts.GetDouble(2))});
        details.push_back({"ImportTime", "\t\t ", importTimeText(facts.GetText(0))});
        details.push_back({"Length", "\t\t\t ", LengthText(facts.GetInt64(5))});
        const long long type = facts.GetInt64(1);
        details.push_back({"MediaType", "\t\t ",
                           IsAudioMediaType(type) ? "Audio/" + std::string(AudioFormatName(
                                                                   AudioFormatOfMediaType(type)))
                                                  : "Unknown/" + std::to_string(type)});
        details.push_back({"UNC", "\t\t\t ", facts.GetText(3)});
        details.push_back({"URL", "\t\t\t ", facts.GetText(4)});
        facts = ResultSet();

        for (ResultSet rows = connection.ExecuteWith(
                 "SELECT tblOptionalType.sName, tblOptionalType.lValueType, tblOptional.sValue, "
                 "tblOptional.lValue, tblOptional.fValue FROM tblMedia, tblOptional, "
                 "tblOptionalType WHERE tblMedia.lID=? AND tblMedia.lID=tblOptional.lTableID AND "
                 "tblOptional.lOptionalTypeID=tblOptionalType.lID AND "
                 "tblOptionalType.lTableType=9 ORDER BY tblOptionalType.sName",
                 {static_cast<long long>(item.mediaId)});
             !rows.IsEof(); rows.MoveNext()) {
            const std::string name = rows.GetText(0);
            const std::size_t width = codePoints(name);
            ItemDetail& detail = details.emplace_back();
            detail.label = name;
            detail.separator = std::string(" ") + (width <= 8    ? "\t\t\t"
                                                   : width <= 24 ? "\t\t"
                                                                 : " ");
            std::string& text = detail.value;
            const int column = rows.GetInt(1) == 1 || rows.GetInt(1) == 5 ? 2
                               : rows.GetInt(1) == 3                      ? 4
                                                                          : 3;
            if (!rows.IsNull(column)) {
                switch (rows.GetInt(1)) {
                case 2:
                    text = std::to_string(rows.GetInt64(3));
                    break;
                case 3:
                    text = name.find("[byte]") != std::string::npos
                               ? FormatThousands(rows.GetDouble(4))
                               : numberText(rows.GetDouble(4));
                    break;
                case 4:
                    text = rows.GetInt64(3) != 0 ? "yes" : "no";
                    break;
                case 5:
                    text = importTimeText(rows.GetText(2));
                    break;
                default:
                    text = rows.GetText(2);
                }
            }
        }
        return details;
    } catch (const CatalogueError&) {
        return std::nullopt;
    }
}

std::string ItemDetailsText(CCatalogueConnection& connection, const ItemProperties& item) {
    const std::optional<std::vector<ItemDetail>> details = ItemDetails(connection, item);
    if (!details)
        return "Error while retrieving details!";
    std::string text;
    for (const ItemDetail& detail : *details)
        text += detail.label + detail.separator + detail.value + "\r\n";
    return text;
}

} // namespace tunebay
