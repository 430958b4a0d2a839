#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace tunebay::bench {

// The options of the benches over synthetic catalogues: --items N[,N...] --runs N --dir DIR
// --keep --server --explain, and --measure PATH ITEMS RUNS, with which such a bench runs itself
// afresh for one size. With --server the catalogue is put in a new database of a private
// PostgreSQL server; --explain then prints the server's plans of the statements that took long.
struct ScaleOptions {
    std::vector<int> sizes{100000, 1000000};
    int runs = 3;
    std::string dir;
    bool keep = false;
    bool server = false;
    bool explain = false;
    bool measure = false;
    std::string path; // with measure
    int items = 0;    // with measure
};

// False on an option it does not know.
inline bool ParseScaleOptions(int argc, char** argv, ScaleOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--measure" && i + 3 < argc) {
            options.measure = true;
            options.path = argv[i + 1];
            options.items = std::atoi(argv[i + 2]);
            options.runs = std::max(1, std::atoi(argv[i + 3]));
            return true;
        }
        if (argument == "--items" && hasValue) {
            options.sizes.clear();
            const std::string list = argv[++i];
            for (std::size_t start = 0; start <= list.size();) {
                const std::size_t comma = std::min(list.find(',', start), list.size());
                options.sizes.push_back(std::atoi(list.substr(start, comma - start).c_str()));
                start = comma + 1;
            }
        } else if (argument == "--runs" && hasValue) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--dir" && hasValue) {
            options.dir = argv[++i];
        } else if (argument == "--keep") {
            options.keep = true;
        } else if (argument == "--server") {
            options.server = true;
        } else if (argument == "--explain") {
            options.explain = true;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace tunebay::bench
