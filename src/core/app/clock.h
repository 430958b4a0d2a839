#pragma once

#include <chrono>
#include <ctime>

namespace tunebay {

// The current time, injectable so that time stamps and reminders can be tested.
class IClock {
public:
    virtual ~IClock() = default;
    virtual std::time_t Now() const = 0;
};

class SystemClock : public IClock {
public:
    std::time_t Now() const override { return std::time(nullptr); }
};

// Milliseconds of a clock that never goes back, for measuring how long work has run.
inline long long SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Units of a long run (files, items) are committed together this often: a crash loses at most
// that much work.
inline constexpr long long kBatchMilliseconds = 500;

} // namespace tunebay
