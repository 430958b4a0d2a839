#include "deletion_run.h"

namespace tunebay {

namespace {
// How many items go between two progress reports.
constexpr int kProgressStep = 100;
} // namespace

DeletionRun::DeletionRun(CCatalogueConnection& connection, std::vector<int> itemIds,
                         QObject* parent)
    : QObject(parent), m_connection(connection), m_itemIds(std::move(itemIds)) {}

DeletionRun::~DeletionRun() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void DeletionRun::Start() {
    m_thread = std::thread([this] {
        int deleted = 0;
        DeletionOutcome outcome = DeleteItems(
            m_connection, m_itemIds,
            [this, &deleted](int) {
                if (++deleted % kProgressStep == 0)
                    QMetaObject::invokeMethod(
                        this, [this, deleted] { emit progress(deleted); }, Qt::QueuedConnection);
            },
            [this] { return m_stop.load(); });
        m_outcome = std::move(outcome);
        // Queued: it arrives after the last progress report, on the window's thread.
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
    });
}

} // namespace tunebay
