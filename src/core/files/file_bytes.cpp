#include "files/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace tunebay {

bool WriteAllBytes(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

std::string SystemReason(int error) {
    return std::strerror(error);
}

bool AppendFileRange(int from, long long offset, long long length, int to) {
    loff_t in = offset;
    bool kernelCopy = true;
    std::vector<char> buffer;
    while (length > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<long long>(length, 1 << 20));
        ssize_t moved = -1;
        if (kernelCopy) {
            moved = ::copy_file_range(from, &in, to, nullptr, chunk, 0);
            if (moved < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                              errno == EOPNOTSUPP || errno == EBADF)) {
                kernelCopy = false;
                continue;
            }
        } else {
            buffer.resize(chunk);
            moved = ::pread(from, buffer.data(), chunk, in);
            if (moved > 0) {
                for (ssize_t written = 0; written < moved;) {
                    const ssize_t put = ::write(to, buffer.data() + written,
                                                static_cast<std::size_t>(moved - written));
                    if (put < 0 && errno == EINTR)
                        continue;
                    if (put <= 0)
                        return false;
                    written += put;
                }
                in += moved;
            }
        }
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0)
            return false;
        if (moved == 0) {
            errno = EIO; // the source ended early
            return false;
        }
        length -= moved;
    }
    return true;
}

bool SameFileBytes(int a, long long offsetA, int b, long long offsetB, long long length) {
    constexpr std::size_t kBlock = 1 << 16;
    std::vector<char> left(kBlock), right(kBlock);
    while (length > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<long long>(length, kBlock));
        if (::pread(a, left.data(), chunk, offsetA) != static_cast<ssize_t>(chunk) ||
            ::pread(b, right.data(), chunk, offsetB) != static_cast<ssize_t>(chunk) ||
            std::memcmp(left.data(), right.data(), chunk) != 0)
            return false;
        offsetA += static_cast<long long>(chunk);
        offsetB += static_cast<long long>(chunk);
        length -= static_cast<long long>(chunk);
    }
    return true;
}

bool OverwriteWith(int from, int to) {
    struct stat info {};
    if (::fstat(from, &info) != 0 || ::ftruncate(to, 0) != 0 || ::lseek(to, 0, SEEK_SET) != 0)
        return false;
    return AppendFileRange(from, 0, info.st_size, to) && ::fsync(to) == 0;
}

int CompareFiles(const std::string& a, const std::string& b) {
    const int first = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
    if (first < 0)
        return errno;
    const int second = ::open(b.c_str(), O_RDONLY | O_CLOEXEC);
    if (second < 0) {
        const int error = errno;
        ::close(first);
        return error;
    }
    struct stat x {
    }, y{};
    int error = 0;
    if (::fstat(first, &x) != 0 || ::fstat(second, &y) != 0)
        error = errno;
    else if (x.st_size != y.st_size || !SameFileBytes(first, 0, second, 0, x.st_size))
        error = EIO;
    ::close(first);
    ::close(second);
    return error;
}

} // namespace tunebay
