#pragma once

#include "app/app_settings.h"
#include "app/clock.h"
#include "app/recent_files.h"
#include "fake_prompter.h"
#include "main_frame.h"
#include "support/catalogue_builder.h"
#include "support/memory_settings_store.h"
#include "support/temp_catalogue.h"

#include <functional>
#include <memory>

namespace tunebay::test {

// An item for CatalogueBuilder.
inline ItemFacts facts(const std::string& title, const std::string& group,
                       const std::string& package = "Unknown", int genreId = 255, int length = 0) {
    ItemFacts item;
    item.title = title;
    item.group = group;
    item.package = package;
    item.genreId = genreId;
    item.length = length;
    return item;
}

// A fixed clock for the window's time stamps.
class FixedClock : public IClock {
public:
    std::time_t Now() const override { return now; }
    std::time_t now = 1'700'000'000;
};

// A main window over default settings, a memory store and a prompter that answers by itself.
struct WindowFixture {
    WindowFixture() {
        settings.AppDirectory = dataDirectory();
        frame = std::make_unique<CMainFrame>(
            MainFrameServices{settings, recentFiles, store, prompter, clock});
    }
    ~WindowFixture() { frame.reset(); }

    // Opens the catalogue and waits until the list has been filled.
    bool open(const std::filesystem::path& path);
    // Runs `action` and waits until the listing run it starts has filled the list.
    bool listAfter(const std::function<void()>& action);

    CAppSettings settings;
    RecentFileList recentFiles;
    MemorySettingsStore store;
    FakePrompter prompter;
    FixedClock clock;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace tunebay::test
