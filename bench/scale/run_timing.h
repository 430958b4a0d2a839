#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace tunebay::bench {

using Clock = std::chrono::steady_clock;

// The milliseconds since `start`.
inline double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The middle value of the runs' timings.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace tunebay::bench
