#include "web/write_all.h"

#include <cerrno>

#include <unistd.h>

namespace vorn {

bool WriteAll(int fd, std::string_view data, int& error) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        // A write that takes nothing would otherwise be tried for ever.
        if (written <= 0) {
            error = written < 0 ? errno : EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace vorn
