#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tunebay {

// Entries in file order. An entry ending in '?' is a prefix: the letter after the prefix is
// upper-cased. Any other entry replaces a whole word that equals it, ASCII case ignored.
using CapitalizeExceptionList = std::vector<std::string>;

inline constexpr const char* kCapitalizeExceptionsFileName = "capitalize.txt";

struct CapitalizeExceptionsLoad {
    // Absent when the file is missing or cannot be opened; mode 0 then runs without exceptions.
    std::optional<CapitalizeExceptionList> list;
    // Set when reading failed part way; `list` then keeps the entries read before the failure.
    std::string errorMessage;
};

// `applicationDirectory` ends in a path separator.
CapitalizeExceptionsLoad LoadCapitalizeExceptions(const std::string& applicationDirectory);
// The same from a file of any name (the command line's --exceptions).
CapitalizeExceptionsLoad LoadCapitalizeExceptionsFile(const std::string& path);

} // namespace tunebay
