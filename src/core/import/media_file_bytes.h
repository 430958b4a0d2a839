#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tunebay {

// The bytes of one media file as the header reader and the tag reader look at them: the file is
// opened once, its head and its last bytes are read once, and both readers are served from those;
// anything else (a large tag, a long scan over rubbish) is read on demand.
class MediaFileBytes {
public:
    static constexpr std::size_t kHeadSize = 16 * 1024;
    // The tail holds ID3v1 and the APEv2 tags and stream ends that the readers look for there.
    static constexpr std::size_t kTailSize = 4 * 1024;

    // Opens `path` for reading. Regular files only, and without blocking, so that a FIFO named
    // like a media file cannot stall an import.
    explicit MediaFileBytes(const std::string& path);
    // Reads the file open at `fd` (which stays open; the reader keeps its own descriptor).
    explicit MediaFileBytes(int fd);
    ~MediaFileBytes();
    MediaFileBytes(const MediaFileBytes&) = delete;
    MediaFileBytes& operator=(const MediaFileBytes&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int64_t Size() const { return m_size; }

    // Up to `size` bytes at `offset` into `buffer`; fewer only at the end of the file, -1 on a
    // read error.
    int64_t Read(void* buffer, std::size_t size, int64_t offset) const;
    // The same as text; a read error gives what was read before it.
    std::string Read(std::size_t size, int64_t offset) const;

private:
    void load();
    int64_t readFile(char* buffer, std::size_t size, int64_t offset) const;

    int m_fd = -1;
    int64_t m_size = 0;
    std::string m_head; // the first bytes of the file, the whole of a small one
    std::string m_tail; // the last bytes, when the head does not reach them
    int64_t m_tailStart = 0;
};

} // namespace tunebay
