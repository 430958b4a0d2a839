#include "cli_context.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace {

// A standard stream the caller closed (`>&-`) is held by a read-only /dev/null, so no file the
// program opens later (a catalogue, an export) takes its number and receives the output meant for
// it; writing to it then fails with EBADF, as writing to a closed stream does.
void holdClosedStandardStreams() {
    for (int stream = 0; stream <= 2; ++stream) {
        if (fcntl(stream, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int placeholder = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (placeholder >= 0 && placeholder != stream) {
            dup2(placeholder, stream);
            close(placeholder);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    holdClosedStandardStreams();
    QCoreApplication application(argc, argv);
    return tunebay::cli::RunCli(argc, argv, std::cout, std::cerr);
}
