#pragma once

#include <cstdio>

namespace tunebay::bench {

// The resident high-water mark of this process image (VmHWM; unlike the rusage figure it does
// not carry over the builder's peak across exec), in megabytes.
inline double PeakMegabytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    double kilobytes = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %lf kB", &kilobytes) == 1)
            break;
    std::fclose(status);
    return kilobytes / 1024.0;
}

} // namespace tunebay::bench
