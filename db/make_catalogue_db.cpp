// Build-time tool: makes the catalogue database from SQL scripts.
//   vorn-make-catalogue-db OUTPUT.db SCRIPT.sql...
// The database is written beside OUTPUT and renamed into place, so a failed build never
// leaves a half-filled catalogue where the programs look for it.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sqlite3.h>

namespace {

bool ReadFile(const std::filesystem::path& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

bool Run(sqlite3* db, const std::string& script, const std::string& origin) {
    char* error = nullptr;
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", origin.c_str(), error != nullptr ? error : sqlite3_errmsg(db));
        sqlite3_free(error);
        return false;
    }
    return true;
}

bool Build(const std::filesystem::path& file, int scriptCount, char** scripts) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    bool ok = Run(db, "BEGIN", "begin");
    for (int i = 0; ok && i < scriptCount; ++i) {
        std::string script;
        if (!ReadFile(scripts[i], script)) {
            std::fprintf(stderr, "%s: cannot read\n", scripts[i]);
            ok = false;
        } else {
            ok = Run(db, script, scripts[i]);
        }
    }
    ok = ok && Run(db, "COMMIT", "commit") && Run(db, "VACUUM", "vacuum");
    if (sqlite3_close(db) != SQLITE_OK) {
        ok = false;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.db SCRIPT.sql...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path output = argv[1];
    std::filesystem::path partial = output;
    partial += ".partial";
    std::error_code error;
    std::filesystem::create_directories(output.parent_path(), error);
    std::filesystem::remove(partial, error);
    if (!Build(partial, argc - 2, argv + 2)) {
        std::filesystem::remove(partial, error);
        return 1;
    }
    std::filesystem::rename(partial, output, error);
    if (error) {
        std::fprintf(stderr, "%s: %s\n", output.c_str(), error.message().c_str());
        std::filesystem::remove(partial, error);
        return 1;
    }
    return 0;
}
