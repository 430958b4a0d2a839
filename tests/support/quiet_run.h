#pragma once

#include "app/background_operation.h"
#include "app/clock.h"

#include <ctime>
#include <string>

namespace tunebay::test {

// The clock of a run a test starts: always the same time, 2025-12-08 14:00:00 UTC unless given.
class FixedClock : public IClock {
public:
    explicit FixedClock(std::time_t now = 1765202400) : m_now(now) {}
    std::time_t Now() const override { return m_now; }

private:
    std::time_t m_now;
};

// The progress of a run a test starts, which nobody watches.
class QuietSink : public IProgressSink {
public:
    void OnProgress(int, const std::string&) override {}
    void OnFinished(int, int) override {}
};

} // namespace tunebay::test
