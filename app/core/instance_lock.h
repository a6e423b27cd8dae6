#pragma once

#include <memory>
#include <string>

namespace vorn {

// The single-instance guard: a per-user lock that the system releases when the process ends,
// however it ends. Held for as long as the object lives.
class InstanceLock {
public:
    // Nothing when another process of this user holds the lock of that name.
    static std::unique_ptr<InstanceLock> Acquire(const std::string& name = "Vorn_Search");
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace vorn
