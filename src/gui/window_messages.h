#pragma once

namespace tunebay {

// The window's own messages and status texts.
inline constexpr const char* kMessageOperationRunning =
    "There is at least one operation running! Press ESC to stop them!";
inline constexpr const char* kMessageCloseWhileRunning =
    "There is at least one operation running!\r\nWait or press ESC to stop them, then try "
    "closing again!";
inline constexpr const char* kQuestionStopAll = "Stop all running operations?";
inline constexpr const char* kQuestionCopyNotResponding =
    "Copying-thread is not responding! Kill?\r\n\r\nCurrent file: ";
inline constexpr const char* kQuestionToolsNotResponding =
    "Tools-thread is not responding! Kill?\r\n\r\nCurrent file: ";
inline constexpr const char* kQuestionImportNotResponding =
    "Import-thread is not responding! Kill?\r\n\r\nCurrent file: ";
inline constexpr const char* kQuestionUpdateItems =
    "Do you really want to update/reimport the selected items?\r\n(Proberties will be "
    "overwritten!)";
inline constexpr const char* kProgressStopping = "Stopping running operations...";
inline constexpr const char* kProgressImportingFiles = "Importing ...";
inline constexpr const char* kMessageStartFailed = "Couldn't start the operation!";
inline constexpr const char* kMessageMoveFailed = "Couldn't move the items!";
inline constexpr const char* kMessageClearFailed = "Couldn't clear the database!";

// How long the window waits for a stopped worker, and how long the kill question stays.
inline constexpr int kWorkerWaitMs = 3000;
inline constexpr int kKillQuestionMs = 15000;

// The document type of catalogue files in file dialogs.
inline constexpr const char* kCatalogueFilter = "Tunebay Database (*.tbf)";

} // namespace tunebay
