#include "store/sql_dialect.h"

#include <algorithm>
#include <cctype>
#include <vector>

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

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// Tables whose lID is their key, so that lID decides every other column of a row.
bool isKeyedTable(std::string_view name) {
    for (const std::string_view table :
         {"tblMedia", "tblItem", "tblGroup", "tblPackage", "tblFolder", "tblGenre", "tblDirectory",
          "tblOptionalType"})
        if (equalsIgnoringCase(name, table))
            return true;
    return false;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Splits "table.column" (plain names only); false for any other term.
bool qualifiedColumn(std::string_view term, std::string_view& table, std::string_view& column) {
    const size_t dot = term.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == term.size())
        return false;
    for (size_t i = 0; i < term.size(); ++i)
        if (i != dot && !isWordChar(term[i]))
            return false;
    table = term.substr(0, dot);
    column = term.substr(dot + 1);
    return true;
}

// The GROUP BY list starting at `begin`: its terms up to the clause that follows, a closing
// parenthesis of an enclosing query or the end. Returns where the list ends.
size_t groupByListEnd(std::string_view text, size_t begin) {
    int depth = 0;
    for (size_t pos = begin; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '\'' || c == '"')
            return std::string_view::npos; // a literal in the list: leave it as it is
        if (c == '(')
            ++depth;
        else if (c == ')' && depth-- == 0)
            return pos;
        else if (c == ';' && depth == 0)
            return pos;
        else if (depth == 0)
            for (const std::string_view keyword :
                 {"HAVING", "ORDER", "LIMIT", "UNION", "EXCEPT", "INTERSECT", "WINDOW"})
                if (keywordAt(text, pos, keyword))
                    return pos;
    }
    return text.size();
}

// Leaves out each "tblX.sName" of a GROUP BY list that "tblX.lID" precedes.
std::string narrowGroupBy(std::string text) {
    size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '\'' || c == '"') {
            const size_t end = text.find(c, pos + 1);
            if (end == std::string::npos)
                break;
            pos = end + 1; // a doubled quote simply starts the next literal
            continue;
        }
        if (!keywordAt(text, pos, "GROUP")) {
            ++pos;
            continue;
        }
        const size_t by = skipSpace(text, pos + 5);
        if (!keywordAt(text, by, "BY")) {
            pos += 5;
            continue;
        }
        const size_t begin = by + 2;
        const size_t end = groupByListEnd(text, begin);
        if (end == std::string::npos) {
            pos = begin;
            continue;
        }
        std::vector<std::string_view> terms;
        const std::string_view list = std::string_view(text).substr(begin, end - begin);
        int depth = 0;
        size_t start = 0;
        for (size_t i = 0; i <= list.size(); ++i) {
            if (i < list.size() && list[i] == '(')
                ++depth;
            else if (i < list.size() && list[i] == ')')
                --depth;
            else if (i == list.size() || (list[i] == ',' && depth == 0)) {
                terms.push_back(trimmed(list.substr(start, i - start)));
                start = i + 1;
            }
        }
        std::vector<std::string_view> kept;
        for (size_t i = 0; i < terms.size(); ++i) {
            std::string_view table, column;
            bool dependent = false;
            if (qualifiedColumn(terms[i], table, column) && equalsIgnoringCase(column, "sName") &&
                isKeyedTable(table))
                for (size_t j = 0; j < i && !dependent; ++j) {
                    std::string_view keyTable, keyColumn;
                    dependent = qualifiedColumn(terms[j], keyTable, keyColumn) &&
                                equalsIgnoringCase(keyTable, table) &&
                                equalsIgnoringCase(keyColumn, "lID");
                }
            if (!dependent)
                kept.push_back(terms[i]);
        }
        if (kept.size() == terms.size()) {
            pos = end;
            continue;
        }
        std::string narrowed = " ";
        for (size_t i = 0; i < kept.size(); ++i)
            narrowed += (i ? ", " : "") + std::string(kept[i]);
        size_t tail = list.size();
        while (tail > 0 && isSpace(list[tail - 1]))
            --tail;
        narrowed += list.substr(tail);
        text.replace(begin, end - begin, narrowed);
        pos = begin + narrowed.size();
    }
    return text;
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
    return narrowGroupBy(std::move(out));
}

} // namespace tunebay
