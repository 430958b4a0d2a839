#include "cli_context.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>

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

// Drawing charts needs Qt's graphical part (fonts, painting); everything else starts without it.
// The pictures are drawn off screen, so no display is needed.
bool drawsCharts(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--chart", 7) == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    holdClosedStandardStreams();
    std::unique_ptr<QCoreApplication> application;
    if (drawsCharts(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    return tunebay::cli::RunCli(argc, argv, std::cout, std::cerr);
}
