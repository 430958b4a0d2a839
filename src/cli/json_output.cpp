#include "json_output.h"

#include "text/utf8_text.h"

#include <cstdio>
#include <ostream>
#include <sstream>

namespace tunebay::cli {

namespace {

void writeString(std::ostream& out, const std::string& text) {
    out << '"';
    std::string plain;
    for (const char32_t c : DecodeUtf8(text)) {
        char escape[8];
        switch (c) {
        case '"':
            plain += "\\\"";
            continue;
        case '\\':
            plain += "\\\\";
            continue;
        case '\n':
            plain += "\\n";
            continue;
        case '\r':
            plain += "\\r";
            continue;
        case '\t':
            plain += "\\t";
            continue;
        default:
            break;
        }
        if (c < 0x20 || IsEscapedByte(c)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            plain += escape;
        } else {
            AppendUtf8(plain, c);
        }
    }
    out << plain << '"';
}

} // namespace

void WriteJson(std::ostream& out, const nlohmann::ordered_json& value) {
    if (value.is_object()) {
        out << '{';
        bool first = true;
        for (const auto& [key, member] : value.items()) {
            out << (first ? "" : ",");
            first = false;
            writeString(out, key);
            out << ':';
            WriteJson(out, member);
        }
        out << '}';
    } else if (value.is_array()) {
        out << '[';
        bool first = true;
        for (const auto& member : value) {
            out << (first ? "" : ",");
            first = false;
            WriteJson(out, member);
        }
        out << ']';
    } else if (value.is_string()) {
        writeString(out, value.get_ref<const std::string&>());
    } else {
        out << value.dump();
    }
}

namespace {

std::string plainText(const nlohmann::ordered_json& value) {
    return value.is_string() ? value.get<std::string>() : value.dump();
}

void writeLines(std::ostream& out, const std::string& prefix, const nlohmann::ordered_json& facts) {
    for (const auto& [label, value] : facts.items()) {
        if (value.is_object()) {
            writeLines(out, prefix + label + ".", value);
            continue;
        }
        out << prefix << label;
        if (value.is_array())
            for (const auto& element : value)
                out << '\t' << plainText(element);
        else
            out << '\t' << plainText(value);
        out << '\n';
    }
}

} // namespace

void WriteLabelled(std::ostream& out, const nlohmann::ordered_json& facts, bool json) {
    if (json) {
        WriteJson(out, facts);
        out << '\n';
    } else {
        writeLines(out, "", facts);
    }
}

std::string JsonText(const nlohmann::ordered_json& value) {
    std::ostringstream out;
    WriteJson(out, value);
    return out.str();
}

} // namespace tunebay::cli
