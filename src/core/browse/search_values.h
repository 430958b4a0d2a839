#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunebay {

// The parts a date or time value gives, each only when it was typed.
struct DateTimeParts {
    std::vector<int> date; // year, then month, then day
    std::vector<int> time; // hour, then minute, then second

    // The parts in the compact form of time stamps: the year in 4 digits, every other part in
    // 2, date before time ("2003-05-01 12:30" gives "200305011230").
    std::string Digits() const;
};

// Reads a date, a time or both. Without "-" and ":" the value is compact and read by its
// length: 4 digits the year, 6 hour-minute-second, 8 year-month-day, 14 all six. Otherwise "-"
// separates year, month and day and ":" hour, minute and second; a blank separates a date and
// a time given together, in either order; pieces may be left off at the end; a year below 1000
// counts from 2000 ("03" is 2003). None when the value gives no parts or a piece is not a
// decimal number or out of its range.
std::optional<DateTimeParts> ReadDateTimeValue(std::string_view value);

// Reads a length as seconds: "7" is 7 minutes, "5:30" minutes and seconds, "1:02:03" hours,
// minutes and seconds. None when unreadable.
std::optional<int> ReadLengthValue(std::string_view value);

} // namespace tunebay
