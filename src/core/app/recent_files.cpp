#include "app/recent_files.h"

#include <algorithm>

namespace tunebay {

namespace {
std::string entryName(size_t index) {
    return "File" + std::to_string(index + 1);
}
} // namespace

void RecentFileList::Load(const ISettingsStore& store) {
    m_entries.clear();
    for (size_t i = 0; i < kMaxEntries; ++i) {
        const auto path = store.Read(kRecentFilesSection, entryName(i));
        if (path && !path->empty() &&
            std::find(m_entries.begin(), m_entries.end(), *path) == m_entries.end())
            m_entries.push_back(*path);
    }
}

void RecentFileList::Save(ISettingsStore& store) const {
    for (size_t i = 0; i < kMaxEntries; ++i)
        store.WriteText(kRecentFilesSection, entryName(i),
                        i < m_entries.size() ? m_entries[i] : "");
}

void RecentFileList::Add(const std::string& path) {
    if (path.empty())
        return;
    Remove(path);
    m_entries.insert(m_entries.begin(), path);
    if (m_entries.size() > kMaxEntries)
        m_entries.resize(kMaxEntries);
}

void RecentFileList::Remove(const std::string& path) {
    std::erase(m_entries, path);
}

} // namespace tunebay
