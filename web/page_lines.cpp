#include "web/page_lines.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

namespace vorn {

namespace {

bool ReadWholeFile(const std::filesystem::path& file, std::string& content) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    // One read of the whole page rather than a byte at a time through a stream iterator.
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!error) {
        content.resize(static_cast<std::size_t>(size));
        in.read(content.data(), static_cast<std::streamsize>(content.size()));
        content.resize(static_cast<std::size_t>(in.gcount()));
    }
    // The rest, if the file grew since its size was asked.
    content.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
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

} // namespace

bool LoadPageLines(const std::filesystem::path& file, std::vector<std::string>& lines) {
    lines.clear();
    std::string content;
    if (!ReadWholeFile(file, content)) {
        return false;
    }
    std::string_view text(content);
    text = text.substr(0, text.find('\0'));

    LineEndFinder lineEnds(text);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = lineEnds.From(pos);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
    }
    return true;
}

} // namespace vorn
