#include "tools/tools_run.h"

#include "app/clock.h"

#include "import/audio_format.h"
#include "import/item_tag.h"
#include "store/catalogue_error.h"
#include "store/catalogued_file_locator.h"
#include "store/item_query.h"
#include "text/field_function.h"
#include "text/text_rules.h"
#include "tools/file_rename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <exception>
#include <optional>
#include <set>
#include <thread>

namespace tunebay {

namespace {

constexpr int kProgressEvery = 5;
constexpr int kDecisionAttempts = 10;
// Renames whose intents go to the disk in one flush: enough to make the flush cheap per file,
// few enough that a stop is prompt.
constexpr std::size_t kRenamesPerFlush = 256;
constexpr int kNoGenreId = 255;
constexpr const char* kUnknown = "Unknown";

constexpr const char* kItemColumns =
    "SELECT tblDirectory.sLocal, tblMedia.sFileName, tblMedia.sName, tblGroup.sName, "
    "tblPackage.sName, tblMedia.sPublishTime, tblMedia.sComment, tblMedia.lGenreID, "
    "tblMedia.lID, tblItem.lID, tblGroup.lID, tblPackage.lID, tblMedia.lMediaType, "
    "tblMedia.lLength, tblDirectory.sUNC";

bool isFunction(const ToolsProperty& property) {
    return property.set && ApplyFieldFunction(nullptr, property.text, true);
}

int index(ClassificationKind kind) {
    return kind == ClassificationKind::Group ? 0 : 1;
}

// The item's file is taken where this machine has it: its tag is written and it is renamed there.
ToolsRunItem itemFrom(const ResultSet& rows, const CataloguedFileLocator& locator) {
    ToolsRunItem item;
    item.fileName = rows.GetText(1);
    item.directory = locator.Folder(rows.GetText(0), rows.GetText(14), item.fileName);
    item.title = rows.GetText(2);
    item.group = rows.GetText(3);
    item.package = rows.GetText(4);
    item.published = rows.IsNull(5) ? std::string() : rows.GetText(5);
    item.comment = rows.GetText(6);
    item.genreId = rows.IsNull(7) ? kNoGenreId : rows.GetInt(7);
    item.mediaId = rows.GetInt(8);
    item.itemId = rows.GetInt(9);
    item.groupId = rows.GetInt(10);
    item.packageId = rows.GetInt(11);
    item.mediaType = rows.GetInt(12);
    item.length = rows.GetInt(13);
    return item;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string changeText(const char* field, const std::string& from, const std::string& to) {
    return std::string(field) + " " + quoted(from) + " -> " + quoted(to);
}

const char* tagActionText(int action) {
    switch (action) {
    case kTagDeleteAll:
        return "delete all tags";
    case kTagDeleteAllButVersion1:
        return "delete all tags but ID3 version 1";
    default:
        return "write tag";
    }
}

} // namespace

ToolsRun::ToolsRun(CCatalogueConnection& connection, ToolsJob job, IWorkerQuestion& question,
                   IItemIdentifier* identifier)
    : m_connection(connection), m_job(std::move(job)), m_question(question),
      m_identifier(identifier), m_journal(connection) {
    NormaliseToolsJob(m_job);
    m_titleIsFunction = isFunction(m_job.title);
    m_groupIsFunction = isFunction(m_job.group);
    m_packageIsFunction = isFunction(m_job.package);
    m_commentIsFunction = isFunction(m_job.comment);
}

std::vector<ToolsRunItem> ToolsRun::readItems() {
    Selection selection = m_job.selection;
    selection.columns = kItemColumns;
    std::vector<ToolsRunItem> items;
    for (ResultSet rows = RunSelection(m_connection, selection); !rows.IsEof(); rows.MoveNext())
        items.push_back(itemFrom(rows, m_locator));
    return items;
}

void ToolsRun::Execute(const ToolsRunHooks& hooks) {
    m_failures = ToolsFailures();
    m_error.clear();
    m_done = 0;
    m_stop = false;
    m_change = hooks.change;
    if (m_job.identify) {
        std::string reason = Worded(m_question.Wording(), kMessageNoIdentifier);
        if (!m_identifier || !m_identifier->Prepare(reason)) {
            m_error = Worded(m_question.Wording(), kMessageNoIdentification) + "\r\n" + reason;
            return;
        }
    }
    // The intents of renames must reach the disk before the files change their names; ended
    // after the last batch, outside any transaction.
    std::optional<DurableCommits> durable;
    try {
        if (m_job.rename && !m_job.dryRun)
            durable.emplace(m_connection);
        // Every row is read first: the steps change names the selection may depend on.
        const std::vector<ToolsRunItem> items = readItems();
        int counter = 0;
        for (const ToolsRunItem& item : items) {
            if (m_stop || (hooks.stopRequested && hooks.stopRequested()))
                break;
            ++counter;
            if (counter % kProgressEvery == 0 && hooks.progress)
                hooks.progress(counter);
            if (hooks.currentFile)
                hooks.currentFile(item.directory + item.fileName);
            if (!m_batch) {
                m_batch = std::make_unique<CatalogueTransaction>(m_connection);
                m_batchOpened = SteadyMilliseconds();
            }
            processItem(item);
            ++m_done;
            if (SteadyMilliseconds() - m_batchOpened >= kBatchMilliseconds ||
                m_renames.size() >= kRenamesPerFlush) {
                commitBatch();
                // A moment without the catalogue, so that another program's write gets in
                // between two batches (a waiting writer looks every few milliseconds).
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            checkFailures();
        }
        commitBatch();
    } catch (const std::exception& error) {
        // What was written before the failure stays, as the files already renamed or tagged do.
        try {
            commitBatch();
        } catch (const std::exception&) {
        }
        m_error = Worded(m_question.Wording(), kMessageToolsError) + "\r\n" + error.what();
    }
}

void ToolsRun::commitBatch() {
    if (!m_batch)
        return;
    const std::unique_ptr<CatalogueTransaction> batch = std::move(m_batch);
    // A rename run commits under DurableCommits: the intents are on the disk before any file
    // of the batch changes its name. Tags are written first, under the names the items have.
    batch->Commit();
    applyTagWrites();
    if (!m_renames.empty())
        applyRenames();
}

void ToolsRun::applyRenames() {
    const std::vector<PendingRename> renames = std::move(m_renames);
    m_renames.clear();
    std::set<std::string> folders;
    auto transaction = std::make_unique<CatalogueTransaction>(m_connection);
    for (const PendingRename& rename : renames) {
        const std::string fullPath = rename.directory + rename.currentName;
        std::string reason;
        // A clash moves the intent to the numbered name before the file is tried under it.
        const auto retry = [&](const std::string& candidate) {
            SyncFolders(folders);
            transaction->Commit();
            m_journal.ChangeTarget(rename.entry, rename.directory + candidate);
            transaction = std::make_unique<CatalogueTransaction>(m_connection);
        };
        const std::optional<std::string> given =
            RenameItemFile(rename.directory, rename.currentName, rename.wanted, retry, &reason);
        if (given && *given != rename.currentName) {
            folders.insert(rename.directory);
            std::string refusal = "the item is no longer catalogued";
            try {
                m_connection.ExecuteWith(
                    "UPDATE tblMedia SET sFileName=? WHERE lID=?",
                    {std::string_view(*given), static_cast<long long>(rename.mediaId)});
                if (m_connection.ChangedRows() == 1)
                    refusal.clear();
            } catch (const CatalogueError& error) {
                refusal = error.engineMessage();
            }
            if (!refusal.empty()) {
                // The catalogue must keep naming a file that exists.
                MoveWithoutReplacing(rename.directory + *given, fullPath);
                m_failures.Add(ToolsFailureKind::Rename, fullPath, refusal);
            }
        } else if (!given) {
            m_failures.Add(ToolsFailureKind::Rename, fullPath, reason);
        }
        m_journal.Clear(rename.entry);
    }
    // The renames must be on the disk before their notes go.
    SyncFolders(folders);
    transaction->Commit();
}

void ToolsRun::checkFailures() {
    if (m_failures.TakeContinueQuestion()) {
        commitBatch();
        if (m_question.Ask(m_failures.ContinueQuestion(m_question.Wording()), "",
                           QuestionButtons::YesNo, QuestionIcon::Question) != QuestionAnswer::Yes)
            m_stop = true;
    }
    if (m_failures.LimitExceeded())
        m_stop = true;
}

bool ToolsRun::confirm(bool ask, const std::string& previous, const char* title,
                       const std::string& fileName) {
    if (!ask || previous.empty())
        return true;
    commitBatch(); // the catalogue is not held while the user thinks
    const TextLookup wording = m_question.Wording();
    switch (m_question.Ask(FillTexts(Worded(wording, kQuestionReplaceName), {previous, fileName}),
                           Worded(wording, title), QuestionButtons::YesNoCancel,
                           QuestionIcon::Question)) {
    case QuestionAnswer::Yes:
        return true;
    case QuestionAnswer::No:
        return false;
    case QuestionAnswer::Cancel:
        m_stop = true;
        return false;
    }
    return false;
}

bool ToolsRun::setName(const ToolsProperty& property, bool isFunction, std::string& working,
                       const std::string& previous, const char* title,
                       const std::string& fileName) {
    std::string value = working;
    if (isFunction)
        ApplyFieldFunction(&value, property.text, false);
    else
        value = property.text;
    if (value.empty())
        value = kUnknown;
    if (value != previous && !confirm(property.ask, previous, title, fileName))
        value = previous;
    working = value;
    return isFunction;
}

bool ToolsRun::unchangedSince(const ToolsRunItem& now, const ToolsRunItem& read) const {
    // A group or package row this run renamed (or merged) for an earlier item is no change by
    // someone else.
    const auto sameRow = [this](ClassificationKind kind, int nowRow, const std::string& nowName,
                                int readRow, const std::string& readName) {
        const auto& merged = m_merged[index(kind)];
        for (auto it = merged.find(readRow); it != merged.end(); it = merged.find(readRow))
            readRow = it->second;
        if (nowRow != readRow)
            return false;
        const auto& renamed = m_renamed[index(kind)];
        const auto own = renamed.find(nowRow);
        return nowName == readName || (own != renamed.end() && own->second == nowName);
    };
    return now.directory == read.directory && now.fileName == read.fileName &&
           now.title == read.title && now.published == read.published &&
           now.comment == read.comment && now.genreId == read.genreId &&
           sameRow(ClassificationKind::Group, now.groupId, now.group, read.groupId, read.group) &&
           sameRow(ClassificationKind::Package, now.packageId, now.package, read.packageId,
                   read.package);
}

std::optional<ToolsRunItem> ToolsRun::currentItem(int itemId) {
    static const std::string query = BuildItemQuery(kItemColumns, "tblItem.lID=?", 0);
    ResultSet rows = m_connection.ExecuteWith(query, {static_cast<long long>(itemId)});
    if (rows.IsEof())
        return std::nullopt;
    return itemFrom(rows, m_locator);
}

void ToolsRun::processItem(const ToolsRunItem& read) {
    // The edits are decided first (the questions and the identification service may take a
    // while, and the catalogue is not held meanwhile); they are written in the batch only when
    // the item still holds the values they were decided on. Another program's change in between
    // is read and the edits are decided again on it, so no run's edit is lost.
    ToolsRunItem item = read;
    for (int attempt = 1;; ++attempt) {
        const ItemEdits edits = decideEdits(item);
        if (!m_batch) {
            m_batch = std::make_unique<CatalogueTransaction>(m_connection);
            m_batchOpened = SteadyMilliseconds();
        }
        const std::optional<ToolsRunItem> now = currentItem(item.itemId);
        if (!now)
            return; // deleted meanwhile: nothing left to edit
        // (A program that changes the item over and over does not keep the run here for good.)
        if (unchangedSince(*now, item) || m_stop || attempt == kDecisionAttempts) {
            writeEdits(item, edits);
            return;
        }
        item = *now;
    }
}

ToolsRun::ItemEdits ToolsRun::decideEdits(const ToolsRunItem& item) {
    const std::string fullPath = item.directory + item.fileName;
    ItemEdits edits;
    edits.title = item.title;
    edits.group = item.group;
    edits.package = item.package;
    std::string& title = edits.title;
    std::string& group = edits.group;
    std::string& package = edits.package;

    if (m_job.identify) {
        IdentifiedItem identified{item.mediaId, item.mediaType, fullPath, item.fileName,
                                  item.length,  title,          group,    package};
        commitBatch(); // nor while the service answers
        const IdentificationOutcome outcome = m_identifier->Identify(identified);
        title = identified.title;
        group = identified.group;
        package = identified.package;
        // A name chosen for this item alone moves the item; an edited name renames the row.
        edits.groupFromRule = outcome.groupFromCandidate;
        edits.packageFromRule = outcome.packageFromCandidate;
        if (outcome.failed)
            m_failures.Add(ToolsFailureKind::Identification, fullPath);
        if (outcome.stopRun)
            m_stop = true;
    }
    if (m_job.correct) {
        CorrectName(title, true);
        CorrectName(group, false);
        CorrectName(package, false);
    }
    if (m_job.capitalize) {
        const CapitalizeExceptionList* exceptions =
            m_job.capitalizeMode == kCapitalizeFirstLetters ? m_job.exceptions : nullptr;
        CapitalizeName(title, m_job.capitalizeMode, exceptions);
        CapitalizeName(group, m_job.capitalizeMode, exceptions);
        CapitalizeName(package, m_job.capitalizeMode, exceptions);
    }
    if (m_job.setProperty) {
        if (m_job.title.set)
            setName(m_job.title, m_titleIsFunction, title, item.title,
                    TB_TRANSLATE_NOOP("Tunebay", "Tunebay - Title"), item.fileName);
        if (m_job.group.set &&
            setName(m_job.group, m_groupIsFunction, group, item.group,
                    TB_TRANSLATE_NOOP("Tunebay", "Tunebay - Group"), item.fileName))
            edits.groupFromRule = true;
        if (m_job.package.set &&
            setName(m_job.package, m_packageIsFunction, package, item.package,
                    TB_TRANSLATE_NOOP("Tunebay", "Tunebay - Package"), item.fileName))
            edits.packageFromRule = true;
        if (m_job.published.set && m_job.published.text != item.published &&
            confirm(m_job.published.ask, item.published,
                    TB_TRANSLATE_NOOP("Tunebay", "Tunebay - Year"), item.fileName))
            edits.published = m_job.published.text;
        if (m_job.genreSet && m_job.genreId != item.genreId) {
            bool change = true;
            if (item.genreId != kNoGenreId && m_job.genreAsk) {
                ResultSet name =
                    m_connection.Execute("SELECT sName FROM tblGenre WHERE tblGenre.lID=" +
                                         std::to_string(item.genreId));
                const std::string genre = name.IsEof() ? std::string() : name.GetText(0);
                name = ResultSet();
                change = confirm(true, genre.empty() ? std::to_string(item.genreId) : genre,
                                 TB_TRANSLATE_NOOP("Tunebay", "Tunebay - Genre"), item.fileName);
            }
            if (change)
                edits.genre = m_job.genreId;
        }
        if (m_job.comment.set) {
            std::string comment = item.comment;
            if (m_commentIsFunction)
                ApplyFieldFunction(&comment, m_job.comment.text, false);
            else
                comment = m_job.comment.text;
            if (comment != item.comment &&
                confirm(m_job.comment.ask, item.comment,
                        TB_TRANSLATE_NOOP("Tunebay", "Tunebay - Comment"), item.fileName))
                edits.comment = comment;
        }
    }
    return edits;
}

void ToolsRun::reportChange(const std::string& path, const std::string& what) const {
    if (m_change)
        m_change(path + ": " + what);
}

void ToolsRun::writeEdits(const ToolsRunItem& item, const ItemEdits& edits) {
    const long long media = item.mediaId;
    const std::string path = item.directory + item.fileName;
    const bool write = !m_job.dryRun;
    if (edits.published) {
        reportChange(path, changeText("published", item.published, *edits.published));
        if (write)
            m_connection.ExecuteWith("UPDATE tblMedia SET sPublishTime=? WHERE lID=?",
                                     {std::string_view(*edits.published), media});
    }
    if (edits.genre) {
        reportChange(
            path, changeText("genre", std::to_string(item.genreId), std::to_string(*edits.genre)));
        if (write)
            m_connection.ExecuteWith("UPDATE tblMedia SET lGenreID=? WHERE lID=?",
                                     {static_cast<long long>(*edits.genre), media});
    }
    if (edits.comment) {
        reportChange(path, changeText("comment", item.comment, *edits.comment));
        if (write)
            m_connection.ExecuteWith("UPDATE tblMedia SET sComment=? WHERE lID=?",
                                     {std::string_view(*edits.comment), media});
    }
    if (edits.title != item.title) {
        reportChange(path, changeText("title", item.title, edits.title));
        if (write)
            m_connection.ExecuteWith("UPDATE tblMedia SET sName=? WHERE lID=?",
                                     {std::string_view(edits.title), media});
    }
    if (edits.group != item.group) {
        reportChange(path, changeText("group", item.group, edits.group));
        if (write)
            writeClassification(ClassificationKind::Group, item, edits.group, item.group,
                                edits.groupFromRule);
    }
    if (edits.package != item.package) {
        reportChange(path, changeText("package", item.package, edits.package));
        if (write)
            writeClassification(ClassificationKind::Package, item, edits.package, item.package,
                                edits.packageFromRule);
    }
    // The file is written once the batch is committed, so that no other program waits for the
    // catalogue while it is.
    if (m_job.tag && IsAudioMediaType(item.mediaType)) {
        // The usual failures are known at once, so they count with the item (and the question
        // after ten comes where it did); the rest are counted when the batch's files are written.
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || ::access(path.c_str(), W_OK) != 0) {
            m_failures.Add(ToolsFailureKind::Tag, path, std::strerror(errno));
        } else {
            reportChange(path, tagActionText(m_job.tagAction));
            if (write)
                m_tagWrites.push_back({item.itemId, path});
        }
    }
    if (m_job.rename)
        renameFile(item, edits.group, edits.title);
}

void ToolsRun::applyTagWrites() {
    const std::vector<PendingTag> writes = std::move(m_tagWrites);
    m_tagWrites.clear();
    for (const PendingTag& write : writes) {
        RewriteResult done{false, "no tag action"};
        switch (m_job.tagAction) {
        case kTagWrite:
            done = WriteItemTagToFile(m_connection, write.path, write.itemId, m_job.useId3v2);
            break;
        case kTagDeleteAll:
        case kTagDeleteAllButVersion1:
            done = RemoveItemTags(m_connection, write.path,
                                  m_job.tagAction == kTagDeleteAllButVersion1);
            break;
        default:
            break;
        }
        if (!done.ok)
            m_failures.Add(ToolsFailureKind::Tag, write.path, done.reason);
    }
}

void ToolsRun::writeClassification(ClassificationKind kind, const ToolsRunItem& item,
                                   const std::string& working, const std::string& previous,
                                   bool fromRule) {
    const bool isGroup = kind == ClassificationKind::Group;
    if (fromRule || previous.empty() || previous == kUnknown) {
        ReassignItem(m_connection, item.itemId, item.mediaId,
                     isGroup ? std::optional<std::string>(working) : std::nullopt,
                     isGroup ? std::nullopt : std::optional<std::string>(working));
        return;
    }
    auto& merged = m_merged[index(kind)];
    auto& renamed = m_renamed[index(kind)];
    int row = isGroup ? item.groupId : item.packageId;
    for (auto it = merged.find(row); it != merged.end(); it = merged.find(row))
        row = it->second;
    // Items of one row read before the row was renamed all ask for the same new name.
    if (const auto it = renamed.find(row); it != renamed.end() && it->second == working)
        return;
    const int original = row;
    // A name another row already has joins the two rows, as renaming it in the tree does.
    if (RenameClassification(m_connection, kind, row, working)) {
        ResultSet target =
            m_connection.ExecuteWith(isGroup ? "SELECT lID FROM tblGroup WHERE sName=?"
                                             : "SELECT lID FROM tblPackage WHERE sName=?",
                                     {std::string_view(working)});
        row = target.IsEof() ? original : target.GetInt(0);
        merged[original] = row;
    }
    renamed[row] = working;
}

void ToolsRun::renameFile(const ToolsRunItem& item, const std::string& group,
                          const std::string& title) {
    const std::string wanted =
        ItemFileName(group, title, item.fileName, m_job.renameStyle, FileNameLimit(item.directory));
    if (wanted.empty()) {
        m_failures.Add(ToolsFailureKind::Rename, item.directory + item.fileName,
                       "no file name can be made from the title");
        return;
    }
    if (wanted == item.fileName)
        return;
    // The usual failures are known at once, so the failure count (and the question it asks)
    // stays with the item; the rename itself waits for the batch's intents to be on the disk.
    const std::string fullPath = item.directory + item.fileName;
    struct stat info {};
    if (::lstat(fullPath.c_str(), &info) != 0 || ::access(item.directory.c_str(), W_OK) != 0) {
        m_failures.Add(ToolsFailureKind::Rename, fullPath, std::strerror(errno));
        return;
    }
    reportChange(fullPath, "rename to " + quoted(wanted));
    if (m_job.dryRun)
        return;
    if (!m_batch) {
        m_batch = std::make_unique<CatalogueTransaction>(m_connection);
        m_batchOpened = SteadyMilliseconds();
    }
    const JournalEntryId entry =
        m_journal.RecordRename(item.mediaId, item.directory, item.fileName, wanted);
    m_renames.push_back({item.mediaId, item.directory, item.fileName, wanted, entry});
}

ToolsOperation::ToolsOperation(IProgressSink& sink, CCatalogueConnection& connection, ToolsJob job,
                               IWorkerQuestion& question,
                               std::unique_ptr<IItemIdentifier> identifier)
    : CBackgroundOperation(kFinishTools, sink), m_identifier(std::move(identifier)),
      m_run(connection, std::move(job), question, m_identifier.get()) {}

void ToolsOperation::Run() {
    ToolsRunHooks hooks;
    hooks.stopRequested = [this] { return StopRequested(); };
    hooks.progress = [this](int count) { SetProgress(ProgressText(kProgressTools, count)); };
    hooks.currentFile = [this](const std::string& path) { SetCurrentFile(path); };
    hooks.change = m_change;
    m_run.Execute(hooks);
}

} // namespace tunebay
