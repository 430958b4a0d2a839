#include "import/media_file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunebay {

MediaFileBytes::MediaFileBytes(const std::string& path)
    : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    load();
}

MediaFileBytes::MediaFileBytes(int fd) : m_fd(::fcntl(fd, F_DUPFD_CLOEXEC, 0)) {
    load();
}

void MediaFileBytes::load() {
    struct stat status {};
    if (m_fd < 0 || ::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_size = static_cast<int64_t>(status.st_size);
    m_head.resize(static_cast<std::size_t>(std::min<int64_t>(m_size, kHeadSize)));
    const int64_t head = readFile(m_head.data(), m_head.size(), 0);
    m_head.resize(static_cast<std::size_t>(std::max<int64_t>(head, 0)));
    // The tail begins where the head ends in a file a little larger than the head.
    m_tailStart = std::max<int64_t>(m_size - static_cast<int64_t>(kTailSize),
                                    static_cast<int64_t>(m_head.size()));
    if (m_tailStart < m_size) {
        m_tail.resize(static_cast<std::size_t>(m_size - m_tailStart));
        const int64_t tail = readFile(m_tail.data(), m_tail.size(), m_tailStart);
        m_tail.resize(static_cast<std::size_t>(std::max<int64_t>(tail, 0)));
    }
}

MediaFileBytes::~MediaFileBytes() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int64_t MediaFileBytes::readFile(char* buffer, std::size_t size, int64_t offset) const {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, buffer + done, size - done,
                                  static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t MediaFileBytes::Read(void* buffer, std::size_t size, int64_t offset) const {
    if (m_fd < 0 || offset < 0)
        return -1;
    char* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    // What the head holds, then the tail, then the file itself.
    const auto headSize = static_cast<int64_t>(m_head.size());
    if (offset < headSize) {
        done = std::min(size, static_cast<std::size_t>(headSize - offset));
        std::memcpy(out, m_head.data() + offset, done);
    }
    const int64_t at = offset + static_cast<int64_t>(done);
    const int64_t tailEnd = m_tailStart + static_cast<int64_t>(m_tail.size());
    if (done < size && !m_tail.empty() && at >= m_tailStart && at < tailEnd) {
        const std::size_t n = std::min(size - done, static_cast<std::size_t>(tailEnd - at));
        std::memcpy(out + done, m_tail.data() + (at - m_tailStart), n);
        done += n;
    }
    if (done < size && offset + static_cast<int64_t>(done) < m_size) {
        // Never past the end: a read there would only find that the file has ended.
        const int64_t from = offset + static_cast<int64_t>(done);
        const auto wanted = static_cast<std::size_t>(std::min<int64_t>(size - done, m_size - from));
        const int64_t n = readFile(out + done, wanted, from);
        if (n < 0)
            return -1;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<int64_t>(done);
}

std::string MediaFileBytes::Read(std::size_t size, int64_t offset) const {
    std::string bytes(size, '\0');
    const int64_t n = Read(bytes.data(), size, offset);
    bytes.resize(static_cast<std::size_t>(std::max<int64_t>(n, 0)));
    return bytes;
}

} // namespace tunebay
