#pragma once

#include <string_view>

namespace vorn {

// Writes all of data at the file's current offset, going on after a signal. False when the file
// takes no more: error is then errno, or EIO for a write that took nothing without saying why.
bool WriteAll(int fd, std::string_view data, int& error);

} // namespace vorn
