#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vorn {

// A Windows profile (INI) file, read and written by the profile-string rules: key=value lines,
// section and key names matched without regard to ASCII case, a value updated in place, other
// sections, keys and lines kept as they are, at most 2047 bytes of a value seen on reading.
// Text is CP932 bytes. Values holding a line break are written on one line (a value can never
// create a section or a key).
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

private:
    std::filesystem::path path_;
};

} // namespace vorn
