// Start-up cost of tunebay-cli: runs `sql CATALOGUE "SELECT 1"` and `text thousands 1` RUNS times
// each (default 30) on a fresh catalogue, with settings that leave the player to be probed, and
// prints the median and the slowest wall time and the peak memory of the runs. The goal for
// `sql` is under 50 ms.
//
// Usage: bench_cli [RUNS]
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Wall milliseconds of one run of the program with `arguments`, its output discarded.
double runOnce(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{TUNEBAY_CLI_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (auto& argument : argv)
        raw.push_back(argument.data());
    raw.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(raw[0], raw.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "run failed: %s\n", arguments[2].c_str());
    return std::chrono::duration<double, std::milli>(end - start).count();
}

void measure(const char* name, const std::vector<std::string>& arguments, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(runOnce(arguments));
    std::sort(times.begin(), times.end());
    std::printf("%-28s median %6.1f ms   slowest %6.1f ms   (%d runs)\n", name,
                times[times.size() / 2], times.back(), runs);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    tunebay::test::TempDir dir;
    const std::string catalogue = dir.file("c.tbf").string();
    std::filesystem::copy_file(tunebay::test::templatePath(), catalogue);
    // Player 2 without a command: a probe for the desktop's player would be due.
    const std::string config = dir.write("settings.conf", "[Settings]\nPlayer=2\n").string();

    measure("sql c.tbf \"SELECT 1\"", {"--config", config, "sql", catalogue, "SELECT 1"}, runs);
    measure("text thousands 1", {"--config", config, "text", "thousands", "1"}, runs);

    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("peak memory of a run: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
