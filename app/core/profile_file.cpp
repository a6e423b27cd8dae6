#include "app/core/profile_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unicode/utf8.h>

#include "web/cp932.h"
#include "web/text.h"
#include "web/write_all.h"

namespace vorn {

namespace {

// GetPrivateProfileString reads into a 2048-byte buffer.
constexpr std::size_t kValueLimit = 2047;
constexpr const char* kNewLineEnd = "\r\n";

struct Line {
    std::string text;
    std::string end; // "\r\n", "\n", "\r" or "" for a last line without one
};

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

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// ASCII letters match either case; the second byte of a double-byte character is compared as is.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t stop = content.find_first_of("\r\n", start);
        if (stop == std::string::npos) {
            lines.push_back({content.substr(start), ""});
            break;
        }
        const bool crlf = content[stop] == '\r' && stop + 1 < content.size() && content[stop + 1] == '\n';
        const std::size_t endLength = crlf ? 2 : 1;
        lines.push_back({content.substr(start, stop - start), content.substr(stop, endLength)});
        start = stop + endLength;
    }
    return lines;
}

std::optional<std::string> LoadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

bool IsUtf8Text(std::string_view content) {
    if (content.starts_with(kByteOrderMark)) {
        return true;
    }
    bool beyondAscii = false;
    const auto length = static_cast<std::int32_t>(content.size());
    for (std::int32_t at = 0; at < length;) {
        UChar32 c = 0;
        U8_NEXT(content.data(), at, length, c);
        if (c < 0) {
            return false;
        }
        beyondAscii = beyondAscii || c >= 0x80;
    }
    return beyondAscii;
}

namespace {

// The file's lines as they are, and as the profile rules read them (CP932). A UTF-8 file is
// matched and read through its CP932 form and written back in UTF-8.
struct Content {
    std::string byteOrderMark;
    std::vector<Line> lines;
    std::vector<Line> read;
    bool utf8 = false;

    // Text of the program (CP932) as the file holds it.
    std::string InFile(std::string_view cp932) const { return utf8 ? AnsiToUtf8(cp932) : std::string(cp932); }
    std::string Join() const;
};

Content ParseContent(std::string raw) {
    Content content;
    content.utf8 = IsUtf8Text(raw);
    if (raw.starts_with(kByteOrderMark)) {
        content.byteOrderMark = kByteOrderMark;
        raw.erase(0, kByteOrderMark.size());
    }
    content.lines = SplitLines(raw);
    content.read = content.lines;
    if (content.utf8) {
        for (Line& line : content.read) {
            line.text = UTF8ToAnsi(line.text);
        }
    }
    return content;
}

std::optional<Content> LoadContent(const std::filesystem::path& path) {
    auto raw = LoadFile(path);
    if (!raw) {
        return std::nullopt;
    }
    return ParseContent(std::move(*raw));
}

// "[name]" with the name up to the last "]" on the line; nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    std::optional<std::size_t> close;
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(line[i]))) {
            ++i;
        } else if (line[i] == ']') {
            close = i;
        }
    }
    if (!close) {
        return std::nullopt;
    }
    return line.substr(1, *close - 1);
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

// "key=value"; comment lines (";") and lines without "=" hold no key.
std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';') {
        return std::nullopt;
    }
    const std::size_t equals = line.find('='); // "=" is never the second byte of a character
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1))};
}

std::optional<std::size_t> FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text);
        if (name && SameName(*name, section)) {
            return i;
        }
    }
    return std::nullopt;
}

std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && !SectionName(lines[i].text)) {
        ++i;
    }
    return i;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, std::size_t header, std::string_view key) {
    const std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto entry = ParseKeyLine(lines[i].text);
        if (entry && SameName(entry->key, key)) {
            return i;
        }
    }
    return std::nullopt;
}

// The value as the profile functions hand it out: one pair of surrounding double quotes
// removed, then cut to the buffer without leaving half a double-byte character.
std::string ReadableValue(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    std::size_t cut = 0;
    while (cut < value.size()) {
        const std::size_t width = IsLeadByte(static_cast<unsigned char>(value[cut])) ? 2 : 1;
        if (cut + width > kValueLimit) {
            break;
        }
        cut += width;
    }
    return std::string(value.substr(0, std::min(cut, value.size())));
}

// Nothing written may start a new line: a value with a line break would otherwise smuggle a
// section or a key into the file. The C interface ends a text at its first zero byte.
std::string OneLine(std::string_view text) {
    std::string line(text.substr(0, text.find('\0')));
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

void EnsureLineEnd(Line& line) {
    if (line.end.empty()) {
        line.end = kNewLineEnd;
    }
}

std::string Content::Join() const {
    std::string content = byteOrderMark;
    for (const Line& line : lines) {
        content += line.text;
        content += line.end;
    }
    return content;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A temporary file beside the target renamed over it: a crash leaves the old file or the new
// one, never half of either.
bool ReplaceFile(const std::filesystem::path& path, const std::string& content) {
    std::error_code error;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, error)) {
        target = std::filesystem::weakly_canonical(path, error);
        if (error) {
            return false;
        }
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        return false; // a read-only settings file stays as it is
    }

    std::string temporary = target.string() + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const mode_t mode = exists ? (existing.st_mode & 07777) : NewFileMode();
    int writeError = 0;
    const bool written = WriteAll(fd, content, writeError) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}

bool ProfileFile::Exists() const {
    std::error_code error;
    return std::filesystem::is_regular_file(path_, error);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
    const auto content = LoadContent(path_);
    if (!content) {
        return std::string(fallback);
    }
    const std::vector<Line>& lines = content->read;
    const auto header = FindSection(lines, section);
    if (!header) {
        return std::string(fallback);
    }
    const auto keyLine = FindKey(lines, *header, key);
    if (!keyLine) {
        return std::string(fallback);
    }
    return ReadableValue(ParseKeyLine(lines[*keyLine].text)->value);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    return ParseProfileInteger(ReadString(section, key)).value_or(fallback);
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = OneLine(section);
    const std::string keyName = OneLine(key);
    const std::string text = OneLine(value);

    Content content;
    std::error_code error;
    if (std::filesystem::exists(path_, error)) {
        auto loaded = LoadContent(path_);
        if (!loaded) {
            return false;
        }
        content = std::move(*loaded);
    }
    // Found in the form the rules read, changed in the form the file holds: the line numbers agree.
    std::vector<Line>& lines = content.lines;
    const std::vector<Line>& read = content.read;

    const auto header = FindSection(read, sectionName);
    if (!header) {
        if (!lines.empty()) {
            EnsureLineEnd(lines.back());
        }
        lines.push_back({content.InFile("[" + sectionName + "]"), kNewLineEnd});
        lines.push_back({content.InFile(keyName + "=" + text), kNewLineEnd});
    } else if (const auto keyLine = FindKey(read, *header, keyName)) {
        // The file keeps its own spelling of the key.
        const std::string existingKey(ParseKeyLine(lines[*keyLine].text)->key);
        lines[*keyLine].text = existingKey + "=" + content.InFile(text);
    } else {
        // After the section's last non-blank line, so blank lines before the next section stay.
        std::size_t last = *header;
        for (std::size_t i = *header + 1; i < SectionEnd(read, *header); ++i) {
            if (!TrimBlanks(read[i].text).empty()) {
                last = i;
            }
        }
        EnsureLineEnd(lines[last]);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last) + 1,
                     Line{content.InFile(keyName + "=" + text), kNewLineEnd});
    }
    return ReplaceFile(path_, content.Join());
}

std::vector<std::string> ProfileFile::Sections() const {
    std::vector<std::string> names;
    const auto content = LoadContent(path_);
    if (!content) {
        return names;
    }
    for (const Line& line : content->read) {
        const auto name = SectionName(line.text);
        if (name &&
            std::none_of(names.begin(), names.end(), [&](const std::string& seen) { return SameName(seen, *name); })) {
            names.emplace_back(*name);
        }
    }
    return names;
}

bool ProfileFile::EraseSection(std::string_view section) {
    auto content = LoadContent(path_);
    if (!content) {
        return !Exists();
    }
    std::vector<Line>& lines = content->lines;
    std::vector<Line>& read = content->read;
    const std::string sectionName = OneLine(section);
    bool found = false;
    // Every header of that name: reading takes the first, so a second would surface after the erase.
    while (const auto header = FindSection(read, sectionName)) {
        const auto from = static_cast<std::ptrdiff_t>(*header);
        const auto to = static_cast<std::ptrdiff_t>(SectionEnd(read, *header));
        lines.erase(lines.begin() + from, lines.begin() + to);
        read.erase(read.begin() + from, read.begin() + to);
        found = true;
    }
    return !found || ReplaceFile(path_, content->Join());
}

bool SameProfileName(std::string_view a, std::string_view b) { return SameName(a, b); }

std::optional<int> ParseProfileInteger(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Hexadecimal spans the 32 bits ($FFFFFFFF is -1); decimal must fit a signed int.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    std::uint64_t magnitude = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    const auto bits = static_cast<std::uint32_t>(negative ? (0 - magnitude) : magnitude);
    return static_cast<int>(bits);
}

} // namespace vorn
