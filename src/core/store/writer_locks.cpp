#include "store/writer_locks.h"

#include "store/network_mounts.h"
#include "store/row_batches.h"
#include "text/text_case.h"

#include <algorithm>
#include <vector>

namespace tunebay {

namespace {

bool takesLocks(CCatalogueConnection& connection) {
    return IsServerCatalogueName(connection.Path());
}

void lockKey(CCatalogueConnection& connection, const std::string& key) {
    if (takesLocks(connection))
        connection.ExecuteWith("SELECT pg_advisory_xact_lock(hashtextextended(?, 0))", {key});
}

std::string packageKey(std::string_view name) {
    return "package:" + AsciiFoldedText(name);
}

std::string fileKey(std::string_view directory, std::string_view fileName) {
    return "file:" + std::string(directory) + std::string(fileName);
}

} // namespace

void LockPackageName(CCatalogueConnection& connection, std::string_view name) {
    lockKey(connection, packageKey(name));
}

void LockMediaFile(CCatalogueConnection& connection, std::string_view directory,
                   std::string_view fileName) {
    lockKey(connection, fileKey(directory, fileName));
}

namespace {

// Takes the locks of the keys all in one statement, in the order of their numbers (two keys may
// share one): the server sorts before it calls the volatile lock function of each row.
void lockKeys(CCatalogueConnection& connection, std::vector<std::string>& keys) {
    if (!takesLocks(connection) || keys.empty())
        return;
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<SqlValue> values(keys.begin(), keys.end());
    std::string rows = PaddedListMarks(values);
    for (size_t at = rows.find('?'); at != std::string::npos; at = rows.find('?', at + 3))
        rows.replace(at, 1, "(?)");
    connection.ExecuteBatch(
        "SELECT pg_advisory_xact_lock(h) FROM (SELECT DISTINCT hashtextextended(k, 0) AS h "
        "FROM (VALUES " +
            rows + ") AS batch (k)) AS hashes ORDER BY h",
        values);
}

} // namespace

void LockMediaFilesAndPackages(CCatalogueConnection& connection,
                               std::span<const std::pair<std::string_view, std::string_view>> files,
                               std::span<const std::string_view> packages,
                               std::span<const std::string_view> groups) {
    std::vector<std::string> keys;
    keys.reserve(files.size() + packages.size() + groups.size());
    for (const auto& [directory, fileName] : files)
        keys.push_back(fileKey(directory, fileName));
    for (const std::string_view package : packages)
        keys.push_back(packageKey(package));
    for (const std::string_view group : groups)
        keys.push_back("group:" + AsciiFoldedText(group));
    lockKeys(connection, keys);
}

void LockShareFolders(CCatalogueConnection& connection, std::span<const std::string> networkForms) {
    std::vector<std::string> keys;
    keys.reserve(networkForms.size());
    for (const std::string& network : networkForms)
        keys.push_back("share folder:" + ComparableNetworkForm(network));
    lockKeys(connection, keys);
}

} // namespace tunebay
