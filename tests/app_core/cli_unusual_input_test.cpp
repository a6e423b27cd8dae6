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

std::string Repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

// Text from outside (the site, the catalogue, a service) and what the user types, through the
// built program: nothing drives the terminal, breaks a file or changes a search.
class UnusualInputTest : public CliRunTest {
protected:
    void Sections(const std::string& lines) const {
        WriteSettings("");
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app) << lines;
    }
    std::string Webhook(const std::string& path, const char* format = "json") const {
        return "[Notify]\r\nWebhook=" + receivers_.WebhookUrl(path) + "\r\nWebhookFormat=" + format +
               "\r\nWhen=always\r\n";
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
    const auto searched = [this](const std::string& key) {
        return [this, key](const ChildResult&) {
            const std::vector<std::string> asked = site_.TakeRequestedPaths();
            EXPECT_TRUE(std::find(asked.begin(), asked.end(), "/" + key) != asked.end()) << key;
        };
    };
    const auto query = [](const std::string& encoded) { return std::string(kNationwide) + "?keyword=" + encoded; };
    const auto inFile = [](const fs::path& file, const std::vector<std::string>& kept,
                           const std::vector<std::string>& left) {
        return [=](const ChildResult&) {
            const std::string bytes = test::ReadBytes(file);
            for (const std::string& title : kept) {
                EXPECT_TRUE(Contains(bytes, title)) << title;
            }
            for (const std::string& title : left) {
                EXPECT_FALSE(Contains(bytes, title)) << title;
            }
        };
    };
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
    const std::string waveQuery = query("%E3%80%9C%E3%82%BB%E3%83%83%E3%83%88");
    const std::string emojiQuery = query("%F0%9F%98%80%E3%82%BD%E3%83%95%E3%82%A1");
    const std::string accentQuery = query("Caf%C3%A9");

    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::string> arguments;
        int exitCode;
        std::vector<std::string> shown; // on standard output or error
        std::function<void(const ChildResult&)> check;
    };
    const std::vector<Case> cases = {
        {"a title's escape sequences, through changes",
         [&] {
             content_->SetTitle(1, "ソファ\x1b]0;owned\x07\x1b[2J");
             content_->SetSearch(kNationwide, {{1}, {}});
             const ChildResult first = Run({"crawl", "--all-areas", "--all-genres", out});
             ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
         },
         {"changes"},
         0,
         {"新着 ソファ?]0;owned??[2J"},
         {}},
        {"a catalogue city with an escape, named as the closest",
         [&] {
             Execute(sql::kInsertCity,
                     {std::int64_t{13}, std::int64_t{5}, std::string("a-13105"), UTF8ToAnsi("栄\x1b[2J町")});
         },
         {"crawl", "--prefecture", "東京都", "--city", "栄", "--all-genres", out},
         5,
         {"the closest: 栄?[2J町"},
         {}},
        {"a city after a gap in the numbers",
         [&] {
             Execute("DELETE FROM T02_CITY WHERE AreaID = 13 AND CityID = 3");
             content_->SetSearch("tokyo/sale-all/g-all/a-13103", {{1}, {}});
             site_.TakeRequestedPaths();
         },
         {"crawl", "--prefecture", "東京都", "--city", "青葉区", "--all-genres", out},
         0,
         {},
         searched("tokyo/sale-all/g-all/a-13103")},
        {"a workbook with U+FFFF, _x0041_ and a day that does not exist",
         [&] {
             content_->SetTitle(1, "机\uFFFF椅子");
             content_->SetTitle(2, "_x0041_ そのまま");
             content_->SetUpdated(2, "2026年2月30日");
             content_->SetSearch(kNationwide, {{1, 2}, {}});
         },
         {"crawl", "--all-areas", "--all-genres", book},
         0,
         {},
         [&](const ChildResult&) {
             const ChildResult read =
                 ChildProcess("/usr/bin/python3", {VORN_READ_WORKBOOK, book}, runtime_.path(), logs_.path()).Wait();
             ASSERT_EQ(read.exitCode, 0) << read.err;
             for (const char* cell :
                  {"=s:General:机\uFFFF椅子\n", "=s:General:_x0041_ そのまま\n", "=s:General:2026年2月30日\n"}) {
                 EXPECT_TRUE(Contains(read.out, cell)) << cell << read.out;
             }
         }},
        {"a wave dash keyword",
         [&] {
             content_->SetSearch(waveQuery, {{}, 0});
         },
         {"crawl", "--all-areas", "--all-genres", "--keyword", "〜セット", out},
         1,
         {},
         searched(waveQuery)},
        {"an emoji keyword",
         [&] {
             content_->SetSearch(emojiQuery, {{}, 0});
         },
         {"crawl", "--all-areas", "--all-genres", "--keyword", "😀ソファ", out},
         1,
         {},
         searched(emojiQuery)},
        {"an accented keyword",
         [&] {
             content_->SetSearch(accentQuery, {{}, 0});
         },
         {"crawl", "--all-areas", "--all-genres", "--keyword", "Café", out},
         1,
         {},
         searched(accentQuery)},
        {"Ctrl-C while the webhook holds the connection",
         [&] { held_ = CrawlHeldByItsAlert(); },
         {},
         2,
         {"alert webhook: not sent: stopped by a signal"},
         {}},
        {"changes and export onto a running crawl's file",
         [&] { held_ = CrawlHeldByItsAlert(); },
         {"changes", out},
         5,
         {out + " is the file a running crawl writes"},
         [&](const ChildResult&) {
             const std::string before = test::ReadBytes(Output());
             const ChildResult exported = Run({"export", out});
             EXPECT_EQ(exported.exitCode, 5);
             EXPECT_TRUE(Contains(exported.err, out + " is the file a running crawl writes")) << exported.err;
             EXPECT_EQ(test::ReadBytes(Output()), before);
             held_->Signal(SIGTERM);
             EXPECT_EQ(held_->Wait().exitCode, 2);
             EXPECT_FALSE(before.empty());
         }},
        {"a Discord message of ten long listings",
         [&] {
             for (int n = 1; n <= 10; ++n) {
                 content_->SetTitle(n, Repeated("長い題", 120));
                 content_->SetPrice(n, "応相談" + Repeated("😀", 400));
             }
             content_->SetSearch(kNationwide, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}});
             Sections(Webhook("discord/1", "discord"));
         },
         {"crawl", "--all-areas", "--all-genres", "--encoding", "utf-8", out},
         0,
         {},
         [&](const ChildResult& run) {
             EXPECT_FALSE(Contains(run.err, "alert")) << run.err;
             EXPECT_TRUE(Contains(receivers_.Received("webhook").back(), "長い題")) << "the message arrived";
         }},
        {"crawl --help", [] {}, {"crawl", "--help"}, 0, {"Usage: vorn-search-cli crawl", "--exclude WORD"}, {}},
        {"filter words as the site wrote them, in UTF-8",
         filterListings,
         {"crawl", "--all-areas", "--all-genres", "--encoding", "utf-8", "--exclude", "2〜3人", "--exclude",
          "サイズ−10", "--exclude", "Café", "--exclude-poster", "Jürgen", out},
         0,
         {"除外 5件"},
         inFile(Output(), {"ソファ?", "ソファ😀"}, {"テント", "靴", "テーブル", "椅子", "机"})},
        {"an emoji word against a question mark, in code page 932",
         filterListings,
         {"crawl", "--all-areas", "--all-genres", "--exclude", "😀", out},
         0,
         {"除外 2件"},
         inFile(Output(), {UTF8ToAnsi("ソファ?")}, {UTF8ToAnsi("机")})},
        {"a full-width blank word",
         filterListings,
         {"crawl", "--all-areas", "--all-genres", "--exclude", "　", out},
         5,
         {"--exclude takes a value that is not blank, not \"　\""},
         {}},
    };
    Sections("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        ChildResult result;
        if (c.arguments.empty()) {
            held_->Signal(SIGINT);
            result = held_->Wait();
        } else {
            result = Run(c.arguments);
        }
        EXPECT_EQ(result.exitCode, c.exitCode) << result.out << result.err;
        const std::string shown = result.out + result.err;
        for (const std::string& text : c.shown) {
            EXPECT_TRUE(Contains(shown, text)) << text << "\n" << shown;
        }
        EXPECT_EQ(shown.find_first_of("\x1b\x07"), std::string::npos) << shown;
        if (c.check) {
            c.check(result);
        }
        held_.reset();
        Sections("");
    }
}

} // namespace
} // namespace vorn
