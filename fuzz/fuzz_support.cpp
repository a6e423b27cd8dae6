#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

#include "web/text.h"

namespace vorn::fuzz {

namespace {

std::filesystem::path MakeScratchDir() {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) {
        base = std::filesystem::temp_directory_path();
    }
    std::string pattern = (base / "vorn-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("vorn fuzz: scratch folder");
        std::abort();
    }
    return pattern;
}

// Owns the folder so that a normal end of the fuzzer leaves nothing behind.
struct ScratchFolder {
    std::filesystem::path path = MakeScratchDir();
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

} // namespace

void Require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

const std::filesystem::path& ScratchDir() {
    static const ScratchFolder folder;
    return folder.path;
}

const std::filesystem::path& WriteScratchFile(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file = ScratchDir() / "tmp.dat";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Require(static_cast<bool>(out.flush()), "the scratch file is written");
    return file;
}

bool IsWellFormedCp932(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
            if (i + 1 == text.size() || !IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

std::vector<std::string_view> SplitInput(const std::uint8_t* data, std::size_t size, std::size_t count) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t end = rest.find('\0');
        parts.push_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    parts.push_back(rest);
    return parts;
}

} // namespace vorn::fuzz
