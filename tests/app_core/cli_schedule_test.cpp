// A saved search run every day by the user's systemd timer: the units schedule writes, run as
// systemd would run them, with no service manager on the machine.
#include "catalogue/catalogue_db.h"
#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/scoped_environment.h"

namespace vorn {
namespace {

// Kana, a space, quotes, "%" and "$": each means something to a unit file.
const std::string kName = "ソファ 100% \"東京\" $HOME";
const std::string kSofaTokyo = "Areasel=0\r\nArealist=" + std::string(12, '0') + "1\r\nCtgrlist=001\r\n";

// The words of ExecStart as systemd makes them: "%%" and "$$" undone (one alone would be
// expanded), quotes and backslash escapes taken off, split at blanks outside quotes.
std::vector<std::string> ExecStartWords(const std::string& service) {
    const std::size_t at = service.find("\nExecStart=") + 11;
    const std::string line = service.substr(at, service.find('\n', at) - at);
    std::vector<std::string> words;
    std::optional<std::string> word; // nothing between words
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '%' || c == '$') {
            EXPECT_EQ(line[++i], c) << "systemd would expand it: " << line;
        } else if (c == '\\') {
            c = line[++i];
        } else if (c == '"' || (c == ' ' && !quoted)) {
            quoted = c == '"' ? !quoted : quoted;
            if (c == ' ' && word) {
                words.push_back(*word);
            }
            word = c == ' ' ? std::nullopt : std::optional<std::string>(word.value_or(""));
            continue;
        }
        word = word.value_or("") + c;
    }
    if (word) {
        words.push_back(*word);
    }
    return words;
}

class CliScheduleTest : public CliRunTest {
protected:
    CliScheduleTest() {
        // No session bus either: systemctl --user finds no manager, as on this machine.
        environment_.Set("XDG_CONFIG_HOME", config_.path().string());
        environment_.Set("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
        WriteSettings(kSofaTokyo);
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app)
            << "[Saved:" << UTF8ToAnsi(kName) << "]\r\n"
            << kSofaTokyo << "[Saved:fridge]\r\nArealist=1\r\nCtgrlist=01\r\n";
    }

    fs::path UnitDir() const { return config_.path() / "systemd" / "user"; }

    // Every file under the units folder, and the settings file.
    std::string Files() const {
        std::string files = test::ReadBytes(dir_.db() / "vrn.ini");
        if (fs::exists(config_.path())) {
            for (const auto& entry : fs::recursive_directory_iterator(config_.path())) {
                files += "\n" + entry.path().string();
            }
        }
        return files;
    }

    test::TempDir config_;
    test::ScopedEnvironment environment_;
};

TEST_F(CliScheduleTest, ScheduleWritesUnitsSystemdAcceptsThatCollectIntoTheDatedOutputAndOffRemovesThem) {
    const std::string output = (out_.path() / "sofa-{date}.csv").string();
    const ChildResult scheduled = Run({"schedule", kName, "07:30", "--output", output});
    ASSERT_EQ(scheduled.exitCode, 0) << scheduled.err;
    EXPECT_TRUE(Contains(scheduled.out, "runs every day at 07:30 into " + output)) << scheduled.out;
    EXPECT_TRUE(Contains(scheduled.out, "systemctl --user did not answer")) << scheduled.out;
    EXPECT_TRUE(Contains(scheduled.out, "loginctl enable-linger")) << scheduled.out;
    const std::string ini = AnsiToUtf8(test::ReadBytes(dir_.db() / "vrn.ini"));
    EXPECT_TRUE(Contains(ini, "Output=" + output + "\r\nSchedule=07:30\r\n")) << ini;

    std::vector<fs::path> services;
    std::vector<fs::path> timers;
    for (const auto& entry : fs::directory_iterator(UnitDir())) {
        (entry.path().extension() == ".service" ? services : timers).push_back(entry.path());
    }
    ASSERT_EQ(services.size(), 1u);
    ASSERT_EQ(timers.size(), 2u) << "the timer and timers.target.wants/";
    const fs::path timer = UnitDir() / (services[0].stem().string() + ".timer");
    const fs::path link = UnitDir() / "timers.target.wants" / timer.filename();
    EXPECT_EQ(fs::canonical(link), fs::canonical(timer));
    for (const char c : services[0].filename().string()) {
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.') << services[0];
    }
    const std::string timerText = test::ReadBytes(timer);
    for (const char* line : {"\nOnCalendar=*-*-* 07:30:00\n", "\nPersistent=true\n", "\nWantedBy=timers.target\n"}) {
        EXPECT_TRUE(Contains(timerText, line)) << timerText;
    }
    const std::string service = test::ReadBytes(services[0]);
    for (const char* line : {"\nType=oneshot\n", "\nSuccessExitStatus=1\n"}) {
        EXPECT_TRUE(Contains(service, line)) << service;
    }
    const ChildResult verified =
        ChildProcess("/usr/bin/systemd-analyze", {"--user", "verify", services[0].string(), timer.string()},
                     runtime_.path(), logs_.path())
            .Wait();
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;

    const std::vector<std::string> words = ExecStartWords(service);
    ASSERT_GE(words.size(), 2u) << service;
    EXPECT_EQ(fs::path(words[0]), dir_.path() / "vorn-search-cli");
    EXPECT_EQ(std::vector<std::string>(words.begin() + 1, words.end()),
              (std::vector<std::string>{"crawl", "--saved", kName, "--quiet", "--wait", "60"}));
    const std::string dayBefore = LocalDateToday();
    const ChildResult ran =
        ChildProcess(words[0], {words.begin() + 1, words.end()}, runtime_.path(), logs_.path()).Wait();
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    fs::path dated = out_.path() / ("sofa-" + dayBefore + ".csv");
    if (!fs::exists(dated)) {
        dated = out_.path() / ("sofa-" + LocalDateToday() + ".csv"); // the run went past midnight
    }
    const std::string rows = test::ReadBytes(dated);
    EXPECT_TRUE(rows.starts_with(HeaderLine())) << dated;
    EXPECT_GT(rows.size(), HeaderLine().size());
    // The outcome, the file and the counts: no progress line.
    EXPECT_TRUE(ran.out.starts_with("商品情報の取得が完了しました。\n" + dated.string() + "\n")) << ran.out;
    EXPECT_EQ(std::count(ran.out.begin(), ran.out.end(), '\n'), 3) << ran.out;

    const ChildResult listed = Run({"list", "schedules"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_TRUE(listed.out.starts_with(kName + "\t07:30\tnext ")) << listed.out;
    EXPECT_TRUE(Contains(listed.out, "\t" + output + "\tlast " + dayBefore.substr(0, 4))) << listed.out;
    EXPECT_TRUE(listed.out.ends_with(" rows written\n")) << listed.out;

    const ChildResult later = Run({"schedule", kName, "21:05"});
    ASSERT_EQ(later.exitCode, 0) << later.err;
    EXPECT_TRUE(Contains(test::ReadBytes(timer), "\nOnCalendar=*-*-* 21:05:00\n"));
    EXPECT_TRUE(Contains(later.out, "into " + output)) << "the saved output is kept: " << later.out;

    const ChildResult off = Run({"schedule", kName, "off"});
    ASSERT_EQ(off.exitCode, 0) << off.err;
    EXPECT_TRUE(Contains(off.out, "no longer runs by itself")) << off.out;
    for (const fs::path& file : {services[0], timer, link}) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(file))) << file;
    }
    const std::string after = AnsiToUtf8(test::ReadBytes(dir_.db() / "vrn.ini"));
    EXPECT_FALSE(Contains(after, "Schedule=")) << after;
    EXPECT_TRUE(Contains(after, "Output=" + output)) << after;
    EXPECT_EQ(Run({"list", "schedules"}).out, "");
}

TEST_F(CliScheduleTest, RefusalsNameWhatIsWrongAndWriteNothing) {
    struct Case {
        std::vector<std::string> arguments;
        std::string says;
    };
    const std::string csv = (out_.path() / "x.csv").string();
    const Case cases[] = {
        {{"schedule", kName, "25:00", "--output", csv}, "not a time of day: \"25:00\""},
        {{"schedule", kName, "7時", "--output", csv}, "not a time of day: \"7時\""},
        {{"schedule", kName, "07:60", "--output", csv}, "not a time of day: \"07:60\""},
        {{"schedule", "ソファ 100", "07:00", "--output", csv},
         "no saved search named ソファ 100; the closest: " + kName + ", fridge"},
        {{"schedule", "fridge", "07:00"}, "the saved search fridge has no output file yet"},
        {{"schedule", "fridge", "07:00", "--output", (out_.path() / "x.txt").string()}, "end in .csv or .xlsx"},
        {{"schedule", "fridge", "07:00", "--output", "/nonexistent/x.csv"}, "there is no folder /nonexistent"},
        {{"schedule", "fridge", "07:00", "--output", (out_.path() / "{date}" / "x.csv").string()},
         "{date} goes in the output file's name"},
        {{"schedule", "fridge", "off", "--output", csv}, "--output goes with a time"},
        {{"crawl", "--saved", "fridge"}, "the saved search fridge has no output file"},
    };
    const std::string before = Files();
    for (const Case& c : cases) {
        const ChildResult result = Run(c.arguments);
        EXPECT_EQ(result.exitCode, 5) << c.says;
        EXPECT_TRUE(Contains(result.err, c.says)) << c.says << ": " << result.err;
        EXPECT_EQ(Files(), before) << c.says;
    }
    EXPECT_TRUE(site_.Requests().empty());
}

} // namespace
} // namespace vorn
