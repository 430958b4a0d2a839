#include "cover_thumbnails.h"

#include "covers/cover_art.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace tunebay {

namespace {

// The PNG text entry holding the state of the file a thumbnail was made from.
const char* const kStateKey = "tunebay-source";
// The PNG text entry that marks a file known to have no cover: the entry's one pixel is no
// thumbnail, it only saves reading the file again while it stays as it was.
const char* const kNoCoverKey = "tunebay-no-cover";
// Pruning looks at the whole folder: done once as a cache starts to grow, then every this many
// new thumbnails.
constexpr int kPruneEvery = 500;
// A thumbnail used within this long is not marked used again: a list scrolled back and forth
// costs no writes.
constexpr qint64 kUseResolutionMs = 60ll * 60 * 1000;

qint64 modificationStamp(const QFileInfo& info) {
    return info.lastModified().toMSecsSinceEpoch();
}

QString sourceState(const QFileInfo& file) {
    return QString::number(file.size()) + ":" + QString::number(modificationStamp(file)) + ":" +
           QString::number(modificationStamp(QFileInfo(file.absolutePath())));
}

void markUsed(const QString& cached, const QFileInfo& info) {
    if (QDateTime::currentMSecsSinceEpoch() - modificationStamp(info) > kUseResolutionMs)
        ::utimensat(AT_FDCWD, QFile::encodeName(cached).constData(), nullptr, 0);
}

} // namespace

QImage ScaledCover(const std::string& bytes, int size) {
    QImage image;
    if (bytes.empty() || !image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                                             static_cast<int>(bytes.size())))
        return {};
    if (image.width() > size || image.height() > size)
        image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

std::string SiteCoverPng(const std::string& picture) {
    const QImage image = ScaledCover(picture, kSiteCoverSize);
    QByteArray png;
    QBuffer buffer(&png);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return {};
    return png.toStdString();
}

CoverThumbnails::CoverThumbnails(QString cacheFolder, qint64 limitBytes)
    : m_folder(cacheFolder.isEmpty() ? DefaultCacheFolder() : std::move(cacheFolder)),
      m_limitBytes(limitBytes) {}

QString CoverThumbnails::DefaultCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           "/tunebay/covers";
}

QString CoverThumbnails::CacheFile(const QString& audioPath, int size) const {
    if (!QFileInfo::exists(audioPath))
        return {};
    QCryptographicHash key(QCryptographicHash::Sha1);
    key.addData(audioPath.toUtf8());
    key.addData(":" + QByteArray::number(size));
    return m_folder + "/" + QString::fromLatin1(key.result().toHex()) + ".png";
}

QImage CoverThumbnails::Thumbnail(const QString& audioPath, int size) const {
    const QString cached = CacheFile(audioPath, size);
    if (cached.isEmpty())
        return {};
    const QFileInfo audioInfo(audioPath);
    const QString state = sourceState(audioInfo);
    QImage image;
    const QFileInfo cacheInfo(cached);
    if (image.load(cached, "PNG") && image.text(kStateKey) == state) {
        markUsed(cached, cacheInfo);
        return image.text(kNoCoverKey).isEmpty() ? image : QImage();
    }
    image = ScaledCover(ReadCover(audioPath.toStdString()).bytes, size);
    if (image.isNull()) {
        // A file that cannot be read now may be readable later: only a read file is known to
        // have no cover.
        if (!audioInfo.isReadable()) {
            QFile::remove(cached);
            return {};
        }
        QImage none(1, 1, QImage::Format_Mono);
        none.fill(0);
        none.setText(kNoCoverKey, "1");
        none.setText(kStateKey, state);
        store(cached, none);
        return {};
    }
    image.setText(kStateKey, state);
    store(cached, image);
    return image;
}

void CoverThumbnails::store(const QString& cached, const QImage& image) const {
    // Written whole or not at all, so that another thread or program never reads half of one.
    if (!QDir().mkpath(m_folder))
        return;
    QSaveFile out(cached);
    if (out.open(QIODevice::WriteOnly) && image.save(&out, "PNG") && out.commit() &&
        m_written->fetch_add(1) % kPruneEvery == 0)
        Prune();
}

void CoverThumbnails::Prune() const {
    struct Entry {
        qint64 used;
        qint64 size;
        QString path;
    };
    std::vector<Entry> entries;
    qint64 total = 0;
    QDirIterator it(m_folder, {"*.png"}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries.push_back({modificationStamp(info), info.size(), info.filePath()});
        total += info.size();
    }
    if (total <= m_limitBytes)
        return;
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.used < b.used; });
    const qint64 target = m_limitBytes - m_limitBytes / 4;
    for (const Entry& entry : entries) {
        if (total <= target)
            break;
        if (QFile::remove(entry.path))
            total -= entry.size;
    }
}

} // namespace tunebay
