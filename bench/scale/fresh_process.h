#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tunebay::bench {

// Runs this program again with `arguments` (argv[0] first) in a new process image, so that the
// figures it prints, peak memory above all, are its own; returns its exit status.
inline int RunFreshProcess(const std::vector<std::string>& arguments) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace tunebay::bench
