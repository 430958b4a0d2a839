#pragma once

#include "fresh_process.h"
#include "scale_options.h"
#include "synthetic_catalogue.h"

#include "store/catalogue_connection.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace tunebay::bench {

// For each size of `options`: a synthetic catalogue of that many items, copied from
// `templateFile` into the options' folder (else the system's temporary folder) under a name made
// of `prefix`, this process and the size; then this program run afresh on it with --measure; then
// the file removed unless it is to be kept. Returns the runs' statuses joined, or 1 when a
// catalogue cannot be opened.
inline int MeasureSyntheticCatalogues(const char* program, const std::string& prefix,
                                      const std::filesystem::path& templateFile,
                                      const ScaleOptions& options) {
    namespace fs = std::filesystem;
    const fs::path folder = options.dir.empty() ? fs::temp_directory_path() : fs::path(options.dir);
    int status = 0;
    for (const int items : options.sizes) {
        if (items <= 0)
            continue;
        const fs::path path = folder / (prefix + "-" + std::to_string(::getpid()) + "-" +
                                        std::to_string(items) + ".tbf");
        fs::copy_file(templateFile, path);
        {
            CCatalogueConnection connection;
            if (connection.Open(CatalogueConnectionString(path.string())) != 0) {
                std::fprintf(stderr, "cannot open %s\n", path.c_str());
                return 1;
            }
            FillSyntheticCatalogue(connection, ShapeFor(items));
        }
        std::printf("%d items\n", items);
        status |= RunFreshProcess({program, "--measure", path.string(), std::to_string(items),
                                   std::to_string(options.runs)});
        if (options.keep)
            std::printf("  kept %s\n", path.c_str());
        else
            for (const char* suffix : {"", "-wal", "-shm"})
                fs::remove(path.string() + suffix);
    }
    return status;
}

} // namespace tunebay::bench
