#include "support/cli_runner.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

namespace tunebay::test {

CliRunner::CliRunner() {
    // No probing for a desktop player in tests.
    m_dir.write("settings.conf", "[Settings]\nPlayer=1\n");
}

CliResult CliRunner::run(const std::vector<std::string>& arguments,
                         const std::string& input) const {
    std::vector<std::string> argv{TUNEBAY_CLI_PATH, "--config", configFile()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (auto& argument : argv)
        raw.push_back(argument.data());
    raw.push_back(nullptr);

    int out[2], err[2], in[2];
    if (pipe(out) || pipe(err) || pipe(in))
        return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        execv(raw[0], raw.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (!input.empty())
        (void)!write(in[1], input.data(), input.size());
    close(in[1]);

    CliResult result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(fds, 2, 60000) > 0) {
        for (auto& fd : fds) {
            if (fd.fd < 0 || !(fd.revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t got = read(fd.fd, buffer, sizeof buffer);
            if (got <= 0) {
                close(fd.fd);
                fd.fd = -1;
                --open;
                continue;
            }
            (fd.fd == out[0] ? result.out : result.err).append(buffer, got);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace tunebay::test
