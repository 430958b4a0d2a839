#pragma once

#include "app/app_settings.h"
#include "text/translatable.h"

#include <optional>
#include <string>
#include <string_view>

namespace tunebay {

// Why the form's rows give no search: the text or value typed, and for a value its type.
inline constexpr const char* kMessageUnknownSearchLink =
    TB_TRANSLATE_NOOP("Tunebay", "Unknown search link \"%1\"! Use -, AND or OR.");
inline constexpr const char* kMessageUnknownSearchType =
    TB_TRANSLATE_NOOP("Tunebay", "Unknown search type \"%1\"!");
inline constexpr const char* kMessageUnknownComparison =
    TB_TRANSLATE_NOOP("Tunebay", "Unknown comparison \"%1\"!");
inline constexpr const char* kMessageNotANumber =
    TB_TRANSLATE_NOOP("Tunebay", "\"%1\" is not a number! Please enter a number for %2.");
inline constexpr const char* kMessageNotALength =
    TB_TRANSLATE_NOOP("Tunebay", "\"%1\" is no length! Please enter minutes, minutes:seconds or "
                                 "hours:minutes:seconds for %2.");
inline constexpr const char* kMessageNotADate = TB_TRANSLATE_NOOP(
    "Tunebay", "\"%1\" is no date or time! Please enter a date (2003-05-01), a time (12:30:00) "
               "or both for %2.");

// One condition row of the search form, as its controls read.
struct SearchRow {
    std::string type = "*"; // a label of kSearchTypes
    std::string compare = "=";
    std::string value;
};

// The SQL of a row or of the whole form, or why it cannot be built. Values that do not fit
// their type are refused here, before any SQL is made.
struct SearchText {
    std::string sql;
    std::string message; // empty when the text was built

    bool ok() const { return message.empty(); }
};

// The SQL text of one row. Row 1 has no link; row 2 has one, and with the link "-" its text is
// empty whatever its type and value. A text row with an empty value compares with NULL. The
// message of a refusal is worded by `lookup` (the window's language; as marked without one).
SearchText BuildSearchRow(const SearchRow& row, std::optional<std::string_view> link = {},
                          const TextLookup& lookup = {});

// Search Now: "(" + row 1 + " " + row 2 + ")".
SearchText BuildSearchCondition(const SearchRow& row1, std::string_view link, const SearchRow& row2,
                                const TextLookup& lookup = {});

// The two rows and the link the form remembers in the settings.
struct SearchForm {
    SearchRow row1;
    std::string link = "-";
    SearchRow row2{"Title", "=", ""};
};

SearchForm SearchFormFromSettings(const CAppSettings& settings);
SearchText BuildSearchCondition(const SearchForm& form, const TextLookup& lookup = {});

} // namespace tunebay
