#include <csignal>
#include <map>
#include <mutex>
#include <random>

#include <sys/mount.h>

#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/csv_reader.h"
#include "tools/sample_site/site_listing.h"
#include "web/text.h"

namespace vorn {
namespace {

enum Answer { kServed, kNotFound, kUnavailable, kNoHeading, kStopAsItArrives };
enum Output { kCsv, kFullCsv, kFullWorkbook };
struct Day {
    std::vector<std::string> flags;
    std::map<int, std::string> prices; // the listings shown, in order, at these prices ("" as they are)
    std::map<int, Answer> answers = {};
    std::vector<std::string> rows = {}; // "title|change"; on a full disk, all the run had to write
    Output output = kCsv;
};
const std::vector<std::string> kChanges = {"--changes-only"};
const std::string kYesterday = "yesterday's workbook";

// Days of the built program on one search whose listing pages the test answers: a 404 or 503 is
// the listing's whole page under that status. A small tmpfs is the full disk.
class StoreTest : public CliRunTest {
protected:
    StoreTest() {
        WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
        site_.Handle("/article/*", [this](const site::SiteRequest& request) {
            std::lock_guard lock(mutex_);
            site::SiteResponse page = *content_->Respond(request.path, request.query);
            const Answer answer = answers_[static_cast<int>(std::stol(request.path.substr(9)) - site::ArticleIdOf(0))];
            page.status = answer == kNotFound ? 404 : answer == kUnavailable ? 503 : 200;
            page.body = answer == kNoHeading ? ReplaceAllNoCase(page.body, "<h1", "<h2") : page.body;
            if (answer == kStopAsItArrives && running_ != nullptr) {
                running_->Signal(SIGTERM); // in before the page's first byte goes out
            }
            return page;
        });
    }
    ~StoreTest() override { site_.Stop(); }

    // owed: the rows a failed file lacked, expected before the day's own; then what this one lacks.
    void RunDay(const Day& day, std::vector<std::string>& owed) {
        std::vector<int> shown;
        for (const auto& [listing, price] : day.prices) {
            shown.push_back(listing);
            if (!price.empty()) {
                content_->SetPrice(listing, price);
            }
        }
        content_->SetSearch(kFirstCitySearch, {shown, std::nullopt});
        const test::TempDir folder;
        const char* size = day.output == kFullCsv ? "size=4k" : "size=8k";
        ASSERT_TRUE(day.output == kCsv || ::mount("tmpfs", folder.path().c_str(), "tmpfs", 0, size) == 0);
        const fs::path output = folder.path() / (day.output == kFullWorkbook ? "changes.xlsx" : "changes.csv");
        std::ofstream(output) << (day.output == kFullWorkbook ? kYesterday : "");
        std::vector<std::string> arguments = {"crawl"};
        arguments.insert(arguments.end(), day.flags.begin(), day.flags.end());
        arguments.push_back(output.string());
        std::unique_ptr<ChildProcess> child = Start(arguments);
        {
            std::lock_guard lock(mutex_);
            answers_ = day.answers;
            running_ = child.get();
        }
        const ChildResult result = child->Wait();
        {
            std::lock_guard lock(mutex_);
            running_ = nullptr;
        }
        std::vector<std::string> rows, expected = owed;
        expected.insert(expected.end(), day.rows.begin(), day.rows.end());
        const std::vector<test::CsvRecord> records = test::ParseCsv(test::ReadBytes(output)).records;
        int told = 0;
        for (std::size_t i = 1; i < records.size() && day.output != kFullWorkbook; ++i) {
            const bool withChange = records[0].size() > kItemFieldCount;
            rows.push_back(AnsiToUtf8(records[i][kTitle] + "|" + (withChange ? records[i].at(kItemFieldCount) : "")));
            told += withChange ? 1 + Count(rows.back(), "、") : 1;
        }
        owed.assign(expected.begin() + static_cast<std::ptrdiff_t>(std::min(rows.size(), expected.size())),
                    expected.end());
        EXPECT_EQ(rows, std::vector(expected.begin(), expected.end() - static_cast<std::ptrdiff_t>(owed.size())));
        EXPECT_TRUE(day.output == kCsv
                        ? owed.empty()
                        : result.exitCode == 4 && !owed.empty() && rows.empty() == (day.output == kFullWorkbook))
            << "a good disk takes every row, a full one some (a CSV) or none (a workbook): " << result.out;
        EXPECT_TRUE(day.output != kFullWorkbook || test::ReadBytes(output) == kYesterday) << "the old file stays";
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
        const std::string counts = result.out.substr(result.out.rfind('\n', result.out.size() - 2) + 1);
        int counted = 0, number = 0;
        for (const char c : counts) {
            number = c >= '0' && c <= '9' ? number * 10 + c - '0' : (counted += number, 0);
        }
        EXPECT_TRUE(day.flags != kChanges || counted == told) << "the counts line counts the rows written: " << counts;
        if (day.output != kCsv) {
            ::umount2(folder.path().c_str(), MNT_DETACH);
        }
    }

    static int Count(const std::string& text, const std::string& part) {
        int count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
            ++count;
        }
        return count;
    }

    std::mutex mutex_;
    std::map<int, Answer> answers_;
    ChildProcess* running_ = nullptr;
};

// A listing is told of only from a page read whole, and only once its row is in the file: what a
// run could not read or could not write, the next run that can finds.
TEST_F(StoreTest, OnlyAPageReadWholeIsRecordedAndOnlyARowWrittenIsTold) {
    std::map<int, std::string> at10000, at8000, at6000, asTheyAre;
    std::vector<std::string> plain, cut, cutAgain;
    for (const int listing : {15, 16, 17, 19, 21, 23, 24, 25, 26, 27}) {
        at10000[listing] = "10,000", at8000[listing] = "8,000", at6000[listing] = "6,000", asTheyAre[listing] = "";
        plain.push_back("品" + std::to_string(listing) + "|");
        cut.push_back(plain.back() + "値下げ 10,000円→8,000円");
        cutAgain.push_back(plain.back() + "値下げ 8,000円→6,000円");
    }
    const std::vector<std::vector<Day>> cases = {
        // A stop just after the second listing's page arrived: the Parts' row, then new with its title.
        {{{}, {{1, ""}, {2, ""}, {3, ""}}, {{2, kStopAsItArrives}}, {"品1|", "|"}},
         {kChanges, {{1, ""}, {2, ""}, {3, ""}}, {}, {"品2|新着", "品3|新着"}}},
        // A known listing cut while its page is 404, 503 and without its heading; one new behind them.
        {{{}, {{4, "10,000"}}, {}, {"品4|"}},
         {kChanges, {{4, "5,000"}, {5, ""}}, {{4, kNotFound}, {5, kUnavailable}}},
         {kChanges, {{4, ""}, {5, ""}}, {{4, kUnavailable}, {5, kNoHeading}}},
         {kChanges, {{4, ""}, {5, ""}}, {{4, kNoHeading}, {5, kNotFound}}},
         {kChanges, {{4, ""}, {5, ""}}, {}, {"品4|値下げ 10,000円→5,000円", "品5|新着"}}},
        {{{}, {{7, "4,000"}}, {}, {"品7|"}},
         {kChanges, {{7, "応相談"}}, {}},
         {kChanges, {{7, "2,000"}}, {}, {"品7|値下げ 4,000円→2,000円"}}},
        {{{"--new-only", "--max-price", "5000"}, {{9, "9,000"}}, {}},
         {{"--new-only", "--max-price", "5000"}, {{9, "4,000"}}, {}, {"品9|"}}},
        // Two units open at once, a third listed above them, then one gone and posted again.
        {{kChanges, {{12, ""}, {13, ""}}, {}, {"椅子|新着", "椅子|新着"}},
         {kChanges, {{11, ""}, {12, ""}, {13, ""}}, {}, {"椅子|新着"}},
         {kChanges, {{11, ""}, {13, ""}, {14, ""}}, {}, {"椅子|再掲載"}}},
        {{{}, at10000, {}, plain},
         {kChanges, at8000, {}, cut, kFullCsv},
         {kChanges, asTheyAre},
         {kChanges, at6000, {}, cutAgain, kFullWorkbook},
         {kChanges, asTheyAre}},
    };
    for (int listing = 1; listing <= 27; ++listing) {
        const bool unit = listing >= 11 && listing <= 14;
        content_->SetTitle(listing, unit ? "椅子" : "品" + std::to_string(listing));
        content_->SetPoster(listing, unit ? 880 : 900 + listing, "テン");
    }
    for (std::size_t c = 0; c < cases.size(); ++c) {
        std::vector<std::string> owed;
        for (std::size_t day = 0; day < cases[c].size(); ++day) {
            SCOPED_TRACE("case " + std::to_string(c + 1) + ", day " + std::to_string(day + 1));
            RunDay(cases[c][day], owed);
        }
    }
}

// A market that moves every day (cuts, rises, 応相談, closings, new listings) while some listing
// pages fail: every change is told exactly once, on the first day its page is read whole.
TEST_F(StoreTest, EveryChangeOfAMovingMarketIsToldOnceOnTheFirstDayItsPageIsReadWhole) {
    const auto yen = [](int price) { return site::WithThousands(price) + "円"; };
    for (const unsigned seed : {7u, 31u}) {
        std::mt19937 random(seed);
        struct State {
            int price; // 0: 応相談
            bool closed;
        };
        std::map<int, State> market, lastRead; // lastRead: the price in yen and the reception
        std::vector<std::string> owed;
        for (int day = 1, next = 90 + static_cast<int>(seed) * 3; day <= 6; ++day) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", day " + std::to_string(day));
            for (auto& [number, now] : market) {
                const unsigned move = random() % 6;
                now.price = move > 2 ? now.price : move == 2 ? (now.price ? 0 : 1000) : now.price * (7 + 5 * move) / 10;
                now.closed = now.closed || (move == 3 && random() % 2 == 0);
            }
            for (unsigned added = day == 1 ? 6 : random() % 3; added > 0; --added, ++next) {
                // Listings that can close, with one address each.
                for (; site::ListingTraits(content_->config().seed, next) &
                       (site::kEnquiriesClosed | site::kNoPoster | site::kLongAddress);
                     ++next) {
                }
                market[next] = {1000 + 100 * static_cast<int>(random() % 90), false};
                content_->SetTitle(next, "品" + std::to_string(next));
            }
            Day today{kChanges, {}, {}};
            for (const auto& [number, now] : market) {
                today.prices[number] = now.price ? site::WithThousands(now.price) : "応相談";
                content_->SetClosed(number, now.closed);
                if (random() % 4 == 0) {
                    today.answers[number] = static_cast<Answer>(kNotFound + random() % 3);
                    continue;
                }
                const auto last = lastRead.find(number);
                const bool known = last != lastRead.end();
                const State before = known ? last->second : State{0, false};
                std::string change = known ? "" : "新着";
                if (known && now.price && before.price && now.price != before.price) {
                    change =
                        (now.price < before.price ? "値下げ " : "値上げ ") + yen(before.price) + "→" + yen(now.price);
                }
                if (known && now.closed && !before.closed) {
                    change += (change.empty() ? "" : "、") + std::string("受付終了");
                }
                lastRead[number] = {now.price ? now.price : before.price, now.closed};
                if (!change.empty()) {
                    today.rows.push_back("品" + std::to_string(number) + "|" + change);
                }
            }
            RunDay(today, owed);
        }
    }
}

} // namespace
} // namespace vorn
