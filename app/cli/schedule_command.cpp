#include "app/cli/schedule_command.h"

#include <ctime>
#include <iostream>
#include <optional>
#include <system_error>

#include "app/cli/commands.h"
#include "app/cli/exit_codes.h"
#include "app/cli/named_conditions.h"
#include "app/cli/program_session.h"
#include "app/cli/terminal_messages.h"
#include "app/cli/terminal_progress.h"
#include "app/core/run_options.h"
#include "app/core/saved_schedule.h"
#include "web/cp932.h"

namespace vorn::cli {

namespace {

namespace fs = std::filesystem;

struct ScheduleArguments {
    std::string name;
    std::optional<DailyTime> time; // nothing for off
    std::optional<std::string> output;
    std::string error;
};

ScheduleArguments ParseScheduleArguments(const std::vector<std::string>& arguments) {
    ScheduleArguments parsed;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--output" || argument.starts_with("--output=")) {
            std::string value = argument == "--output" ? (i + 1 < arguments.size() ? arguments[++i] : std::string())
                                                       : argument.substr(9);
            if (value.empty()) {
                parsed.error = "--output takes a value";
            } else if (parsed.output) {
                parsed.error = "--output is given twice";
            }
            parsed.output = std::move(value);
        } else if (argument.starts_with("--")) {
            parsed.error = "unknown option " + argument;
        } else {
            words.push_back(argument);
        }
    }
    if (!parsed.error.empty()) {
        return parsed;
    }
    if (words.size() != 2) {
        parsed.error = "schedule takes a saved search's name and a time of day HH:MM, or off";
        return parsed;
    }
    parsed.name = words[0];
    if (words[1] != "off") {
        parsed.time = ParseDailyTime(words[1]);
        if (!parsed.time) {
            parsed.error = "not a time of day: \"" + PrintableText(words[1]) +
                           "\"; schedule takes HH:MM, from 00:00 to 23:59, or off";
        }
    } else if (parsed.output) {
        parsed.error = "--output goes with a time, not with off";
    }
    return parsed;
}

std::string LocalText(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

void PrintReport(const SavedSearch& search, const ScheduleReport& report) {
    const std::string name = PrintableText(AnsiToUtf8(search.name));
    const std::optional<DailyTime> time = ParseDailyTime(search.schedule);
    if (time) {
        std::cout << name << " runs every day at " << DailyTimeText(*time) << " into "
                  << PrintableText(AnsiToUtf8(search.output)) << '\n'
                  << "wrote " << report.units.service.string() << "\n  and " << report.units.timer.string()
                  << ",\n  enabled by the link " << report.units.link.string() << '\n';
        if (report.managerAnswered) {
            std::cout << "systemctl --user reloaded the units and started the timer; next run "
                      << LocalText(NextRunAfter(*time, std::time(nullptr))) << '\n';
        } else {
            std::cout << "systemctl --user did not answer (no service manager runs for this user now): the timer\n"
                         "starts with the user's service manager, at the next login\n";
        }
        std::cout << "Runs happen while the user is logged in; a run missed while the machine was off runs at\n"
                     "the next start. For runs while logged out: loginctl enable-linger\n";
        return;
    }
    std::cout << name << " no longer runs by itself\n";
    if (!report.unitsRemoved) {
        return;
    }
    std::cout << "removed " << report.units.service.string() << ",\n  " << report.units.timer.string() << "\n  and "
              << report.units.link.string() << '\n'
              << (report.managerAnswered ? "systemctl --user reloaded the units\n"
                                         : "systemctl --user did not answer (no service manager runs for this user "
                                           "now): nothing is left for it to load\n");
}

} // namespace

int RunScheduleCommand(const std::vector<std::string>& arguments) {
    const ScheduleArguments parsed = ParseScheduleArguments(arguments);
    if (!parsed.error.empty()) {
        std::cerr << "vorn-search-cli: " << parsed.error << "\n\n";
        PrintUsage(std::cerr);
        return kExitRefused;
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    ProfileFile settings = session->settings();
    const SavedSearchRead read = ReadSavedSearch(settings, UTF8ToAnsi(parsed.name));
    if (!read.search) {
        return Fail(UnknownSavedSearch(parsed.name, settings), kExitRefused);
    }
    if (!read.refusal.empty()) {
        return Fail(AnsiToUtf8(read.refusal), kExitRefused);
    }
    SavedSearch search = *read.search;
    search.schedule = parsed.time ? DailyTimeText(*parsed.time) : std::string();
    if (parsed.output) {
        std::error_code error;
        // The timer starts the program in the home folder.
        const std::string output = fs::absolute(*parsed.output, error).lexically_normal().string();
        if (std::string refusal = OutputRefusal(output); !refusal.empty()) {
            return Fail(refusal, kExitRefused);
        }
        search.output = UTF8ToAnsi(output);
    }
    if (parsed.time && search.output.empty()) {
        return Fail("the saved search " + parsed.name + " has no output file yet: give it one with --output FILE",
                    kExitRefused);
    }
    if (std::string refusal = ScheduleRefusal(search); !refusal.empty()) {
        return Fail(refusal, kExitRefused);
    }
    ScheduleReport report = SaveScheduledSearch(settings, search, TerminalProgramPath(), UserUnitDir());
    if (!report.error.empty()) {
        return Fail(report.error, kExitCsvFailed);
    }
    PrintReport(search, report);
    return kExitRowsWritten;
}

void ListSchedules(const fs::path& programDir, const ProfileFile& settings) {
    for (const ScheduledSearch& one : ScheduledSearches(settings, std::time(nullptr))) {
        const std::optional<ScheduledRun> last = LastScheduledRun(programDir, one.search.name);
        std::cout << PrintableText(AnsiToUtf8(one.search.name)) << '\t' << DailyTimeText(one.time) << "\tnext "
                  << LocalText(one.nextRun) << '\t' << PrintableText(AnsiToUtf8(one.search.output)) << '\t'
                  << (last ? "last " + last->end + " " + ExitCodeWords(last->exitCode) : std::string("last: none"))
                  << '\n';
    }
}

} // namespace vorn::cli
