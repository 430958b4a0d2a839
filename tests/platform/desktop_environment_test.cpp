#include "app/app_settings.h"
#include "desktop_environment.h"
#include "qt_settings_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tunebay {
namespace {

TEST(SettingsFile, ValuesSurviveTheIniFileAndBadOnesKeepDefaults) {
    test::TempDir dir;
    const QString file = QString::fromStdString(dir.file("Tunebay.conf").string());
    {
        CAppSettings settings;
        settings.HTMLTitle = "Rock, \"Pop\" & Jazz; 100%";
        settings.ItemOrder = -12;
        settings.CustomPlayer = "\"vlc\" --one-instance \"%1\"";
        QtSettingsStore store(file);
        settings.Save(store);
        ASSERT_TRUE(store.Sync());
    }
    {
        // Hand edits: a value of the wrong kind and an over-long text.
        std::ofstream append(dir.file("Tunebay.conf"), std::ios::app);
        append << "\n[Settings]\n";
    }
    QtSettingsStore store(file);
    store.WriteText("Settings", "FolderView", "many");
    store.WriteText("Settings", "ExportFolder", std::string(256, 'e'));
    CAppSettings loaded;
    loaded.Load(store, "/data", [] { return std::string(); });
    EXPECT_EQ(loaded.HTMLTitle, "Rock, \"Pop\" & Jazz; 100%");
    EXPECT_EQ(loaded.ItemOrder, -12);
    EXPECT_EQ(loaded.CustomPlayer, "\"vlc\" --one-instance \"%1\"");
    EXPECT_EQ(loaded.FolderView, 5);
    EXPECT_EQ(loaded.ExportFolder, "");
    EXPECT_EQ(loaded.AppDirectory, "/data/");
}

TEST(SettingsFile, UnquotedListsAreNotSingleValues) {
    test::TempDir dir;
    const auto path = dir.write("list.conf", "[Settings]\nHTMLTitle=a, b\nSearch1Value=plain\n");
    QtSettingsStore store(QString::fromStdString(path.string()));
    EXPECT_FALSE(store.Read("Settings", "HTMLTitle").has_value());
    EXPECT_EQ(store.Read("Settings", "Search1Value").value_or(""), "plain");
}

TEST(PlayerProbe, ExecLinesBecomePlayerCommands) {
    EXPECT_EQ(PlayerCommandFromExec("vlc --started-from-file %U"),
              "\"vlc\" --started-from-file \"%1\"");
    EXPECT_EQ(PlayerCommandFromExec("audacious %U"), "\"audacious\" \"%1\"");
    EXPECT_EQ(PlayerCommandFromExec("\"/opt/My Player/play\" -q %f %i"),
              "\"/opt/My Player/play\" -q \"%1\"");
    EXPECT_EQ(PlayerCommandFromExec("mpv"), "\"mpv\" \"%1\"");
    EXPECT_EQ(PlayerCommandFromExec(""), "");
}

} // namespace
} // namespace tunebay
