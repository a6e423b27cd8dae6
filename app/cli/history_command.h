#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

// vorn-search-cli history: how many listings earlier runs collected, and the oldest and newest
// first sighting.
int RunHistoryCommand(const std::vector<std::string>& arguments);
// vorn-search-cli forget [--before YYYY-MM-DD]: removes those listings from the history, all or
// those last seen before the day, so a --new-only run collects them again.
int RunForgetCommand(const std::vector<std::string>& arguments);

// True for a real calendar day written YYYY-MM-DD.
bool IsCalendarDate(const std::string& text);

} // namespace vorn::cli
