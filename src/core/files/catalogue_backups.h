#pragma once

#include "files/file_rewrite.h"
#include "store/catalogue_connection.h"
#include "store/file_journal.h"

namespace tunebay {

// The catalogue's journal as the keeper of backups for files that must be written in place: the
// backup lies in the user's private state folder, its entry is durable before the file is
// touched, and whoever opens the catalogue next puts it back if the write did not finish.
class CatalogueBackups : public IRewriteBackups {
public:
    explicit CatalogueBackups(CCatalogueConnection& connection);

    // "$XDG_STATE_HOME/tunebay/backups/" (or "~/.local/state/tunebay/backups/"), made private
    // when missing; "" when there is no such folder.
    std::string BackupFolder() override;
    // Refused inside a transaction of the thread: the entry would not be on the disk before the
    // file is written.
    long long RecordBackup(const std::string& backup) override;
    bool BackupWritten(long long entry, const std::string& target) override;
    void ClearBackup(long long entry) override;

private:
    CCatalogueConnection& m_connection;
    FileJournal m_journal;
};

} // namespace tunebay
