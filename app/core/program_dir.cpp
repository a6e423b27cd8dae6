#include "app/core/program_dir.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/core/saved_conditions.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

// The data folders are the user's alone, as the XDG base directories want them.
bool MakeFolders(const fs::path& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error)) {
        return true;
    }
    const fs::path parent = folder.parent_path();
    if (parent != folder && !parent.empty() && !MakeFolders(parent)) {
        return false;
    }
    return ::mkdir(folder.c_str(), 0700) == 0 || (errno == EEXIST && fs::is_directory(folder, error));
}

// Copied under a name of its own and linked into place at the end, so that a copy cut short (a
// full disk, a killed process) is never taken for the database at the next start. The window and
// the terminal program may make their first start together: the link never replaces a database
// the other has put there meanwhile, which it may already be writing.
bool CopyCatalogue(const fs::path& from, const fs::path& to) {
    static std::atomic<unsigned> copies{0};
    const fs::path part = to.parent_path() / (to.filename().string() + ".part-" + std::to_string(::getpid()) + "-" +
                                              std::to_string(copies++));
    std::error_code error;
    fs::copy_file(from, part, fs::copy_options::overwrite_existing, error);
    if (!error) {
        // The shipped file may be read-only; every run writes the copy.
        fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, error);
    }
    const bool placed = !error && (::link(part.c_str(), to.c_str()) == 0 || errno == EEXIST);
    std::error_code ignored;
    fs::remove(part, ignored);
    return placed;
}

std::string AccountHome() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

} // namespace

bool CanWriteFolder(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder, error) && ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

ProgramDirChoice ChooseProgramDir(const ProgramDirSources& sources) {
    const fs::path ownDb = sources.executableDir / "db";
    const auto canWrite = sources.canWriteFolder != nullptr ? sources.canWriteFolder : CanWriteFolder;
    if (canWrite(ownDb)) {
        return {sources.executableDir, false, {}};
    }
    fs::path dataHome;
    if (IsAbsolute(sources.dataHome)) {
        dataHome = sources.dataHome;
    } else if (IsAbsolute(sources.home)) {
        dataHome = fs::path(sources.home) / ".local" / "share";
    } else {
        return {sources.executableDir, false, {}}; // no home to keep the files in
    }
    ProgramDirChoice choice{dataHome / "vorn-search", true, {}};
    // The installed catalogue; failing that, the one of a program folder we may read but not
    // write (a copied folder on a read-only share).
    for (const fs::path& catalogue :
         {sources.executableDir / VORN_SHIPPED_DATA_DIR / "vrn_data.db", ownDb / "vrn_data.db"}) {
        std::error_code error;
        if (fs::is_regular_file(catalogue, error)) {
            choice.catalogue = catalogue.lexically_normal();
            break;
        }
    }
    return choice;
}

bool PrepareProgramDir(const ProgramDirChoice& choice) {
    const fs::path database = DatabaseFilePath(choice.dir);
    std::error_code error;
    if (fs::is_regular_file(database, error)) {
        return true;
    }
    if (!choice.perUser || choice.catalogue.empty()) {
        return false;
    }
    return MakeFolders(database.parent_path()) && CopyCatalogue(choice.catalogue, database);
}

ProgramDirSources CurrentProgramDirSources() {
    ProgramDirSources sources;
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    sources.executableDir = error ? fs::current_path() : executable.parent_path();
    if (const char* dataHome = std::getenv("XDG_DATA_HOME")) {
        sources.dataHome = dataHome;
    }
    const char* home = std::getenv("HOME");
    sources.home = home != nullptr && IsAbsolute(home) ? std::string(home) : AccountHome();
    return sources;
}

fs::path ProgramDir() {
    const ProgramDirChoice choice = ChooseProgramDir(CurrentProgramDirSources());
    PrepareProgramDir(choice);
    return choice.dir;
}

} // namespace vorn
