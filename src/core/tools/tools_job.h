#pragma once

#include "browse/selection.h"
#include "text/capitalize_exceptions.h"
#include "text/translatable.h"

#include <string>

namespace tunebay {

class CAppSettings;

// "5. MP3 tag" actions, in the order of the drop-down list.
enum ToolsTagAction : int {
    kTagWrite = 0,
    kTagDeleteAll = 1,
    kTagDeleteAllButVersion1 = 2,
};

// "6. Rename Filename" styles, in the order of the drop-down list.
enum ToolsRenameStyle : int {
    kRenameSafe = 0,
    kRenameUnixEncoded = 1,
};

inline constexpr const char* kMessageNothingChecked =
    TB_TRANSLATE_NOOP("Tunebay", "There is nothing checked to apply!");
inline constexpr const char* kMessageEmptyTitle =
    TB_TRANSLATE_NOOP("Tunebay", "You cannot set an empty title!");

// One property of "4. Set Property": its text (a fixed value or a field function), whether it is
// set, and whether each change is confirmed.
struct ToolsProperty {
    std::string text;
    bool set = false;
    bool ask = false;
};

// Everything one tools run needs, taken from the Tools window (or the command line) when the run
// starts; the run never reads the settings again.
struct ToolsJob {
    bool identify = false;
    bool identifyMissingOnly = false;
    bool identifyAsk = false;
    bool correct = false;
    bool capitalize = false;
    int capitalizeMode = 0;
    bool setProperty = false;
    ToolsProperty title;
    ToolsProperty group;
    ToolsProperty package;
    ToolsProperty published;
    ToolsProperty comment;
    bool genreSet = false;
    bool genreAsk = false;
    int genreId = 255;
    bool tag = false;
    int tagAction = kTagWrite;
    bool useId3v2 = true;
    bool rename = false;
    int renameStyle = kRenameSafe;
    // The item list is reloaded when the run has ended ("Apply && Refresh").
    bool refresh = false;
    // Decides and reports every change but writes nothing: no row, tag or file name changes.
    bool dryRun = false;
    // Used by capitalisation mode 0; may be null (no exceptions).
    const CapitalizeExceptionList* exceptions = nullptr;
    // The items; the run sets its own columns.
    Selection selection;
};

// The job the Tools window's settings describe (selection and exceptions are left to the caller).
ToolsJob ToolsJobFromSettings(const CAppSettings& settings);

// An empty group or package text stands for "Unknown"; a published text keeps its first four
// characters. Called once before a run.
void NormaliseToolsJob(ToolsJob& job);

// Why the job cannot start (kMessageNothingChecked, kMessageEmptyTitle), or null.
const char* ToolsJobProblem(const ToolsJob& job);

// Whether the run may have to ask the user something.
bool ToolsJobMayAsk(const ToolsJob& job);

} // namespace tunebay
