#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/alert_receivers.h"

namespace vorn {
namespace {

constexpr const char* kNationwide = "all/sale-all/g-all";

// Text from outside (the site, the catalogue, a service) and what the user types, through the
// built program: nothing drives the terminal, breaks a file or changes a search.
class UnusualInputTest : public CliRunTest {
protected:
    void Sections(const std::string& lines) const {
        WriteSettings("");
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app) << lines;
    }
    std::string Webhook(const std::string& path, const char* format = "json") const {
        return "[Notify]\r\nWhen=always\r\nWebhookFormat=" + std::string(format) +
               "\r\nWebhook=" + receivers_.WebhookUrl(path) + "\r\n";
    }
    // A crawl of listing 1 whose alert the receiver holds: the crawl is running once it arrived.
    std::unique_ptr<ChildProcess> CrawlHeldByItsAlert() {
        content_->SetSearch(kNationwide, {{1}, {}});
        Sections(Webhook("hold/1"));
        const std::size_t before = receivers_.Received("webhook").size();
        auto crawl = Start({"crawl", "--all-areas", "--all-genres", Output().string()});
        // The receiver writes the message down before it holds the connection.
        while (receivers_.Received("webhook").size() == before) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return crawl;
    }
    void Execute(std::string_view statement, const std::vector<DbValue>& values = {}) const {
        CatalogueDb db;
        db.Configure(dir_.databaseFile());
        db.Execute(statement, values);
    }

    test::AlertReceivers receivers_{"vorn", "pw"};
    std::unique_ptr<ChildProcess> held_;
};

TEST_F(UnusualInputTest, NeverReachesTheTerminalBreaksAFileOrChangesASearch) {
    const std::string out = Output().string();
    const std::string book = (out_.path() / "out.xlsx").string();
    const std::string keyword = std::string(kNationwide) + "?keyword=";
    const std::string wave = keyword + "%E3%80%9C%E3%82%BB%E3%83%83%E3%83%88";
    const std::string emoji = keyword + "%F0%9F%98%80%E3%82%BD%E3%83%95%E3%82%A1";
    const std::string accent = keyword + "Caf%C3%A9";
    for (const std::string& search : {wave, emoji, accent}) {
        content_->SetSearch(search, {{}, 0});
    }
    const auto filterListings = [this] {
        const char* titles[] = {"2〜3人用テント", "サイズ−10の靴", "Café テーブル", "椅子", "机",
                                "ソファ?",        "ソファ😀"};
        for (int n = 1; n <= 7; ++n) {
            content_->SetTitle(n, titles[n - 1]);
        }
        content_->SetPoster(4, 77, "Jürgen");
        content_->SetSearch(kNationwide, {{1, 2, 3, 4, 5, 6, 7}, {}});
        Sections("[Filter]\r\nExclude=" + UTF8ToAnsi("　机　") + "\r\n");
    };
    const auto crawl = [&](std::vector<std::string> options) {
        options.insert(options.begin(), {"crawl", "--all-areas", "--all-genres"});
        options.push_back(out);
        return options;
    };

    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::string> arguments; // none: Ctrl-C to the crawl held by its alert
        int exitCode;
        std::vector<std::string> shown;  // on standard output or error
        std::vector<std::string> inFile = {}; // in the CSV file written
        std::string requested = {};           // a search the site was asked for
        std::function<void(const ChildResult&)> check = {};
    };
    const auto readBook = [&](const ChildResult&) {
        const ChildResult read =
            ChildProcess("/usr/bin/python3", {VORN_READ_WORKBOOK, book}, runtime_.path(), logs_.path()).Wait();
        ASSERT_EQ(read.exitCode, 0) << read.err;
        for (const char* cell : {":机\uFFFF椅子\n", ":_x0041_ そのまま\n", "=s:General:2026年2月30日\n"}) {
            EXPECT_TRUE(Contains(read.out, cell)) << cell << read.out;
        }
    };
    const auto exportToo = [&](const ChildResult&) {
        const std::string before = test::ReadBytes(Output());
        const ChildResult exported = Run({"export", out});
        EXPECT_EQ(exported.exitCode, 5);
        EXPECT_TRUE(Contains(exported.err, out + " is the file a running crawl writes")) << exported.err;
        EXPECT_EQ(test::ReadBytes(Output()), before);
        held_->Signal(SIGTERM);
        EXPECT_EQ(held_->Wait().exitCode, 2);
    };
    const auto discordTook = [&](const ChildResult& run) {
        EXPECT_FALSE(Contains(run.err, "alert")) << run.err;
        EXPECT_TRUE(Contains(receivers_.Received("webhook").back(), "TTTT")) << "the message arrived";
    };
    const auto hold = [&] { held_ = CrawlHeldByItsAlert(); };
    // One case a row.
    // clang-format off
    const std::vector<Case> cases = {
        {"a title's escape sequences, through changes", [&] {
             content_->SetTitle(1, "ソファ\x1b]0;owned\x07\x1b[2J");
             content_->SetSearch(kNationwide, {{1}, {}});
             ASSERT_EQ(Run(crawl({})).exitCode, 0);
         }, {"changes"}, 0, {"新着 ソファ?]0;owned??[2J"}},
        {"a catalogue city with an escape, named as the closest", [&] {
             Execute(sql::kInsertCity, {std::int64_t{13}, std::int64_t{5}, std::string("a-13105"), UTF8ToAnsi("栄\x1b[2J町")});
         }, {"crawl", "--prefecture", "東京都", "--city", "栄", "--all-genres", out}, 5, {"the closest: 栄?[2J町"}},
        {"a city after a gap in the numbers", [&] {
             Execute("DELETE FROM T02_CITY WHERE AreaID = 13 AND CityID = 3");
             content_->SetSearch("tokyo/sale-all/g-all/a-13103", {{1}, {}});
         }, {"crawl", "--prefecture", "東京都", "--city", "青葉区", "--all-genres", out}, 0, {}, {}, "tokyo/sale-all/g-all/a-13103"},
        {"a workbook with U+FFFF, _x0041_ and a day that does not exist", [&] {
             content_->SetTitle(1, "机\uFFFF椅子");
             content_->SetTitle(2, "_x0041_ そのまま");
             content_->SetUpdated(2, "2026年2月30日");
             content_->SetSearch(kNationwide, {{1, 2}, {}});
         }, {"crawl", "--all-areas", "--all-genres", book}, 0, {}, {}, {}, readBook},
        {"a wave dash keyword", {}, crawl({"--keyword", "〜セット"}), 1, {}, {}, wave},
        {"an emoji keyword", {}, crawl({"--keyword", "😀ソファ"}), 1, {}, {}, emoji},
        {"an accented keyword", {}, crawl({"--keyword", "Café"}), 1, {}, {}, accent},
        {"Ctrl-C while the webhook holds the connection", hold, {}, 2, {"alert webhook: not sent: stopped by a signal"}},
        {"changes and export onto a running crawl's file", hold, {"changes", out}, 5,
         {out + " is the file a running crawl writes"}, {}, {}, exportToo},
        {"a Discord message of ten long listings", [&] {
             for (int n = 1; n <= 10; ++n) {
                 content_->SetTitle(n, std::string(400, 'T'));
                 content_->SetPrice(n, "応相談" + std::string(600, 'x'));
             }
             content_->SetSearch(kNationwide, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}});
             Sections(Webhook("discord/1", "discord"));
         }, crawl({}), 0, {}, {}, {}, discordTook},
        {"crawl --help", {}, {"crawl", "--help"}, 0, {"Usage: vorn-search-cli crawl", "--exclude WORD"}},
        {"filter words as the site wrote them, in UTF-8", filterListings, crawl({"--encoding", "utf-8",
         "--exclude", "2〜3人", "--exclude", "サイズ−10", "--exclude", "Café", "--exclude-poster", "Jürgen"}),
         0, {"除外 5件"}, {"article/1000006", "article/1000007"}},
        {"an emoji word against a question mark, in code page 932", filterListings, crawl({"--exclude", "😀"}), 0,
         {"除外 2件"}, {"article/1000006"}},
        {"a full-width blank word", filterListings, crawl({"--exclude", "　"}), 5,
         {"--exclude takes a value that is not blank, not \"　\""}},
    };
    // clang-format on
    Sections("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.arrange) {
            c.arrange();
        }
        site_.TakeRequestedPaths();
        std::unique_ptr<ChildProcess> child = c.arguments.empty() ? std::move(held_) : Start(c.arguments);
        if (c.arguments.empty()) {
            child->Signal(SIGINT);
        }
        const ChildResult result = child->Wait();
        EXPECT_EQ(result.exitCode, c.exitCode) << result.out << result.err;
        const std::string shown = result.out + result.err;
        for (const std::string& text : c.shown) {
            EXPECT_TRUE(Contains(shown, text)) << text << "\n" << shown;
        }
        EXPECT_EQ(shown.find_first_of("\x1b\x07"), std::string::npos) << shown;
        for (const std::string& text : c.inFile) {
            EXPECT_TRUE(Contains(test::ReadBytes(Output()), text)) << text;
        }
        const std::vector<std::string> asked = site_.TakeRequestedPaths();
        EXPECT_TRUE(c.requested.empty() || std::find(asked.begin(), asked.end(), "/" + c.requested) != asked.end());
        if (c.check) {
            c.check(result);
        }
        held_.reset();
        Sections("");
    }
}

} // namespace
} // namespace vorn
