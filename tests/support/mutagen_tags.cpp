#include "support/mutagen_tags.h"

#include "support/encoded_audio.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tunebay::test {

namespace {

const std::string kPython = "/usr/bin/python3";

std::string helper(const std::string& mode, const std::filesystem::path& file) {
    return kPython + " " + ShellQuoted(std::string(TUNEBAY_TEST_DATA_DIR) + "mutagen_tags.py") +
           " " + mode + " " + ShellQuoted(file.string());
}

void flatten(const nlohmann::json& object, const std::string& prefix,
             std::map<std::string, std::string>& out) {
    for (const auto& [key, value] : object.items()) {
        if (value.is_object())
            flatten(value, prefix + key + ".", out);
        else if (value.is_string())
            out[prefix + key] = value.get<std::string>();
        else if (value.is_number())
            out[prefix + key] = std::to_string(value.get<long long>());
    }
}

// What `command` prints on its standard output.
std::string output(const std::string& command) {
    std::string out;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"),
                                                     pclose);
    std::array<char, 4096> buffer{};
    while (pipe) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe.get());
        if (n == 0)
            break;
        out.append(buffer.data(), n);
    }
    return out;
}

} // namespace

bool HaveMutagen() {
    return std::system((kPython + " -c 'import mutagen' >/dev/null 2>&1").c_str()) == 0;
}

bool MutagenPrepare(const std::filesystem::path& file) {
    return std::system((helper("prepare", file) + " >/dev/null 2>&1").c_str()) == 0;
}

bool MutagenAddBackCover(const std::filesystem::path& file) {
    return std::system((helper("back", file) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string MutagenPictures(const std::filesystem::path& file) {
    return output(helper("pictures", file));
}

std::string MutagenPictureLine(const std::string& kind, const std::string& mime,
                               const std::string& data) {
    static const char* kHex = "0123456789abcdef";
    std::string tail;
    for (const char c : data.substr(data.size() < 6 ? 0 : data.size() - 6)) {
        tail.push_back(kHex[(static_cast<unsigned char>(c) >> 4) & 0xF]);
        tail.push_back(kHex[static_cast<unsigned char>(c) & 0xF]);
    }
    return kind + " " + mime + " " + std::to_string(data.size()) + " " + tail + "\n";
}

std::map<std::string, std::string> MutagenRead(const std::filesystem::path& file) {
    std::map<std::string, std::string> fields;
    const nlohmann::json json = nlohmann::json::parse(output(helper("read", file)), nullptr, false);
    if (!json.is_object())
        return fields;
    if (json.contains("fields"))
        flatten(json["fields"], "", fields);
    if (json.contains("kept"))
        flatten(json["kept"], "", fields);
    return fields;
}

} // namespace tunebay::test
