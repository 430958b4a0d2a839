#pragma once

#include "app/settings_store.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// Every user preference, held in memory for the whole run. Loaded once at start and written back
// once at the end; nothing in between reaches the store. Member names are the stored value names.
class CAppSettings {
public:
    // Finds the command line of the desktop's default player ("" when there is none).
    using PlayerProbe = std::function<std::string()>;

    // Reads every value; a value that is missing, of the wrong kind, or a text of 256 characters
    // or more keeps its default. `defaultAppDirectory` is the program's data directory, used
    // unless the store names another. The player probe is kept, not run: it costs dozens of
    // processes and only matters once a player is about to be used (ResolvePlayer).
    void Load(const ISettingsStore& store, const std::string& defaultAppDirectory,
              PlayerProbe playerProbe);
    // Where the settings name no player command: asks the probe for the desktop's player (once
    // a run; later calls keep the first answer) and takes it as the custom player, or falls
    // back to the standard player when there is none. Call before a player is used or shown.
    void ResolvePlayer();
    // Writes every value of the table (never AppDirectory, which the store only overrides).
    void Save(ISettingsStore& store) const;

    // The program's data directory (catalogue template, help page, exception list); ends in "/".
    std::string AppDirectory;

    int AllowAllFiles = 0;
    // The extensions a folder import takes (without dots, ';' between them): those of every
    // audio format the catalogue knows (DefaultImportExtensions).
    std::string ImportExtensions =
        "mp3;mp2;mpga;flac;ogg;oga;opus;m4a;mp4;m4b;wav;aif;aiff;wv;ape;wma;asf";
    int RecurseSubDirs = 1;
    int ItemOrder = 7;
    int ItemStyle = 3;
    int FolderView = 5;
    int ImportSource = 3;
    int ImportApplyTools = 1;
    int ImportGenerateTRM = 0;
    std::string ImportFolder = "c:";
    std::string ImportFilesDir = "c:";
    int LoadLastDocument = 1;
    int UseID3v2 = 1;
    std::string GeneralCopyFolder;
    int GeneralLimit = 0;
    int GeneralLimitSize = 650;
    int GeneralCreateSubfolderGenre = 0;
    int GeneralCreateSubfolderGroup = 0;
    int GeneralCreateSubfolderGroupMore = 1;
    int GeneralUseHardLinks = 0;
    int Player = 2;
    std::string CustomPlayer;
    int PlayerLinkType = 1;
    int ExplorerbarView = 1;
    int ExplorerbarWidth = 165;
    int WriteTag = 1;
    int AutoPlay = 1;
    std::string Search1Type = "*";
    std::string Search1Compare = "=";
    std::string Search1Value;
    std::string Search2Link = "-";
    std::string Search2Type = "Title";
    std::string Search2Compare = "=";
    std::string Search2Value;
    std::string ExportFolder;
    int ExportFilterIndex = 1;
    std::string HTMLTitle = "Tunebay List";
    int HTMLAskOptions = 1;
    int HTMLSubDivision = 0;
    int HTMLShowIcons = 1;
    int HTMLCovers = 0;
    int HTMLShowNumbers = 1;
    int HTMLLaunchFile = 1;
    int HTMLLinkType = 1;
    int HTMLOrderType = 2;
    int HTMLColumns = 2;
    int HTMLDetailLevel = 1;
    int ToolsAutoIdentifyAsk = 0;
    int ToolsAutoIdentifyMissing = 0;
    int ToolsAutoIdentify = 0;
    int ToolsCorrect = 0;
    int ToolsCapitalize = 0;
    int ToolsRename = 0;
    int ToolsProberty = 0;
    int ToolsWriteTag = 0;
    int ToolsTagAction = 0;
    int ToolsCapitalizeType = 0;
    int ToolsRenameStyle = 0;
    std::string ToolsTitle;
    int ToolsTitleSet = 0;
    int ToolsTitleAsk = 1;
    std::string ToolsGroup;
    int ToolsGroupSet = 0;
    int ToolsGroupAsk = 1;
    std::string ToolsPackage;
    int ToolsPackageSet = 0;
    int ToolsPackageAsk = 1;
    std::string ToolsYear;
    int ToolsYearSet = 0;
    int ToolsYearAsk = 1;
    int ToolsGenre = 0;
    int ToolsGenreSet = 0;
    int ToolsGenreAsk = 1;
    std::string ToolsComment;
    int ToolsCommentSet = 0;
    int ToolsCommentAsk = 1;
    std::string NextUpdate;
    std::string MusicBrainzServerURL;
    int MusicBrainzServerPort = 80;
    std::string MusicBrainzProxyURL;
    int MusicBrainzProxyPort = 8080;
    // The AcoustID client key; identification fails with a clear reason while it is empty.
    std::string MusicBrainzApiKey;

    // Sets one value by its stored name from text, with the load rules; false when the name is
    // unknown or the text is not of the value's kind. The command line uses it for overrides.
    bool SetByName(std::string_view name, std::string_view text);
    // One value by its stored name, as text ("" for an unknown name).
    std::string GetByName(std::string_view name) const;
    // Writes the one value of that name as Save writes it; false for an unknown name.
    bool SaveByName(ISettingsStore& store, std::string_view name) const;
    // The stored names, in the order the file is read.
    static std::vector<std::string_view> Names();
    // Whether the value of that name is a number (else a text).
    static bool IsNumber(std::string_view name);

private:
    PlayerProbe m_playerProbe;
    bool m_playerResolved = true;
};

// The settings file's rule for texts: fewer than 256 characters (code points).
bool IsStorableSettingText(std::string_view text);

} // namespace tunebay
