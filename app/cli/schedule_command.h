#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/core/profile_file.h"

namespace vorn::cli {

// schedule NAME HH:MM [--output FILE] | schedule NAME off: a saved search run every day by the
// user's systemd timer, or no longer.
int RunScheduleCommand(const std::vector<std::string>& arguments);

// list schedules: each scheduled search, its time, next run, output and last run.
void ListSchedules(const std::filesystem::path& programDir, const ProfileFile& settings);

} // namespace vorn::cli
