#include "cover_thumbnails.h"

#include "covers/cover_art.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace tunebay {

namespace {

qint64 modificationStamp(const QFileInfo& info) {
    return info.lastModified().toMSecsSinceEpoch();
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

CoverThumbnails::CoverThumbnails(QString cacheFolder)
    : m_folder(cacheFolder.isEmpty() ? DefaultCacheFolder() : std::move(cacheFolder)) {}

QString CoverThumbnails::DefaultCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           "/tunebay/covers";
}

QString CoverThumbnails::CacheFile(const QString& audioPath, int size) const {
    const QFileInfo file(audioPath);
    if (!file.exists())
        return {};
    const QFileInfo folder(file.absolutePath());
    QCryptographicHash key(QCryptographicHash::Sha1);
    key.addData(audioPath.toUtf8());
    key.addData(QByteArray::number(file.size()) + ":" +
                QByteArray::number(modificationStamp(file)) + ":" +
                QByteArray::number(modificationStamp(folder)) + ":" + QByteArray::number(size));
    return m_folder + "/" + QString::fromLatin1(key.result().toHex()) + ".png";
}

QImage CoverThumbnails::Thumbnail(const QString& audioPath, int size) const {
    const QString cached = CacheFile(audioPath, size);
    if (cached.isEmpty())
        return {};
    QImage image;
    if (image.load(cached, "PNG"))
        return image;
    image = ScaledCover(ReadCover(audioPath.toStdString()).bytes, size);
    if (image.isNull())
        return {};
    // Written whole or not at all, so that another thread or program never reads half of one.
    if (QDir().mkpath(m_folder)) {
        QSaveFile out(cached);
        if (out.open(QIODevice::WriteOnly) && image.save(&out, "PNG"))
            out.commit();
    }
    return image;
}

} // namespace tunebay
