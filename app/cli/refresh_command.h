#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

// vorn-search-cli refresh-cities: rebuilds T02_CITY from the 47 prefectures' sale pages.
int RunRefreshCitiesCommand(const std::vector<std::string>& arguments);
// vorn-search-cli refresh-genres: rebuilds T10_CTGR from the 20 genres' nationwide sale pages.
int RunRefreshGenresCommand(const std::vector<std::string>& arguments);

} // namespace vorn::cli
