#pragma once

#include <ctime>
#include <string>

namespace tunebay {

// Fourteen digits, year to second, in UTC, without separators (so text order is time order).
std::string FormatTimeStamp(std::time_t time);

// The time stamp one calendar month after `time`: the month number goes up by one and a day
// that the next month lacks rolls over into the month after (31 January -> 3 March, or 2 March
// in a leap year).
std::string TimeStampOneMonthLater(std::time_t time);

} // namespace tunebay
