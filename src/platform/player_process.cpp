#include "player_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace tunebay {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string FindPlayerProgram(const std::string& program) {
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return isExecutableFile(program) ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        if (!folder.empty()) {
            const std::string candidate = std::string(folder) + "/" + program;
            if (isExecutableFile(candidate))
                return candidate;
        }
        if (colon == std::string_view::npos)
            return {};
        folders.remove_prefix(colon + 1);
    }
}

PlayerStart StartPlayer(const PlayerInvocation& invocation) {
    // Paths go over byte for byte (a name that is not UTF-8 still plays), so the process is
    // started here rather than through a string class that re-encodes its arguments.
    const std::string program = FindPlayerProgram(invocation.program);
    if (program.empty())
        return PlayerStart::NotFound;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : invocation.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // The exec's outcome comes back through a pipe that closes on a successful exec.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return PlayerStart::Failed;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return PlayerStart::Failed;
    }
    if (child == 0) {
        // Detached: a session of its own, reparented away from us once the middle process ends,
        // so the player is never waited for and never left behind as a zombie.
        ::setsid();
        const pid_t player = ::fork();
        if (player < 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
        }
        if (player != 0)
            ::_exit(0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execv(argv[0], argv.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof error))
        return error == ENOENT ? PlayerStart::NotFound : PlayerStart::Failed;
    return PlayerStart::Started;
}

} // namespace tunebay
