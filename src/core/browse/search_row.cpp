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

constexpr char kLikeEscape = '\\';
constexpr const char* kLikeSpecials = "%_\\";

// Why a value does not fit its type: `pattern` with the value and the type's label.
std::string valueRefused(const TextLookup& lookup, const char* pattern, std::string_view value,
                         const SearchType& type) {
    return FillTexts(Worded(lookup, pattern),
                     {value, Worded(lookup, std::string(type.label).c_str())});
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

// A LIKE pattern that finds `value` anywhere: "%" and "_" in the value match themselves.
std::string containsPattern(std::string_view value) {
    std::string pattern = "%";
    for (const char c : value) {
        if (std::string_view(kLikeSpecials).find(c) != std::string_view::npos)
            pattern += kLikeEscape;
        pattern += c;
    }
    return pattern + "%";
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// A row's terms as a condition on the item alone. Rows over optional properties and duplicate
// queries would otherwise join those tables into the whole query, so that an item is listed once
// per optional row, or not at all when another row's item has none; as a set of media ids each
// row finds every matching item once, whatever it is combined with.
std::string itemCondition(std::string terms) {
    if (terms.find("tblMediaDuplicates.") != std::string::npos)
        return "tblMedia.sName IN (SELECT sName FROM tblMediaDuplicates)";
    if (terms.find("tblOptional.") == std::string::npos)
        return terms;
    std::string from = "tblOptional AS optionalRow";
    replaceAll(terms, "tblOptional.", "optionalRow.");
    for (const std::string_view view : {"tblMediaDuplicatesSize", "tblMediaDuplicatesTRM"}) {
        const std::string qualified = std::string(view) + ".";
        if (terms.find(qualified) != std::string::npos) {
            replaceAll(terms, qualified, "duplicateRow.");
            from += ", " + std::string(view) + " AS duplicateRow";
        }
    }
    return "tblMedia.lID IN (SELECT optionalRow.lTableID FROM " + from + " WHERE " + terms + ")";
}

// An import time given in part names a period: a date alone its whole year, month or day, a
// time alone that time of any day, a date with a time the stamps from there on as far as given.
// Stamps hold all fourteen digits, so the period is the stamp's leading or middle digits.
std::string importTimeField(const DateTimeParts& parts, std::string& digits) {
    constexpr std::size_t kStampDigits = 14;
    if (parts.date.empty()) {
        return "substr(tblMedia.sImportTime, 9, " + std::to_string(digits.size()) + ")";
    }
    if (!parts.time.empty()) {
        // A date cut short before a time starts at the first day of its period.
        DateTimeParts full = parts;
        full.date.resize(3, 1);
        digits = full.Digits();
    }
    if (digits.size() == kStampDigits)
        return "tblMedia.sImportTime";
    return "substr(tblMedia.sImportTime, 1, " + std::to_string(digits.size()) + ")";
}

} // namespace

SearchText BuildSearchRow(const SearchRow& row, std::optional<std::string_view> link,
                          const TextLookup& lookup) {
    std::string prefix;
    if (link) {
        if (*link == "-")
            return {};
        if (std::find(kSearchLinks.begin(), kSearchLinks.end(), *link) == kSearchLinks.end())
            return refused(FillTexts(Worded(lookup, kMessageUnknownSearchLink), {*link}));
        prefix = *link;
    }
    const SearchType* type = FindSearchType(row.type);
    if (!type)
        return refused(FillTexts(Worded(lookup, kMessageUnknownSearchType), {row.type}));

    // The value as SQL gets it, and the comparison, both checked before any text is built.
    std::string op = row.compare;
    std::string value;
    std::string escape; // after each LIKE term
    std::string field(type->expression);
    if (type->kind != kSearchFixed) {
        if (std::find(kSearchComparisons.begin(), kSearchComparisons.end(), row.compare) ==
            kSearchComparisons.end())
            return refused(FillTexts(Worded(lookup, kMessageUnknownComparison), {row.compare}));
        switch (type->kind) {
        case kSearchText:
            if (row.value.empty()) {
                value = "NULL";
                if (op == "=")
                    op = " IS ";
                else if (op == "<>")
                    op = " IS NOT ";
            } else if (op == "=" || op == "<>") {
                op = op == "=" ? " LIKE " : " NOT LIKE ";
                value = SqlQuote(containsPattern(row.value));
                // Only a value that needs it carries the escape clause.
                if (row.value.find_first_of(kLikeSpecials) != std::string::npos)
                    escape = std::string(" ESCAPE '") + kLikeEscape + "'";
            } else {
                value = SqlQuote("%" + row.value + "%");
            }
            break;
        case kSearchNumber: {
            const std::string_view number = trim(row.value);
            if (!isNumber(number))
                return refused(valueRefused(lookup, kMessageNotANumber, row.value, *type));
            value = number;
            break;
        }
        case kSearchLength: {
            const auto seconds = ReadLengthValue(row.value);
            if (!seconds)
                return refused(valueRefused(lookup, kMessageNotALength, row.value, *type));
            value = std::to_string(*seconds);
            break;
        }
        case kSearchDate: {
            const auto parts = ReadDateTimeValue(row.value);
            if (!parts)
                return refused(valueRefused(lookup, kMessageNotADate, row.value, *type));
            std::string digits = parts->Digits();
            if (type->expression == "tblMedia.sImportTime")
                field = importTimeField(*parts, digits);
            value = "'" + digits + "'";
            break;
        }
        }
    }

    const std::string joiner = row.compare == "<>" ? " AND " : " OR ";
    std::string terms;
    for (const std::string_view one : splitFields(field)) {
        if (!terms.empty())
            terms += joiner;
        terms += one;
        if (type->kind != kSearchFixed)
            terms += op + value + escape;
    }
    return {prefix + " (" + itemCondition(std::move(terms)) + ")", {}};
}

SearchText BuildSearchCondition(const SearchRow& row1, std::string_view link, const SearchRow& row2,
                                const TextLookup& lookup) {
    const SearchText first = BuildSearchRow(row1, {}, lookup);
    if (!first.ok())
        return first;
    const SearchText second = BuildSearchRow(row2, link, lookup);
    if (!second.ok())
        return second;
    return {"(" + first.sql + " " + second.sql + ")", {}};
}

SearchForm SearchFormFromSettings(const CAppSettings& settings) {
    return {{settings.Search1Type, settings.Search1Compare, settings.Search1Value},
            settings.Search2Link,
            {settings.Search2Type, settings.Search2Compare, settings.Search2Value}};
}

SearchText BuildSearchCondition(const SearchForm& form, const TextLookup& lookup) {
    return BuildSearchCondition(form.row1, form.link, form.row2, lookup);
}

} // namespace tunebay
