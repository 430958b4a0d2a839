#include "cover_icon_loader.h"

#include "edit/item_properties.h"
#include "store/catalogue_connection.h"
#include "store/catalogued_file_locator.h"

#include <QImage>
#include <QMetaObject>

#include <algorithm>
#include <exception>
#include <optional>

namespace tunebay {

namespace {

// Requests beyond this many are forgotten, oldest first: they were for items scrolled past, and
// are asked for again should those come back into view.
constexpr std::size_t kMaxQueued = 512;

} // namespace

CoverIconLoader::CoverIconLoader(QObject* parent, CoverThumbnails thumbnails)
    : QObject(parent), m_thumbnails(std::move(thumbnails)) {
    m_pool.setMaxThreadCount(1);
}

CoverIconLoader::~CoverIconLoader() {
    {
        std::lock_guard lock(m_mutex);
        m_queue.clear();
    }
    m_pool.waitForDone();
}

QPixmap CoverIconLoader::Icon(const QString& catalogue, int itemId, int size) {
    if (catalogue != m_catalogue || size != m_size) {
        m_catalogue = catalogue;
        m_size = size;
        Forget();
    }
    if (const QPixmap* icon = m_icons.object(itemId))
        return *icon;
    if (m_pending.contains(itemId))
        return {};
    m_pending.insert(itemId);
    std::lock_guard lock(m_mutex);
    m_queue.push_back({catalogue, itemId, size, m_generation});
    while (m_queue.size() > kMaxQueued) {
        m_pending.remove(m_queue.front().itemId);
        m_queue.pop_front();
    }
    if (!m_working) {
        m_working = true;
        m_pool.start([this] { work(); });
    }
    return {};
}

void CoverIconLoader::Forget() {
    m_icons.clear();
    m_pending.clear();
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    ++m_generation;
}

void CoverIconLoader::WaitForIdle() {
    m_pool.waitForDone();
}

void CoverIconLoader::work() {
    CCatalogueConnection connection;
    const CataloguedFileLocator locator;
    QString open;
    for (;;) {
        Request request;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty()) {
                m_working = false;
                return;
            }
            request = m_queue.back();
            m_queue.pop_back();
        }
        QImage image;
        try {
            if (open != request.catalogue) {
                open =
                    connection.Open(CatalogueConnectionString(request.catalogue.toStdString())) == 0
                        ? request.catalogue
                        : QString();
            }
            if (!open.isEmpty())
                if (const std::optional<ItemProperties> item =
                        LoadItemProperties(connection, request.itemId, &locator))
                    image = m_thumbnails.Thumbnail(QString::fromStdString(item->LocatedPath()),
                                                   request.size);
        } catch (const std::exception&) {
            // A catalogue error or a picture too large to decode: the item shows no cover.
        }
        QMetaObject::invokeMethod(
            this,
            [this, request, image] {
                if (request.generation != m_generation)
                    return;
                m_pending.remove(request.itemId);
                auto* icon = new QPixmap(QPixmap::fromImage(image));
                const qsizetype bytes = qsizetype(icon->width()) * icon->height() * 4;
                m_icons.insert(request.itemId, icon, std::max<qsizetype>(bytes, 64));
                emit iconReady(request.itemId);
            },
            Qt::QueuedConnection);
    }
}

} // namespace tunebay
