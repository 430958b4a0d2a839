#include "store/writer_locks.h"

#include <string>

namespace tunebay {

namespace {

void lockKey(CCatalogueConnection& connection, const std::string& key) {
    if (IsServerCatalogueName(connection.Path()))
        connection.ExecuteWith("SELECT pg_advisory_xact_lock(hashtextextended(?, 0))", {key});
}

} // namespace

void LockPackageName(CCatalogueConnection& connection, std::string_view name) {
    std::string key = "package:";
    for (const char c : name)
        key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    lockKey(connection, key);
}

void LockMediaFile(CCatalogueConnection& connection, std::string_view directory,
                   std::string_view fileName) {
    lockKey(connection, "file:" + std::string(directory) + std::string(fileName));
}

} // namespace tunebay
