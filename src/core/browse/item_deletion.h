#pragma once

#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tunebay {

inline constexpr const char* kQuestionDeleteItems =
    TB_TRANSLATE_NOOP("Tunebay", "Do you really want to delete the selected items?");
inline constexpr const char* kProgressDeleting = TB_TRANSLATE_NOOP("Tunebay", "Deleting...");
inline constexpr const char* kMessageDeleteFailed =
    TB_TRANSLATE_NOOP("Tunebay", "An error occurred while deleting the selected items?");

struct DeletionOutcome {
    int deleted = 0;             // items removed
    std::vector<int> deletedIds; // their ids, in the order given
    bool failed = false;         // a statement failed; the items before it stay deleted
    bool stopped = false;        // the run was stopped; the items before stay deleted
    std::string error;           // the engine's message when failed
};

// Deletes the items, each with its media row, the media row's optional properties, and the
// group, package and directory rows no other item or media row uses any more (directory 1
// always stays). The whole run is one transaction in which each item goes wholly or not at all;
// the first failure, or `stopRequested` answering true between two items, ends the run and the
// items before stay deleted. `onDeleted` is told each item id removed, as it goes. Ids that name
// no item are passed over.
DeletionOutcome DeleteItems(CCatalogueConnection& connection, std::span<const int> itemIds,
                            const std::function<void(int itemId)>& onDeleted = {},
                            const std::function<bool()>& stopRequested = {});

} // namespace tunebay
