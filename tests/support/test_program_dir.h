#pragma once

#include <filesystem>

namespace vorn::test {

// A fresh temporary program folder holding db/vrn_data.db copied from the build (unless
// withDatabase is false); removed with the object.
class TestProgramDir {
public:
    explicit TestProgramDir(bool withDatabase = true);
    ~TestProgramDir();
    TestProgramDir(const TestProgramDir&) = delete;
    TestProgramDir& operator=(const TestProgramDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path db() const { return path_ / "db"; }
    std::filesystem::path databaseFile() const { return db() / "vrn_data.db"; }
    std::filesystem::path scratchFile() const { return db() / "tmp.dat"; }

private:
    std::filesystem::path path_;
};

// A fresh empty temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace vorn::test
