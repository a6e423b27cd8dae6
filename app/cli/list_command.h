#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

// vorn-search-cli list prefectures | list cities PREFECTURE | list genres: the names a crawl by
// name takes, one a line in catalogue order, sub-genres indented under their genre.
int RunListCommand(const std::vector<std::string>& arguments);

} // namespace vorn::cli
