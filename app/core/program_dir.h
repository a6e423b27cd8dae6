#pragma once

#include <filesystem>

namespace vorn {

// The folder of the running executable; VORN_PROGRAM_DIR overrides it (tests, the demo).
std::filesystem::path ProgramDir();

} // namespace vorn
