#include "browse/list_filter.h"

#include "browse/search_row.h"

#include <algorithm>

namespace tunebay {

namespace {

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string folded(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), foldAscii);
    return result;
}

} // namespace

ListFilter::ListFilter(std::string_view text) : m_text(text), m_folded(folded(text)) {}

bool ListFilter::Matches(const ListedItem& item) const {
    std::string fields;
    AppendFoldedFields(item, fields);
    return MatchesFolded(fields);
}

bool ListFilter::MatchesFolded(std::string_view fields) const {
    // SQL's LIKE folds ASCII letters only and compares every other byte as it is.
    return m_folded.empty() || fields.find(m_folded) != std::string_view::npos;
}

void ListFilter::AppendFoldedFields(const ListedItem& item, std::string& out) {
    AppendFoldedFields({item.title, item.group, item.package, item.fileName, item.comment}, out);
}

void ListFilter::AppendFoldedFields(std::initializer_list<std::string_view> fields,
                                    std::string& out) {
    for (const std::string_view field : fields) {
        const std::size_t start = out.size();
        out += field;
        std::transform(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
                       out.begin() + static_cast<std::ptrdiff_t>(start), foldAscii);
        out += '\0';
    }
}

bool ListFilter::Narrows(const ListFilter& earlier) const {
    return m_folded.find(earlier.m_folded) != std::string::npos;
}

std::string ListFilter::Condition() const {
    if (m_text.empty())
        return {};
    return BuildSearchRow({"*", "=", m_text}).sql;
}

} // namespace tunebay
