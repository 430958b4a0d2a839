#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// The file an exporter writes: created anew, every line feed written as carriage return and
// line feed. A write that fails (a full disk) is remembered and reported by Close, so that an
// export never counts as done while part of it is missing.
class ExportFile {
public:
    ExportFile() = default;
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // Creates or replaces the file at `path`; false when it cannot be made (a folder of that
    // name, a missing or read-only folder). Without `followLinks` a symbolic link at the path is
    // refused rather than written through, for files the program names itself.
    bool Create(const std::string& path, bool followLinks = true);
    bool IsOpen() const { return m_fd >= 0; }

    ExportFile& operator<<(std::string_view text);
    ExportFile& operator<<(char c) { return *this << std::string_view(&c, 1); }

    // Writes what is buffered and closes; false when any part could not be written.
    bool Close();

private:
    void flush();

    int m_fd = -1;
    bool m_failed = false;
    std::string m_buffer;
};

} // namespace tunebay
