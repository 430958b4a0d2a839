#pragma once

#include "text/translatable.h"

namespace tunebay {

// The window's own messages and status texts.
inline constexpr const char* kMessageOperationRunning = TB_TRANSLATE_NOOP(
    "Tunebay", "There is at least one operation running! Press ESC to stop them!");
inline constexpr const char* kMessageCloseWhileRunning = TB_TRANSLATE_NOOP(
    "Tunebay",
    "There is at least one operation running!\r\nWait or press ESC to stop them, then try "
    "closing again!");
inline constexpr const char* kQuestionStopAll =
    TB_TRANSLATE_NOOP("Tunebay", "Stop all running operations?");
inline constexpr const char* kQuestionCopyNotResponding =
    TB_TRANSLATE_NOOP("Tunebay", "Copying-thread is not responding! Kill?\r\n\r\nCurrent file: ");
inline constexpr const char* kQuestionToolsNotResponding =
    TB_TRANSLATE_NOOP("Tunebay", "Tools-thread is not responding! Kill?\r\n\r\nCurrent file: ");
inline constexpr const char* kQuestionImportNotResponding =
    TB_TRANSLATE_NOOP("Tunebay", "Import-thread is not responding! Kill?\r\n\r\nCurrent file: ");
inline constexpr const char* kQuestionUpdateItems = TB_TRANSLATE_NOOP(
    "Tunebay", "Do you really want to update/reimport the selected items?\r\n(Proberties will be "
               "overwritten!)");
inline constexpr const char* kProgressStopping =
    TB_TRANSLATE_NOOP("Tunebay", "Stopping running operations...");
inline constexpr const char* kProgressImportingFiles =
    TB_TRANSLATE_NOOP("Tunebay", "Importing ...");
inline constexpr const char* kMessageStartFailed =
    TB_TRANSLATE_NOOP("Tunebay", "Couldn't start the operation!");
inline constexpr const char* kMessageMoveFailed =
    TB_TRANSLATE_NOOP("Tunebay", "Couldn't move the items!");
inline constexpr const char* kMessageClearFailed =
    TB_TRANSLATE_NOOP("Tunebay", "Couldn't clear the database!");

// How long the window waits for a stopped worker, and how long the kill question stays.
inline constexpr int kWorkerWaitMs = 3000;
inline constexpr int kKillQuestionMs = 15000;

// The document type of catalogue files in file dialogs.
inline constexpr const char* kCatalogueFilter =
    TB_TRANSLATE_NOOP("Tunebay", "Tunebay Database (*.tbf)");

} // namespace tunebay
