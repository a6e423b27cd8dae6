#pragma once

#include <string>
#include <string_view>

namespace vorn::cli {

// A window message (CP932) as a terminal shows it: UTF-8, with line feeds only.
std::string ForTerminal(const std::string& cp932);

// "vorn-search-cli: " and the text on standard error; returns code.
int Fail(std::string_view text, int code);
// The window's message on standard error; returns code.
int Refuse(const std::string& messageCp932, int code);

} // namespace vorn::cli
