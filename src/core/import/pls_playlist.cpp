#include "import/pls_playlist.h"

#include "import/file_names.h"
#include "store/local_paths.h"
#include "text/text_case.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace tunebay {

namespace {

// The number written right after a key word ("File12=" gives 12); 0 when there is none.
int numberAfter(std::string_view line, std::string_view keyword) {
    return std::atoi(std::string(line.substr(keyword.size())).c_str());
}

std::string textAfterEquals(const std::string& line) {
    const size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

std::string baseNameWithoutExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

} // namespace

bool PlsPlaylist::Open(const std::string& path) {
    // Only a regular file is read: opening a pipe or a device would wait for ever. The check
    // is made on the opened file, without waiting for a writer.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        fcntl(descriptor, F_SETFL, 0) != 0) {
        close(descriptor);
        return false;
    }
    m_file.reset(fdopen(descriptor, "rb"));
    if (!m_file) {
        close(descriptor);
        return false;
    }
    const std::string playlist = NormalLocalPath(path);
    m_directory = playlist.substr(0, playlist.find_last_of('/') + 1);

    // The footer: the last 100 bytes announce the version and the number of entries.
    if (std::fseek(m_file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(m_file.get());
    if (size < 0)
        return false;
    const long tailSize = size < 100 ? size : 100;
    std::string tail(static_cast<size_t>(tailSize), '\0');
    std::fseek(m_file.get(), size - tailSize, SEEK_SET);
    if (std::fread(tail.data(), 1, tail.size(), m_file.get()) != tail.size())
        return false;
    const size_t entries = tail.find("NumberOfEntries=");
    if (tail.find("Version=2") == std::string::npos || entries == std::string::npos)
        return false;
    m_announced = numberAfter(std::string_view(tail).substr(entries), "NumberOfEntries=");
    if (m_announced <= 0)
        return false;

    std::rewind(m_file.get());
    if (!readLine() || !EqualsIgnoringAsciiCase(m_line, "[playlist]"))
        return false;
    m_needLine = true;
    return true;
}

bool PlsPlaylist::readLine() {
    m_line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(m_file.get())) != EOF) {
        any = true;
        if (c == '\n')
            break;
        m_line.push_back(static_cast<char>(c));
    }
    if (!m_line.empty() && m_line.back() == '\r')
        m_line.pop_back();
    return any;
}

bool PlsPlaylist::NextEntry(PlsEntry& entry) {
    if (!m_file)
        return false;
    entry = PlsEntry();

    // The entry's File line; a File line without a number or without a path is skipped.
    int number = 0;
    for (;;) {
        if (m_needLine && !readLine())
            return false;
        m_needLine = true;
        if (!m_line.starts_with("File"))
            continue;
        number = numberAfter(m_line, "File");
        if (number == 0 || m_line.find('=') == std::string::npos)
            continue;
        entry.path = textAfterEquals(m_line);
        break;
    }
    // Relative entries lie beside the playlist; an address with a scheme stays as it is.
    if (!entry.path.empty())
        entry.path = NormalLocalPath(entry.path, m_directory);

    // An optional Title line of the same entry names it; otherwise the file name does.
    if (!readLine())
        return false;
    std::string name;
    if (m_line.starts_with("Title")) {
        m_needLine = true;
        if (numberAfter(m_line, "Title") == number)
            name = textAfterEquals(m_line);
        else
            name = baseNameWithoutExtension(entry.path);
    } else {
        m_needLine = false; // looked at again below, and by the next entry
        name = baseNameWithoutExtension(entry.path);
    }
    if (const size_t dash = name.find(" - "); dash != std::string::npos) {
        entry.group = TrimSpaces(std::string_view(name).substr(0, dash));
        entry.title = TrimSpaces(std::string_view(name).substr(dash + 3));
    } else {
        entry.title = name;
    }

    // An optional Length line of the same entry.
    if (m_needLine && !readLine())
        return false;
    if (m_line.starts_with("Length")) {
        m_needLine = true;
        if (numberAfter(m_line, "Length") == number)
            entry.length =
                std::max(0, std::atoi(textAfterEquals(m_line).c_str())); // streams say -1
    } else {
        m_needLine = false;
    }
    return true;
}

} // namespace tunebay
