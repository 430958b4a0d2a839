#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>
#include <sys/wait.h>

#include <vector>

namespace tunebay::test {

// Waits for every child process of a test and expects each to have ended of itself with
// status 0.
inline void ExpectChildrenSucceeded(const std::vector<pid_t>& children) {
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
}

} // namespace tunebay::test
