#pragma once

#include "app/settings_store.h"

#include <string>
#include <vector>

namespace tunebay {

// The recently used catalogues, most recent first, at most four ("File1" to "File4").
class RecentFileList {
public:
    static constexpr size_t kMaxEntries = 4;

    void Load(const ISettingsStore& store);
    void Save(ISettingsStore& store) const;
    // Puts the path at the top; an entry already in the list moves up instead of repeating.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Entries() const { return m_entries; }
    // "File1", or "" when the list is empty.
    std::string MostRecent() const { return m_entries.empty() ? std::string() : m_entries.front(); }

private:
    std::vector<std::string> m_entries;
};

} // namespace tunebay
