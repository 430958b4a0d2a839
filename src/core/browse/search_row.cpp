#include "browse/search_row.h"

#include "browse/search_types.h"
#include "browse/search_values.h"
#include "store/sql_quote.h"

#include <algorithm>
#include <vector>

namespace tunebay {

namespace {

SearchText refused(std::string message) {
    return {{}, std::move(message)};
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string_view trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A decimal number as SQL reads it: digits with at most one point, an optional sign in front.
bool isNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    bool digit = false, point = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

std::vector<std::string_view> splitFields(std::string_view expression) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t at = expression.find(';');
        fields.push_back(expression.substr(0, at));
        if (at == std::string_view::npos)
            return fields;
        expression.remove_prefix(at + 1);
    }
}

} // namespace

SearchText BuildSearchRow(const SearchRow& row, std::optional<std::string_view> link) {
    std::string prefix;
    if (link) {
        if (*link == "-")
            return {};
        if (std::find(kSearchLinks.begin(), kSearchLinks.end(), *link) == kSearchLinks.end())
            return refused("Unknown search link " + quoted(*link) + "! Use -, AND or OR.");
        prefix = *link;
    }
    const SearchType* type = FindSearchType(row.type);
    if (!type)
        return refused("Unknown search type " + quoted(row.type) + "!");

    // The value as SQL gets it, and the comparison, both checked before any text is built.
    std::string op = row.compare;
    std::string value;
    if (type->kind != kSearchFixed) {
        if (std::find(kSearchComparisons.begin(), kSearchComparisons.end(), row.compare) ==
            kSearchComparisons.end())
            return refused("Unknown comparison " + quoted(row.compare) + "!");
        switch (type->kind) {
        case kSearchText:
            if (row.value.empty()) {
                value = "NULL";
                if (op == "=")
                    op = " IS ";
                else if (op == "<>")
                    op = " IS NOT ";
            } else {
                value = SqlQuote("%" + row.value + "%");
                if (op == "=")
                    op = " LIKE ";
                else if (op == "<>")
                    op = " NOT LIKE ";
            }
            break;
        case kSearchNumber: {
            const std::string_view number = trim(row.value);
            if (!isNumber(number))
                return refused(quoted(row.value) + " is not a number! Please enter a number for " +
                               std::string(type->label) + ".");
            value = number;
            break;
        }
        case kSearchLength: {
            const auto seconds = ReadLengthValue(row.value);
            if (!seconds)
                return refused(quoted(row.value) +
                               " is no length! Please enter minutes, "
                               "minutes:seconds or hours:minutes:seconds for " +
                               std::string(type->label) + ".");
            value = std::to_string(*seconds);
            break;
        }
        case kSearchDate: {
            const auto parts = ReadDateTimeValue(row.value);
            if (!parts)
                return refused(quoted(row.value) +
                               " is no date or time! Please enter a date (2003-05-01), a time "
                               "(12:30:00) or both for " +
                               std::string(type->label) + ".");
            std::string digits = parts->Digits();
            // Import times are stored with all fourteen digits; a date or a time alone is
            // widened so that it compares with them.
            if (type->expression == "tblMedia.sImportTime") {
                if (parts->date.empty())
                    digits = "00000000" + digits;
                else if (parts->time.empty())
                    digits += "000000";
            }
            value = "'" + digits + "'";
            break;
        }
        }
    }

    const std::string joiner = row.compare == "<>" ? " AND " : " OR ";
    std::string text = prefix + " (";
    bool first = true;
    for (const std::string_view field : splitFields(type->expression)) {
        if (!first)
            text += joiner;
        first = false;
        text += field;
        if (type->kind != kSearchFixed)
            text += op + value;
    }
    text += ")";
    return {std::move(text), {}};
}

SearchText BuildSearchCondition(const SearchRow& row1, std::string_view link,
                                const SearchRow& row2) {
    const SearchText first = BuildSearchRow(row1);
    if (!first.ok())
        return first;
    const SearchText second = BuildSearchRow(row2, link);
    if (!second.ok())
        return second;
    return {"(" + first.sql + " " + second.sql + ")", {}};
}

SearchForm SearchFormFromSettings(const CAppSettings& settings) {
    return {{settings.Search1Type, settings.Search1Compare, settings.Search1Value},
            settings.Search2Link,
            {settings.Search2Type, settings.Search2Compare, settings.Search2Value}};
}

SearchText BuildSearchCondition(const SearchForm& form) {
    return BuildSearchCondition(form.row1, form.link, form.row2);
}

} // namespace tunebay
