#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace vorn {

// The single-instance guard: a per-user lock that the system releases when the process ends,
// however it ends. Held for as long as the object lives.
class InstanceLock {
public:
    // Nothing when another process of this user holds the lock of that name.
    static std::unique_ptr<InstanceLock> Acquire(const std::string& name = "Vorn_Search");
    // The lock file of that name: $XDG_RUNTIME_DIR/<name>.lock, or /tmp/<name>-<uid>.lock when
    // the runtime folder is not set.
    static std::filesystem::path LockFilePath(const std::string& name = "Vorn_Search");
    // The lock on one given file (tests point it into a folder of their own). When busy is given,
    // it tells a lock another process holds from a file that cannot be opened as ours.
    static std::unique_ptr<InstanceLock> AcquireFile(const std::filesystem::path& file, bool* busy = nullptr);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace vorn
