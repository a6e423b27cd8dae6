#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "extract/item_fields.h"
#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/csv_reader.h"
#include "watch/listing_store.h"
#include "watch/run_watch.h"

namespace vorn {
namespace {

using WatchTest = CliRunTest;
using Rows = std::vector<std::pair<int, std::string>>; // listing, its 変化 (UTF-8)

// The detail URL and, with a 変化 column, the change of each row written.
std::vector<std::string> RowsOf(const fs::path& csv, bool withChange) {
    std::vector<std::string> rows;
    for (const test::CsvRecord& record : test::ParseCsv(test::ReadBytes(csv)).records) {
        rows.push_back(AnsiToUtf8(record[kDetailUrl] + (withChange ? " " + record.at(kItemFieldCount) : "")));
    }
    return rows;
}

// Listing 13 is listing 4 posted again: the same poster and title under another key.
TEST_F(WatchTest, ThreeDaysOfChanges) {
    struct Day {
        std::vector<int> shown;
        Rows prices;
        std::vector<int> closed;
        Rows rows;
        Rows listed; // by `changes`, in the order found, between the day and the URL
        std::string counts;
    };
    const Day days[] = {
        {{1, 2, 3, 4, 8},
         {{1, "12,000"}, {2, "9,800"}},
         {},
         {{1, "新着"}, {2, "新着"}, {3, "新着"}, {4, "新着"}, {8, "新着"}},
         {{1, "新着 品1"}, {2, "新着 品2"}, {3, "新着 品3"}, {4, "新着 品4"}, {8, "新着 品8"}},
         "新着 5件、再掲載 0件、値下げ 0件、値上げ 0件、受付終了 0件"},
        {{1, 2, 3, 8, 11, 13},
         {{1, "9,800"}, {11, "4,000"}},
         {3},
         {{1, "値下げ 12,000円→9,800円"}, {3, "受付終了"}, {11, "新着"}, {13, "再掲載"}},
         {{1, "値下げ 品1 12,000円 → 9,800円"},
          {3, "受付終了 品3 申し込み可 → 受付終了"},
          {11, "新着 品11"},
          {13, "再掲載 品4"}},
         "新着 1件、再掲載 1件、値下げ 1件、値上げ 0件、受付終了 1件"},
        {{1, 2, 3, 8, 11, 13},
         {{2, "12,000"}, {11, "3,500"}},
         {11},
         {{2, "値上げ 9,800円→12,000円"}, {11, "値下げ 4,000円→3,500円、受付終了"}},
         {{2, "値上げ 品2 9,800円 → 12,000円"},
          {11, "値下げ 品11 4,000円 → 3,500円"},
          {11, "受付終了 品11 申し込み可 → 受付終了"}},
         "新着 0件、再掲載 0件、値下げ 1件、値上げ 1件、受付終了 1件"},
        {{1, 2, 3, 8, 11, 13}, {}, {}, {}, {}, "新着 0件、再掲載 0件、値下げ 0件、値上げ 0件、受付終了 0件"},
    };
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    for (const int listing : {1, 2, 3, 4, 8, 11, 13}) {
        content_->SetTitle(listing, "品" + std::to_string(listing == 13 ? 4 : listing));
    }
    content_->SetPoster(4, 777, "ハナ");
    content_->SetPoster(13, 777, "ハナ");
    std::vector<std::string> changes; // the lines `changes` lists, oldest first
    const std::string today = LocalTimeNow().substr(0, 10);
    for (std::size_t day = 0; day < std::size(days); ++day) {
        SCOPED_TRACE("day " + std::to_string(day + 1));
        const Day& d = days[day];
        content_->SetSearch(kFirstCitySearch, {d.shown, std::nullopt});
        for (const auto& [listing, price] : d.prices) {
            content_->SetPrice(listing, price);
        }
        for (const int listing : d.closed) {
            content_->SetClosed(listing, true);
        }
        const bool changesOnly = day > 0;
        const ChildResult run = changesOnly ? Run({"crawl", "--changes-only", Output().string()}) : Crawl();
        EXPECT_EQ(run.exitCode, d.rows.empty() ? 1 : 0) << run.err;
        EXPECT_TRUE(run.out.ends_with(d.counts + "\n")) << run.out;
        EXPECT_EQ(Contains(run.out, "新しい商品情報や変化はありませんでした。"), d.rows.empty()) << run.out;
        // A day with nothing new leaves the day before's file.
        std::vector<std::string> expected = {changesOnly ? "詳細ページURL 変化" : "詳細ページURL"};
        for (const auto& [listing, change] : d.rows.empty() ? days[day - 1].rows : d.rows) {
            expected.push_back(content_->ListingUrl(listing) + (changesOnly ? " " + change : ""));
        }
        for (const auto& [listing, change] : d.listed) {
            changes.push_back(today + " " + change + " " + content_->ListingUrl(listing));
        }
        EXPECT_EQ(RowsOf(Output(), changesOnly), expected);
    }
    for (const std::string kind : {"", "値下げ"}) {
        std::string listed; // newest first
        for (const std::string& line : changes) {
            listed = line.starts_with(today + " " + kind) ? line + "\n" + listed : listed;
        }
        const ChildResult run = Run(kind.empty() ? std::vector<std::string>{"changes"}
                                                 : std::vector<std::string>{"changes", "--kind", kind});
        EXPECT_EQ(run.out, listed) << kind;
    }
}

// A listing left out is read, but gets neither a row nor a photograph request.
TEST_F(WatchTest, FiltersLeaveListingsOutBeforeTheirPhotographs) {
    struct Case {
        int listing;
        std::string price;
        std::vector<std::string> description;
        bool closed;
        std::string poster;
        bool kept;
    };
    const Case cases[] = {
        {1, "1,000", {"ｼﾞｬﾝｸ品です"}, false, "", false},
        {2, "30,001", {}, false, "", false},
        {3, "応相談", {}, false, "", true},
        {4, "1,000", {}, true, "", false},
        {6, "1,000", {}, false, "除外さん", false},
        {7, "30,000", {}, false, "", true},
        {11, "0", {}, false, "", true},
    };
    WriteSettings("");
    const fs::path photos = out_.path() / "photos";
    fs::create_directory(photos);
    std::vector<int> shown, leftOut;
    std::vector<std::string> kept = {"詳細ページURL"};
    for (const Case& c : cases) {
        content_->SetPrice(c.listing, c.price);
        if (!c.description.empty()) {
            content_->SetDescription(c.listing, c.description);
        }
        content_->SetClosed(c.listing, c.closed);
        if (!c.poster.empty()) {
            content_->SetPoster(c.listing, 555, c.poster);
        }
        shown.push_back(c.listing);
        (c.kept ? kept.push_back(content_->ListingUrl(c.listing)) : leftOut.push_back(c.listing));
    }
    const std::string counts = "件、再掲載 0件、値下げ 0件、値上げ 0件、受付終了 0件、除外 4件\n";
    for (const auto& [listings, rows, added] :
         {std::tuple{shown, kept, "新着 3"}, {leftOut, std::vector<std::string>{"詳細ページURL"}, "新着 0"}}) {
        content_->SetSearch("tokyo/sale-ele/g-all", {listings, std::nullopt});
        const ChildResult run =
            Run({"crawl", "--prefecture", "東京都", "--genre", "家電", "--images", photos.string(), "--exclude",
                 "ジャンク", "--max-price", "30000", "--open-only", "--exclude-poster", "除外さん", Output().string()});
        SCOPED_TRACE(run.out);
        EXPECT_EQ(run.exitCode, rows.size() > 1 ? 0 : 1) << run.err;
        EXPECT_EQ(Contains(run.out, "条件に該当する商品情報は見つかりませんでした。"), rows.size() == 1);
        EXPECT_TRUE(run.out.ends_with(added + counts));
        EXPECT_EQ(RowsOf(Output(), false), rows);
        const std::vector<std::string> requests = site_.TakeRequestedPaths();
        const auto asked = [&](const std::string& path) {
            return std::any_of(requests.begin(), requests.end(), [&](const auto& r) { return r.starts_with(path); });
        };
        for (const Case& c : cases) {
            const std::string id = std::to_string(site::ArticleIdOf(c.listing));
            const bool listed = std::count(listings.begin(), listings.end(), c.listing) > 0;
            EXPECT_EQ(asked("/article/" + id), listed) << c.listing;
            EXPECT_EQ(asked("/articles/images/" + id + "/"), listed && c.kept) << c.listing;
        }
    }
}

} // namespace
} // namespace vorn

namespace vorn {
namespace {

// Every run is kept with what it found, and any run's rows come back as its file had them.
TEST_F(WatchTest, RunsAreListedNewestFirstAndAnyRunExportedAsItWasWritten) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    content_->SetSearch(kFirstCitySearch, {{1, 2, 3}, std::nullopt});
    content_->SetPrice(1, "12,000");
    ASSERT_EQ(Crawl().exitCode, 0);
    const std::string first = test::ReadBytes(Output());
    content_->SetSearch(kFirstCitySearch, {{1, 2, 3, 4}, std::nullopt});
    content_->SetPrice(1, "9,800");
    content_->SetClosed(2, true);
    ASSERT_EQ(Run({"crawl", "--changes-only", Output().string()}).exitCode, 0);
    const std::string second = test::ReadBytes(Output());
    ASSERT_EQ(Run({"crawl", "--changes-only", "--quiet", Output().string()}).exitCode, 1);

    // Each line without its start time, which is checked to be today's.
    const std::string counts = "件、再掲載 0件、値下げ ";
    const std::vector<std::string> expected = {
        "3  東京都港区 / 家電  changes-only, automatic  nothing found  0 rows  新着 0" + counts +
            "0件、値上げ 0件、受付終了 0件",
        "2  東京都港区 / 家電  changes-only  rows written  3 rows  新着 1" + counts + "1件、値上げ 0件、受付終了 1件",
        "1  東京都港区 / 家電  all  rows written  3 rows  新着 3" + counts + "0件、値上げ 0件、受付終了 0件"};
    const ChildResult runs = Run({"runs"});
    EXPECT_EQ(runs.exitCode, 0) << runs.err;
    std::vector<std::string> listed;
    for (std::size_t start = 0, end; (end = runs.out.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = runs.out.substr(start, end - start);
        const std::size_t time = line.find("  ") + 2;
        EXPECT_EQ(line.substr(time, 10), LocalTimeNow().substr(0, 10)) << line;
        listed.push_back(line.erase(time, 21));
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(Run({"runs", "3"}).exitCode, 5);

    const fs::path exported = out_.path() / "run.csv";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const std::string* bytes; // nothing: no file is left
    };
    const Case cases[] = {
        {{"--run", "1"}, 0, &first},   {{"--run=2"}, 0, &second},    {{}, 0, &second},
        {{"--run", "3"}, 1, nullptr},  {{"--run", "9"}, 5, nullptr}, {{"--run", "0"}, 5, nullptr},
        {{"--run", "1x"}, 5, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"export"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        arguments.push_back(exported.string());
        SCOPED_TRACE(::testing::PrintToString(arguments));
        fs::remove(exported);
        const ChildResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(fs::exists(exported), c.bytes != nullptr);
        if (c.bytes != nullptr) {
            EXPECT_EQ(test::ReadBytes(exported), *c.bytes);
        }
    }
}

} // namespace
} // namespace vorn

namespace vorn {
namespace {

// A store made before runs kept their rows' values and counts: its runs are listed with their
// counts and its rows exported from the listings as last read, and new runs are kept in full.
TEST_F(WatchTest, AnEarlierStoreIsUpgradedWithItsRunsAndRowsKept) {
    ItemFields fields;
    fields[kTitle] = UTF8ToAnsi("ソファ");
    fields[kPrice] = UTF8ToAnsi("9,800円");
    fields[kDetailUrl] = content_->ListingUrl(1);
    {
        CatalogueDb db;
        db.Configure(dir_.databaseFile());
        for (const char* statement : {
                 "CREATE TABLE T21_ITEM (UrlKey TEXT PRIMARY KEY, Fields BLOB NOT NULL, Title TEXT NOT NULL, "
                 "PriceText TEXT NOT NULL, Price INTEGER, Reception TEXT NOT NULL, ProfileUrl TEXT NOT NULL, "
                 "FirstSeen TEXT NOT NULL, LastSeen TEXT NOT NULL)",
                 "CREATE TABLE T22_RUN (RunID INTEGER PRIMARY KEY, Started TEXT NOT NULL, Ended TEXT, Outcome TEXT, "
                 "Rows INTEGER NOT NULL DEFAULT 0, Conditions TEXT NOT NULL, Mode TEXT)",
                 "CREATE TABLE T23_CHANGE (ChangeID INTEGER PRIMARY KEY, RunID INTEGER NOT NULL, UrlKey TEXT NOT NULL, "
                 "Kind TEXT NOT NULL, Before TEXT NOT NULL, After TEXT NOT NULL)",
                 "CREATE TABLE T24_ROW (RunID INTEGER NOT NULL, Seq INTEGER NOT NULL, UrlKey TEXT NOT NULL, "
                 "Change TEXT NOT NULL, PRIMARY KEY (RunID, Seq)) WITHOUT ROWID",
                 "INSERT INTO T22_RUN VALUES (1, '2026-01-05 06:00:00', '2026-01-05 06:01:00', 'rows written', 1, "
                 "'東京都 / 家電', 'all')",
             }) {
            db.Execute(statement);
        }
        const std::string key = ListingKeyOf(fields);
        db.Execute("INSERT INTO T21_ITEM VALUES (?, ?, 'ソファ', '9,800円', 9800, '', '', '2026-01-05', '2026-01-05')",
                   {key, DbBytes{JoinFields(fields)}});
        db.Execute("INSERT INTO T23_CHANGE (RunID, UrlKey, Kind, Before, After) VALUES (1, ?, '新着', '', '')", {key});
        db.Execute("INSERT INTO T24_ROW VALUES (1, 1, ?, '新着')", {key});
    }
    const ChildResult runs = Run({"runs"});
    EXPECT_EQ(runs.out, "1  2026-01-05 06:00:00  東京都 / 家電  all  rows written  1 rows  新着 1件、再掲載 0件、"
                        "値下げ 0件、値上げ 0件、受付終了 0件\n")
        << runs.err;
    const fs::path exported = out_.path() / "old.csv";
    ASSERT_EQ(Run({"export", "--run", "1", exported.string()}).exitCode, 0);
    EXPECT_EQ(test::ReadBytes(exported), HeaderLine() + BuildCsvRow(fields) + "\r\n");

    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    content_->SetSearch(kFirstCitySearch, {{1}, std::nullopt});
    ASSERT_EQ(Crawl().exitCode, 0);
    ASSERT_EQ(Run({"export", "--run", "2", exported.string()}).exitCode, 0);
    EXPECT_EQ(test::ReadBytes(exported), test::ReadBytes(Output()));
}

} // namespace
} // namespace vorn
