// The settings file as a user or another program may have left it, read and then written.
// Input: section, NUL, key, NUL, value, NUL, file content.

#include "app/core/profile_file.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "web/cp932.h"
#include "web/text.h"

namespace {

using vorn::fuzz::Require;

constexpr std::string_view kSection = "Config";
constexpr std::string_view kProbeKeys[] = {"Word", "ImageDir", "CheckImage", "Ctgrlist", "Areasel", "Arealist"};
constexpr int kFallback = -7;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Names that any profile reader takes the same way: no blanks, brackets, "=" or ";".
bool IsPlainName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!plain) {
            return false;
        }
    }
    return true;
}

bool SameAsciiName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && vorn::RemoveAllNoCase(a, b).empty();
}

std::size_t CountLines(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            ++count;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        }
    }
    return count + (!text.empty() && text.back() != '\r' && text.back() != '\n' ? 1 : 0);
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a reader gets back for a written value: on one line, blanks around it and one pair of
// enclosing quotes dropped, at most 2047 bytes without half a character.
std::string ReadBack(std::string_view value) {
    std::string line(value.substr(0, value.find('\0')));
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    std::string_view text = TrimBlanks(line);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    std::size_t cut = 0;
    while (cut < text.size()) {
        const std::size_t width = vorn::IsLeadByte(static_cast<unsigned char>(text[cut])) ? 2 : 1;
        if (cut + width > 2047) {
            break;
        }
        cut += width;
    }
    return std::string(text.substr(0, std::min(cut, text.size())));
}

// Plain signed decimal text reads as its number when it fits an int, otherwise as the fallback.
void CheckDecimal(const vorn::ProfileFile& file, std::string_view key, const std::string& text) {
    std::string_view digits = TrimBlanks(text);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return;
    }
    const std::string signedDigits = (negative ? "-" : "") + std::string(digits);
    int expected = 0;
    const auto [end, error] = std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), expected);
    if (error != std::errc()) {
        expected = kFallback;
    }
    Require(file.ReadInteger(kSection, key, kFallback) == expected, "a decimal value reads as its number");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts = vorn::fuzz::SplitInput(data, size, 3);
    const std::string_view section = parts[0];
    const std::string_view key = parts[1];
    const std::string_view value = parts[2];
    const std::string_view content = parts[3];

    const std::filesystem::path path = vorn::fuzz::ScratchDir() / "vrn.ini";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    vorn::ProfileFile file(path);
    std::vector<std::string> before;
    for (const std::string_view probe : kProbeKeys) {
        before.push_back(file.ReadString(kSection, probe, "(none)"));
        Require(before.back().size() <= 2047, "a read value fits the reader's buffer");
        Require(before.back().find_first_of("\r\n") == std::string::npos, "a read value is one line");
        CheckDecimal(file, probe, before.back());
    }

    const std::size_t linesBefore = CountLines(content);
    Require(file.WriteString(section, key, value), "a writable settings file takes a value");
    const std::string written = ReadAll(path);
    const std::size_t linesAfter = CountLines(written);
    // A value updates a line, adds one, or adds its section and itself: never more.
    Require(linesAfter >= linesBefore && linesAfter <= linesBefore + 2, "a write adds at most a section and a key");

    if (!IsPlainName(section) || !IsPlainName(key)) {
        return 0;
    }
    // The file's bytes decide its encoding: a value whose bytes make a code page 932 file valid
    // UTF-8 has it read as UTF-8 from then on, so nothing more holds for such a write.
    if (vorn::IsUtf8Text(content) != vorn::IsUtf8Text(written)) {
        return 0;
    }
    // In a UTF-8 file a value is kept as the characters it stands for.
    const std::string readBack = file.ReadString(section, key, "(none)");
    const std::string_view line = value.substr(0, value.find('\0'));
    Require(readBack == ReadBack(value) || readBack == ReadBack(vorn::UTF8ToAnsi(vorn::AnsiToUtf8(line))),
            "a written value reads back");
    for (std::size_t i = 0; i < std::size(kProbeKeys); ++i) {
        if (SameAsciiName(section, kSection) && SameAsciiName(key, kProbeKeys[i])) {
            continue;
        }
        Require(file.ReadString(kSection, kProbeKeys[i], "(none)") == before[i], "a write leaves other keys alone");
    }
    return 0;
}
