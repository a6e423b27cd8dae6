#include "app/core/saved_schedule.h"

#include <algorithm>
#include <system_error>

#include "catalogue/catalogue_db.h"
#include "web/cp932.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDate = "{date}";

bool EndsWithNoCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && SameProfileName(text.substr(text.size() - end.size()), end);
}

// "12/10 07:00" of a local time.
std::string MonthDayTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[16];
    std::strftime(text, sizeof text, "%m/%d %H:%M", &local);
    return text;
}

} // namespace

std::string DatedOutput(std::string_view output, std::string_view date) {
    std::string dated(output);
    for (std::size_t at = dated.find(kDate); at != std::string::npos; at = dated.find(kDate, at + date.size())) {
        dated.replace(at, kDate.size(), date);
    }
    return dated;
}

OutputProblem CheckOutput(std::string_view outputUtf8) {
    const std::string output(outputUtf8);
    const fs::path path(output);
    std::error_code error;
    return output.empty()                                                        ? OutputProblem::Missing
           : AnsiToUtf8(UTF8ToAnsi(output)) != output                            ? OutputProblem::LostCharacters
           : !path.is_absolute()                                                 ? OutputProblem::NotAbsolute
           : !EndsWithNoCase(output, ".csv") && !EndsWithNoCase(output, ".xlsx") ? OutputProblem::NotCsvOrXlsx
           : path.parent_path().string().find(kDate) != std::string::npos        ? OutputProblem::DateInFolder
           : !fs::is_directory(path.parent_path(), error)                        ? OutputProblem::NoFolder
                                                                                 : OutputProblem::None;
}

std::string OutputRefusal(std::string_view outputUtf8) {
    const std::string output(outputUtf8);
    switch (CheckOutput(outputUtf8)) {
    case OutputProblem::None:
        break;
    case OutputProblem::Missing:
        return "a scheduled search needs an output file";
    case OutputProblem::LostCharacters:
        return "the output file's name holds a character code page 932 lacks: " + output;
    case OutputProblem::NotAbsolute:
        return "the output file is to be a full path, from /: " + output;
    case OutputProblem::NotCsvOrXlsx:
        return "the output file is to end in .csv or .xlsx: " + output;
    case OutputProblem::DateInFolder:
        return "{date} goes in the output file's name, not in a folder: " + output;
    case OutputProblem::NoFolder:
        return "there is no folder " + fs::path(output).parent_path().string() + " for the output file";
    }
    return {};
}

fs::path TerminalProgramPath() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return self.parent_path() / "vorn-search-cli";
}

std::string ScheduleRefusal(const SavedSearch& search) {
    if (search.schedule.empty()) {
        return search.output.empty() ? std::string() : OutputRefusal(AnsiToUtf8(search.output));
    }
    if (!ParseDailyTime(search.schedule)) {
        return "the time is to be HH:MM, from 00:00 to 23:59, not \"" + AnsiToUtf8(search.schedule) + "\"";
    }
    return OutputRefusal(AnsiToUtf8(search.output));
}

ScheduleReport SaveScheduledSearch(ProfileFile& settings, const SavedSearch& search, const fs::path& program,
                                   const fs::path& unitDir) {
    ScheduleReport report;
    if (std::string refusal = ScheduleRefusal(search); !refusal.empty()) {
        report.error = std::move(refusal);
        return report;
    }
    std::error_code error;
    if (!search.schedule.empty() && !fs::is_regular_file(program, error)) {
        report.programMissing = true;
        report.error = "there is no " + program.string() + " for the timer to run";
        return report;
    }
    const SavedSearchRead before = ReadSavedSearch(settings, search.name);
    if (!WriteSavedSearch(settings, search)) {
        report.failedFile = settings.path();
        report.error = "cannot write " + settings.path().string();
        return report;
    }
    const std::optional<DailyTime> time = ParseDailyTime(search.schedule);
    if (!time) {
        return RemoveScheduleOf(search.name, unitDir);
    }
    const std::string nameUtf8 = AnsiToUtf8(search.name);
    report.units = ScheduleUnitsFor(unitDir, nameUtf8);
    report.failedFile = WriteScheduleUnits(report.units, program, nameUtf8, *time);
    if (!report.failedFile.empty()) {
        report.error = "cannot write " + report.failedFile.string();
        // The search as it was, so that the file does not promise a run no timer makes.
        if (before.search) {
            WriteSavedSearch(settings, *before.search);
        } else {
            DeleteSavedSearch(settings, search.name);
        }
        return report;
    }
    report.unitsWritten = true;
    report.managerAnswered = AskServiceManager({{"daemon-reload"}, {"restart", report.units.timerName}});
    return report;
}

ScheduleReport RemoveScheduleOf(std::string_view nameCp932, const fs::path& unitDir) {
    ScheduleReport report;
    report.units = ScheduleUnitsFor(unitDir, AnsiToUtf8(nameCp932));
    std::error_code error;
    const bool any = fs::exists(fs::symlink_status(report.units.link, error)) ||
                     fs::exists(report.units.timer, error) || fs::exists(report.units.service, error);
    if (!any) {
        return report;
    }
    // A timer that is stopped first does not fire between the removal and the reload.
    AskServiceManager({{"stop", report.units.timerName}});
    report.failedFile = RemoveScheduleUnits(report.units);
    report.unitsRemoved = report.failedFile.empty();
    if (!report.unitsRemoved) {
        report.error = "cannot remove " + report.failedFile.string();
    }
    report.managerAnswered = AskServiceManager({{"daemon-reload"}});
    return report;
}

fs::path ScheduledRunsFilePath(const fs::path& programDir) { return programDir / "db" / "vrn_runs.ini"; }

void RecordScheduledRun(const fs::path& programDir, std::string_view nameCp932, int exitCode) {
    ProfileFile runs(ScheduledRunsFilePath(programDir));
    const std::string section = SavedSearchSection(nameCp932);
    // Told by list schedules and the window; a run that cannot note it has still ended as it did.
    if (runs.WriteString(section, "End", LocalTimeNow())) {
        runs.WriteString(section, "Exit", std::to_string(exitCode));
    }
}

std::optional<ScheduledRun> LastScheduledRun(const fs::path& programDir, std::string_view nameCp932) {
    const ProfileFile runs(ScheduledRunsFilePath(programDir));
    const std::string section = SavedSearchSection(nameCp932);
    ScheduledRun run;
    run.end = runs.ReadString(section, "End");
    run.exitCode = runs.ReadInteger(section, "Exit", -1);
    if (run.end.empty() || run.exitCode < 0) {
        return std::nullopt;
    }
    return run;
}

std::string ExitCodeWords(int exitCode) {
    static const char* const words[] = {"rows written", "nothing new", "stopped",           "site unreachable",
                                        "not saved",    "refused",     "pages unrecognised"};
    return exitCode >= 0 && exitCode < static_cast<int>(std::size(words)) ? words[exitCode] : "failed";
}

std::string ExitCodeWordsJapanese(int exitCode) {
    static const char* const words[] = {"取得完了",
                                        "該当なし",
                                        "中断",
                                        "サイトにアクセスできませんでした",
                                        "ファイルを保存できませんでした",
                                        "実行できませんでした（条件・設定・他の取得処理）",
                                        "ページ形式を認識できませんでした"};
    return exitCode >= 0 && exitCode < static_cast<int>(std::size(words)) ? words[exitCode] : "異常終了";
}

std::vector<ScheduledSearch> ScheduledSearches(const ProfileFile& settings, std::time_t now) {
    std::vector<ScheduledSearch> scheduled;
    for (const std::string& name : SavedSearchNames(settings)) {
        SavedSearchRead read = ReadSavedSearch(settings, name);
        if (!read.search) {
            continue;
        }
        if (const std::optional<DailyTime> time = ParseDailyTime(read.search->schedule)) {
            scheduled.push_back({std::move(*read.search), *time, NextRunAfter(*time, now)});
        }
    }
    return scheduled;
}

std::string ScheduleStatusText(const ProfileFile& settings, const fs::path& programDir, std::time_t now) {
    std::vector<ScheduledSearch> scheduled = ScheduledSearches(settings, now);
    if (scheduled.empty()) {
        return {};
    }
    std::stable_sort(scheduled.begin(), scheduled.end(),
                     [](const ScheduledSearch& a, const ScheduledSearch& b) { return a.nextRun < b.nextRun; });
    std::string text =
        UTF8ToAnsi("次回の自動実行: " + MonthDayTime(scheduled.front().nextRun) + " ") + scheduled.front().search.name;
    for (const ScheduledSearch& one : scheduled) {
        const std::optional<ScheduledRun> last = LastScheduledRun(programDir, one.search.name);
        if (last && last->failed()) {
            // "2026-12-09 07:00:31" as "12/09 07:00".
            const std::string& end = last->end;
            const std::string when =
                end.size() >= 16 ? end.substr(5, 2) + "/" + end.substr(8, 2) + " " + end.substr(11, 5) : end;
            text += UTF8ToAnsi("\n前回の自動実行は失敗しました: " + when + " ") + one.search.name +
                    UTF8ToAnsi("（" + ExitCodeWordsJapanese(last->exitCode) + "）");
        }
    }
    return text;
}

} // namespace vorn
