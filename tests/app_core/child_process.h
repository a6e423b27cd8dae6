#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vorn::test {

std::string ReadBytes(const std::filesystem::path& file);

struct ChildResult {
    int exitCode = -1; // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// A program started with its output in files and one environment variable of its own (the
// runtime folder, where the single-instance lock lives).
class ChildProcess {
public:
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& runtimeDir, const std::filesystem::path& logDir);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) const;
    // Waits for the end; a child still running at the limit is killed and reported as -1.
    ChildResult Wait(std::chrono::seconds limit = std::chrono::seconds(120));

private:
    std::atomic<pid_t> pid_ = -1; // a test's server thread may signal while Wait reaps
    std::filesystem::path outFile_;
    std::filesystem::path errFile_;
};

} // namespace vorn::test
