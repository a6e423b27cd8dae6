#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/profile_file.h"
#include "app/core/run_options.h"
#include "app/core/schedule_units.h"

namespace vorn {

// The output of a saved search on a day: every "{date}" made that day, YYYY-MM-DD.
std::string DatedOutput(std::string_view output, std::string_view date);
// Why a file (UTF-8) cannot be a saved search's output, each program telling it in its words.
enum class OutputProblem {
    None,
    Missing,
    LostCharacters, // a character code page 932, the settings file's, lacks
    NotAbsolute,    // the timer starts the program in the home folder
    NotCsvOrXlsx,
    DateInFolder,   // a folder made anew every day is nobody's
    NoFolder,
};
OutputProblem CheckOutput(std::string_view outputUtf8);
// The problem in words for the terminal (UTF-8); empty when fit.
std::string OutputRefusal(std::string_view outputUtf8);

// vorn-search-cli beside the running program, which the service runs.
std::filesystem::path TerminalProgramPath();

// What putting a saved search's schedule in place did.
struct ScheduleReport {
    std::string error; // UTF-8, the refusal or the file that could not be written; empty when done
    std::filesystem::path failedFile; // the settings file or unit file that could not be written
    bool programMissing = false;      // no terminal program where the service is to run it
    bool unitsWritten = false;
    bool unitsRemoved = false; // there were units, and they are gone
    bool managerAnswered = false; // systemctl --user reloaded and started (or stopped) the timer
    ScheduleUnits units;
};

// Checks the search's Schedule and Output as the run will need them; the refusal (UTF-8).
std::string ScheduleRefusal(const SavedSearch& search);
// Saves the search whole (keys of [Saved:NAME] and its Output and Schedule) and brings the user's
// units in line with it: written and the timer enabled when it has a Schedule, removed when not.
// A refused search writes nothing. When the units cannot be written the settings file is put
// back as it was.
ScheduleReport SaveScheduledSearch(ProfileFile& settings, const SavedSearch& search,
                                   const std::filesystem::path& program, const std::filesystem::path& unitDir);
// Removes the saved search's units, if any, and tells the service manager.
ScheduleReport RemoveScheduleOf(std::string_view nameCp932, const std::filesystem::path& unitDir);

// The end of the last run of a saved search into its saved output, which is how its timer runs
// it: kept in db/vrn_runs.ini beside the settings file, which the window may be rewriting.
struct ScheduledRun {
    std::string end; // YYYY-MM-DD HH:MM:SS, local time
    int exitCode = 0;
    bool failed() const { return exitCode != 0 && exitCode != 1; }
};
std::filesystem::path ScheduledRunsFilePath(const std::filesystem::path& programDir);
void RecordScheduledRun(const std::filesystem::path& programDir, std::string_view nameCp932, int exitCode);
std::optional<ScheduledRun> LastScheduledRun(const std::filesystem::path& programDir, std::string_view nameCp932);
// The exit code in words, UTF-8: as list schedules tells it, and in Japanese for the window.
std::string ExitCodeWords(int exitCode);
std::string ExitCodeWordsJapanese(int exitCode);

// The saved searches with a sound Schedule, each with its next run after now.
struct ScheduledSearch {
    SavedSearch search;
    DailyTime time;
    std::time_t nextRun = 0;
};
std::vector<ScheduledSearch> ScheduledSearches(const ProfileFile& settings, std::time_t now);

// For the window's status line and options (CP932): "次回の自動実行: 12/10 07:00 NAME" for the
// soonest, and a line for each whose last run failed. Empty when nothing is scheduled.
std::string ScheduleStatusText(const ProfileFile& settings, const std::filesystem::path& programDir, std::time_t now);

} // namespace vorn
