#include "app/core/schedule_units.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vorn {

namespace fs = std::filesystem;

namespace {

// A service manager that has not answered by then is taken as absent.
constexpr std::chrono::seconds kManagerPatience{20};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// FNV-1a over the name as the settings file matches it: ASCII without case.
std::uint64_t NameHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(LowerAscii(c));
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string Stem(std::string_view name) {
    constexpr std::size_t kReadable = 24;
    std::string readable;
    for (const char c : name) {
        const char lower = LowerAscii(c);
        if ((lower >= 'a' && lower <= 'z') || IsDigit(lower)) {
            readable += lower;
        } else if (!readable.empty() && readable.back() != '-') {
            readable += '-';
        }
        if (readable.size() >= kReadable) {
            break;
        }
    }
    while (!readable.empty() && readable.back() == '-') {
        readable.pop_back();
    }
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(NameHash(name)));
    return "vorn-search-" + (readable.empty() ? std::string() : readable + "-") + hash;
}

// For Description=, which expands specifiers but reads no quoting.
std::string SpecifiersKept(std::string_view text) {
    std::string kept;
    for (const char c : text) {
        kept += c;
        if (c == '%') {
            kept += '%';
        }
    }
    return kept;
}

// False when the file cannot be written.
bool WriteFile(const fs::path& file, const std::string& text) {
    const fs::path temporary = fs::path(file).concat(".tmp");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, file, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace

std::optional<DailyTime> ParseDailyTime(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != colon && !IsDigit(text[i])) {
            return std::nullopt;
        }
    }
    DailyTime time;
    for (std::size_t i = 0; i < colon; ++i) {
        time.hour = time.hour * 10 + (text[i] - '0');
    }
    time.minute = (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
    if (time.hour > 23 || time.minute > 59) {
        return std::nullopt;
    }
    return time;
}

std::string DailyTimeText(DailyTime time) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour % 100, time.minute % 100);
    return text;
}

std::time_t NextRunAfter(DailyTime time, std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    for (int days = 0;; ++days) {
        std::tm when = local;
        when.tm_mday += days;
        when.tm_hour = time.hour;
        when.tm_min = time.minute;
        when.tm_sec = 0;
        when.tm_isdst = -1;
        if (const std::time_t at = std::mktime(&when); at > now) {
            return at;
        }
    }
}

fs::path UserUnitDir() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && fs::path(configHome).is_absolute()) {
        return fs::path(configHome) / "systemd" / "user";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "") / ".config" / "systemd" / "user";
}

ScheduleUnits ScheduleUnitsFor(const fs::path& unitDir, std::string_view nameUtf8) {
    const std::string stem = Stem(nameUtf8);
    ScheduleUnits units;
    units.timerName = stem + ".timer";
    units.service = unitDir / (stem + ".service");
    units.timer = unitDir / units.timerName;
    units.link = unitDir / "timers.target.wants" / units.timerName;
    return units;
}

std::string SystemdWord(std::string_view text) {
    std::string word = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            word += '\\';
        } else if (c == '%' || c == '$') {
            word += c;
        }
        word += c;
    }
    return word + '"';
}

std::string ServiceUnitText(const fs::path& program, std::string_view nameUtf8) {
    return "[Unit]\n"
           "Description=vorn-search: the saved search \"" +
           SpecifiersKept(nameUtf8) +
           "\"\n\n"
           "[Service]\n"
           "Type=oneshot\n"
           "ExecStart=" +
           SystemdWord(program.string()) + " crawl --saved " + SystemdWord(nameUtf8) +
           " --quiet --wait 60\n"
           // Exit code 1 is a day on which nothing matched.
           "SuccessExitStatus=1\n";
}

std::string TimerUnitText(std::string_view nameUtf8, DailyTime time) {
    return "[Unit]\n"
           "Description=vorn-search: the saved search \"" +
           SpecifiersKept(nameUtf8) + "\" every day at " + DailyTimeText(time) +
           "\n\n"
           "[Timer]\n"
           "OnCalendar=*-*-* " +
           DailyTimeText(time) +
           ":00\n"
           // A run missed while the machine was off runs at the next start.
           "Persistent=true\n\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

fs::path WriteScheduleUnits(const ScheduleUnits& units, const fs::path& program, std::string_view nameUtf8,
                            DailyTime time) {
    std::error_code error;
    fs::create_directories(units.link.parent_path(), error);
    if (error) {
        return units.link.parent_path();
    }
    fs::path failed;
    if (!WriteFile(units.service, ServiceUnitText(program, nameUtf8))) {
        failed = units.service;
    } else if (!WriteFile(units.timer, TimerUnitText(nameUtf8, time))) {
        failed = units.timer;
    } else {
        // The link systemctl enable makes, so that the timer starts with the user's manager.
        fs::remove(units.link, error);
        fs::create_symlink(units.timer, units.link, error);
        if (error) {
            failed = units.link;
        }
    }
    if (!failed.empty()) {
        RemoveScheduleUnits(units);
    }
    return failed;
}

fs::path RemoveScheduleUnits(const ScheduleUnits& units) {
    for (const fs::path& file : {units.link, units.timer, units.service}) {
        std::error_code error;
        fs::remove(file, error);
        if (error) {
            return file;
        }
    }
    return {};
}

bool AskServiceManager(const std::vector<std::vector<std::string>>& commands) {
    for (const std::vector<std::string>& command : commands) {
        std::vector<std::string> words{"systemctl", "--user"};
        words.insert(words.end(), command.begin(), command.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
        }
        pid_t pid = -1;
        const int spawned = posix_spawnp(&pid, "systemctl", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + kManagerPatience;
        int status = 0;
        pid_t ended = 0;
        while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (ended == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return false;
        }
        if (ended < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace vorn
