#include "app/core/program_dir.h"

namespace vorn {

std::filesystem::path ProgramDir() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::filesystem::current_path();
    }
    return executable.parent_path();
}

} // namespace vorn
