#pragma once

#include "app/background_operation.h"
#include "browse/item_listing.h"

#include <functional>
#include <string>
#include <vector>

namespace tunebay {

// The item list's listing run: reads the selection in batches on a worker and hands each batch
// to `deliver` (on the worker's thread; the receiver moves it to the window's thread).
class ListingOperation : public CBackgroundOperation {
public:
    using BatchReceiver = std::function<void(ListedKeys&&)>;
    // Told, on the worker's thread after the last batch, that the run has ended.
    using DoneReceiver = std::function<void(int stopCode)>;

    ListingOperation(IProgressSink& sink, CCatalogueConnection& connection, Selection selection,
                     BatchReceiver deliver, DoneReceiver done);

    // Set by RefreshList while this run is busy: the list is filled again once it has ended.
    // Read and written on the window's thread only.
    bool relist = false;
    // The error that ended the run early, or "".
    std::string ErrorMessage() const;

protected:
    void Run() override;

private:
    CCatalogueConnection& m_connection;
    Selection m_selection;
    BatchReceiver m_deliver;
    DoneReceiver m_done;
    std::string m_error; // written by the worker, read after it has ended
};

} // namespace tunebay
