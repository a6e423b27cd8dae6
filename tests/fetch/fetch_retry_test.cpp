#include "web/fetch_retry.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fetch/fetch_fixture.h"

namespace vorn::test {
namespace {

using namespace std::chrono_literals;
using Outcome = FetchResult::Outcome;
using site::SiteRequest;
using site::SiteResponse;

FetchResult Answered(long status, long retryAfterSeconds = 0, Outcome outcome = Outcome::Body) {
    FetchResult result;
    result.outcome = outcome;
    result.httpStatus = status;
    result.retryAfterSeconds = retryAfterSeconds;
    return result;
}

TEST(FetchRetryRules, OnlyRefusalsTheSiteMayLiftAndSilenceAreTriedAgain) {
    struct Case {
        const char* name;
        FetchResult result;
        bool worth;
    };
    const Case cases[] = {
        {"429", Answered(429), true},
        {"503", Answered(503), true},
        {"503 photograph", Answered(503, 0, Outcome::Transport), true},
        {"no answer", Answered(0, 0, Outcome::Transport), true},
        {"200", Answered(200), false},
        {"404", Answered(404), false},
        {"500", Answered(500), false},
        {"cut off after a 200", Answered(200, 0, Outcome::Transport), false},
        {"scratch file not written", Answered(0, 0, Outcome::File), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WorthRetrying(c.result), c.worth) << c.name;
    }
}

TEST(FetchRetryRules, DelayIsRetryAfterCappedOrElseDoublesFromOneSecond) {
    EXPECT_EQ(RetryDelay(Answered(503), 1), 1s);
    EXPECT_EQ(RetryDelay(Answered(503), 2), 2s);
    EXPECT_EQ(RetryDelay(Answered(503), 5), 16s);
    EXPECT_EQ(RetryDelay(Answered(503, 7), 1), 7s);
    EXPECT_EQ(RetryDelay(Answered(429, 7), 4), 7s) << "Retry-After wins over the doubling";
    EXPECT_EQ(RetryDelay(Answered(503, 86400), 1), 120s);
}

// Tries of one fetch as the site's log has them, and when the pauses the site is owed came.
class FetchRetryTest : public FetchTest {
protected:
    FetchRetryTest() { ResetUserAgentSequence(); }

    // The first `refusals` requests of path get `refusal`, the rest a page.
    void Refuse(const std::string& path, int refusals, SiteResponse refusal) {
        site_.Handle(path, [this, refusals, refusal](const SiteRequest&) {
            if (served_++ < refusals) {
                return refusal;
            }
            SiteResponse page;
            page.body = "served";
            return page;
        });
    }

    FetchResult Fetch(const std::string& path, int retries) {
        RetryPolicy policy;
        policy.retries = retries;
        policy.pause = [this] { pauses_.push_back(std::chrono::steady_clock::now()); };
        return FetchWithRetries(policy, [&] { return FetchPage(site_.Url(path), File("tmp.dat"), page_); });
    }

    static SiteResponse Status(int status, std::string retryAfter = {}) {
        SiteResponse answer;
        answer.status = status;
        answer.body = "busy";
        if (!retryAfter.empty()) {
            answer.headers.emplace_back("Retry-After", std::move(retryAfter));
        }
        return answer;
    }

    std::vector<int> Agents() const {
        std::vector<int> agents;
        for (const SiteRequest& request : site_.Requests()) {
            int index = 0;
            while (index < 5 && request.userAgent != UserAgent(index)) {
                ++index;
            }
            agents.push_back(index);
        }
        return agents;
    }

    std::atomic<int> served_{0};
    std::vector<std::chrono::steady_clock::time_point> pauses_;
    std::string page_;
};

TEST_F(FetchRetryTest, RetryAfterIsWaitedAfterThePauseAndEveryTryTakesTheNextAgent) {
    Refuse("/busy", 2, Status(503, "1"));
    const FetchResult result = Fetch("/busy", 3);
    EXPECT_TRUE(result.bodyWritten());
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(page_, "served");

    const std::vector<SiteRequest> requests = site_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(Agents(), (std::vector<int>{0, 0, 4}));
    ASSERT_EQ(pauses_.size(), 2u) << "the pause after the last try is the caller's";
    for (std::size_t i = 1; i < requests.size(); ++i) {
        EXPECT_LT(requests[i - 1].received, pauses_[i - 1]);
        EXPECT_GE(requests[i].received - pauses_[i - 1], 1s) << "Retry-After: 1 after try " << i;
    }
}

TEST_F(FetchRetryTest, AnHttpDateInRetryAfterIsWaitedFor) {
    // Three seconds from the answer, so at least two whatever the second it falls in.
    const std::time_t then = std::time(nullptr) + 3;
    std::tm utc{};
    gmtime_r(&then, &utc);
    char date[64];
    std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    Refuse("/busy", 1, Status(429, date));
    const FetchResult result = Fetch("/busy", 1);
    EXPECT_EQ(result.httpStatus, 200);
    ASSERT_EQ(site_.Requests().size(), 2u);
    EXPECT_GE(site_.Requests()[1].received - site_.Requests()[0].received, 2s) << "not the doubling's one second";
}

TEST_F(FetchRetryTest, ASilentServerIsAskedAgainAfterASecond) {
    FetchSettings settings = ShortFetchSettings();
    settings.idleTimeoutSeconds = 1;
    SetFetchSettings(settings);
    // Silent past the idle limit, yet done before the retry comes: the sample site's HTTP
    // library serves two connections at once with a race of its own.
    SiteResponse silent;
    silent.delay = std::chrono::milliseconds(1500);
    silent.body = "too late";
    Refuse("/silent", 1, silent);

    const FetchResult result = Fetch("/silent", 1);
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(page_, "served");
    ASSERT_EQ(site_.Requests().size(), 2u);
    ASSERT_EQ(pauses_.size(), 1u);
    EXPECT_GE(site_.Requests()[1].received - pauses_[0], 1s);
    EXPECT_EQ(Agents(), (std::vector<int>{0, 0}));
}

TEST_F(FetchRetryTest, OnlyTheLastTryCountsAndNoneIsMadeByDefault) {
    Refuse("/busy", 100, Status(503));
    const FetchResult once = Fetch("/busy", 0);
    EXPECT_EQ(site_.Requests().size(), 1u) << "off by default";
    EXPECT_TRUE(pauses_.empty());
    EXPECT_TRUE(once.siteUnreachable());

    site_.ClearRequests();
    const FetchResult twice = Fetch("/busy", 1);
    EXPECT_EQ(site_.Requests().size(), 2u);
    EXPECT_EQ(twice.httpStatus, 503);
    EXPECT_TRUE(twice.siteUnreachable());

    site_.ClearRequests();
    const FetchResult notFound = Fetch("/nothing-here", 5);
    EXPECT_EQ(site_.Requests().size(), 1u) << "a 404 is the site's answer";
    EXPECT_EQ(notFound.httpStatus, 404);
}

TEST_F(FetchRetryTest, AStopCutsTheWaitShort) {
    Refuse("/busy", 100, Status(503, "100"));
    RetryPolicy policy;
    policy.retries = 5;
    int asked = 0;
    policy.stopRequested = [&asked] { return ++asked > 3; };
    const auto started = std::chrono::steady_clock::now();
    const FetchResult result =
        FetchWithRetries(policy, [&] { return FetchPage(site_.Url("/busy"), File("tmp.dat"), page_); });
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(result.httpStatus, 503);
    EXPECT_EQ(site_.Requests().size(), 1u);
}

TEST_F(FetchRetryTest, APhotographRefusedWith503IsDownloadedOnTheRetry) {
    Refuse("/photo.jpg", 1, Status(503, "1"));
    RetryPolicy policy;
    policy.retries = 1;
    const FetchResult result =
        FetchWithRetries(policy, [&] { return DownloadFile(site_.Url("/photo.jpg"), File("photo.jpg")); });
    EXPECT_TRUE(result.bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("photo.jpg")), "served");
    EXPECT_EQ(site_.Requests().size(), 2u);
}

} // namespace
} // namespace vorn::test
