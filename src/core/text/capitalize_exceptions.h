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

// The installed file is the program's and stays read-only; "Edit" works on a copy in the user's
// data directory (ending in "/"), which is then read in preference.
std::string UserCapitalizeExceptionsPath(const std::string& userDataDirectory);

// The user's copy when there is one, else the installed file.
CapitalizeExceptionsLoad LoadPreferredCapitalizeExceptions(const std::string& applicationDirectory,
                                                           const std::string& userDataDirectory);

// The file "Edit" opens: the user's copy, made from the installed file when there is none yet.
// Empty, with `error` set, when neither exists or the copy cannot be made.
std::string PrepareUserCapitalizeExceptions(const std::string& applicationDirectory,
                                            const std::string& userDataDirectory,
                                            std::string& error);

} // namespace tunebay
