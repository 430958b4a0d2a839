#pragma once

#include "cover_thumbnails.h"

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QThreadPool>

#include <deque>
#include <mutex>

namespace tunebay {

// Cover icons of catalogued items for the item list, read off the window's thread: Icon() answers
// at once with what is known and asks a worker for the rest, newest requests first, so that the
// items on screen come before those scrolled past. The worker reads the catalogue through a
// connection of its own.
class CoverIconLoader : public QObject {
    Q_OBJECT
public:
    explicit CoverIconLoader(QObject* parent = nullptr,
                             CoverThumbnails thumbnails = CoverThumbnails());
    ~CoverIconLoader() override;

    // The item's cover scaled to `size`, or a null pixmap while it is read or when it has none.
    // A request for another catalogue forgets the icons of the last one.
    QPixmap Icon(const QString& catalogue, int itemId, int size);

    // Forgets every icon read so far, so that the items shown are read again: their files may
    // have changed. The thumbnail cache still answers for files that have not.
    void Forget();

    // Waits until every request asked for so far has been answered (tests and benchmarks).
    void WaitForIdle();

signals:
    // The icon of the item is known (it may be none): views showing it repaint.
    void iconReady(int itemId);

private:
    static constexpr qsizetype kMaxIconBytes = 64 * 1024 * 1024;
    struct Request {
        QString catalogue;
        int itemId = 0;
        int size = 0;
        int generation = 0;
    };
    void work();

    CoverThumbnails m_thumbnails;
    QThreadPool m_pool;
    // Window's thread only.
    QString m_catalogue;
    int m_size = 0;
    // Bounded by the bytes of the pixmaps: a long list scrolled through would otherwise keep
    // every cover it passed. A null pixmap: the item has no cover.
    QCache<int, QPixmap> m_icons{kMaxIconBytes};
    QSet<int> m_pending;
    // Shared with the worker.
    std::mutex m_mutex;
    std::deque<Request> m_queue;
    bool m_working = false;
    int m_generation = 0;
};

} // namespace tunebay
