#pragma once

#include "store/catalogued_file_locator.h"

#include <functional>
#include <map>
#include <string>

namespace tunebay {

// The cover thumbnails of a web site's packages: one PNG per package in the site's files folder,
// named after the package id, made the first time a genre page shows the package.
class PackageCovers {
public:
    using ThumbnailMaker = std::function<std::string(const std::string& picture)>;

    // `folder` ends with "/".
    PackageCovers(std::string folder, ThumbnailMaker thumbnail);

    // The file name (beside the pages) of the package's thumbnail, made from the cover of the
    // catalogued file (where this machine has it) unless the package has one already; "" when
    // there is none.
    std::string Thumbnail(long long packageId, const std::string& localFolder,
                          const std::string& networkFolder, const std::string& audioName);

private:
    CataloguedFileLocator m_locator;
    std::string m_folder;
    ThumbnailMaker m_thumbnail;
    std::map<long long, std::string> m_made;
};

} // namespace tunebay
