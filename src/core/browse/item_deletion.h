#pragma once

#include "store/catalogue_connection.h"

#include <functional>
#include <span>
#include <string>

namespace tunebay {

inline constexpr const char* kQuestionDeleteItems =
    "Do you really want to delete the selected items?";
inline constexpr const char* kProgressDeleting = "Deleting...";
inline constexpr const char* kMessageDeleteFailed =
    "An error occurred while deleting the selected items?";

struct DeletionOutcome {
    int deleted = 0;     // items removed
    bool failed = false; // a statement failed; the items before it stay deleted
    std::string error;   // the engine's message when failed
};

// Deletes the items one after another, each with its media row, the media row's optional
// properties, and the group, package and directory rows no other item or media row uses any
// more (directory 1 always stays). Each item goes wholly or not at all; the first failure ends
// the run. `onDeleted` is told each item id removed. Ids that name no item are passed over.
DeletionOutcome DeleteItems(CCatalogueConnection& connection, std::span<const int> itemIds,
                            const std::function<void(int itemId)>& onDeleted = {});

} // namespace tunebay
