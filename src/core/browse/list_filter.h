#pragma once

#include "browse/item_listing.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace tunebay {

// The item list's filter box: the listed items whose title, group, package, file name or comment
// hold the text, ASCII letters in either case, as the search type "*" with "=" finds them. The
// same items are matched in memory, as one types, and by the SQL condition the commands get.
class ListFilter {
public:
    ListFilter() = default;
    explicit ListFilter(std::string_view text);

    bool Empty() const { return m_text.empty(); }
    const std::string& Text() const { return m_text; }

    // Whether the item holds the text (every item when the filter is empty).
    bool Matches(const ListedItem& item) const;
    // The same test over the item's fields as AppendFoldedFields wrote them: the quick form for
    // many items kept folded side by side.
    bool MatchesFolded(std::string_view fields) const;
    // Appends the five fields the filter looks at, ASCII letters in lower case, each ended by a
    // zero byte (which no typed text holds, so no match runs from one field into the next).
    static void AppendFoldedFields(const ListedItem& item, std::string& out);
    // The same for the five fields given apart: title, group, package, file name, comment.
    static void AppendFoldedFields(std::initializer_list<std::string_view> fields,
                                   std::string& out);
    // Whether this filter lets through only items that `earlier` let through, so that only
    // those need testing again (the text grew or stayed, case aside).
    bool Narrows(const ListFilter& earlier) const;
    // The condition over the item join that finds the same items; "" when empty.
    std::string Condition() const;

private:
    std::string m_text;
    std::string m_folded; // the text with ASCII letters in lower case
};

} // namespace tunebay
