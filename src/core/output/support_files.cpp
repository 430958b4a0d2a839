#include "output/support_files.h"

#include <filesystem>
#include <system_error>

namespace tunebay {

std::vector<std::string> SupportFilesOf(int format, bool showIcons) {
    std::vector<std::string> files;
    if (format == kExportWebSite)
        files.push_back(kBulletFile);
    if (format == kExportWebSite || format == kExportHtmlList) {
        files.push_back(kStyleSheetFile);
        if (showIcons)
            files.push_back(kMediaIconFile);
    }
    return files;
}

void CopySupportFiles(int format, const ExportOptions& options, const std::string& appDirectory) {
    namespace fs = std::filesystem;
    const std::size_t slash = options.path.rfind('/');
    const fs::path folder =
        slash == std::string::npos ? fs::path(".") : fs::path(options.path.substr(0, slash + 1));
    for (const std::string& name : SupportFilesOf(format, options.showIcons != 0)) {
        std::error_code error;
        fs::copy_file(fs::path(appDirectory) / name, folder / name, fs::copy_options::skip_existing,
                      error);
    }
}

} // namespace tunebay
