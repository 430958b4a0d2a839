#include "text/field_function.h"

#include "text/utf8_text.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace tunebay {

namespace {

constexpr std::size_t kMaximumFunctionLength = 255;
constexpr std::size_t kMaximumQuotedLength = 99;
// Larger numbers mean the same as this one once clamped to a text's length.
constexpr std::int64_t kNumberCeiling = std::int64_t{1} << 40;

enum class StatementKind { Replace, Insert, Delete };

// A position or count as written; END is only resolved once the value's length is known.
struct Argument {
    bool fromEnd = false;
    std::int64_t number = 0;

    std::int64_t Resolve(std::int64_t length) const { return fromEnd ? length - number : number; }
};

struct Statement {
    StatementKind kind = StatementKind::Replace;
    std::u32string find;
    std::u32string text; // the replacement or the text to insert
    Argument position;
    Argument count;
};

class FunctionParser {
public:
    explicit FunctionParser(std::u32string_view text) : m_text(text) {}

    std::optional<Statement> Parse();
    // Why Parse failed, with the position, as `wording` words it.
    std::string Fault(const TextLookup& wording) const;

private:
    // Notes the first failure: what was expected at the current position, a marked pattern and
    // the text that fills its "%1".
    bool Fail(const char* expected, std::string filling = {});
    bool Expect(char32_t c);
    bool AtEnd() const { return m_pos >= m_text.size(); }
    bool NextIs(char32_t c) const { return !AtEnd() && m_text[m_pos] == c; }
    void SkipSpace();
    bool Take(char32_t c);
    bool TakeKeyword(std::u32string_view keyword);
    bool SkipPast(char32_t c);
    bool ReadQuoted(std::u32string& out);
    bool ReadNumber(std::int64_t& out);
    bool ReadArgument(char32_t terminator, Argument& out);

    std::u32string_view m_text;
    std::size_t m_pos = 0;
    std::optional<std::size_t> m_faultAt;
    const char* m_expected = nullptr;
    std::string m_filling;
};

bool FunctionParser::Fail(const char* expected, std::string filling) {
    if (!m_faultAt) {
        m_faultAt = m_pos;
        m_expected = expected;
        m_filling = std::move(filling);
    }
    return false;
}

bool FunctionParser::Expect(char32_t c) {
    return Take(c) || Fail(kMessageFunctionCharacterExpected, std::string(1, static_cast<char>(c)));
}

std::string FunctionParser::Fault(const TextLookup& wording) const {
    if (!m_faultAt)
        return {};
    return FillTexts(
        Worded(wording, kMessageFunctionFaultAt),
        {std::to_string(*m_faultAt + 1), FillTexts(Worded(wording, m_expected), {m_filling})});
}

void FunctionParser::SkipSpace() {
    while (!AtEnd() && IsAsciiSpace(m_text[m_pos]))
        ++m_pos;
}

bool FunctionParser::Take(char32_t c) {
    if (!NextIs(c))
        return false;
    ++m_pos;
    return true;
}

bool FunctionParser::TakeKeyword(std::u32string_view keyword) {
    if (m_text.substr(m_pos, keyword.size()) != keyword)
        return false;
    m_pos += keyword.size();
    return true;
}

// Whatever stands between an argument and its delimiter is ignored.
bool FunctionParser::SkipPast(char32_t c) {
    const std::size_t found = m_text.find(c, m_pos);
    if (found == std::u32string_view::npos) {
        m_pos = m_text.size();
        return Fail(kMessageFunctionCharacterExpected, std::string(1, static_cast<char>(c)));
    }
    m_pos = found + 1;
    return true;
}

bool FunctionParser::ReadQuoted(std::u32string& out) {
    if (!Take('"'))
        return Fail(kMessageFunctionQuotedExpected);
    out.clear();
    for (;;) {
        if (AtEnd())
            return Fail(kMessageFunctionClosingQuoteExpected);
        const char32_t c = m_text[m_pos++];
        if (c == '"') {
            if (!Take('"'))
                return true;
        }
        if (out.size() == kMaximumQuotedLength) {
            --m_pos;
            return Fail(kMessageFunctionQuotedTooLong, std::to_string(kMaximumQuotedLength));
        }
        out.push_back(c);
    }
}

bool FunctionParser::ReadNumber(std::int64_t& out) {
    if (AtEnd() || !IsAsciiDigit(m_text[m_pos]))
        return Fail(kMessageFunctionNumberExpected);
    out = 0;
    while (!AtEnd() && IsAsciiDigit(m_text[m_pos]))
        out = std::min(out * 10 + (m_text[m_pos++] - '0'), kNumberCeiling);
    return true;
}

// Reads "n", "+n", "END" or "END - n". The terminator after END is looked at, not taken: the
// caller searches for it.
bool FunctionParser::ReadArgument(char32_t terminator, Argument& out) {
    SkipSpace();
    out = Argument{};
    if (TakeKeyword(U"END")) {
        out.fromEnd = true;
        SkipSpace();
        if (NextIs(terminator))
            return true;
        if (!Take('-'))
            return Fail(kMessageFunctionMinusOrCharacterExpected,
                        std::string(1, static_cast<char>(terminator)));
        SkipSpace();
        return ReadNumber(out.number);
    }
    if (Take('+'))
        SkipSpace();
    else if (AtEnd() || !IsAsciiDigit(m_text[m_pos]))
        return Fail(kMessageFunctionNumberOrEndExpected);
    return ReadNumber(out.number);
}

std::optional<Statement> FunctionParser::Parse() {
    if (m_text.size() > kMaximumFunctionLength) {
        m_pos = kMaximumFunctionLength;
        Fail(kMessageFunctionTooLong, std::to_string(kMaximumFunctionLength));
        return std::nullopt;
    }
    SkipSpace();

    Statement statement;
    if (TakeKeyword(U"Replace"))
        statement.kind = StatementKind::Replace;
    else if (TakeKeyword(U"Insert"))
        statement.kind = StatementKind::Insert;
    else if (TakeKeyword(U"Delete"))
        statement.kind = StatementKind::Delete;
    else {
        Fail(kMessageFunctionStatementExpected);
        return std::nullopt;
    }
    SkipSpace();
    if (!Expect('('))
        return std::nullopt;

    bool valid = false;
    switch (statement.kind) {
    case StatementKind::Replace:
        SkipSpace();
        valid = ReadQuoted(statement.find);
        SkipSpace();
        valid = valid && Expect(',');
        SkipSpace();
        valid = valid && ReadQuoted(statement.text);
        SkipSpace();
        valid = valid && Expect(')');
        break;
    case StatementKind::Insert:
        valid = ReadArgument(',', statement.position) && SkipPast(',');
        SkipSpace();
        valid = valid && ReadQuoted(statement.text);
        SkipSpace();
        valid = valid && Expect(')');
        break;
    case StatementKind::Delete:
        valid = ReadArgument(',', statement.position) && SkipPast(',') &&
                ReadArgument(')', statement.count) && SkipPast(')');
        break;
    }
    if (!valid)
        return std::nullopt;

    SkipSpace();
    if (!Expect(';'))
        return std::nullopt;
    SkipSpace();
    if (!AtEnd()) {
        Fail(kMessageFunctionNothingAfterEnd);
        return std::nullopt;
    }
    return statement;
}

void Apply(const Statement& statement, std::u32string& value) {
    const auto length = static_cast<std::int64_t>(value.size());
    const auto position = static_cast<std::size_t>(
        std::clamp(statement.position.Resolve(length), std::int64_t{0}, length));
    switch (statement.kind) {
    case StatementKind::Replace:
        ReplaceAll(value, statement.find, statement.text);
        break;
    case StatementKind::Insert:
        value.insert(position, statement.text);
        break;
    case StatementKind::Delete: {
        const std::int64_t count =
            std::min(statement.count.Resolve(length), length - static_cast<std::int64_t>(position));
        if (count > 0)
            value.erase(position, static_cast<std::size_t>(count));
        break;
    }
    }
}

} // namespace

bool ApplyFieldFunction(std::string* value, std::string_view functionText, bool checkOnly) {
    const std::u32string function = DecodeUtf8(functionText);
    const std::optional<Statement> statement = FunctionParser(function).Parse();
    if (!statement)
        return false;
    if (!checkOnly && value) {
        std::u32string text = DecodeUtf8(*value);
        Apply(*statement, text);
        *value = EncodeUtf8(text);
    }
    return true;
}

std::string FieldFunctionFault(std::string_view functionText, const TextLookup& wording) {
    const std::u32string function = DecodeUtf8(functionText);
    FunctionParser parser(function);
    return parser.Parse() ? std::string() : parser.Fault(wording);
}

} // namespace tunebay
