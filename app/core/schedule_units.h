#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// A time of day a saved search runs at, local time.
struct DailyTime {
    int hour = 0;
    int minute = 0;
};

// "7:05" or "07:05": an hour 0..23 and two minute digits 00..59, ASCII digits only.
std::optional<DailyTime> ParseDailyTime(std::string_view text);
// "07:05".
std::string DailyTimeText(DailyTime time);
// The first moment at that time of day after now, local time.
std::time_t NextRunAfter(DailyTime time, std::time_t now);

// The user's units folder: $XDG_CONFIG_HOME/systemd/user, ~/.config/systemd/user when that is
// unset or relative.
std::filesystem::path UserUnitDir();

// The files of one saved search's schedule. Unit names hold only ASCII letters, digits and "-":
// a readable part of the name and a hash of the whole name, so that kana, spaces, quotes and "%"
// all give names no shell or unit parser trips over, and two names never share units.
struct ScheduleUnits {
    std::string timerName; // vorn-search-NAME-HASH.timer
    std::filesystem::path service;
    std::filesystem::path timer;
    std::filesystem::path link; // timers.target.wants/ of the units folder
};
ScheduleUnits ScheduleUnitsFor(const std::filesystem::path& unitDir, std::string_view nameUtf8);

// A word of a unit's command line as systemd reads it back: quoted, with "\" and '"' escaped and
// "%" and "$" doubled so that neither a specifier nor a variable is expanded.
std::string SystemdWord(std::string_view text);
// The service runs the terminal program on the saved search; the timer starts it every day.
std::string ServiceUnitText(const std::filesystem::path& program, std::string_view nameUtf8);
std::string TimerUnitText(std::string_view nameUtf8, DailyTime time);

// Writes both units and the link that enables the timer. The file or folder that cannot be
// written, with whatever of them was written removed again; empty when done.
std::filesystem::path WriteScheduleUnits(const ScheduleUnits& units, const std::filesystem::path& program,
                                         std::string_view nameUtf8, DailyTime time);
// Removes both units and the link; the file that stays, empty when done.
std::filesystem::path RemoveScheduleUnits(const ScheduleUnits& units);

// Runs systemctl --user with each argument list in turn; false as soon as one fails, which is
// also what a missing or silent service manager gives.
bool AskServiceManager(const std::vector<std::vector<std::string>>& commands);

} // namespace vorn
