#pragma once

#include <nlohmann/json.hpp>

#include <iosfwd>
#include <string>

namespace tunebay::cli {

// Writes `value` as compact JSON. A text that is not valid UTF-8 (a file name as the file system
// gave it) keeps each stray byte B as the escape \udcBB: the code point U+DC00 + B that the
// program's own decoding gives it, which no valid text can hold, so the bytes can be had back
// (Python reads them with errors="surrogateescape").
void WriteJson(std::ostream& out, const nlohmann::ordered_json& value);
std::string JsonText(const nlohmann::ordered_json& value);

// Writes the facts of an object as JSON (one line), or as the text output's LABEL<TAB>VALUE
// lines: an array's elements follow the label tab-separated, a nested object's members are
// labelled "LABEL.MEMBER".
void WriteLabelled(std::ostream& out, const nlohmann::ordered_json& facts, bool json);

} // namespace tunebay::cli
