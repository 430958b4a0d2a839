#include "cli_context.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    return tunebay::cli::RunCli(argc, argv, std::cout, std::cerr);
}
