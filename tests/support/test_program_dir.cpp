#include "tests/support/test_program_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace vorn::test {

namespace {

std::filesystem::path MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorn-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    return pattern;
}

void RemoveQuietly(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

} // namespace

TestProgramDir::TestProgramDir(bool withDatabase) : path_(MakeTempFolder()) {
    std::filesystem::create_directories(db());
    if (withDatabase) {
        std::filesystem::copy_file(VORN_BUILT_DB, databaseFile());
    }
}

TestProgramDir::~TestProgramDir() { RemoveQuietly(path_); }

TempDir::TempDir() : path_(MakeTempFolder()) {}

TempDir::~TempDir() { RemoveQuietly(path_); }

} // namespace vorn::test
