#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/commands.h"

namespace vorn::cli {

// The options of changes and export, as the general help and their own help print them.
extern const char* const kChangesOptionsHelp;
extern const char* const kMarketOptionsHelp;

// True when arguments (those after the command's name) ask for the command's help.
bool AsksForHelp(const std::vector<std::string>& arguments);

// One command's usage line, what it does and its options.
void PrintCommandUsage(std::ostream& out, const Command& command);

} // namespace vorn::cli
