#pragma once

#include <filesystem>

namespace vorn {

// The folder of the running executable: db/ lives beside the program.
std::filesystem::path ProgramDir();

} // namespace vorn
