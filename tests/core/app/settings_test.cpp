#include "app/app_settings.h"
#include "app/recent_files.h"
#include "support/memory_settings_store.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::MemorySettingsStore;

std::string noPlayer() {
    return {};
}

TEST(Settings, FirstStartGivesEveryDefault) {
    MemorySettingsStore store;
    CAppSettings settings;
    settings.Load(store, "/usr/share/tunebay", [] { return std::string("\"vlc\" \"%1\""); });
    EXPECT_EQ(settings.AppDirectory, "/usr/share/tunebay/");
    EXPECT_EQ(settings.ItemOrder, 7);
    EXPECT_EQ(settings.FolderView, 5);
    EXPECT_EQ(settings.ImportFolder, "c:");
    EXPECT_EQ(settings.GeneralLimitSize, 650);
    EXPECT_EQ(settings.Search1Type, "*");
    EXPECT_EQ(settings.Search2Link, "-");
    EXPECT_EQ(settings.Search2Type, "Title");
    EXPECT_EQ(settings.HTMLTitle, "Tunebay List");
    EXPECT_EQ(settings.HTMLOrderType, 2);
    EXPECT_EQ(settings.MusicBrainzServerPort, 80);
    EXPECT_EQ(settings.MusicBrainzProxyPort, 8080);
    EXPECT_EQ(settings.ToolsTitleAsk, 1);
    settings.ResolvePlayer();
    EXPECT_EQ(settings.Player, 2);
    EXPECT_EQ(settings.CustomPlayer, "\"vlc\" \"%1\"");
}

TEST(Settings, WithoutADefaultPlayerTheStandardPlayerIsUsed) {
    MemorySettingsStore store;
    CAppSettings settings;
    settings.Load(store, "/x/", noPlayer);
    settings.ResolvePlayer();
    EXPECT_EQ(settings.Player, 1);
    EXPECT_EQ(settings.CustomPlayer, "");
}

TEST(Settings, ThePlayerProbeRunsOnlyForAnEmptyCustomPlayerOfKindTwo) {
    MemorySettingsStore store;
    store.values["Settings/Player"] = "1";
    int probes = 0;
    CAppSettings settings;
    settings.Load(store, "/x/", [&] {
        ++probes;
        return std::string("p");
    });
    EXPECT_EQ(probes, 0);
    store.values["Settings/Player"] = "2";
    store.values["Settings/CustomPlayer"] = "\"audacious\" \"%1\"";
    settings = CAppSettings();
    settings.Load(store, "/x/", [&] {
        ++probes;
        return std::string("p");
    });
    settings.ResolvePlayer();
    EXPECT_EQ(probes, 0);
    EXPECT_EQ(settings.CustomPlayer, "\"audacious\" \"%1\"");
}

TEST(Settings, ThePlayerIsProbedOnlyWhenNeededAndOnceARun) {
    MemorySettingsStore store;
    int probes = 0;
    CAppSettings settings;
    settings.Load(store, "/x/", [&] {
        ++probes;
        return std::string("\"vlc\" \"%1\"");
    });
    EXPECT_EQ(probes, 0);
    settings.ResolvePlayer();
    settings.ResolvePlayer();
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(settings.CustomPlayer, "\"vlc\" \"%1\"");
}

TEST(Settings, UnreadableValuesKeepTheirDefaults) {
    MemorySettingsStore store;
    store.values["Settings/ItemOrder"] = "-6";
    store.values["Settings/FolderView"] = "seven";
    store.values["Settings/HTMLColumns"] = "99999999999";
    store.values["Settings/ItemStyle"] = "";
    store.values["Settings/HTMLTitle"] = std::string(300, 'x');
    store.values["Settings/ExportFolder"] = std::string(255, 'y');
    store.values["Settings/ToolsTitle"] = std::string(256, 'z');
    // 255 characters of two bytes each are still 255 characters.
    std::string accents;
    for (int i = 0; i < 255; ++i)
        accents += "é";
    store.values["Settings/ToolsGroup"] = accents;
    CAppSettings settings;
    settings.Load(store, "/x/", noPlayer);
    EXPECT_EQ(settings.ItemOrder, -6);
    EXPECT_EQ(settings.FolderView, 5);
    EXPECT_EQ(settings.HTMLColumns, 2);
    EXPECT_EQ(settings.ItemStyle, 3);
    EXPECT_EQ(settings.HTMLTitle, "Tunebay List");
    EXPECT_EQ(settings.ExportFolder, std::string(255, 'y'));
    EXPECT_EQ(settings.ToolsTitle, "");
    EXPECT_EQ(settings.ToolsGroup, accents);
}

TEST(Settings, AppDirectoryFromTheStoreOverridesAndEndsInASeparator) {
    MemorySettingsStore store;
    store.values["AppDirectory"] = "/opt/tunebay";
    CAppSettings settings;
    settings.Load(store, "/usr/share/tunebay/", noPlayer);
    EXPECT_EQ(settings.AppDirectory, "/opt/tunebay/");
    store.values["AppDirectory"] = "/opt/tunebay/";
    settings.Load(store, "/usr/share/tunebay/", noPlayer);
    EXPECT_EQ(settings.AppDirectory, "/opt/tunebay/");
}

TEST(Settings, SaveWritesEveryValueAndLoadReadsItBack) {
    CAppSettings settings;
    settings.Load(MemorySettingsStore(), "/x/", noPlayer);
    settings.HTMLOrderType = 8;
    settings.Search1Value = "it's, \"quoted\"";
    settings.NextUpdate = "20270108000000";
    MemorySettingsStore store;
    settings.Save(store);
    EXPECT_EQ(store.values.size(), 82u);
    EXPECT_EQ(store.values.count("AppDirectory"), 0u);
    CAppSettings again;
    again.Load(store, "/x/", noPlayer);
    EXPECT_EQ(again.HTMLOrderType, 8);
    EXPECT_EQ(again.Search1Value, "it's, \"quoted\"");
    EXPECT_EQ(again.NextUpdate, "20270108000000");
    // Never asked for, the player stays to be probed in a later run.
    EXPECT_EQ(again.Player, 2);
    again.ResolvePlayer();
    EXPECT_EQ(again.Player, 1);
}

TEST(Settings, OverridesByNameFollowTheLoadRules) {
    CAppSettings settings;
    EXPECT_TRUE(settings.SetByName("RecurseSubDirs", "0"));
    EXPECT_EQ(settings.RecurseSubDirs, 0);
    EXPECT_FALSE(settings.SetByName("RecurseSubDirs", "no"));
    EXPECT_FALSE(settings.SetByName("NoSuchValue", "1"));
    EXPECT_TRUE(settings.SetByName("HTMLTitle", "Mine"));
    EXPECT_EQ(settings.GetByName("HTMLTitle"), "Mine");
    EXPECT_EQ(settings.GetByName("RecurseSubDirs"), "0");
}

TEST(RecentFiles, KeepsFourMostRecentFirstWithoutRepeats) {
    RecentFileList list;
    for (const char* path : {"/a.tbf", "/b.tbf", "/c.tbf", "/d.tbf", "/e.tbf", "/c.tbf"})
        list.Add(path);
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/c.tbf", "/e.tbf", "/d.tbf", "/b.tbf"}));
    MemorySettingsStore store;
    list.Save(store);
    EXPECT_EQ(store.values["Recent File List/File1"], "/c.tbf");
    EXPECT_EQ(store.values["Recent File List/File4"], "/b.tbf");
    RecentFileList loaded;
    loaded.Load(store);
    EXPECT_EQ(loaded.Entries(), list.Entries());
    EXPECT_EQ(loaded.MostRecent(), "/c.tbf");
}

} // namespace
} // namespace tunebay
