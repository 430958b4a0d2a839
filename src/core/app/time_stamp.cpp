#include "app/time_stamp.h"

#include <cstdio>

namespace tunebay {

namespace {

std::string formatFields(const std::tm& fields) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d", fields.tm_year + 1900,
                  fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
    return buffer;
}

} // namespace

std::string FormatTimeStamp(std::time_t time) {
    std::tm fields{};
    gmtime_r(&time, &fields);
    return formatFields(fields);
}

std::string TimeStampOneMonthLater(std::time_t time) {
    std::tm fields{};
    gmtime_r(&time, &fields);
    fields.tm_mon += 1;
    const std::time_t later = timegm(&fields); // normalises the day and the year
    return FormatTimeStamp(later);
}

} // namespace tunebay
