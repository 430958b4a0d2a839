#include "output/export_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tunebay {

namespace {

constexpr std::size_t kFlushSize = 1 << 16;

} // namespace

ExportFile::~ExportFile() {
    Close();
}

bool ExportFile::Create(const std::string& path, bool followLinks) {
    Close();
    m_failed = false;
    // Non-blocking while opening, so that a pipe without a reader at that path fails instead of
    // hanging the export.
    const int flags =
        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
    m_fd = ::open(path.c_str(), flags, 0666);
    if (m_fd < 0)
        return false;
    if (const int status = ::fcntl(m_fd, F_GETFL); status >= 0)
        ::fcntl(m_fd, F_SETFL, status & ~O_NONBLOCK);
    return true;
}

ExportFile& ExportFile::operator<<(std::string_view text) {
    std::size_t start = 0;
    for (std::size_t at = text.find('\n'); at != std::string_view::npos;
         at = text.find('\n', start)) {
        m_buffer.append(text.substr(start, at - start));
        m_buffer.append("\r\n");
        start = at + 1;
    }
    m_buffer.append(text.substr(start));
    if (m_buffer.size() >= kFlushSize)
        flush();
    return *this;
}

void ExportFile::flush() {
    if (m_fd < 0 || m_failed) {
        m_buffer.clear();
        return;
    }
    const char* data = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_failed = true;
            break;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    m_buffer.clear();
}

bool ExportFile::Close() {
    if (m_fd < 0)
        return false;
    flush();
    if (::close(m_fd) != 0)
        m_failed = true;
    m_fd = -1;
    return !m_failed;
}

} // namespace tunebay
