#pragma once

#include "text/translatable.h"

#include <cstdio>
#include <memory>
#include <string>

namespace tunebay {

// The refusal message for a playlist that is not a version-2 PLS file.
inline constexpr const char* kMessageBadPls =
    TB_TRANSLATE_NOOP("Tunebay", "No, corrupt or empty PLS file Version 2!");

// One entry of a PLS playlist: the file it names and what the playlist says of it.
struct PlsEntry {
    std::string path;
    std::string group;
    std::string title;
    int length = 0;
};

// Reads a version-2 PLS playlist entry by entry, as the playlist import walks it. Lines are read
// whole, whatever their length, and a trailing carriage return is dropped.
class PlsPlaylist {
public:
    // False when the file cannot be read, its last 100 bytes lack "Version=2" or
    // "NumberOfEntries=" (or announce 0 entries), or its first line is not "[playlist]".
    bool Open(const std::string& path);
    int AnnouncedEntries() const { return m_announced; }

    // The next entry; false at the end of the file.
    bool NextEntry(PlsEntry& entry);

private:
    bool readLine();

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::string m_directory; // relative entries are taken relative to the playlist
    std::string m_line;
    bool m_needLine = true;
    int m_announced = 0;
};

} // namespace tunebay
