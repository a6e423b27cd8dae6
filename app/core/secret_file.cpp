#include "app/core/secret_file.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

SecretReading ReadSecretFile(const std::filesystem::path& file, const std::string& key) {
    SecretReading reading;
    const std::string named = "[Notify] " + key + " " + file.string();
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        reading.refusal = named + " is not a file that can be read";
        return reading;
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        reading.refusal = named + " may be read by others than its owner: refused (chmod 600 it)";
        return reading;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in || !std::getline(in, reading.secret)) {
        reading.refusal = named + " is not a file that can be read";
        return reading;
    }
    if (!reading.secret.empty() && reading.secret.back() == '\r') {
        reading.secret.pop_back();
    }
    return reading;
}

bool WriteSecretFile(const std::filesystem::path& file, const std::string& secret) {
    const std::filesystem::path part = file.string() + ".part";
    ::unlink(part.c_str());
    // O_EXCL: never through a file or link someone else put there.
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        return false;
    }
    const std::string text = secret + "\n";
    bool written = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    for (std::size_t at = 0; written && at < text.size();) {
        const ssize_t count = ::write(fd, text.data() + at, text.size() - at);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        written = count > 0;
        at += written ? static_cast<std::size_t>(count) : 0;
    }
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    if (!written || std::rename(part.c_str(), file.c_str()) != 0) {
        ::unlink(part.c_str());
        return false;
    }
    return true;
}

} // namespace vorn
