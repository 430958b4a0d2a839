#pragma once

#include "store/catalogue_connection.h"
#include "text/translatable.h"

#include <string>
#include <string_view>

namespace tunebay {

// The program's own messages about opening and creating catalogues.
inline constexpr const char* kMessageNotAccessible =
    TB_TRANSLATE_NOOP("Tunebay", "TBF file does not exist or is not accessible!");
inline constexpr const char* kMessageOpenFailed =
    TB_TRANSLATE_NOOP("Tunebay", "Database file not available, faulty or read-only!");
inline constexpr const char* kMessageIncompatible =
    TB_TRANSLATE_NOOP("Tunebay", "Incompatible database version! Get the newest Tunebay!");
inline constexpr const char* kMessageCreateFailed =
    TB_TRANSLATE_NOOP("Tunebay", "Couldn't create new database file!");

enum class OpenStatus {
    Opened,
    NothingToOpen,       // an empty path: nothing happens
    NotAccessible,       // the previous catalogue stays open
    OpenFailed,          // no catalogue open
    IncompatibleVersion, // no catalogue open
    CreateFailed,        // File > New could not copy the template; nothing changed
};

struct OpenResult {
    OpenStatus status;
    std::string message; // empty when opened or nothing to open
    // The file and the system's or the engine's reason, for front ends that show more than the
    // window's text ("nope.tbf: No such file or directory").
    std::string detail = {};

    bool ok() const { return status == OpenStatus::Opened; }
};

// The catalogue the program has open: opening with its checks, creating from the template,
// closing, and the facts the window shows about it.
class CatalogueDocument {
public:
    // `appDirectory` holds the template "TBDB.src" and ends in "/".
    CatalogueDocument(CCatalogueConnection& connection, std::string appDirectory);

    OpenResult OpenCatalogue(const std::string& path);
    // Copies the template to `path` (replacing a file there, or the file a link there points
    // to) and opens the copy. A catalogue that another process holds open is never replaced.
    // For a server catalogue's URI, makes the template's tables in its empty database;
    // `replace` lets an earlier catalogue there be replaced.
    OpenResult NewCatalogue(const std::string& path, bool replace = false);
    // Closes the catalogue (File > Disconnect).
    void Close();

    bool IsOpen() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    std::string TemplatePath() const { return m_appDirectory + "TBDB.src"; }

private:
    // Opens a catalogue known to exist and checks its version.
    OpenResult openCatalogue(const std::string& path);
    // Copies the template over `path` (where a link there points) through a temporary file
    // beside it, so a failed copy never leaves a half-written catalogue, and removes the replaced
    // catalogue's companion files, which would otherwise be read into the new one.
    bool copyTemplate(const std::string& path, std::string& reason) const;

    CCatalogueConnection& m_connection;
    std::string m_appDirectory;
    std::string m_path;
};

// The window title: "my.tbf - Tunebay", "music - Tunebay" for the database music on a server,
// or "Tunebay" with no catalogue open.
std::string CatalogueWindowTitle(std::string_view path);

// A catalogue is of this program's format when its version text begins with "1,0".
bool IsCompatibleCatalogueVersion(std::string_view version);

} // namespace tunebay
