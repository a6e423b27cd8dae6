#include "crawl/crawl_job.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/item_fields.h"
#include "tests/crawl/crawl_job_fixture.h"
#include "tests/support/file_size_limit.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;
using namespace test;

TEST_F(CrawlJobTest, SearchesEveryAreaWithEveryGenreInOrder) {
    Choose({0, 2, 4}, "0,2,");
    selection().keyword = Sjis(" 椅子 a ");
    site_.AddResults("p0/sale-fur/g-all", 2, {1, 2});
    site_.AddItems({1, 2});

    EXPECT_EQ(Run(), kRowsWritten);

    const std::string query = "?keyword=%E6%A4%85%E5%AD%90+a";
    EXPECT_EQ(site_.RequestedPaths(),
              (Strings{"/p0/sale-fur/g-all" + query, "/article/1", "/article/2", "/p0/sale-ele/g-all" + query,
                       "/p2/sale-fur/g-all" + query, "/p2/sale-ele/g-all" + query, "/p4/sale-fur/g-all" + query,
                       "/p4/sale-ele/g-all" + query}));
    EXPECT_EQ(frontEnd_.calls, (Strings{"take",
                                        "init 6",
                                        "lookup 0 0",
                                        "step",
                                        "seen " + Key(1),
                                        "status " + Status("県0 - 家具", 1, 2),
                                        "seen " + Key(2),
                                        "status " + Status("県0 - 家具", 2, 2),
                                        "step",
                                        "status " + Status("県0 - 家電", 0, 0),
                                        "lookup 2 0",
                                        "step",
                                        "status " + Status("県2 - 家具", 0, 0),
                                        "step",
                                        "status " + Status("県2 - 家電", 0, 0),
                                        "lookup 4 0",
                                        "step",
                                        "status " + Status("県4 - 家具", 0, 0),
                                        "step",
                                        "status " + Status("県4 - 家電", 0, 0),
                                        "handback 1"}));

    const std::vector<Strings> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].size(), static_cast<std::size_t>(kItemFieldCount));
    EXPECT_EQ(rows[0][0], "投稿ID");
    Strings first(kItemFieldCount);
    first[kPostId] = "p1";
    first[kTitle] = "品物1";
    first[kFavourites] = "3";
    first[kUpdatedDate] = "2024年5月1日";
    first[kCreatedDate] = "2024年4月1日";
    first[kDetailUrl] = site_.ArticleUrl(1);
    EXPECT_EQ(rows[1], first);
    EXPECT_EQ(rows[2][kDetailUrl], site_.ArticleUrl(2));
}

TEST_F(CrawlJobTest, WholeAreaChoicesSearchNationwideOrCityByCity) {
    struct Case {
        const char* name;
        int comboIndex;
        std::vector<std::pair<int, int>> seenByTheCatalogue;
        Strings paths;
        Strings calls;
    };
    const std::vector<Case> cases = {
        {"every prefecture: one nationwide search",
         0,
         {},
         {"/all/sale-all/g-all"},
         {"take", "init 1", "step", "status " + Status("全国 - 全ジャンル", 0, 0), "handback 0"}},
        {"every city of prefecture 13: one search per city",
         13,
         {{0, 13}, {1, 13}},
         {"/tokyo/sale-all/g-all/a-13101", "//sale-all/g-all"},
         {"take", "init 2", "lookup 0 13", "step", "status " + Status("東京都千代田区 - 全ジャンル", 0, 0),
          "lookup 1 13", "step", "status " + Status("東京都中央区 - 全ジャンル", 0, 0), "handback 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFrontEnd frontEnd;
        frontEnd.selection.allAreas = true;
        frontEnd.selection.allGenres = true;
        frontEnd.selection.areaComboIndex = c.comboIndex;
        frontEnd.selection.areaComboText = Sjis(" 東京都 ");
        frontEnd.selection.areaTexts = {Sjis("千代田区"), Sjis("中央区 ")};
        frontEnd.selection.areaChecked = {true, true};
        frontEnd.selection.csvFileName = csvFile();
        // 中央区 has no catalogue row, so its path starts with the genre.
        frontEnd.areaPaths[{0, 13}] = "tokyo,a-13101";
        site_.server().ClearRequests();
        CrawlJob job(frontEnd, CrawlConfig{programDir_.path(), site_.baseUrl(), 1ms});

        job.worker().Execute(); // on this thread: the calls to the front end run directly

        EXPECT_EQ(site_.RequestedPaths(), c.paths);
        EXPECT_EQ(frontEnd.calls, c.calls);
        EXPECT_TRUE(frontEnd.allOnContextThread);
        EXPECT_EQ(test::ReadFileBytes(csvFile()), CsvHeader() + "\r\n");
    }
}

TEST_F(CrawlJobTest, CollectsEachListingOnceAndNoMoreThanTheTotal) {
    Choose({0}, "0,1,2,");
    site_.AddResults("p0/sale-fur/g-all", 2, {1, 2, 3});
    site_.AddResults("p0/sale-fur/g-1", 5, {2, 3, 4});
    site_.AddResults("p0/sale-ele/g-all", 1, {1});
    site_.AddItems({1, 2, 3, 4});

    EXPECT_EQ(Run(), kRowsWritten);

    EXPECT_EQ(site_.RequestedPaths(), (Strings{"/p0/sale-fur/g-all", "/article/1", "/article/2", "/p0/sale-fur/g-1",
                                               "/article/3", "/article/4", "/p0/sale-ele/g-all"}));
    // A search whose listings were all collected earlier leaves the status line as it was.
    EXPECT_EQ(Statuses(), (Strings{Status("県0 - 家具", 1, 2), Status("県0 - 家具", 2, 2), Status("県0 - ベッド", 1, 5),
                                   Status("県0 - ベッド", 2, 5)}));
    EXPECT_EQ(frontEnd_.Calls("seen"), (Strings{Key(1), Key(2), Key(2), Key(3), Key(4), Key(1)}));
    const std::vector<Strings> rows = Rows();
    ASSERT_EQ(rows.size(), 5u);
    for (int article = 1; article <= 4; ++article) {
        EXPECT_EQ(rows[static_cast<std::size_t>(article)][1], "品物" + std::to_string(article));
    }
}

TEST_F(CrawlJobTest, UnservedResultsPageEndsTheRunWithNineKeepingTheRows) {
    struct Case {
        const char* name;
        site::SiteResponse answer;
        int result;
    };
    const auto answer = [](int status, site::SiteResponse::Fault fault = site::SiteResponse::Fault::None) {
        site::SiteResponse response;
        response.status = status;
        response.body = "<html><body>no</body></html>\n";
        response.fault = fault;
        return response;
    };
    const std::vector<Case> cases = {
        {"server error", answer(500), kSiteUnreachable},
        {"unavailable", answer(503), kSiteUnreachable},
        {"too many requests", answer(429), kSiteUnreachable},
        {"connection dropped", answer(200, site::SiteResponse::Fault::DropConnection), kSiteUnreachable},
        {"not found is a served page without results", answer(404), kRowsWritten},
    };
    Choose({0}, "0,2,");
    site_.AddResults("p0/sale-ele/g-all", 1, {4});
    site_.AddItems({4});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        site_.server().Handle("/p0/sale-fur/g-all", [&c](const site::SiteRequest&) { return c.answer; });
        FakeFrontEnd frontEnd;
        frontEnd.selection = selection();
        frontEnd.areaPaths = frontEnd_.areaPaths;
        CrawlJob job(frontEnd, CrawlConfig{programDir_.path(), site_.baseUrl(), 1ms});
        test::RunOnWorkerThread(job);

        EXPECT_EQ(frontEnd.Calls("handback"), Strings{std::to_string(c.result)});
        EXPECT_EQ(frontEnd.Calls("status").front(), Status("県0 - 家具", 0, 0));
        const std::vector<Strings> rows = Rows();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1][1], "品物4");
    }
}

TEST_F(CrawlJobTest, ItemPageThatCannotBeFetchedStillGivesItsRow) {
    Choose({0}, "0,");
    site_.AddResults("p0/sale-fur/g-all", 2, {1, 2});
    site_.AddStatus("/article/1", 503);
    site_.AddItems({2});

    EXPECT_EQ(Run(), kSiteUnreachable) << "a row without its page is not a success";

    const std::vector<Strings> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    Strings onlyTheUrl(kItemFieldCount);
    onlyTheUrl[kDetailUrl] = site_.ArticleUrl(1);
    EXPECT_EQ(rows[1], onlyTheUrl);
    EXPECT_EQ(rows[2][1], "品物2");
}

TEST_F(CrawlJobTest, OutputThatCannotBeCreatedOrWrittenStopsAtOnceWithEight) {
    for (const std::filesystem::path& file :
         {outDir_.path() / "missing" / "out.csv", std::filesystem::path("/dev/full")}) {
        SCOPED_TRACE(file.string());
        FakeFrontEnd frontEnd;
        frontEnd.selection = selection();
        frontEnd.selection.allAreas = true;
        frontEnd.selection.allGenres = true;
        frontEnd.selection.csvFileName = file;
        site_.server().ClearRequests();
        CrawlJob job(frontEnd, CrawlConfig{programDir_.path(), site_.baseUrl(), 1ms});
        test::RunOnWorkerThread(job);

        EXPECT_EQ(frontEnd.calls, (Strings{"take", "handback 8"}));
        EXPECT_TRUE(site_.RequestedPaths().empty());
    }
}

TEST_F(CrawlJobTest, RowThatCannotBeWrittenStopsTheRunWithEight) {
    std::vector<int> articles;
    for (int article = 1; article <= 30; ++article) {
        articles.push_back(article);
    }
    Choose({0, 1}, "0,");
    site_.AddResults("p0/sale-fur/g-all", 30, articles);
    site_.AddItems(articles);
    constexpr rlim_t kLimit = 4096; // above every page, below the thirty rows
    FileSizeLimit limit;
    // Once the header is in, as a disk filling up during the run.
    frontEnd_.onCall = [&limit](const std::string& call) {
        if (call.rfind("init", 0) == 0) {
            limit.Apply(kLimit);
        }
    };

    EXPECT_EQ(Run(), kCsvWriteFailed);

    const std::string bytes = test::ReadFileBytes(csvFile());
    EXPECT_LE(bytes.size(), kLimit);
    EXPECT_GT(bytes.size(), kLimit - 300) << "rows are written up to the limit";
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << "the row cut short is taken back";
    const std::size_t completeRows = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) - 1;
    const Strings requests = site_.RequestedPaths();
    // The listing whose row failed was the last one fetched, and the second area never came.
    ASSERT_EQ(requests.size(), completeRows + 2);
    EXPECT_EQ(requests.back(), "/article/" + std::to_string(completeRows + 1));
    EXPECT_EQ(frontEnd_.Calls("step").size(), 1u);
}

TEST_F(CrawlJobTest, ErrorInTheFrontEndStillEndsTheRunProperly) {
    Choose({0, 1}, "0,");
    site_.AddResults("p0/sale-fur/g-all", 1, {1});
    site_.AddItems({1});
    frontEnd_.onCall = [](const std::string& call) {
        if (call == "lookup 1 0") {
            throw std::runtime_error("database is locked");
        }
    };

    EXPECT_EQ(Run(), kRowsWritten);

    EXPECT_EQ(Job().worker().errorText(), "database is locked");
    EXPECT_EQ(frontEnd_.calls.size(), 8u); // take, init, lookup, step, seen, status, lookup, handback
    EXPECT_EQ(Rows().size(), 2u);
}

} // namespace
} // namespace vorn
