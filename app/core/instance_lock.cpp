#include "app/core/instance_lock.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

namespace {

bool IsFolder(const char* path) {
    struct stat info {};
    return path != nullptr && *path != '\0' && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::filesystem::path InstanceLock::LockFilePath(const std::string& name) {
    // The runtime folder is the user's own; the shared /tmp needs the user in the name.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (IsFolder(runtime)) {
        return std::filesystem::path(runtime) / (name + ".lock");
    }
    return std::filesystem::path("/tmp") / (name + "-" + std::to_string(::getuid()) + ".lock");
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string& name) { return AcquireFile(LockFilePath(name)); }

std::unique_ptr<InstanceLock> InstanceLock::AcquireFile(const std::filesystem::path& file, bool* busy) {
    if (busy != nullptr) {
        *busy = false;
    }
    // No symbolic links: in /tmp another user could point one anywhere. Close-on-exec, so a
    // program we start never keeps our lock alive after we are gone.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::getuid()) {
        ::close(fd);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (busy != nullptr) {
            *busy = errno == EWOULDBLOCK;
        }
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_); // the file stays: removing it would race with the next instance's open
    }
}

} // namespace vorn
