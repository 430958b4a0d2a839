#include "app/settings_store.h"

#include <charconv>

namespace tunebay {

std::optional<int> ParseIntSetting(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+')
        ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::optional<int> ReadIntSetting(const ISettingsStore& store, std::string_view section,
                                  std::string_view name) {
    const auto text = store.Read(section, name);
    return text ? ParseIntSetting(*text) : std::nullopt;
}

} // namespace tunebay
