#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

// vorn-search-cli runs: one line a run, newest first: its number, start, conditions, mode,
// outcome, rows and counts line.
int RunRunsCommand(const std::vector<std::string>& arguments);

} // namespace vorn::cli
