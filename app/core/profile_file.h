#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// A Windows profile (INI) file, read and written by the profile-string rules: key=value lines,
// section and key names matched without regard to ASCII case, a value updated in place, other
// sections, keys and lines kept as they are, at most 2047 bytes of a value seen on reading.
// Text is CP932 bytes. A file a text editor saved in UTF-8 (valid UTF-8 holding more than ASCII,
// or with a byte-order mark) is read as UTF-8 and written back in UTF-8. A value is written on one line, every CR and
// LF in it replaced by a space (a value can never create a section or a key). Every write replaces the file atomically.
class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }
    bool Exists() const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
    // Decimal, or hexadecimal with a leading 0x or $; fallback when missing or unreadable.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // False when the file cannot be written.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    // The names of the file's sections, in file order (a name met twice, once).
    std::vector<std::string> Sections() const;
    // Removes the section, its header and its lines up to the next section; true when the file
    // no longer holds it (also when it never did). False when the file cannot be written.
    bool EraseSection(std::string_view section);

private:
    std::filesystem::path path_;
};

// Section and key names compared as the file compares them: ASCII letters without regard to case.
// A file a text editor saved: valid UTF-8 holding more than ASCII, or marked as UTF-8. Japanese
// text in code page 932 is practically never valid UTF-8.
bool IsUtf8Text(std::string_view content);

bool SameProfileName(std::string_view a, std::string_view b);

// A profile integer: an optional sign, then decimal digits, or hexadecimal digits after "0x" or
// "$" (32 bits, so $FFFFFFFF is -1). Nothing when the text is not one or does not fit.
std::optional<int> ParseProfileInteger(std::string_view text);

} // namespace vorn
