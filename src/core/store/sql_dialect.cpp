#include "store/sql_dialect.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <map>
#include <string>
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

bool IsCaseFoldedColumn(std::string_view name) {
    for (const std::string_view column :
         {"sName", "sComment", "sPublishTime", "sImportTime", "sValue", "sID"})
        if (equalsIgnoringCase(name, column))
            return true;
    return false;
}

namespace {

enum class TokenKind { Space, Literal, Identifier, Word, Number, Mark, Symbol };

struct Token {
    TokenKind kind;
    std::string_view text;
};

std::vector<Token> tokenize(std::string_view text) {
    std::vector<Token> tokens;
    size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        size_t end = pos + 1;
        TokenKind kind = TokenKind::Symbol;
        if (isSpace(c)) {
            while (end < text.size() && isSpace(text[end]))
                ++end;
            kind = TokenKind::Space;
        } else if (c == '\'' || c == '"') {
            while (end < text.size()) {
                if (text[end] == c) {
                    if (end + 1 < text.size() && text[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                ++end;
            }
            kind = c == '\'' ? TokenKind::Literal : TokenKind::Identifier;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            while (end < text.size() && (isWordChar(text[end]) || text[end] == '.'))
                ++end;
            kind = TokenKind::Number;
        } else if (isWordChar(c)) {
            while (end < text.size() && isWordChar(text[end]))
                ++end;
            kind = TokenKind::Word;
        } else if (c == '?') {
            kind = TokenKind::Mark;
        } else if (end < text.size() &&
                   (std::string_view("<>!|").find(c) != std::string_view::npos) &&
                   (text[end] == '=' || text[end] == '>' || text[end] == '|')) {
            ++end;
        }
        tokens.push_back({kind, text.substr(pos, end - pos)});
        pos = end;
    }
    return tokens;
}

bool isWord(const Token& token, std::string_view word) {
    return token.kind == TokenKind::Word && equalsIgnoringCase(token.text, word);
}

bool isComparison(const Token& token) {
    for (const std::string_view op : {"=", "<>", "!=", "<", ">", "<=", ">="})
        if (token.kind == TokenKind::Symbol && token.text == op)
            return true;
    return false;
}

// The next token after `i` that is not space (tokens.size() when none).
size_t nextSignificant(const std::vector<Token>& tokens, size_t i) {
    ++i;
    while (i < tokens.size() && tokens[i].kind == TokenKind::Space)
        ++i;
    return i;
}

// A column reference starting at `i`: "name" or "table.name". Returns the index after it (i
// when there is none).
size_t columnReference(const std::vector<Token>& tokens, size_t i) {
    if (i >= tokens.size() || tokens[i].kind != TokenKind::Word)
        return i;
    if (i + 2 < tokens.size() && tokens[i + 1].text == "." && tokens[i + 2].kind == TokenKind::Word)
        return i + 3;
    return i + 1;
}

// Where a run of tokens is written inside other text: a case-folded column that groups rows or
// is matched against a list compares in lower case, as SQLite's NOCASE compares it.
struct Wrap {
    size_t end; // the token after the run
    std::string before;
    std::string after;
};

bool isOneOf(const Token& token, std::initializer_list<std::string_view> words) {
    for (const std::string_view word : words)
        if (isWord(token, word))
            return true;
    return false;
}

// The depth of parentheses each token stands at.
std::vector<int> depths(const std::vector<Token>& tokens) {
    std::vector<int> at(tokens.size());
    int depth = 0;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].text == ")")
            --depth;
        at[i] = depth;
        if (tokens[i].text == "(")
            ++depth;
    }
    return at;
}

// Where the term of a list that starts at `i` ends: at a comma, a semicolon or one of `ends` on
// its own depth, or at the parenthesis that closes it.
size_t termEnd(const std::vector<Token>& tokens, const std::vector<int>& depth, size_t i,
               std::initializer_list<std::string_view> ends) {
    if (i >= tokens.size())
        return tokens.size();
    const int base = depth[i];
    for (; i < tokens.size(); ++i) {
        if (depth[i] < base)
            return i;
        if (depth[i] == base &&
            (tokens[i].text == "," || tokens[i].text == ";" || isOneOf(tokens[i], ends)))
            return i;
    }
    return tokens.size();
}

// The column that orders a table's rows as they were made: its key, or for optional values the
// media row they belong to (they are written with it). Empty for any other table.
std::string_view madeOrder(std::string_view table) {
    if (isKeyedTable(table))
        return "lID";
    return equalsIgnoringCase(table, "tblOptional") ? "lTableID" : "";
}

// The key that orders the rows of a column's table as SQLite meets them first when it groups
// them: "tblX.lID" for a column of a table keyed by lID, "lID" for a plain column of a query
// over one such table; empty when there is none.
std::string rowKey(const std::vector<Token>& tokens, const std::vector<int>& depth, size_t column,
                   size_t select) {
    if (column + 2 < tokens.size() && tokens[column + 1].text == ".") {
        const std::string_view key = madeOrder(tokens[column].text);
        return key.empty() ? "" : std::string(tokens[column].text) + "." + std::string(key);
    }
    for (size_t i = select; i < tokens.size() && depth[i] >= depth[select]; ++i)
        if (depth[i] == depth[select] && isWord(tokens[i], "FROM")) {
            const size_t table = nextSignificant(tokens, i);
            const size_t after = nextSignificant(tokens, table);
            if (table < tokens.size() && !madeOrder(tokens[table].text).empty() &&
                (after >= tokens.size() || tokens[after].text == ")" ||
                 isOneOf(tokens[after], {"WHERE", "GROUP", "HAVING", "ORDER", "LIMIT"})))
                return std::string(madeOrder(tokens[table].text));
            return "";
        }
    return "";
}

bool sameColumn(const std::vector<Token>& tokens, size_t a, size_t aEnd, size_t b, size_t bEnd) {
    if (!equalsIgnoringCase(tokens[aEnd - 1].text, tokens[bEnd - 1].text))
        return false;
    const bool aQualified = aEnd - a == 3;
    const bool bQualified = bEnd - b == 3;
    return !aQualified || !bQualified || equalsIgnoringCase(tokens[a].text, tokens[b].text);
}

// A GROUP BY term that is a case-folded column groups by its lower case; the query's select
// list then shows, for a plain reference to that column, the group's first row in key order.
void foldGroups(const std::vector<Token>& tokens, const std::vector<int>& depth, size_t group,
                std::map<size_t, Wrap>& wraps) {
    const size_t by = nextSignificant(tokens, group);
    std::vector<std::pair<size_t, size_t>> folded;
    for (size_t term = nextSignificant(tokens, by); term < tokens.size();) {
        const size_t end =
            termEnd(tokens, depth, term,
                    {"HAVING", "ORDER", "LIMIT", "OFFSET", "UNION", "EXCEPT", "INTERSECT"});
        const size_t column = columnReference(tokens, term);
        if (column > term && nextSignificant(tokens, column - 1) == end &&
            IsCaseFoldedColumn(tokens[column - 1].text)) {
            wraps[term] = {column, "lower(", ")"};
            folded.emplace_back(term, column);
        }
        if (end >= tokens.size() || tokens[end].text != ",")
            break;
        term = nextSignificant(tokens, end);
    }
    if (folded.empty())
        return;
    size_t select = group;
    while (select > 0 && !(depth[select] == depth[group] && isWord(tokens[select], "SELECT")))
        --select;
    if (!isWord(tokens[select], "SELECT"))
        return;
    size_t item = nextSignificant(tokens, select);
    if (item < tokens.size() && isOneOf(tokens[item], {"DISTINCT", "ALL"}))
        item = nextSignificant(tokens, item);
    while (item < tokens.size()) {
        const size_t end = termEnd(tokens, depth, item, {"FROM"});
        const size_t column = columnReference(tokens, item);
        const size_t next = column > item ? nextSignificant(tokens, column - 1) : end;
        const bool aliased =
            next < end && (isWord(tokens[next], "AS") || tokens[next].kind == TokenKind::Word);
        if (column > item && (next == end || aliased))
            for (const auto& [term, termColumn] : folded)
                if (sameColumn(tokens, item, column, term, termColumn)) {
                    const std::string key = rowKey(tokens, depth, item, select);
                    const std::string name =
                        aliased ? "" : " AS " + std::string(tokens[column - 1].text);
                    wraps[item] = key.empty()
                                      ? Wrap{column, "min(", ")" + name}
                                      : Wrap{column, "first(", " ORDER BY " + key + ")" + name};
                    break;
                }
        if (end >= tokens.size() || tokens[end].text != ",")
            break;
        item = nextSignificant(tokens, end);
    }
}

// "column IN (SELECT other FROM ...)" and "column IN ('a', ?)" of a case-folded column compare
// both sides in lower case.
void foldMembership(const std::vector<Token>& tokens, size_t column, size_t afterColumn,
                    std::map<size_t, Wrap>& wraps) {
    size_t in = nextSignificant(tokens, afterColumn - 1);
    if (in < tokens.size() && isWord(tokens[in], "NOT"))
        in = nextSignificant(tokens, in);
    if (in >= tokens.size() || !isWord(tokens[in], "IN"))
        return;
    const size_t open = nextSignificant(tokens, in);
    if (open >= tokens.size() || tokens[open].text != "(")
        return;
    size_t first = nextSignificant(tokens, open);
    if (first < tokens.size() && isWord(tokens[first], "SELECT")) {
        size_t item = nextSignificant(tokens, first);
        if (item < tokens.size() && isWord(tokens[item], "DISTINCT"))
            item = nextSignificant(tokens, item);
        const size_t end = columnReference(tokens, item);
        const size_t from = end > item ? nextSignificant(tokens, end - 1) : tokens.size();
        if (from >= tokens.size() || !isWord(tokens[from], "FROM"))
            return;
        wraps[item] = {end, "lower(", ")"};
    } else {
        std::vector<size_t> values;
        for (size_t value = first; value < tokens.size();) {
            if (tokens[value].kind != TokenKind::Literal && tokens[value].kind != TokenKind::Mark)
                return;
            values.push_back(value);
            const size_t next = nextSignificant(tokens, value);
            if (next < tokens.size() && tokens[next].text == ")")
                break;
            if (next >= tokens.size() || tokens[next].text != ",")
                return;
            value = nextSignificant(tokens, next);
        }
        for (const size_t value : values)
            wraps[value] = {value + 1, "lower(", " COLLATE \"C\")"};
    }
    wraps[column] = {afterColumn, "lower(", ")"};
}

std::map<size_t, Wrap> foldedRuns(const std::vector<Token>& tokens) {
    const std::vector<int> depth = depths(tokens);
    std::map<size_t, Wrap> wraps;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (isWord(tokens[i], "GROUP")) {
            const size_t by = nextSignificant(tokens, i);
            if (by < tokens.size() && isWord(tokens[by], "BY"))
                foldGroups(tokens, depth, i, wraps);
            continue;
        }
        const size_t column = columnReference(tokens, i);
        if (column > i && IsCaseFoldedColumn(tokens[column - 1].text) &&
            !(i > 0 && tokens[i - 1].text == ".")) {
            foldMembership(tokens, i, column, wraps);
            i = column - 1;
        }
    }
    return wraps;
}

// A GLOB pattern literal ('*.mp[34]') as the anchored regular expression the server's "~" reads
// ('^.*\.mp[34]$'); both compare bytes, ASCII case and all.
std::string globAsRegex(std::string_view literal) {
    std::string pattern;
    for (size_t i = 1; i + 1 < literal.size(); ++i) {
        pattern += literal[i];
        if (literal[i] == '\'' && literal[i + 1] == '\'')
            ++i;
    }
    std::string regex = "^";
    bool inClass = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (inClass) {
            if (c == ']' &&
                !(regex.back() == '[' || (regex.back() == '^' && regex[regex.size() - 2] == '[')))
                inClass = false;
            if (c == '\\')
                regex += '\\';
            regex += c;
        } else if (c == '*') {
            regex += ".*";
        } else if (c == '?') {
            regex += '.';
        } else if (c == '[' && pattern.find(']', i + 2) != std::string::npos) {
            inClass = true;
            regex += '[';
        } else {
            if (std::string_view(".^$+(){}|\\[]").find(c) != std::string_view::npos)
                regex += '\\';
            regex += c;
        }
    }
    regex += '$';
    std::string quoted = "'";
    for (const char c : regex)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

// "SELECT DISTINCT" over plain columns, one of them a case-folded one, written as the same query
// grouped by its columns: SQLite's DISTINCT takes names that differ in ASCII case for one, and
// grouped, the case-folded columns group by their lower case (see foldGroups). A query with a
// GROUP BY of its own, or a select list of anything but columns, stays as it is.
std::string distinctAsGroups(const std::string& text) {
    const std::vector<Token> tokens = tokenize(text);
    const std::vector<int> depth = depths(tokens);
    const auto offset = [&](size_t token) {
        return token < tokens.size() ? static_cast<size_t>(tokens[token].text.data() - text.data())
                                     : text.size();
    };
    struct Edit {
        size_t at;
        size_t length;
        std::string text;
    };
    std::vector<Edit> edits;
    for (size_t select = 0; select < tokens.size(); ++select) {
        if (!isWord(tokens[select], "SELECT"))
            continue;
        const size_t distinct = nextSignificant(tokens, select);
        if (distinct >= tokens.size() || !isWord(tokens[distinct], "DISTINCT"))
            continue;
        std::string columns;
        bool plain = true;
        bool folded = false;
        size_t from = tokens.size();
        for (size_t item = nextSignificant(tokens, distinct); item < tokens.size();) {
            const size_t end = termEnd(tokens, depth, item, {"FROM"});
            const size_t column = columnReference(tokens, item);
            size_t next = column > item ? nextSignificant(tokens, column - 1) : item;
            if (next < end && isWord(tokens[next], "AS"))
                next = nextSignificant(tokens, next);
            if (next < end && next != item && tokens[next].kind == TokenKind::Word)
                next = nextSignificant(tokens, next); // the column's name in the result
            if (column == item || next != end) {
                plain = false;
                break;
            }
            columns += (columns.empty() ? "" : ", ") +
                       std::string(text.substr(offset(item), offset(column - 1) +
                                                                 tokens[column - 1].text.size() -
                                                                 offset(item)));
            folded = folded || IsCaseFoldedColumn(tokens[column - 1].text);
            if (end >= tokens.size() || tokens[end].text != ",") {
                from = end;
                break;
            }
            item = nextSignificant(tokens, end);
        }
        if (!plain || !folded || from >= tokens.size() || !isWord(tokens[from], "FROM"))
            continue;
        // Where the query's FROM and WHERE end, at its own depth.
        size_t tail = from;
        bool grouped = false;
        for (; tail < tokens.size() && depth[tail] >= depth[select]; ++tail) {
            if (depth[tail] != depth[select])
                continue;
            grouped = grouped || isWord(tokens[tail], "GROUP");
            if (tokens[tail].text == ";" ||
                isOneOf(tokens[tail], {"ORDER", "LIMIT", "OFFSET", "UNION", "EXCEPT", "INTERSECT"}))
                break;
        }
        if (grouped)
            continue;
        edits.push_back(
            {offset(distinct), offset(nextSignificant(tokens, distinct)) - offset(distinct), ""});
        size_t at = offset(tail);
        while (at > offset(from) && isSpace(text[at - 1]))
            --at;
        edits.push_back({at, 0, " GROUP BY " + columns});
    }
    std::string out = text;
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
        out.replace(edit->at, edit->length, edit->text);
    return out;
}

constexpr std::string_view kDuplicateTitles =
    "tblMedia.sName IN (SELECT sName FROM tblMediaDuplicates)";

// Whether the tokens from `first` to before `last` are one side of an OR: a parenthesis group
// around them, or the statement itself, joins its terms with OR.
bool withinAlternative(const std::vector<Token>& tokens, const std::vector<int>& depth,
                       size_t first, size_t last) {
    size_t left = first;
    size_t right = last;
    for (int level = depth[first]; level >= 0; --level) {
        while (left > 0 && depth[left - 1] >= level)
            --left;
        while (right < tokens.size() && depth[right] >= level)
            ++right;
        for (size_t k = left; k < right; ++k)
            if (depth[k] == level && isWord(tokens[k], "OR"))
                return true;
    }
    return false;
}

// The token of the main query's FROM list that names tblMedia without an alias; tokens.size()
// when there is none.
size_t mediaInFromList(const std::vector<Token>& tokens, const std::vector<int>& depth) {
    bool inFrom = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (depth[i] != 0)
            continue;
        if (isWord(tokens[i], "WHERE"))
            break;
        if (isWord(tokens[i], "FROM")) {
            inFrom = true;
        } else if (inFrom && isWord(tokens[i], "tblMedia")) {
            const size_t next = nextSignificant(tokens, i);
            if (next == tokens.size() || tokens[next].text == "," || isWord(tokens[next], "WHERE"))
                return i;
        }
    }
    return tokens.size();
}

// The search for titles that occur twice, asked of the server in a form it answers without
// grouping every title first for each media row. As a term of its own it asks for a namesake
// of each media row (through the index of names). As one side of an OR it would ask that of
// every row the other side leaves out, one lookup each: there the titles that occur twice are
// grouped once and joined to the media rows instead.
std::string withNamesakes(std::string_view statement) {
    constexpr std::string_view namesake =
        "EXISTS (SELECT 1 FROM tblMedia AS tb_namesake WHERE tb_namesake.sName = tblMedia.sName "
        "AND tb_namesake.lID <> tblMedia.lID)";
    constexpr std::string_view joined = "tb_duplicate.sFolded IS NOT NULL";
    constexpr std::string_view duplicates =
        " LEFT JOIN (SELECT lower(sName) AS sFolded FROM tblMedia GROUP BY lower(sName) "
        "HAVING COUNT(*) > 1) AS tb_duplicate ON tb_duplicate.sFolded = lower(tblMedia.sName)";
    if (statement.find(kDuplicateTitles) == std::string_view::npos)
        return std::string(statement);
    const std::vector<Token> tokens = tokenize(statement);
    const std::vector<int> depth = depths(tokens);
    const auto offset = [&](size_t i) {
        return i < tokens.size() ? static_cast<size_t>(tokens[i].text.data() - statement.data())
                                 : statement.size();
    };
    // Where the search stands (never inside a literal, which is one token): its first token and
    // the token after it.
    std::vector<std::pair<size_t, size_t>> found;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != TokenKind::Word ||
            !statement.substr(offset(i)).starts_with(kDuplicateTitles))
            continue;
        size_t after = i;
        while (offset(after) < offset(i) + kDuplicateTitles.size())
            ++after;
        found.emplace_back(i, after);
        i = after - 1;
    }
    if (found.empty())
        return std::string(statement);
    const size_t media = mediaInFromList(tokens, depth);
    const bool join =
        media < found.front().first && std::any_of(found.begin(), found.end(), [&](auto run) {
            return withinAlternative(tokens, depth, run.first, run.second);
        });
    std::string text;
    size_t copied = 0;
    if (join) {
        copied = offset(media + 1);
        text.append(statement.substr(0, copied));
        text += duplicates;
    }
    for (const auto& [first, after] : found) {
        text.append(statement.substr(copied, offset(first) - copied));
        text += join ? joined : namesake;
        copied = offset(after);
    }
    text.append(statement.substr(copied));
    return text;
}

// An ORDER BY list being written at a parenthesis depth: each of its terms gets the NULL order
// SQLite gives it.
struct OrderList {
    int depth = 0;
    bool descending = false;
    bool hasNulls = false;
    bool termStart = true;
    bool foldable = false; // a case-folded column may be ordered by its lower case
};

} // namespace

std::string TranslateJetSqlForServer(std::string_view statement) {
    const std::string jet = distinctAsGroups(TranslateJetSql(withNamesakes(statement)));
    const std::vector<Token> tokens = tokenize(jet);
    const std::map<size_t, Wrap> wraps = foldedRuns(tokens);
    std::string out;
    out.reserve(jet.size() + 32);
    int marks = 0;
    int depth = 0;
    bool assigning = false; // between SET and the end of its list, "=" assigns
    std::vector<OrderList> orders;
    // Per parenthesis depth: whether its query is DISTINCT or a compound one, whose ORDER BY
    // may name only the result's columns.
    std::vector<bool> plainQuery(1, true);
    // Per open parenthesis: whether it holds a derived table ("FROM (SELECT ...)"), which the
    // server wants named.
    std::vector<bool> derived;
    int derivedTables = 0;
    bool ignoreConflicts = false;

    auto closeTerm = [&] {
        OrderList& order = orders.back();
        if (!order.hasNulls)
            out += order.descending ? " NULLS LAST" : " NULLS FIRST";
        order.descending = false;
        order.hasNulls = false;
        order.termStart = true;
    };
    auto endsOrderList = [&](const Token& token) {
        if (orders.empty() || orders.back().depth != depth)
            return false;
        return token.text == ")" || token.text == ";" || isWord(token, "LIMIT") ||
               isWord(token, "OFFSET") || isWord(token, "UNION") || isWord(token, "EXCEPT") ||
               isWord(token, "INTERSECT") || isWord(token, "FETCH") || isWord(token, "FOR");
    };
    auto trimTrailingSpace = [&](std::string& text, std::string& space) {
        size_t end = text.size();
        while (end > 0 && isSpace(text[end - 1]))
            --end;
        space = text.substr(end);
        text.resize(end);
    };

    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (endsOrderList(token)) {
            std::string space;
            trimTrailingSpace(out, space);
            closeTerm();
            out += space;
            orders.pop_back();
        }
        if (const auto wrap = wraps.find(i); wrap != wraps.end()) {
            out += wrap->second.before;
            for (size_t k = i; k < wrap->second.end; ++k)
                out += tokens[k].kind == TokenKind::Mark ? "$" + std::to_string(++marks)
                                                         : std::string(tokens[k].text);
            out += wrap->second.after;
            i = wrap->second.end - 1;
            continue;
        }
        if (token.kind == TokenKind::Mark) {
            out += "$" + std::to_string(++marks);
            continue;
        }
        if (token.kind != TokenKind::Space && !orders.empty() && orders.back().depth == depth &&
            token.text != ",") {
            const bool start = orders.back().termStart;
            orders.back().termStart = false;
            // A term that is a case-folded column alone orders as SQLite's NOCASE does.
            const size_t after = columnReference(tokens, i);
            if (start && orders.back().foldable && after > i &&
                IsCaseFoldedColumn(tokens[after - 1].text)) {
                const size_t next = nextSignificant(tokens, after - 1);
                if (next >= tokens.size() || tokens[next].text == "," || tokens[next].text == ")" ||
                    tokens[next].text == ";" || isWord(tokens[next], "ASC") ||
                    isWord(tokens[next], "DESC") || isWord(tokens[next], "LIMIT") ||
                    isWord(tokens[next], "OFFSET")) {
                    out += "lower(";
                    for (size_t k = i; k < after; ++k)
                        out += tokens[k].text;
                    out += ")";
                    i = after - 1;
                    continue;
                }
            }
        }
        if (token.kind == TokenKind::Symbol) {
            if (token.text == "(") {
                ++depth;
                plainQuery.resize(depth + 1);
                plainQuery[depth] = true;
                size_t before = i;
                while (before > 0 && tokens[before - 1].kind == TokenKind::Space)
                    --before;
                const size_t inside = nextSignificant(tokens, i);
                derived.push_back(
                    before > 0 &&
                    (isWord(tokens[before - 1], "FROM") || isWord(tokens[before - 1], "JOIN")) &&
                    inside < tokens.size() && isWord(tokens[inside], "SELECT"));
            } else if (token.text == ")") {
                --depth;
                const bool named = !derived.empty() && derived.back();
                if (!derived.empty())
                    derived.pop_back();
                const size_t next = nextSignificant(tokens, i);
                bool aliased = false;
                if (next < tokens.size() && tokens[next].kind == TokenKind::Word) {
                    aliased = true;
                    for (const std::string_view keyword :
                         {"WHERE", "GROUP", "ORDER", "LIMIT", "OFFSET", "UNION", "EXCEPT",
                          "INTERSECT", "INNER", "LEFT", "RIGHT", "CROSS", "FULL", "NATURAL", "JOIN",
                          "ON", "HAVING", "WINDOW"})
                        aliased = aliased && !isWord(tokens[next], keyword);
                }
                if (named && !aliased) {
                    out += ") AS tb_derived" + std::to_string(++derivedTables);
                    continue;
                }
            } else if (token.text == "," && !orders.empty() && orders.back().depth == depth) {
                closeTerm();
            }
            out += token.text;
            continue;
        }
        if (token.kind != TokenKind::Word) {
            out += token.text;
            continue;
        }
        if (!orders.empty() && orders.back().depth == depth) {
            if (isWord(token, "DESC"))
                orders.back().descending = true;
            else if (isWord(token, "NULLS"))
                orders.back().hasNulls = true;
        }
        if (isWord(token, "ORDER")) {
            const size_t by = nextSignificant(tokens, i);
            if (by < tokens.size() && isWord(tokens[by], "BY")) {
                for (; i <= by; ++i)
                    out += tokens[i].text;
                --i;
                orders.push_back({depth, false, false, true, plainQuery[depth]});
                continue;
            }
        }
        if (isWord(token, "SELECT")) {
            const size_t next = nextSignificant(tokens, i);
            if (next < tokens.size() && isWord(tokens[next], "DISTINCT"))
                plainQuery[depth] = false;
        } else if (isWord(token, "UNION") || isWord(token, "EXCEPT") ||
                   isWord(token, "INTERSECT")) {
            plainQuery[depth] = false;
        }
        if (isWord(token, "SET"))
            assigning = true;
        else if (isWord(token, "WHERE") || isWord(token, "FROM") || isWord(token, "RETURNING"))
            assigning = false;
        if (isWord(token, "TRUE") || isWord(token, "FALSE")) {
            out += isWord(token, "TRUE") ? "1" : "0";
            continue;
        }
        if (isWord(token, "LIKE")) {
            out += "ILIKE";
            continue;
        }
        // "x GLOB 'pattern'" and "x NOT GLOB 'pattern'" with a pattern that is a literal.
        if (isWord(token, "GLOB") || isWord(token, "NOT")) {
            const size_t glob = isWord(token, "NOT") ? nextSignificant(tokens, i) : i;
            const size_t pattern = nextSignificant(tokens, glob);
            if (glob < tokens.size() && isWord(tokens[glob], "GLOB") && pattern < tokens.size() &&
                tokens[pattern].kind == TokenKind::Literal) {
                out += (glob == i ? "~ " : "!~ ") + globAsRegex(tokens[pattern].text);
                i = pattern;
                continue;
            }
        }
        // "INSERT OR IGNORE": a row that a unique key refuses is left out.
        if (isWord(token, "INSERT")) {
            const size_t orWord = nextSignificant(tokens, i);
            const size_t ignore = nextSignificant(tokens, orWord);
            if (ignore < tokens.size() && isWord(tokens[orWord], "OR") &&
                isWord(tokens[ignore], "IGNORE")) {
                out += "INSERT";
                i = ignore;
                ignoreConflicts = true;
                continue;
            }
        }
        if (isWord(token, "IFNULL") && i + 1 < tokens.size() && tokens[i + 1].text == "(") {
            out += "COALESCE";
            continue;
        }
        // A case-folded column compared with one simple operand.
        const size_t afterColumn = columnReference(tokens, i);
        if (!assigning && afterColumn > i && IsCaseFoldedColumn(tokens[afterColumn - 1].text) &&
            !(i > 0 && tokens[i - 1].text == ".")) {
            const size_t op = nextSignificant(tokens, afterColumn - 1);
            if (op < tokens.size() && isComparison(tokens[op])) {
                const size_t operand = nextSignificant(tokens, op);
                size_t afterOperand = operand;
                if (operand < tokens.size() && (tokens[operand].kind == TokenKind::Literal ||
                                                tokens[operand].kind == TokenKind::Mark))
                    afterOperand = operand + 1;
                else
                    afterOperand = columnReference(tokens, operand);
                const size_t following = afterOperand < tokens.size()
                                             ? nextSignificant(tokens, afterOperand - 1)
                                             : tokens.size();
                // Only when the operand stands alone (not "sName = 'a' || x").
                const bool alone = following >= tokens.size() ||
                                   tokens[following].kind == TokenKind::Word ||
                                   tokens[following].text == ")" || tokens[following].text == "," ||
                                   tokens[following].text == ";";
                if (afterOperand > operand && alone) {
                    out += "lower(";
                    for (size_t k = i; k < afterColumn; ++k)
                        out += tokens[k].text;
                    out += ") ";
                    out += tokens[op].text;
                    out += " lower(";
                    for (size_t k = operand; k < afterOperand; ++k)
                        out += tokens[k].kind == TokenKind::Mark ? "$" + std::to_string(++marks)
                                                                 : std::string(tokens[k].text);
                    out += " COLLATE \"C\")";
                    i = afterOperand - 1;
                    continue;
                }
            }
        }
        out += token.text;
    }
    while (!orders.empty()) {
        std::string space;
        trimTrailingSpace(out, space);
        closeTerm();
        out += space;
        orders.pop_back();
    }
    if (ignoreConflicts) {
        std::string space;
        trimTrailingSpace(out, space);
        const bool semicolon = !out.empty() && out.back() == ';';
        if (semicolon)
            out.pop_back();
        out += " ON CONFLICT DO NOTHING";
        out += semicolon ? ";" : "";
        out += space;
    }
    return out;
}

} // namespace tunebay
