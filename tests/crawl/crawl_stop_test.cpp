#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "crawl/crawl_job.h"
#include "tests/crawl/crawl_job_fixture.h"

namespace vorn {
namespace {

using namespace test;

// One area and two genres; the first search lists articles 1-3, each with two photographs. A
// stop ends the run inside the first search, so the second is never made.
class CrawlStopTest : public CrawlJobTest {
protected:
    CrawlStopTest() {
        Choose({0}, "0,2,");
        selection().saveImages = true;
        site_.AddResults("p0/sale-fur/g-all", 3, {1, 2, 3});
        site_.AddResults("p0/sale-ele/g-all", 1, {4});
        site_.AddItems({1, 2, 3, 4}, 2);
    }

    // Serves body at path and asks the job to stop while doing so.
    void StopWhenServing(const std::string& path, std::string body) {
        CrawlJob& job = Job();
        site_.server().Handle(path, [&job, body](const site::SiteRequest&) {
            job.RequestStop();
            site::SiteResponse answer;
            answer.body = body;
            return answer;
        });
    }

    void ExpectRunEndedInTheFirstSearch() {
        EXPECT_EQ(frontEnd_.Calls("step").size(), 1u);
        EXPECT_NO_THROW(Rows()) << "the file is closed on whole lines";
    }

    const std::string results_ = "/p0/sale-fur/g-all";
    const std::string label_ = "県0 - 家具";
};

TEST_F(CrawlStopTest, WhileLookingForTheTotalFollowsNoLink) {
    StopWhenServing(results_, site_.ResultsPage(3, {1, 2, 3}));

    EXPECT_EQ(Run(), kNoRows);

    EXPECT_EQ(site_.RequestedPaths(), Strings{results_});
    EXPECT_EQ(Statuses(), Strings{Status(label_, 0, 0)});
    EXPECT_TRUE(frontEnd_.Calls("seen").empty());
    EXPECT_EQ(Rows().size(), 1u);
    ExpectRunEndedInTheFirstSearch();
}

TEST_F(CrawlStopTest, BeforeTheLinksEndsTheSearchWithItsTotalRead) {
    StopWhenServing(results_, site_.ResultsPage(3, {1, 2, 3}, true));

    EXPECT_EQ(Run(), kNoRows);

    EXPECT_EQ(site_.RequestedPaths(), Strings{results_});
    EXPECT_EQ(Statuses(), Strings{Status(label_, 0, 3)});
    EXPECT_TRUE(frontEnd_.Calls("seen").empty());
    ExpectRunEndedInTheFirstSearch();
}

TEST_F(CrawlStopTest, AfterALinkLineEndsTheWalkThere) {
    site_.AddResults("p0/sale-fur/g-all", 3, {1, 1, 2});
    frontEnd_.onCall = [this](const std::string& call) {
        if (call.rfind("seen", 0) == 0 && frontEnd_.Calls("seen").size() == 2) {
            Job().RequestStop();
        }
    };

    EXPECT_EQ(Run(), kRowsWritten);

    EXPECT_EQ(site_.RequestedPaths(),
              (Strings{results_, "/article/1", "/articles/images/thumb_1_1.jpg", "/articles/images/thumb_1_2.jpg"}));
    const std::vector<Strings> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][15], "3");
    ExpectRunEndedInTheFirstSearch();
}

TEST_F(CrawlStopTest, InsideItemExtractionStillWritesWhatWasRead) {
    StopWhenServing("/article/1", site_.ItemPage(1, 2));

    EXPECT_EQ(Run(), kRowsWritten);

    EXPECT_EQ(site_.RequestedPaths(), (Strings{results_, "/article/1"}));
    const std::vector<Strings> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][1], "品物1");
    EXPECT_EQ(rows[1][0], "p1");
    EXPECT_EQ(rows[1][15], "") << "the page data line comes after the stop";
    EXPECT_TRUE(std::filesystem::is_empty(outDir_.path() / "img"));
    ExpectRunEndedInTheFirstSearch();
}

TEST_F(CrawlStopTest, BetweenPhotographsEndsAfterTheCurrentOne) {
    StopWhenServing("/articles/images/thumb_1_1.jpg", "\xFF\xD8\xFF\xD9");

    EXPECT_EQ(Run(), kRowsWritten);

    EXPECT_EQ(site_.RequestedPaths(), (Strings{results_, "/article/1", "/articles/images/thumb_1_1.jpg"}));
    EXPECT_TRUE(std::filesystem::exists(outDir_.path() / "img" / "p1_0.jpg"));
    EXPECT_FALSE(std::filesystem::exists(outDir_.path() / "img" / "p1_1.jpg"));
    const std::vector<Strings> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][15], "3");
    EXPECT_EQ(rows[1][19], site_.server().Url("articles/images/thumb_1_2.jpg"));
    ExpectRunEndedInTheFirstSearch();
}

} // namespace
} // namespace vorn
