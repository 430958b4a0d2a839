#include "output/package_covers.h"

#include "covers/cover_art.h"
#include "files/file_bytes.h"

#include <fcntl.h>
#include <unistd.h>

namespace tunebay {

PackageCovers::PackageCovers(std::string folder, ThumbnailMaker thumbnail)
    : m_folder(std::move(folder)), m_thumbnail(std::move(thumbnail)) {}

std::string PackageCovers::Thumbnail(long long packageId, const std::string& localFolder,
                                     const std::string& networkFolder,
                                     const std::string& audioName) {
    std::string& name = m_made[packageId];
    if (!name.empty() || !m_thumbnail)
        return name;
    const CoverArt cover = ReadCover(m_locator.Path(localFolder, networkFolder, audioName));
    if (cover.source == CoverSource::None)
        return {};
    const std::string png = m_thumbnail(cover.bytes);
    if (png.empty())
        return {};
    const std::string fileName = std::to_string(packageId) + ".png";
    // Bytes as they are (the pages' writer would turn the PNG signature's line break into the
    // page's); never through a link planted in the folder.
    const std::string target = m_folder + fileName;
    const int fd =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return {};
    const bool written = WriteAllBytes(fd, png);
    if (::close(fd) != 0 || !written) {
        ::unlink(target.c_str());
        return {};
    }
    name = fileName;
    return name;
}

} // namespace tunebay
