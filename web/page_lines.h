#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Loads a fetched page as lines: a line ends at CR, at LF or at CR LF, a zero byte ends the
// text, and a line end at the very end does not add an empty line. Bytes are not converted.
// Returns false (and leaves lines empty) when the file does not exist or cannot be read.
bool LoadPageLines(const std::filesystem::path& file, std::vector<std::string>& lines);

// The same lines from the bytes of such a file already in memory.
void SplitPageLines(std::string_view text, std::vector<std::string>& lines);

// The same lines as views into text, which must outlive them.
void SplitPageLines(std::string_view text, std::vector<std::string_view>& lines);

} // namespace vorn
