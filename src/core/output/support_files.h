#pragma once

#include "output/export_options.h"

#include <string>
#include <vector>

namespace tunebay {

inline constexpr const char* kStyleSheetFile = "tb.css";
inline constexpr const char* kMediaIconFile = "mediaicon.gif";
inline constexpr const char* kBulletFile = "bullet.gif";

// The support files an export of `format` needs beside its pages (none for the formats that are
// not HTML).
std::vector<std::string> SupportFilesOf(int format, bool showIcons);

// After a successful export: copies the support files from the program's data directory into
// the folder of `options.path` (for the web site, its site folder). A file already there is left
// as it is, and a copy that fails is passed over: the pages still read without them.
void CopySupportFiles(int format, const ExportOptions& options, const std::string& appDirectory);

} // namespace tunebay
