#pragma once

#include "store/catalogue_connection.h"
#include "text/translatable.h"
#include "tools/tools_job.h" // kMessageEmptyTitle

#include <optional>
#include <string>
#include <vector>

namespace tunebay {

class CataloguedFileLocator;

inline constexpr const char* kMessageTagNotSaved = TB_TRANSLATE_NOOP(
    "Tunebay", "Can not save tag to file: File is not accessible or write protected!");
inline constexpr const char* kMessageItemGone =
    TB_TRANSLATE_NOOP("Tunebay", "This item is no longer in the catalogue!");
inline constexpr const char* kMessageSaveFailed =
    TB_TRANSLATE_NOOP("Tunebay", "The changes could not be saved!");

// One item as the Properties window shows it.
struct ItemProperties {
    int itemId = 0;
    int mediaId = 0;
    int groupId = 0;
    int packageId = 0;
    std::string fileName;
    std::string directory; // the catalogued local folder
    std::string network;   // the catalogued network folder
    // Where this machine has the file (on a share perhaps under its own mount point); the
    // catalogued path when it has it nowhere.
    std::string located;
    std::string title;
    std::string comment;
    std::string group;
    std::string package;
    std::string published;
    std::string genreName;
    int genreId = 255;
    long long length = 0;
    int mediaType = 0;

    // The path as the catalogue holds it.
    std::string FilePath() const { return directory + fileName; }
    // The path to open on this machine.
    std::string LocatedPath() const { return located.empty() ? FilePath() : located; }
};

// The item's properties, or none when the catalogue holds no such item. The file is located
// with `locator` when one is given (a run that loads many items), else with one of its own.
std::optional<ItemProperties> LoadItemProperties(CCatalogueConnection& connection, int itemId,
                                                 const CataloguedFileLocator* locator = nullptr);

// What the user changed; a field left empty (std::nullopt) was not touched. `newGroup` and
// `newPackage` stand for the "New" buttons: the typed name becomes a row of its own for this item
// instead of renaming the item's row.
struct PropertyChanges {
    std::optional<std::string> title;
    std::optional<std::string> comment;
    std::optional<std::string> group;
    std::optional<std::string> package;
    std::optional<std::string> published;
    std::optional<int> genreId;
    std::optional<std::string> file; // a full path
    bool newGroup = false;
    bool newPackage = false;

    bool Any() const {
        return title || comment || group || package || published || genreId || file;
    }
};

enum class SaveOutcome { NothingChanged, Saved, EmptyTitle, ItemGone, Failed };

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::NothingChanged;
    std::string message;      // for the user, empty when saved or nothing changed
    std::string engineReason; // the engine's words when the catalogue refused
    bool groupChanged = false;
    bool packageChanged = false;
};

// A published text of exactly two characters is a year of the 1900s ("85" is "1985"); any
// other text stands as typed.
std::string PublishedYear(std::string typed);

// Saves the changes of one item with the Properties window's rules for one item, in one
// transaction: on any failure nothing is saved. The group (an empty name is "Unknown") is
// renamed when no other group has the typed name, unless "New" was pressed or the group is the
// shared "Unknown" row, when the item gets a group of its own; a group of that name takes the
// item (and the typed letter case). The package likewise, looked up among the packages of the
// item's group. A group or package left without items is deleted. A changed file points the
// media at its folder's directory row; the old row goes when nothing uses it.
SaveResult SaveItemProperties(CCatalogueConnection& connection, const ItemProperties& loaded,
                              const PropertyChanges& changes);

// One line of an item's details: "Length", "\t\t\t ", "03:15".
struct ItemDetail {
    std::string label;
    std::string separator; // what stands between label and value in the text
    std::string value;
};

// What the details text shows, line by line; none when the catalogue could not say.
std::optional<std::vector<ItemDetail>> ItemDetails(CCatalogueConnection& connection,
                                                   const ItemProperties& item);

// The details text of an item: whether its file exists on this machine, its sizes, import time,
// length, media type, network and web folders and every optional property, lines ending in "\r\n".
std::string ItemDetailsText(CCatalogueConnection& connection, const ItemProperties& item);

} // namespace tunebay
