#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tunebay {

// A per-user store of named values in sections, as the front ends keep it (an INI file).
// Values come back as text; each reader decides whether the text is of the kind it wants.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // The value, or nothing when it is missing or not a single value. An empty section names
    // the store's top level.
    virtual std::optional<std::string> Read(std::string_view section,
                                            std::string_view name) const = 0;
    virtual void WriteInt(std::string_view section, std::string_view name, int value) = 0;
    virtual void WriteText(std::string_view section, std::string_view name,
                           std::string_view value) = 0;
};

// The names of the store's sections.
inline constexpr std::string_view kSettingsSection = "Settings";
inline constexpr std::string_view kWindowPlacementSection = "MainFramePos";
inline constexpr std::string_view kRecentFilesSection = "Recent File List";

// A 32-bit integer written in decimal (an optional sign); nothing for any other text.
std::optional<int> ParseIntSetting(std::string_view text);

// Reads a 32-bit integer value: missing, not a whole decimal number, or out of range gives
// nothing.
std::optional<int> ReadIntSetting(const ISettingsStore& store, std::string_view section,
                                  std::string_view name);

} // namespace tunebay
