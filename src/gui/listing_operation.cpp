#include "listing_operation.h"

#include <atomic>
#include <exception>

namespace tunebay {

ListingOperation::ListingOperation(IProgressSink& sink, CCatalogueConnection& connection,
                                   Selection selection, BatchReceiver deliver, DoneReceiver done)
    : CBackgroundOperation(kFinishListing, sink), m_connection(connection),
      m_selection(std::move(selection)), m_deliver(std::move(deliver)), m_done(std::move(done)) {}

std::string ListingOperation::ErrorMessage() const {
    return m_error;
}

void ListingOperation::Run() {
    SetProgress(kProgressListing);
    // The listing tests its own flag per row; a stop request reaches it with the next batch.
    std::atomic<bool> stop{false};
    try {
        RunListing(m_connection, m_selection, stop, [&](ListedKeys&& batch) {
            m_deliver(std::move(batch));
            if (StopRequested())
                stop = true;
        });
    } catch (const std::exception& error) {
        m_error = error.what();
    }
    m_done(StopCode());
}

} // namespace tunebay
