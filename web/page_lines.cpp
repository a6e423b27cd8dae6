#include "web/page_lines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

namespace {

// The page is read whole into a buffer each thread keeps from page to page: a fresh buffer the
// size of a page is fresh memory the kernel has to fault in for every page, which costs more than
// the reading itself. A buffer grown by an unusually large page is given back afterwards.
constexpr std::size_t kKeptBufferSize = 1024 * 1024;

// Closes the descriptor when LoadPageLines is done with it.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Non-blocking, so that a FIFO at the path is refused by the regular-file check rather than
// waited on. -1 when the path is not a regular file that can be opened for reading.
int OpenRegularFile(const std::filesystem::path& file, std::size_t& size) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    size = static_cast<std::size_t>(info.st_size);
    return fd;
}

// Finds the first CR or LF from a position on with two memchr searches, each repeated only once
// its last answer has been passed: find_first_of would search the pair for every byte.
class LineEndFinder {
public:
    explicit LineEndFinder(std::string_view text) : text_(text), nextCr_(Find('\r', 0)), nextLf_(Find('\n', 0)) {}

    std::size_t From(std::size_t pos) {
        if (nextCr_ != std::string_view::npos && nextCr_ < pos) {
            nextCr_ = Find('\r', pos);
        }
        if (nextLf_ != std::string_view::npos && nextLf_ < pos) {
            nextLf_ = Find('\n', pos);
        }
        return std::min(nextCr_, nextLf_);
    }

private:
    std::size_t Find(char c, std::size_t pos) const {
        if (pos >= text_.size()) {
            return std::string_view::npos;
        }
        const void* found = std::memchr(text_.data() + pos, c, text_.size() - pos);
        return found == nullptr ? std::string_view::npos
                                : static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
    }

    std::string_view text_;
    std::size_t nextCr_;
    std::size_t nextLf_;
};

// Reads the file into the front of buffer, which only ever grows (growing it again for every
// page would clear the new part each time); false on a read error. One byte more than the size
// is asked for, so that the read reaching the end is seen without growing the buffer.
bool ReadAll(int fd, std::size_t size, std::string& buffer, std::size_t& length) {
    if (buffer.size() < size + 1) {
        buffer.resize(size + 1);
    }
    length = 0;
    while (true) {
        if (length == buffer.size()) {
            buffer.resize(buffer.size() * 2); // the file grew since its size was asked
        }
        const ssize_t got = ::read(fd, buffer.data() + length, buffer.size() - length);
        if (got == 0) {
            return true;
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
        length += got > 0 ? static_cast<std::size_t>(got) : 0;
    }
}

// Calls addLine with each line of text, in order.
template <typename AddLine>
void ForEachLine(std::string_view text, AddLine addLine) {
    LineEndFinder lineEnds(text);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = lineEnds.From(pos);
        if (end == std::string_view::npos) {
            addLine(text.substr(pos));
            break;
        }
        addLine(text.substr(pos, end - pos));
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
    }
}

std::string_view UpToZeroByte(std::string_view text) { return text.substr(0, text.find('\0')); }

} // namespace

void SplitPageLines(std::string_view text, std::vector<std::string>& lines) {
    // Strings already in lines are written over, so a caller passing the same vector again
    // keeps their memory.
    std::size_t count = 0;
    ForEachLine(UpToZeroByte(text), [&lines, &count](std::string_view line) {
        if (count < lines.size()) {
            lines[count].assign(line);
        } else {
            lines.emplace_back(line);
        }
        ++count;
    });
    lines.resize(count);
}

void SplitPageLines(std::string_view text, std::vector<std::string_view>& lines) {
    lines.clear();
    ForEachLine(UpToZeroByte(text), [&lines](std::string_view line) { lines.push_back(line); });
}

bool LoadPageLines(const std::filesystem::path& file, std::vector<std::string>& lines) {
    std::size_t size = 0;
    const FileDescriptor fd(OpenRegularFile(file, size));
    thread_local std::string buffer;
    std::size_t length = 0;
    const bool read = fd.get() >= 0 && ReadAll(fd.get(), size, buffer, length);
    if (read) {
        SplitPageLines(std::string_view(buffer.data(), length), lines);
    } else {
        lines.clear();
    }
    if (buffer.capacity() > kKeptBufferSize) {
        std::string().swap(buffer);
    }
    return read;
}

} // namespace vorn
