#pragma once

#include <string>
#include <string_view>

namespace tunebay {

// Byte-level work on open files that the writers of users' files share.

// Writes all of `bytes` at the file's current offset; false on an error (errno set).
bool WriteAllBytes(int fd, std::string_view bytes);

// Copies `length` bytes from `offset` of `from` to the current end of `to`; false on a read or
// write error (errno set). Uses the kernel's copy where it can.
bool AppendFileRange(int from, long long offset, long long length, int to);

// Writes the whole of `from` over `to` from its start and cuts `to` to that length, flushed:
// `to` keeps its inode, so every name of it sees the new bytes.
bool OverwriteWith(int from, int to);

// Whether two open files hold the same bytes in the given ranges (lengths must be equal).
bool SameFileBytes(int a, long long offsetA, int b, long long offsetB, long long length);

// 0 when the files at `a` and `b` hold the same bytes, EIO when they differ, or the errno that
// kept them from being read.
int CompareFiles(const std::string& a, const std::string& b);

// The reason for errno as the system words it.
std::string SystemReason(int error);

} // namespace tunebay
