#pragma once

#include <string>

namespace tunebay {

// A playing length as the item list shows it: "mm:ss", with the hours written straight before
// the minutes when there are any ("0102:03" for 3723 seconds). A negative length shows as 00:00.
std::string LengthText(long long seconds);

} // namespace tunebay
