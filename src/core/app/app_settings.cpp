#include "app/app_settings.h"

#include <array>
#include <variant>

namespace tunebay {

namespace {

using Member = std::variant<int CAppSettings::*, std::string CAppSettings::*>;

struct SettingEntry {
    std::string_view name;
    Member member;
};

// Every stored value in load order. The save writes the same values; order has no effect on
// what is stored.
const SettingEntry kEntries[] = {
    {"AllowAllFiles", &CAppSettings::AllowAllFiles},
    {"ImportExtensions", &CAppSettings::ImportExtensions},
    {"RecurseSubDirs", &CAppSettings::RecurseSubDirs},
    {"ItemOrder", &CAppSettings::ItemOrder},
    {"ItemStyle", &CAppSettings::ItemStyle},
    {"FolderView", &CAppSettings::FolderView},
    {"ImportSource", &CAppSettings::ImportSource},
    {"ImportApplyTools", &CAppSettings::ImportApplyTools},
    {"ImportGenerateTRM", &CAppSettings::ImportGenerateTRM},
    {"ImportFolder", &CAppSettings::ImportFolder},
    {"ImportFilesDir", &CAppSettings::ImportFilesDir},
    {"LoadLastDocument", &CAppSettings::LoadLastDocument},
    {"UseID3v2", &CAppSettings::UseID3v2},
    {"GeneralCopyFolder", &CAppSettings::GeneralCopyFolder},
    {"GeneralLimit", &CAppSettings::GeneralLimit},
    {"GeneralLimitSize", &CAppSettings::GeneralLimitSize},
    {"GeneralCreateSubfolderGenre", &CAppSettings::GeneralCreateSubfolderGenre},
    {"GeneralCreateSubfolderGroup", &CAppSettings::GeneralCreateSubfolderGroup},
    {"GeneralCreateSubfolderGroupMore", &CAppSettings::GeneralCreateSubfolderGroupMore},
    {"GeneralUseHardLinks", &CAppSettings::GeneralUseHardLinks},
    {"Player", &CAppSettings::Player},
    {"CustomPlayer", &CAppSettings::CustomPlayer},
    {"PlayerLinkType", &CAppSettings::PlayerLinkType},
    {"ExplorerbarView", &CAppSettings::ExplorerbarView},
    {"ExplorerbarWidth", &CAppSettings::ExplorerbarWidth},
    {"WriteTag", &CAppSettings::WriteTag},
    {"AutoPlay", &CAppSettings::AutoPlay},
    {"Search1Type", &CAppSettings::Search1Type},
    {"Search1Compare", &CAppSettings::Search1Compare},
    {"Search1Value", &CAppSettings::Search1Value},
    {"Search2Link", &CAppSettings::Search2Link},
    {"Search2Type", &CAppSettings::Search2Type},
    {"Search2Compare", &CAppSettings::Search2Compare},
    {"Search2Value", &CAppSettings::Search2Value},
    {"ExportFolder", &CAppSettings::ExportFolder},
    {"ExportFilterIndex", &CAppSettings::ExportFilterIndex},
    {"HTMLTitle", &CAppSettings::HTMLTitle},
    {"HTMLAskOptions", &CAppSettings::HTMLAskOptions},
    {"HTMLSubDivision", &CAppSettings::HTMLSubDivision},
    {"HTMLShowIcons", &CAppSettings::HTMLShowIcons},
    {"HTMLCovers", &CAppSettings::HTMLCovers},
    {"HTMLShowNumbers", &CAppSettings::HTMLShowNumbers},
    {"HTMLLaunchFile", &CAppSettings::HTMLLaunchFile},
    {"HTMLLinkType", &CAppSettings::HTMLLinkType},
    {"HTMLOrderType", &CAppSettings::HTMLOrderType},
    {"HTMLColumns", &CAppSettings::HTMLColumns},
    {"HTMLDetailLevel", &CAppSettings::HTMLDetailLevel},
    {"ToolsAutoIdentifyAsk", &CAppSettings::ToolsAutoIdentifyAsk},
    {"ToolsAutoIdentifyMissing", &CAppSettings::ToolsAutoIdentifyMissing},
    {"ToolsAutoIdentify", &CAppSettings::ToolsAutoIdentify},
    {"ToolsCorrect", &CAppSettings::ToolsCorrect},
    {"ToolsCapitalize", &CAppSettings::ToolsCapitalize},
    {"ToolsRename", &CAppSettings::ToolsRename},
    {"ToolsProberty", &CAppSettings::ToolsProberty},
    {"ToolsWriteTag", &CAppSettings::ToolsWriteTag},
    {"ToolsTagAction", &CAppSettings::ToolsTagAction},
    {"ToolsCapitalizeType", &CAppSettings::ToolsCapitalizeType},
    {"ToolsRenameStyle", &CAppSettings::ToolsRenameStyle},
    {"ToolsTitle", &CAppSettings::ToolsTitle},
    {"ToolsTitleSet", &CAppSettings::ToolsTitleSet},
    {"ToolsTitleAsk", &CAppSettings::ToolsTitleAsk},
    {"ToolsGroup", &CAppSettings::ToolsGroup},
    {"ToolsGroupSet", &CAppSettings::ToolsGroupSet},
    {"ToolsGroupAsk", &CAppSettings::ToolsGroupAsk},
    {"ToolsPackage", &CAppSettings::ToolsPackage},
    {"ToolsPackageSet", &CAppSettings::ToolsPackageSet},
    {"ToolsPackageAsk", &CAppSettings::ToolsPackageAsk},
    {"ToolsYear", &CAppSettings::ToolsYear},
    {"ToolsYearSet", &CAppSettings::ToolsYearSet},
    {"ToolsYearAsk", &CAppSettings::ToolsYearAsk},
    {"ToolsGenre", &CAppSettings::ToolsGenre},
    {"ToolsGenreSet", &CAppSettings::ToolsGenreSet},
    {"ToolsGenreAsk", &CAppSettings::ToolsGenreAsk},
    {"ToolsComment", &CAppSettings::ToolsComment},
    {"ToolsCommentSet", &CAppSettings::ToolsCommentSet},
    {"ToolsCommentAsk", &CAppSettings::ToolsCommentAsk},
    {"NextUpdate", &CAppSettings::NextUpdate},
    {"MusicBrainzServerURL", &CAppSettings::MusicBrainzServerURL},
    {"MusicBrainzServerPort", &CAppSettings::MusicBrainzServerPort},
    {"MusicBrainzProxyURL", &CAppSettings::MusicBrainzProxyURL},
    {"MusicBrainzProxyPort", &CAppSettings::MusicBrainzProxyPort},
    {"MusicBrainzApiKey", &CAppSettings::MusicBrainzApiKey},
};

const SettingEntry* findEntry(std::string_view name) {
    for (const auto& entry : kEntries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

bool assign(CAppSettings& settings, const SettingEntry& entry, std::string_view text) {
    if (const auto* integer = std::get_if<int CAppSettings::*>(&entry.member)) {
        const auto value = ParseIntSetting(text);
        if (!value)
            return false;
        settings.*(*integer) = *value;
        return true;
    }
    if (!IsStorableSettingText(text))
        return false;
    settings.*std::get<std::string CAppSettings::*>(entry.member) = std::string(text);
    return true;
}

} // namespace

bool IsStorableSettingText(std::string_view text) {
    size_t codePoints = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++codePoints;
    return codePoints < 256;
}

void CAppSettings::Load(const ISettingsStore& store, const std::string& defaultAppDirectory,
                        PlayerProbe playerProbe) {
    const auto directory = store.Read("", "AppDirectory");
    AppDirectory = directory && !directory->empty() ? *directory : defaultAppDirectory;
    if (AppDirectory.empty() || AppDirectory.back() != '/')
        AppDirectory.push_back('/');

    for (const auto& entry : kEntries) {
        if (const auto text = store.Read(kSettingsSection, entry.name))
            assign(*this, entry, *text);
    }
    m_playerProbe = std::move(playerProbe);
    m_playerResolved = false;
}

void CAppSettings::ResolvePlayer() {
    if (m_playerResolved)
        return;
    m_playerResolved = true;
    if (!CustomPlayer.empty() || Player != 2)
        return;
    const std::string command = m_playerProbe ? m_playerProbe() : std::string();
    if (!command.empty() && IsStorableSettingText(command))
        CustomPlayer = command;
    else
        Player = 1;
}

void CAppSettings::Save(ISettingsStore& store) const {
    for (const auto& entry : kEntries)
        SaveByName(store, entry.name);
}

bool CAppSettings::SaveByName(ISettingsStore& store, std::string_view name) const {
    const SettingEntry* entry = findEntry(name);
    if (!entry)
        return false;
    if (const auto* integer = std::get_if<int CAppSettings::*>(&entry->member))
        store.WriteInt(kSettingsSection, entry->name, this->*(*integer));
    else
        store.WriteText(kSettingsSection, entry->name,
                        this->*std::get<std::string CAppSettings::*>(entry->member));
    return true;
}

std::vector<std::string_view> CAppSettings::Names() {
    std::vector<std::string_view> names;
    for (const auto& entry : kEntries)
        names.push_back(entry.name);
    return names;
}

bool CAppSettings::IsNumber(std::string_view name) {
    const SettingEntry* entry = findEntry(name);
    return entry && std::holds_alternative<int CAppSettings::*>(entry->member);
}

bool CAppSettings::SetByName(std::string_view name, std::string_view text) {
    const SettingEntry* entry = findEntry(name);
    return entry && assign(*this, *entry, text);
}

std::string CAppSettings::GetByName(std::string_view name) const {
    const SettingEntry* entry = findEntry(name);
    if (!entry)
        return {};
    if (const auto* integer = std::get_if<int CAppSettings::*>(&entry->member))
        return std::to_string(this->*(*integer));
    return this->*std::get<std::string CAppSettings::*>(entry->member);
}

} // namespace tunebay
