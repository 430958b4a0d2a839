#pragma once

#include <QImage>
#include <QString>

#include <string>

namespace tunebay {

// Cover thumbnails of audio files, made with Qt and kept in a cache folder so that a list shows
// them again without reading the files. A thumbnail is keyed by the file's path, size and
// modification time, and its folder's modification time (a cover.jpg put beside it later): a
// changed file gets a new one. Safe to use from several threads at once.
class CoverThumbnails {
public:
    // `cacheFolder` "" uses DefaultCacheFolder().
    explicit CoverThumbnails(QString cacheFolder = {});

    // $XDG_CACHE_HOME/tunebay/covers (~/.cache/tunebay/covers without the variable).
    static QString DefaultCacheFolder();

    // The cover of the file at `audioPath` scaled to fit `size` x `size` (never enlarged); a null
    // image when it has none or its picture cannot be decoded.
    QImage Thumbnail(const QString& audioPath, int size) const;

    // Where the thumbnail of the file as it is now would be kept; "" when the file is gone.
    QString CacheFile(const QString& audioPath, int size) const;

    const QString& Folder() const { return m_folder; }

private:
    QString m_folder;
};

// The picture `bytes` decoded and scaled to fit `size` x `size` (never enlarged); a null image
// when they cannot be decoded.
QImage ScaledCover(const std::string& bytes, int size);

// The side of a web site's package thumbnails.
inline constexpr int kSiteCoverSize = 96;

// ScaledCover as PNG bytes, "" when the picture cannot be decoded: the thumbnail maker of the web
// site's package covers.
std::string SiteCoverPng(const std::string& picture);

} // namespace tunebay
