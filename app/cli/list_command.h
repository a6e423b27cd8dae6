#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

// vorn-search-cli list prefectures | list cities PREFECTURE | list genres: the names a crawl by
// name takes, one a line in catalogue order, sub-genres indented under their genre; list saved:
// the searches the window saved, one a line with what each writes.
int RunListCommand(const std::vector<std::string>& arguments);

} // namespace vorn::cli
