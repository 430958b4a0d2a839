#include "store/sql_dialect.h"

#include <cctype>

namespace tunebay {

namespace {

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// Case-insensitive match of an ASCII keyword at `pos` that is not part of a longer word.
bool keywordAt(std::string_view text, size_t pos, std::string_view keyword) {
    if (pos + keyword.size() > text.size())
        return false;
    if (pos > 0 && isWordChar(text[pos - 1]))
        return false;
    for (size_t i = 0; i < keyword.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[pos + i])) != keyword[i])
            return false;
    const size_t end = pos + keyword.size();
    return end == text.size() || !isWordChar(text[end]);
}

size_t skipSpace(std::string_view text, size_t pos) {
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    return pos;
}

} // namespace

std::string TranslateJetSql(std::string_view statement) {
    std::string out;
    out.reserve(statement.size());
    size_t pos = 0;
    while (pos < statement.size()) {
        const char c = statement[pos];
        if (c == '\'' || c == '"') {
            // Copy a quoted literal or identifier whole; a doubled quote stays inside it.
            size_t end = pos + 1;
            while (end < statement.size()) {
                if (statement[end] == c) {
                    if (end + 1 < statement.size() && statement[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            end = end < statement.size() ? end + 1 : end;
            out.append(statement.substr(pos, end - pos));
            pos = end;
            continue;
        }
        if (keywordAt(statement, pos, "DELETE")) {
            const size_t star = skipSpace(statement, pos + 6);
            if (star < statement.size() && statement[star] == '*') {
                const size_t from = skipSpace(statement, star + 1);
                if (keywordAt(statement, from, "FROM")) {
                    out.append(statement.substr(pos, 6));
                    out.push_back(' ');
                    pos = from;
                    continue;
                }
            }
        }
        out.push_back(c);
        ++pos;
    }
    return out;
}

} // namespace tunebay
