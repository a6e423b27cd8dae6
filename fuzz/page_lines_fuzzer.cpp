// Any bytes a site sends become lines without line-end or zero bytes, and no byte before the
// first zero is lost or invented.

#include "web/page_lines.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Line ends in the text: CR LF counts once; a last line without an end is a line too.
std::size_t CountLines(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLineEnd(text[i])) {
            ++count;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        }
    }
    return count + (!text.empty() && !IsLineEnd(text.back()) ? 1 : 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vorn::fuzz::Require;
    std::vector<std::string> lines{"left over from the last page"};
    Require(vorn::LoadPageLines(vorn::fuzz::WriteScratchFile(data, size), lines), "an existing page loads");

    std::string_view text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    std::string withoutEnds;
    for (const char c : text) {
        if (!IsLineEnd(c)) {
            withoutEnds += c;
        }
    }
    std::string joined;
    for (const std::string& line : lines) {
        Require(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
                "no line holds a line end or a zero byte");
        joined += line;
    }
    Require(joined == withoutEnds, "lines hold every byte before the first zero, line ends excepted");
    Require(lines.size() == CountLines(text), "one line per line end, plus an unended last line");
    return 0;
}
