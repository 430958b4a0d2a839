#pragma once

#include "app/settings_store.h"

#include <map>
#include <string>

namespace tunebay::test {

// Settings kept in a map, keyed "Section/Name" (top-level values by their bare name).
class MemorySettingsStore : public ISettingsStore {
public:
    std::optional<std::string> Read(std::string_view section,
                                    std::string_view name) const override {
        const auto it = values.find(key(section, name));
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void WriteInt(std::string_view section, std::string_view name, int value) override {
        values[key(section, name)] = std::to_string(value);
    }
    void WriteText(std::string_view section, std::string_view name,
                   std::string_view value) override {
        values[key(section, name)] = std::string(value);
    }
    static std::string key(std::string_view section, std::string_view name) {
        return section.empty() ? std::string(name) : std::string(section) + "/" + std::string(name);
    }

    std::map<std::string, std::string> values;
};

} // namespace tunebay::test
