#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

// vorn-search-cli changes [--since YYYY-MM-DD] [--kind KIND]... [--encoding E] [OUTPUT.csv]: the
// changes the store of listings holds, newest first, as lines on standard output or as a CSV file.
int RunChangesCommand(const std::vector<std::string>& arguments);
// vorn-search-cli export [--encoding E] OUTPUT: the rows of the last run that wrote any, written
// again as a CSV file or, for a name ending in .xlsx, as a workbook.
int RunExportCommand(const std::vector<std::string>& arguments);

} // namespace vorn::cli
