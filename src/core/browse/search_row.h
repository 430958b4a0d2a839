#pragma once

#include "app/app_settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace tunebay {

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
// empty whatever its type and value. A text row with an empty value compares with NULL.
SearchText BuildSearchRow(const SearchRow& row, std::optional<std::string_view> link = {});

// Search Now: "(" + row 1 + " " + row 2 + ")".
SearchText BuildSearchCondition(const SearchRow& row1, std::string_view link,
                                const SearchRow& row2);

// The two rows and the link the form remembers in the settings.
struct SearchForm {
    SearchRow row1;
    std::string link = "-";
    SearchRow row2{"Title", "=", ""};
};

SearchForm SearchFormFromSettings(const CAppSettings& settings);
SearchText BuildSearchCondition(const SearchForm& form);

} // namespace tunebay
