#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "crawl/crawl_job.h"
#include "tests/crawl/crawl_job_fixture.h"
#include "tools/sample_site/site_content.h"

namespace vorn {
namespace {

using namespace test;

// The golden file stands for the site's origin, whose port changes from run to run, by this.
constexpr std::string_view kSitePlaceholder = "@SITE@";

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Three cities of 東京都 (港区, 泉区, 青葉区 of four items) and the genres ベッド and 家電, against
// the generated listings of seed 1.
class CrawlRunTest : public CrawlJobTest {
protected:
    CrawlRunTest() {
        content_ = site::ServeContent(site_.server(), site::SiteConfig{});
        selection().areaComboIndex = 13;
        selection().areaComboText = Sjis("東京都");
        selection().areaTexts = {Sjis("港区"), Sjis("泉区"), Sjis("北区"), Sjis("青葉区")};
        selection().areaChecked = {false, false, false, false};
        frontEnd_.areaPaths = {{{0, 13}, "tokyo,a-13101"}, {{1, 13}, "tokyo,a-13102"}, {{3, 13}, "tokyo,a-13103"}};
        Choose({0, 1, 3}, "1,2,");
    }

    std::string Origin() const { return site_.baseUrl().substr(0, site_.baseUrl().size() - 1); }

    std::shared_ptr<site::SiteContent> content_;
};

TEST_F(CrawlRunTest, ThreeAreasTimesTwoGenresGiveTheGoldenFile) {
    content_->SetSearch("tokyo/sale-fur/g-1/a-13101", {{1, 2, 3}, 3});
    content_->SetSearch("tokyo/sale-ele/g-all/a-13101", {{4, 2}, 2}); // 2 was collected just before
    content_->SetSearch("tokyo/sale-fur/g-1/a-13102", {{}, 0});
    content_->SetFault("tokyo/sale-ele/g-all/a-13102", site::PageFault::ServerError);
    content_->SetSearch("tokyo/sale-fur/g-1/a-13103", {{5, 6, 7}, 5});
    // 7's listing key is far over 100 bytes; it is still recorded, so the second search skips it.
    content_->SetSearch("tokyo/sale-ele/g-all/a-13103", {{7, 8}, 2});

    EXPECT_EQ(Run(), kSiteUnreachable);

    const std::vector<std::string> searches = {"/tokyo/sale-fur/g-1/a-13101", "/tokyo/sale-ele/g-all/a-13101",
                                               "/tokyo/sale-fur/g-1/a-13102", "/tokyo/sale-ele/g-all/a-13102",
                                               "/tokyo/sale-fur/g-1/a-13103", "/tokyo/sale-ele/g-all/a-13103"};
    const std::vector<std::vector<int>> collected = {{1, 2, 3}, {4}, {}, {}, {5, 6, 7}, {8}};
    Strings expectedRequests;
    for (std::size_t search = 0; search < searches.size(); ++search) {
        expectedRequests.push_back(searches[search]);
        for (const int listing : collected[search]) {
            expectedRequests.push_back("/article/" + std::to_string(site::ArticleIdOf(listing)));
        }
    }
    Strings requests = site_.RequestedPaths();
    for (std::string& request : requests) {
        request = request.substr(0, request.find('?')); // 7's address carries a query
    }
    EXPECT_EQ(requests, expectedRequests);
    EXPECT_EQ(frontEnd_.Calls("init"), Strings{"6"});
    EXPECT_EQ(frontEnd_.Calls("step").size(), 6u);
    EXPECT_EQ(Statuses(), (Strings{Status("東京都港区 - ベッド", 1, 3), Status("東京都港区 - ベッド", 2, 3),
                                   Status("東京都港区 - ベッド", 3, 3), Status("東京都港区 - 家電", 1, 2),
                                   Status("東京都泉区 - ベッド", 0, 0), Status("東京都泉区 - 家電", 0, 0),
                                   Status("東京都青葉区 - ベッド", 1, 5), Status("東京都青葉区 - ベッド", 2, 5),
                                   Status("東京都青葉区 - ベッド", 3, 5), Status("東京都青葉区 - 家電", 1, 2)}));

    const std::string actual = ReadFileBytes(csvFile());
    const std::string golden = ReadFileBytes(std::filesystem::path(VORN_TEST_DATA_DIR) / "golden" / "crawl_run.csv");
    if (actual != ReplaceAll(golden, kSitePlaceholder, Origin())) {
        const std::filesystem::path saved = std::filesystem::path(::testing::TempDir()) / "crawl_run.actual.csv";
        std::ofstream(saved, std::ios::binary) << ReplaceAll(actual, Origin(), kSitePlaceholder);
        ADD_FAILURE() << "the file differs from the golden file; this run's file in the golden form: " << saved;
    }
}

TEST_F(CrawlRunTest, TheSiteSeesTheFullPauseBetweenAllRequests) {
    pause_ = kFetchPause;
    selection().areaChecked = {true, false, false, false};
    selection().ctgrIndexList = "2,";
    selection().saveImages = true;
    content_->SetSearch("tokyo/sale-ele/g-all/a-13101", {{8, 12}, 2}); // no photograph, then three

    EXPECT_EQ(Run(), kRowsWritten);

    const std::vector<site::SiteRequest> requests = site_.server().Requests();
    ASSERT_EQ(requests.size(), 6u);
    for (std::size_t i = 1; i < requests.size(); ++i) {
        EXPECT_GE(requests[i].received - requests[i - 1].received, kFetchPause) << requests[i].path;
    }
}

// A handshake per page would cost more than the rest of the run between its pauses.
TEST_F(CrawlRunTest, OneConnectionCarriesAWholeRunPhotographsIncluded) {
    selection().areaChecked = {true, false, false, false};
    selection().ctgrIndexList = "2,";
    selection().saveImages = true;
    content_->SetSearch("tokyo/sale-ele/g-all/a-13101", {{8, 12, 3}, 3});

    EXPECT_EQ(Run(), kRowsWritten);
    const std::vector<site::SiteRequest> first = site_.server().Requests();
    ASSERT_GT(first.size(), 4u);
    for (const site::SiteRequest& request : first) {
        EXPECT_EQ(request.clientPort, first.front().clientPort) << request.path;
    }
}

} // namespace
} // namespace vorn
