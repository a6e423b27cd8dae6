#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

// vorn-search-cli crawl OUTPUT.csv: one run on the saved conditions, as the window would make it.
int RunCrawlCommand(const std::vector<std::string>& arguments);

} // namespace vorn::cli
