#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

// What the fuzzers share: a scratch file per process, the property check and input layouts.
namespace vorn::fuzz {

// A property that does not hold is a finding: report it and abort, so libFuzzer keeps the input.
void Require(bool holds, const char* property);

// Writes the input to this process's own scratch file (on tmpfs when there is one) and returns
// its path, so that fuzzed pages reach the parsers through the loader, as fetched pages do.
const std::filesystem::path& WriteScratchFile(const std::uint8_t* data, std::size_t size);

// A folder for files of this process; removed at exit.
const std::filesystem::path& ScratchDir();

// Every lead byte is followed by a trail byte and no text ends inside a character.
bool IsWellFormedCp932(std::string_view text);

// The first `count` zero-terminated fields of the input and then the rest (count + 1 parts);
// missing fields are empty. Keeps multi-part inputs writable as plain seed files.
std::vector<std::string_view> SplitInput(const std::uint8_t* data, std::size_t size, std::size_t count);

} // namespace vorn::fuzz
