#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::cli {

// One command of vorn-search-cli: its name, what follows it, one line of help, and the code
// that runs it and returns the exit code.
struct Command {
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    int (*run)(const std::vector<std::string>& arguments);
};

const std::vector<Command>& Commands();

void PrintUsage(std::ostream& out);

// argv without the program name: a command and its arguments, or --help.
int RunCommandLine(const std::vector<std::string>& arguments);

} // namespace vorn::cli
