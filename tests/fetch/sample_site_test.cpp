#include "tools/sample_site/sample_site.h"

#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "tests/fetch/fetch_fixture.h"

namespace vorn::test {
namespace {

using site::SiteRequest;
using site::SiteResponse;

SiteResponse Page(std::string body) {
    SiteResponse answer;
    answer.body = std::move(body);
    return answer;
}

class SampleSiteTest : public FetchTest {
protected:
    std::string Fetch(const std::string& path) {
        const FetchResult result = FetchPage(site_.Url(path), File("tmp.dat"));
        return result.bodyWritten() ? std::to_string(result.httpStatus) + " " + ReadWholeFile(File("tmp.dat"))
                                    : "failed: " + result.error;
    }
};

TEST_F(SampleSiteTest, RoutesWinOverBuiltInsAndFallbackAndLaterRoutesOverEarlierOnes) {
    site_.SetFallback([](const std::string& path, const std::string& query) -> std::optional<SiteResponse> {
        if (path == "/nothing") {
            return std::nullopt;
        }
        return Page("fallback " + path + " " + query);
    });
    site_.Handle("/article/*", [](const SiteRequest& r) { return Page("article " + r.path); });
    site_.Handle("/article/7", [](const SiteRequest&) { return Page("seven"); });
    site_.Handle("/test/empty", [](const SiteRequest&) { return Page("mine"); });

    EXPECT_EQ(Fetch("/article/12"), "200 article /article/12");
    EXPECT_EQ(Fetch("/article/7"), "200 seven");
    EXPECT_EQ(Fetch("/test/empty"), "200 mine");
    EXPECT_EQ(Fetch("/test/status/503"), "503 status 503");
    EXPECT_EQ(Fetch("/tokyo/sale-fur/g-all?keyword=%E6%9C%BA"), "200 fallback /tokyo/sale-fur/g-all keyword=%E6%9C%BA");
    EXPECT_EQ(Fetch("/nothing").substr(0, 4), "404 ");
}

TEST_F(SampleSiteTest, LogsRawPathQueryAndAgentInOrder) {
    Fetch("/all/sale-all/g-all?keyword=a%20b&x=1");
    Fetch("/article/1");
    const auto requests = site_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/all/sale-all/g-all");
    EXPECT_EQ(requests[0].query, "keyword=a%20b&x=1");
    EXPECT_EQ(requests[0].userAgent, UserAgent(0));
    EXPECT_EQ(requests[1].path, "/article/1");
    EXPECT_EQ(requests[1].query, "");
    EXPECT_LE(requests[0].received, requests[1].received);
    site_.ClearRequests();
    EXPECT_TRUE(site_.Requests().empty());
}

TEST_F(SampleSiteTest, DelayedAndDrippedAnswersArriveWhole) {
    EXPECT_EQ(Fetch("/test/delay?ms=50"), "200 late");
    EXPECT_EQ(Fetch("/test/drip?bytes=5&ms=10"), "200 xxxxx");
}

TEST_F(SampleSiteTest, StopEndsAnAnswerThatNeverComes) {
    FetchSettings patient = ShortFetchSettings();
    patient.idleTimeoutSeconds = 600;
    patient.totalTimeoutSeconds = 600;
    SetFetchSettings(patient);
    auto fetch = std::async(std::launch::async, [this] { return FetchPage(site_.Url("/test/hang"), File("tmp.dat")); });
    while (site_.Requests().empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    site_.Stop();
    EXPECT_EQ(fetch.get().outcome, FetchResult::Outcome::Transport);
    site_.Stop();
}

} // namespace
} // namespace vorn::test
