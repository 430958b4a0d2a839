// Builds the catalogue template (TBDB.src) from the schema and fixed-row SQL files.
// Usage: make_template OUTPUT SQLFILE...
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT SQLFILE...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path output = argv[1];
    std::filesystem::path partial = output;
    partial += ".partial";
    std::filesystem::remove(partial);

    sqlite3* db = nullptr;
    if (sqlite3_open(partial.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s: %s\n", partial.c_str(), sqlite3_errmsg(db));
        return 1;
    }
    std::string script = "PRAGMA user_version=1; BEGIN;";
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        std::ostringstream text;
        text << in.rdbuf();
        script += text.str();
        script += "\n";
    }
    script += "COMMIT; VACUUM;";
    char* error = nullptr;
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "template SQL failed: %s\n", error ? error : "?");
        sqlite3_free(error);
        sqlite3_close(db);
        return 1;
    }
    sqlite3_close(db);
    std::filesystem::rename(partial, output);
    return 0;
}
