#pragma once

#include <QImage>
#include <QString>

#include <atomic>
#include <memory>
#include <string>

namespace tunebay {

// Cover thumbnails of audio files, made with Qt and kept in a cache folder so that a list shows
// them again without reading the files. Each file and thumbnail size has one cache file, named
// after the path; inside it is the state it was made from (the file's size and modification time,
// and its folder's modification time, for a cover.jpg put beside it later): a changed file's
// thumbnail is made again in its place, so no stale one stays behind. A file found without a
// cover gets a small entry saying so, and is not read again until it (or its folder) changes.
// The cache is bounded: past its limit the thumbnails used longest ago go first (a thumbnail's
// modification time is the time it was last used). Safe to use from several threads at once.
class CoverThumbnails {
public:
    static constexpr qint64 kDefaultLimitBytes = 256ll * 1024 * 1024;

    // `cacheFolder` "" uses DefaultCacheFolder().
    explicit CoverThumbnails(QString cacheFolder = {}, qint64 limitBytes = kDefaultLimitBytes);

    // $XDG_CACHE_HOME/tunebay/covers (~/.cache/tunebay/covers without the variable).
    static QString DefaultCacheFolder();

    // The cover of the file at `audioPath` scaled to fit `size` x `size` (never enlarged); a null
    // image when it has none or its picture cannot be decoded.
    QImage Thumbnail(const QString& audioPath, int size) const;

    // Where the thumbnail of the file would be kept; "" when the file is gone.
    QString CacheFile(const QString& audioPath, int size) const;

    // Removes the thumbnails used longest ago until the cache holds at most three quarters of its
    // limit, when it holds more than the limit. Done by Thumbnail now and then as it adds ones.
    void Prune() const;

    const QString& Folder() const { return m_folder; }
    qint64 LimitBytes() const { return m_limitBytes; }

private:
    // Writes `image` as the cache file `cached`, pruning now and then.
    void store(const QString& cached, const QImage& image) const;

    QString m_folder;
    qint64 m_limitBytes;
    // Thumbnails written since the last pruning, shared by the copies of this cache.
    std::shared_ptr<std::atomic<int>> m_written = std::make_shared<std::atomic<int>>(0);
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
