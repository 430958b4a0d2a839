#pragma once

#include "app/background_operation.h"
#include "app/worker_question.h"
#include "browse/selection.h"
#include "store/catalogue_connection.h"
#include "store/file_journal.h"
#include "text/translatable.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace tunebay {

enum CopyMoveMode : int {
    kCopyFiles = 0,
    kMoveFiles = 1,
};

inline constexpr const char* kCopyMoveColumns =
    "SELECT tblDirectory.sLocal, tblMedia.sFileName, tblGroup.sName, tblGenre.sName, "
    "tblMedia.lID, tblGroup.lID, tblMedia.lDirectoryID, tblMedia.fSize, tblMedia.lGenreID, "
    "tblDirectory.sUNC";

inline constexpr const char* kMessageNoCopyFolder =
    TB_TRANSLATE_NOOP("Tunebay", "There is no folder specified! See Options... | General!");
inline constexpr const char* kMessageLimitNeedsEmptyFolder =
    TB_TRANSLATE_NOOP("Tunebay", "You set up a limit! You have to specify an empty folder!");
inline constexpr const char* kQuestionCreateFolder =
    TB_TRANSLATE_NOOP("Tunebay", "Specified folder doesn't exist! Do you want to create it?");
// Asked once when ten files have failed; the failed files follow on their own lines.
inline constexpr const char* kQuestionContinueCopyMove = TB_TRANSLATE_NOOP(
    "Tunebay", "%d files couldn't be copied/moved! %d files have been copied/moved "
               "successfully!\r\nDo you want to continue?");
inline constexpr const char* kMessageCannotCreateFolder =
    TB_TRANSLATE_NOOP("Tunebay", "Cannot create specified folder!");
inline constexpr const char* kMessageNoHardLinks =
    TB_TRANSLATE_NOOP("Tunebay", "Destination volume does not support hard links!");
inline constexpr const char* kMessageRelativeFolder =
    TB_TRANSLATE_NOOP("Tunebay", "The destination folder must be an absolute path!");
inline constexpr const char* kMessageCopyMoveError =
    TB_TRANSLATE_NOOP("Tunebay", "Unknown error while copying/moving selected files to folder!");

// The settings of one run.
struct CopyMoveOptions {
    int mode = kCopyFiles;
    std::string destination; // absolute, ending in "/"
    bool genreFolders = false;
    bool groupFolders = false;
    bool groupOnlyIfMore = true;
    // With groupOnlyIfMore: a group folder only when the group has more titles than this in
    // the file's genre (the window's setting means one).
    int groupMoreThan = 1;
    bool limitOn = false;
    double limitBytes = 650.0 * 1048576.0;
    bool hardLinks = false;
    // Plans every file and reports it, but makes no folder and touches no file or row.
    bool dryRun = false;
};

// One media file as the run's query gives it.
struct CopyMoveRow {
    std::string directory; // where this machine has the file (see CataloguedFileLocator)
    std::string fileName;
    std::string group;
    std::string genre;
    int mediaId = 0;
    int groupId = 0;
    int directoryId = 0;
    double size = 0;
    int genreId = 0;
};

// Numbered folders filled strictly in order: no look-ahead, a file as large as the limit or
// larger goes beside them (0).
class DiskPacker {
public:
    explicit DiskPacker(double limitBytes) : m_limit(limitBytes) {}
    // The disk number of the next file, 0 for none.
    int Place(double size);

private:
    double m_limit;
    int m_disk = 1;
    double m_total = 0.0;
};

// A name from the catalogue made into one safe path component: "/" and the other refused
// characters replaced, cut to `limit` bytes on a character boundary; ".", ".." and "" become
// "Unknown".
std::string SafeFolderName(std::string name, std::size_t limit = 255);

// A folder never removed as emptied by a move: the root, the home folder, the current folder, a
// mount point (or a folder that cannot be examined).
bool IsProtectedFolder(std::string folder);

// Whether hard links can be made in `folder` (a test link is made and removed).
bool SupportsHardLinks(const std::string& folder);

enum class DestinationCheck { Ready, Refused, Declined };

// The checks before a run: the folder given, absolute, empty when a limit is on, created when
// missing (after asking), hard links supported. `message` receives the error to show. Never
// removes the destination.
DestinationCheck PrepareDestination(CopyMoveOptions& options, IWorkerQuestion& question,
                                    std::string& message);

// The end-of-run summary texts (empty when there is nothing to say).
inline constexpr const char* kMessageCopyMoveAborted = TB_TRANSLATE_NOOP(
    "Tunebay", "Aborted!\r\n\r\n> More than %d files couldn't be copied/moved!\r\n> %d "
               "files have been copied/moved successfully!");
inline constexpr const char* kMessageCopyMoveFailures = TB_TRANSLATE_NOOP(
    "Tunebay", "> %d files couldn't be copied/moved!\r\n> %d files have been copied/moved "
               "successfully!");
inline constexpr const char* kMessageOtherVolume =
    TB_TRANSLATE_NOOP("Tunebay", "%d files couldn't be moved because the destination is on a "
                                 "different volume!\r\nNext time use the copy file function!");
std::string CopyMoveFailureSummary(int failed, int done, const TextLookup& lookup = {});
std::string OtherVolumeSummary(int otherVolume, const TextLookup& lookup = {});

// A file not copied or moved, with the system's reason.
struct CopyMoveFailure {
    std::string path;
    std::string reason;
};

// Copies, moves or hard-links the media files of a selection into the destination. Every act
// on a file is noted in the catalogue's journal first, so a crash leaves at most the one file
// in flight for the next open to settle; a copy appears under its name only when whole. A move
// to another file system copies, verifies, then removes the source.
class CopyMoveRun : public CBackgroundOperation {
public:
    CopyMoveRun(IProgressSink& sink, CCatalogueConnection& connection, CopyMoveOptions options,
                Selection selection, IWorkerQuestion& question);

    int Failed() const { return m_failed.load(); }
    int Done() const { return m_done.load(); }
    int OtherVolume() const { return m_otherVolume.load(); }
    // "\r\n" + path + " (" + reason + ")" for each failed file.
    std::string FailedList() const;
    std::vector<CopyMoveFailure> FailedFiles() const;
    std::string ErrorMessage() const;
    // Called on the run's thread with each file's change, "copy|link|move SOURCE -> TARGET", once
    // it is done (or, in a dry run, planned); set before the run starts.
    void SetChangeListener(std::function<void(const std::string&)> listener) {
        m_change = std::move(listener);
    }

protected:
    void Run() override;

private:
    // One file of a window: where it goes and the journal's note of it.
    struct PlannedFile {
        const CopyMoveRow* row = nullptr;
        std::string folder;
        std::string name;
        std::string temporary; // the copy in the making
        JournalEntryId entry = 0;
        bool unusable = false; // the stored name cannot name a file
        bool skip = false;     // already where it would go
        bool acted = false;    // the disk changed for it
    };
    // Files whose notes reach the disk in one flush.
    static constexpr size_t kFilesPerWindow = 256;

    std::string targetFolder(const CopyMoveRow& row, DiskPacker& packer);
    void makeFolders(const std::string& folder) const;
    // Decides the next window's targets and notes them in the journal, durably.
    std::vector<PlannedFile> planFiles(const std::vector<CopyMoveRow>& rows, size_t first,
                                       DiskPacker& packer);
    // Flushes the window's folders, then clears its notes.
    void settleFiles(const std::vector<PlannedFile>& planned);
    // Each returns 0 when done, otherwise an errno; `file.name` becomes the name given.
    int copyFile(PlannedFile& file);
    int moveFile(PlannedFile& file);
    int moveAcross(PlannedFile& file);
    // Places a whole temporary file under `name` or the next free "(n)" name of `original`.
    int placeTemporary(const std::string& temporary, const std::string& folder, std::string& name,
                       const std::string& original, JournalEntryId entry);
    std::string temporaryName(const std::string& folder);
    void afterMove(const PlannedFile& file);

    CCatalogueConnection& m_connection;
    CopyMoveOptions m_options;
    Selection m_selection;
    IWorkerQuestion& m_question;
    std::atomic<int> m_failed{0};
    std::atomic<int> m_done{0};
    std::atomic<int> m_otherVolume{0};
    mutable std::mutex m_textMutex;
    std::string m_failedList;
    std::vector<CopyMoveFailure> m_failedFiles;
    FileJournal m_journal;
    long long m_temporaries = 0;
    std::string m_error;
    std::function<void(const std::string&)> m_change;
};

} // namespace tunebay
