#include "cli_context.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstring>
#include <iostream>
#include <memory>

namespace {

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
    std::unique_ptr<QCoreApplication> application;
    if (drawsCharts(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    return tunebay::cli::RunCli(argc, argv, std::cout, std::cerr);
}
