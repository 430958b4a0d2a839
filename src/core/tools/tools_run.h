#pragma once

#include "app/background_operation.h"
#include "app/worker_question.h"
#include "store/catalogue_connection.h"
#include "store/catalogued_file_locator.h"
#include "store/classification.h"
#include "store/file_journal.h"
#include "text/translatable.h"
#include "tools/item_identifier.h"
#include "tools/tools_failures.h"
#include "tools/tools_job.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tunebay {

inline constexpr const char* kMessageNoIdentification =
    TB_TRANSLATE_NOOP("Tunebay", "Cannot create MusicBrainz object!");
// Asked before a property the user ticked "Ask" for replaces a value: the value, the file.
inline constexpr const char* kQuestionReplaceName =
    TB_TRANSLATE_NOOP("Tunebay", "Replace '%1' in '%2'?");
inline constexpr const char* kMessageNoIdentifier =
    TB_TRANSLATE_NOOP("Tunebay", "identification is not available");
inline constexpr const char* kMessageToolsError =
    TB_TRANSLATE_NOOP("Tunebay", "Unknown error while applying tools on media items!");

// One row of the run's item query, read before anything changes.
struct ToolsRunItem {
    std::string directory; // where this machine has the file (see CataloguedFileLocator)
    std::string fileName;
    std::string title;
    std::string group;
    std::string package;
    std::string published;
    std::string comment;
    int genreId = 255;
    int mediaId = 0;
    int itemId = 0;
    int groupId = 0;
    int packageId = 0;
    int mediaType = 0;
    int length = 0;
};

// How a run talks to whoever drives it; every member may be left empty.
struct ToolsRunHooks {
    std::function<bool()> stopRequested;
    std::function<void(int count)> progress;             // every fifth item
    std::function<void(const std::string&)> currentFile; // the file being worked on
    // Each change as it is made (or, in a dry run, would be made): "PATH: WHAT".
    std::function<void(const std::string&)> change;
};

// The tools run: every item of the job's selection goes through the ticked steps in order
// (identification, correct, capitalise, set properties, write names, MP3 tag, rename), with the
// questions and the failure accounting. Runs on whatever thread calls Execute; the window and the
// command line drive it through ToolsOperation, and a run with only identification ticked is the
// identification command.
class ToolsRun {
public:
    // `identifier` is needed only when the job identifies; without one such a run ends at once
    // with kMessageNoIdentification.
    ToolsRun(CCatalogueConnection& connection, ToolsJob job, IWorkerQuestion& question,
             IItemIdentifier* identifier);

    void Execute(const ToolsRunHooks& hooks);

    const ToolsJob& Job() const { return m_job; }
    const ToolsFailures& Failures() const { return m_failures; }
    // The error that ended the run early (kMessageNoIdentification or kMessageToolsError, with
    // the reason after a line break), worded as the question words its texts; empty otherwise.
    const std::string& ErrorMessage() const { return m_error; }
    // Items that went through the steps.
    int ItemsDone() const { return m_done; }
    // The run ended on a Cancel answer, a No to going on, or a failure limit.
    bool EndedEarly() const { return m_stop; }

private:
    std::vector<ToolsRunItem> readItems();
    // The edits of one item, decided before anything of it is written.
    struct ItemEdits {
        std::string title;
        std::string group;
        std::string package;
        bool groupFromRule = false;
        bool packageFromRule = false;
        std::optional<std::string> published;
        std::optional<std::string> comment;
        std::optional<int> genre;
    };
    void processItem(const ToolsRunItem& item);
    ItemEdits decideEdits(const ToolsRunItem& item);
    void writeEdits(const ToolsRunItem& item, const ItemEdits& edits);
    // Whether the catalogue still holds the values an item's edits were decided on.
    bool unchangedSince(const ToolsRunItem& now, const ToolsRunItem& read) const;
    // The item as the catalogue holds it now; none when it is gone.
    std::optional<ToolsRunItem> currentItem(int itemId);
    // Writes or removes the tags of the batch's items, after the batch is committed.
    void applyTagWrites();
    bool confirm(bool ask, const std::string& previous, const char* title,
                 const std::string& fileName);
    // Applies a Set Property text to `working`; returns whether it was a function.
    bool setName(const ToolsProperty& property, bool isFunction, std::string& working,
                 const std::string& previous, const char* title, const std::string& fileName);
    void writeClassification(ClassificationKind kind, const ToolsRunItem& item,
                             const std::string& working, const std::string& previous,
                             bool fromRule);
    // Decides the item's new file name and notes the intent in the batch; the file is renamed
    // when the batch is committed.
    void renameFile(const ToolsRunItem& item, const std::string& group, const std::string& title);
    // Renames the files of the batch whose intents are now on the disk, and the rows follow.
    void applyRenames();
    void checkFailures();
    // Tells the driver about one change of the file at `path`.
    void reportChange(const std::string& path, const std::string& what) const;
    // Commits what the items so far wrote; before a question, so no other writer waits on it.
    // Renames noted in the batch are carried out then.
    void commitBatch();

    struct PendingTag {
        int itemId;
        std::string path;
    };
    struct PendingRename {
        int mediaId;
        std::string directory;
        std::string currentName;
        std::string wanted;
        JournalEntryId entry;
    };

    CCatalogueConnection& m_connection;
    ToolsJob m_job;
    IWorkerQuestion& m_question;
    IItemIdentifier* m_identifier;
    ToolsFailures m_failures;
    std::string m_error;
    std::unique_ptr<CatalogueTransaction> m_batch;
    FileJournal m_journal;
    const CataloguedFileLocator m_locator;
    std::vector<PendingRename> m_renames;
    std::vector<PendingTag> m_tagWrites;
    long long m_batchOpened = 0;
    std::function<void(const std::string&)> m_change;
    int m_done = 0;
    bool m_stop = false;
    bool m_titleIsFunction = false;
    bool m_groupIsFunction = false;
    bool m_packageIsFunction = false;
    bool m_commentIsFunction = false;
    // Group and package rows renamed during the run: their names now, and rows merged into
    // another one (the items read before still name the old row).
    std::unordered_map<int, std::string> m_renamed[2];
    std::unordered_map<int, int> m_merged[2];
};

// The tools run as the background operation of the window's tools slot.
class ToolsOperation : public CBackgroundOperation {
public:
    // The identification client, if any, lives and goes with the run.
    ToolsOperation(IProgressSink& sink, CCatalogueConnection& connection, ToolsJob job,
                   IWorkerQuestion& question, std::unique_ptr<IItemIdentifier> identifier);

    const ToolsRun& Result() const { return m_run; }
    // Runs on the calling thread (the command line when no worker is wanted).
    void RunHere() { Run(); }
    // Called on the run's thread with each change (see ToolsRunHooks::change); set before the
    // run starts.
    void SetChangeListener(std::function<void(const std::string&)> listener) {
        m_change = std::move(listener);
    }

protected:
    void Run() override;

private:
    std::unique_ptr<IItemIdentifier> m_identifier; // before the run that uses it
    ToolsRun m_run;
    std::function<void(const std::string&)> m_change;
};

} // namespace tunebay
