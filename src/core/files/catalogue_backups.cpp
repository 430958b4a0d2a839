#include "files/catalogue_backups.h"

#include "store/catalogue_error.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace tunebay {

CatalogueBackups::CatalogueBackups(CCatalogueConnection& connection)
    : m_connection(connection), m_journal(connection) {}

std::string CatalogueBackups::BackupFolder() {
    std::string state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/')
        state = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        state = std::string(home) + "/.local/state";
    else
        return {};
    std::string folder = state;
    for (const char* part : {"", "/tunebay", "/backups"}) {
        folder += part;
        // Private: the backups are copies of the user's files.
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return {};
    }
    return folder + "/";
}

long long CatalogueBackups::RecordBackup(const std::string& backup) {
    if (m_connection.IsReadOnly() || m_connection.InTransaction())
        return -1;
    try {
        // Until it is whole, the backup is a temporary file that a repair removes.
        return m_journal.RecordCopy(backup);
    } catch (const CatalogueError&) {
        return -1;
    }
}

bool CatalogueBackups::BackupWritten(long long entry, const std::string& target) {
    if (m_connection.InTransaction())
        return false;
    try {
        m_journal.BackupReady(entry, target);
        return true;
    } catch (const CatalogueError&) {
        return false;
    }
}

void CatalogueBackups::ClearBackup(long long entry) {
    try {
        m_journal.Clear(entry);
    } catch (const CatalogueError&) {
        // The entry stays: the next open finds the target written and the backup gone, and
        // settles it.
    }
}

} // namespace tunebay
