#pragma once

#include "browse/item_deletion.h"

#include <QObject>

#include <atomic>
#include <thread>
#include <vector>

namespace tunebay {

// Deletes a large selection of items on a worker thread, so that the window keeps painting and
// can show how far it has got; a stop request ends it after the item being deleted.
class DeletionRun : public QObject {
    Q_OBJECT
public:
    DeletionRun(CCatalogueConnection& connection, std::vector<int> itemIds,
                QObject* parent = nullptr);
    // Asks the worker to stop and waits for it.
    ~DeletionRun() override;
    DeletionRun(const DeletionRun&) = delete;
    DeletionRun& operator=(const DeletionRun&) = delete;

    void Start();
    void RequestStop() { m_stop = true; }
    int Total() const { return static_cast<int>(m_itemIds.size()); }
    // What the run did; read once `finished` has been emitted.
    const DeletionOutcome& Outcome() const { return m_outcome; }

signals:
    // The number of items deleted so far, now and then.
    void progress(int deleted);
    void finished();

private:
    CCatalogueConnection& m_connection;
    std::vector<int> m_itemIds;
    std::atomic<bool> m_stop{false};
    DeletionOutcome m_outcome; // written by the worker, read after it has ended
    std::thread m_thread;
};

} // namespace tunebay
