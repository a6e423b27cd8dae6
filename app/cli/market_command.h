#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

// vorn-search-cli market [--since YYYY-MM-DD] [--encoding E] [OUTPUT.csv]: the going price of each
// search of each run the store holds, oldest first, as an aligned table or as a CSV file.
int RunMarketCommand(const std::vector<std::string>& arguments);

} // namespace vorn::cli
