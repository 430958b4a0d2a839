#include "browse/length_text.h"

#include <cstdio>

namespace tunebay {

std::string LengthText(long long seconds) {
    if (seconds < 0)
        seconds = 0;
    const long long hours = seconds / 3600;
    const long long minutes = (seconds - 3600 * hours) / 60;
    char text[48];
    if (hours != 0)
        std::snprintf(text, sizeof text, "%02lld%02lld:%02lld", hours, minutes, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%02lld:%02lld", minutes, seconds % 60);
    return text;
}

} // namespace tunebay
