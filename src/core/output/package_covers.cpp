#include "output/package_covers.h"

#include "covers/cover_art.h"
#include "output/export_file.h"

namespace tunebay {

PackageCovers::PackageCovers(std::string folder, ThumbnailMaker thumbnail)
    : m_folder(std::move(folder)), m_thumbnail(std::move(thumbnail)) {}

std::string PackageCovers::Thumbnail(long long packageId, const std::string& audioPath) {
    std::string& name = m_made[packageId];
    if (!name.empty() || !m_thumbnail)
        return name;
    const CoverArt cover = ReadCover(audioPath);
    if (cover.source == CoverSource::None)
        return {};
    const std::string png = m_thumbnail(cover.bytes);
    if (png.empty())
        return {};
    const std::string fileName = std::to_string(packageId) + ".png";
    ExportFile file;
    if (!file.Create(m_folder + fileName, false))
        return {};
    file << png;
    if (!file.Close())
        return {};
    name = fileName;
    return name;
}

} // namespace tunebay
