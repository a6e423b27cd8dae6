#pragma once

#include <filesystem>
#include <string>

namespace vorn {

// What decides where the program's files live. The running process fills it from itself and its
// environment; tests build their own.
struct ProgramDirSources {
    std::filesystem::path executableDir;
    std::string dataHome; // $XDG_DATA_HOME as set; empty when unset
    std::string home;     // $HOME, or the home folder of the user's account
    // Whether the process may create and replace files in that folder.
    bool (*canWriteFolder)(const std::filesystem::path& folder) = nullptr;
};

// The folder whose db/ holds vrn_data.db, vrn.ini and tmp.dat.
struct ProgramDirChoice {
    std::filesystem::path dir;
    // The user's own folder, whose db/ is made with a copy of the shipped catalogue. False for the
    // executable's folder (a build tree, the demo, a copied program folder), used as it is.
    bool perUser = false;
    // The catalogue to copy when the user's db/ has none; empty when there is none to copy.
    std::filesystem::path catalogue;
};

bool CanWriteFolder(const std::filesystem::path& folder);

// The executable's own folder when its db/ is a folder we can write; otherwise the user's data
// folder ($XDG_DATA_HOME/vorn-search, ~/.local/share/vorn-search when that is unset or relative).
// Looks, changes nothing.
ProgramDirChoice ChooseProgramDir(const ProgramDirSources& sources);

// Makes the user's db/ and copies the catalogue into it when it has none yet; a copy there is
// never replaced. Returns false when the database is still missing afterwards (no catalogue
// shipped, or the copy failed): the caller then reports the missing database as usual.
bool PrepareProgramDir(const ProgramDirChoice& choice);

// This process: the executable's folder, XDG_DATA_HOME and HOME.
ProgramDirSources CurrentProgramDirSources();

// Where both programs keep their files, prepared for use: ChooseProgramDir and PrepareProgramDir
// for this process. Safe while the other program starts too.
std::filesystem::path ProgramDir();

} // namespace vorn
