#pragma once

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

} // namespace tunebay
