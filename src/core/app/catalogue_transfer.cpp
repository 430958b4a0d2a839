#include "app/catalogue_transfer.h"

#include "app/catalogue_document.h"
#include "store/catalogue_error.h"
#include "store/postgres_engine.h"
#include "store/server_catalogue.h"

#include <filesystem>
#include <system_error>

namespace tunebay {

namespace fs = std::filesystem;

namespace {

// The tables that hold what a user put into a catalogue; the others hold the template's rows.
constexpr const char* kDataTables[] = {"tblMedia", "tblItem", "tblGroup", "tblPackage",
                                       "tblDirectory"};

// A catalogue's name as a message shows it (never with a password).
std::string shown(const std::string& name) {
    return IsServerCatalogueName(name) ? ShownServerAddress(name) : name;
}

// Why `target` may not be overwritten without force ("" when it may): it holds a catalogue with
// data, or something that is no catalogue.
std::string occupied(const std::string& target) {
    const bool server = IsServerCatalogueName(target);
    std::error_code error;
    if (!server && !fs::exists(fs::symlink_status(target, error)))
        return {};
    if (!server && fs::is_regular_file(target, error) && fs::file_size(target, error) == 0 &&
        !error)
        return {};
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(target)) != 0)
        return server ? std::string() // the copy itself reports why it cannot reach it
                      : shown(target) + " is not a catalogue; --force replaces it";
    try {
        const std::vector<std::string> tables = connection.TableNames();
        if (server && tables.empty())
            return {};
        for (const char* table : kDataTables) {
            if (!connection.HasTable(table))
                return shown(target) + " holds other data than a catalogue; --force replaces it";
            if (!connection.Execute(std::string("SELECT 1 FROM ") + table + " LIMIT 1").IsEof())
                return shown(target) + " already holds a catalogue with items; --force replaces it";
        }
    } catch (const CatalogueError&) {
        return shown(target) + " is not a catalogue; --force replaces it";
    }
    return {};
}

bool sameCatalogue(const std::string& source, const std::string& target) {
    if (IsServerCatalogueName(source) || IsServerCatalogueName(target))
        return source == target;
    std::error_code error;
    if (fs::equivalent(source, target, error))
        return true;
    std::error_code failed;
    const fs::path one = fs::weakly_canonical(fs::absolute(source, failed), failed);
    const fs::path other = fs::weakly_canonical(fs::absolute(target, failed), failed);
    return !failed && one == other;
}

TransferResult failed(const std::string& name, const std::string& reason) {
    return {TransferStatus::Failed, shown(name) + ": " + reason};
}

// Makes the server catalogue and fills it as one transaction: a failure leaves the database as
// it was.
TransferResult copyToServer(CCatalogueConnection& source, const std::string& target,
                            const std::string& templatePath, const CopyRowsProgress& progress) {
    CCatalogueConnection connection;
    if (connection.Open(CatalogueConnectionString(target)) != 0)
        return failed(target, connection.OpenError());
    try {
        CatalogueTransaction transaction(connection);
        std::string reason;
        if (!CreateServerCatalogue(connection, templatePath, true, reason))
            return failed(target, reason);
        const long long copied = CopyCatalogueRows(source, connection, progress);
        transaction.Commit();
        // Until the server has statistics of the copied rows it plans a copied catalogue of a
        // million rows as if its tables were almost empty (hash tables that spill to disk,
        // sorts of the wrong size).
        try {
            RefreshServerStatistics(connection, copied);
        } catch (const CatalogueError&) {
            // The server gathers them by itself before long; the copy is done all the same.
        }
    } catch (const CatalogueError& error) {
        return failed(target, error.engineMessage());
    }
    return {TransferStatus::Copied, {}};
}

TransferResult copyToFile(CCatalogueConnection& source, const std::string& target,
                          const std::string& appDirectory, const CopyRowsProgress& progress) {
    std::error_code error;
    const bool existed = fs::exists(fs::symlink_status(target, error));
    CCatalogueConnection connection;
    CatalogueDocument document(connection, appDirectory);
    const OpenResult made = document.NewCatalogue(target, true);
    if (!made.ok())
        return failed(target, made.detail.empty() ? made.message : made.detail);
    try {
        CopyCatalogueRows(source, connection, progress);
    } catch (const CatalogueError& failure) {
        document.Close();
        if (!existed)
            for (const char* companion : {"", "-wal", "-shm"})
                fs::remove(target + companion, error);
        return failed(target, failure.engineMessage());
    }
    return {TransferStatus::Copied, {}};
}

} // namespace

TransferResult CopyCatalogue(const std::string& source, const std::string& target, bool force,
                             const std::string& appDirectory, const CopyRowsProgress& progress) {
    if (sameCatalogue(source, target))
        return {TransferStatus::Refused, "the source and the target are the same catalogue"};
    std::error_code error;
    // Opening an empty file would make it a new catalogue; a copy never changes its source.
    if (!IsServerCatalogueName(source) && fs::is_regular_file(source, error) &&
        fs::file_size(source, error) == 0)
        return {TransferStatus::SourceNotOpened,
                std::string(kMessageOpenFailed) + " (" + source + ": an empty file)"};
    CCatalogueConnection connection;
    CatalogueDocument document(connection, appDirectory);
    const OpenResult opened = document.OpenCatalogue(source);
    if (!opened.ok())
        return {TransferStatus::SourceNotOpened,
                (opened.message.empty() ? kMessageNotAccessible : opened.message) +
                    (opened.detail.empty() ? "" : " (" + opened.detail + ")")};
    if (!force)
        if (const std::string reason = occupied(target); !reason.empty())
            return {TransferStatus::Refused, reason};
    return IsServerCatalogueName(target)
               ? copyToServer(connection, target, document.TemplatePath(), progress)
               : copyToFile(connection, target, appDirectory, progress);
}

} // namespace tunebay
