#include "browse/search_values.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>

namespace tunebay {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A run of at most nine decimal digits, so that it fits an int.
std::optional<int> readNumber(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Splits at `separator`; pieces left off at the end ("2003-05-") are simply not given, a piece
// missing in between makes the text unreadable.
std::optional<std::vector<int>> readPieces(std::string_view text, char separator,
                                           std::size_t most) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            break;
        text.remove_prefix(at + 1);
    }
    while (!pieces.empty() && pieces.back().empty())
        pieces.pop_back();
    if (pieces.empty() || pieces.size() > most)
        return std::nullopt;
    std::vector<int> numbers;
    for (const auto piece : pieces) {
        const auto number = readNumber(piece);
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
    }
    return numbers;
}

bool inRange(const DateTimeParts& parts) {
    constexpr std::array<std::pair<int, int>, 3> dateRanges{{{0, 9999}, {1, 12}, {1, 31}}};
    constexpr std::array<std::pair<int, int>, 3> timeRanges{{{0, 23}, {0, 59}, {0, 59}}};
    for (std::size_t i = 0; i < parts.date.size(); ++i)
        if (parts.date[i] < dateRanges[i].first || parts.date[i] > dateRanges[i].second)
            return false;
    for (std::size_t i = 0; i < parts.time.size(); ++i)
        if (parts.time[i] < timeRanges[i].first || parts.time[i] > timeRanges[i].second)
            return false;
    return true;
}

std::optional<DateTimeParts> readCompact(std::string_view text) {
    for (const char c : text)
        if (!isDigit(c))
            return std::nullopt;
    auto two = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    const auto year = [&] { return *readNumber(text.substr(0, 4)); };
    DateTimeParts parts;
    switch (text.size()) {
    case 4:
        parts.date = {year()};
        break;
    case 6:
        parts.time = {two(0), two(2), two(4)};
        break;
    case 8:
        parts.date = {year(), two(4), two(6)};
        break;
    case 14:
        parts.date = {year(), two(4), two(6)};
        parts.time = {two(8), two(10), two(12)};
        break;
    default:
        return std::nullopt;
    }
    return parts;
}

} // namespace

std::string DateTimeParts::Digits() const {
    std::string digits;
    char piece[16];
    for (std::size_t i = 0; i < date.size(); ++i) {
        std::snprintf(piece, sizeof piece, i == 0 ? "%04d" : "%02d", date[i]);
        digits += piece;
    }
    for (const int value : time) {
        std::snprintf(piece, sizeof piece, "%02d", value);
        digits += piece;
    }
    return digits;
}

std::optional<DateTimeParts> ReadDateTimeValue(std::string_view value) {
    const std::string_view text = trim(value);
    const std::size_t dash = text.find('-');
    const std::size_t colon = text.find(':');
    std::optional<DateTimeParts> parts;
    if (dash == std::string_view::npos && colon == std::string_view::npos) {
        parts = readCompact(text);
    } else {
        std::string_view dateText, timeText;
        if (dash != std::string_view::npos && colon != std::string_view::npos) {
            std::size_t blank = 0;
            while (blank < text.size() && !isBlank(text[blank]))
                ++blank;
            const std::string_view first = text.substr(0, blank);
            const std::string_view second = trim(text.substr(blank));
            (dash < colon ? dateText : timeText) = first;
            (dash < colon ? timeText : dateText) = second;
            if (dateText.find(':') != std::string_view::npos ||
                timeText.find('-') != std::string_view::npos)
                return std::nullopt;
        } else if (dash != std::string_view::npos) {
            dateText = text;
        } else {
            timeText = text;
        }
        parts.emplace();
        if (dash != std::string_view::npos) {
            auto date = readPieces(dateText, '-', 3);
            if (!date)
                return std::nullopt;
            parts->date = std::move(*date);
            if (parts->date[0] < 1000)
                parts->date[0] += 2000;
        }
        if (colon != std::string_view::npos) {
            auto time = readPieces(timeText, ':', 3);
            if (!time)
                return std::nullopt;
            parts->time = std::move(*time);
        }
    }
    if (!parts || !inRange(*parts))
        return std::nullopt;
    return parts;
}

std::optional<int> ReadLengthValue(std::string_view value) {
    const std::string_view text = trim(value);
    const auto colons = std::count(text.begin(), text.end(), ':');
    if (colons > 2)
        return std::nullopt;
    const auto pieces = readPieces(text, ':', 3);
    if (!pieces)
        return std::nullopt;
    // Pieces left off at the end count as 0; with two colons the first piece is the hours.
    std::array<long long, 3> given{0, 0, 0};
    for (std::size_t i = 0; i < pieces->size(); ++i)
        given[i] = (*pieces)[i];
    const long long hours = colons == 2 ? given[0] : 0;
    const long long minutes = colons == 2 ? given[1] : given[0];
    const long long seconds = colons == 2 ? given[2] : given[1];
    const long long total = (hours * 60 + minutes) * 60 + seconds;
    if (total > INT_MAX)
        return std::nullopt;
    return static_cast<int>(total);
}

} // namespace tunebay
