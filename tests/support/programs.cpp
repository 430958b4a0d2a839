#include "support/programs.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace tunebay::test {

ProgramRun runProgram(const std::vector<std::string>& arguments) {
    std::vector<std::string> copy(arguments);
    std::vector<char*> argv;
    for (auto& argument : copy)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int out[2];
    if (argv.size() < 2 || pipe(out) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(out[1], 1);
        dup2(null, 2);
        close(out[0]);
        close(out[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    ProgramRun run;
    if (child < 0) {
        close(out[0]);
        return run;
    }
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0)
        run.out.append(buffer, static_cast<size_t>(got));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

} // namespace tunebay::test
