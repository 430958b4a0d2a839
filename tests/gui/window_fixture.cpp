#include "window_fixture.h"

#include <QSignalSpy>
#include <QTest>

namespace tunebay::test {

bool WindowFixture::open(const std::filesystem::path& path) {
    QSignalSpy listed(frame.get(), &CMainFrame::listingFinished);
    if (!frame->OpenCatalogue(QString::fromStdString(path.string())))
        return false;
    return listed.count() > 0 || listed.wait(10000);
}

bool WindowFixture::listAfter(const std::function<void()>& action) {
    QSignalSpy listed(frame.get(), &CMainFrame::listingFinished);
    action();
    return listed.count() > 0 || listed.wait(10000);
}

} // namespace tunebay::test
