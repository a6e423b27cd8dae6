#include "web/page_lines.h"

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
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

bool LoadPageLines(const std::filesystem::path& file, std::vector<std::string>& lines) {
    lines.clear();
    std::string content;
    if (!ReadWholeFile(file, content)) {
        return false;
    }
    std::string_view text(content);
    text = text.substr(0, text.find('\0'));

    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
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
