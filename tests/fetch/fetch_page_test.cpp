#include "web/fetch_page.h"

#include <cstdlib>
#include <map>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fetch/fetch_fixture.h"
#include "tests/support/file_size_limit.h"
#include "tools/sample_site/raw_recording_server.h"
#include "tools/sample_site/refused_port.h"

namespace vorn::test {
namespace {

using Outcome = FetchResult::Outcome;
using site::SiteRequest;
using site::SiteResponse;

SiteResponse Page(std::string body) {
    SiteResponse answer;
    answer.body = std::move(body);
    return answer;
}

TEST(UserAgentSequence, StartsWithTheFixedPicksAndReturnsToThemAfterAReset) {
    ResetUserAgentSequence();
    std::vector<int> picks;
    for (int i = 0; i < 10; ++i) {
        picks.push_back(NextUserAgentIndex());
    }
    EXPECT_EQ(picks, (std::vector<int>{0, 0, 4, 1, 1, 3, 1, 0, 1, 2}));
    ResetUserAgentSequence();
    EXPECT_EQ(NextUserAgentIndex(), 0);
}

TEST(UserAgentSequence, TwoThreadsDrawingTogetherUseEachStepOfTheSequenceOnce) {
    constexpr int kDraws = 20000;
    ResetUserAgentSequence();
    std::map<int, int> expected;
    for (int i = 0; i < 2 * kDraws; ++i) {
        ++expected[NextUserAgentIndex()];
    }
    const int afterwards = NextUserAgentIndex();

    ResetUserAgentSequence();
    std::map<int, int> drawn[2];
    std::vector<std::thread> threads;
    for (auto& counts : drawn) {
        threads.emplace_back([&counts] {
            for (int i = 0; i < kDraws; ++i) {
                ++counts[NextUserAgentIndex()];
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::map<int, int> together = drawn[0];
    for (const auto& [index, count] : drawn[1]) {
        together[index] += count;
    }
    EXPECT_EQ(together, expected);
    EXPECT_EQ(NextUserAgentIndex(), afterwards);
}

class FetchPageTest : public FetchTest {};

TEST_F(FetchPageTest, FirstThreeFetchesSendAgentsZeroZeroFour) {
    site_.Handle("/page", [](const SiteRequest&) { return Page("ok"); });
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(FetchPage(site_.Url("/page"), File("tmp.dat")).bodyWritten());
    }
    const auto requests = site_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].userAgent, UserAgent(0));
    EXPECT_EQ(requests[1].userAgent, UserAgent(0));
    EXPECT_EQ(requests[2].userAgent, UserAgent(4));
}

class RequestBlockTest : public FetchTest, public testing::WithParamInterface<site::RawRecordingServer::Transport> {};

TEST_P(RequestBlockTest, CarriesHostAgentAndTheFiveLinesAndNothingElse) {
    site::RawRecordingServer server(GetParam(), "answer");
    const FetchResult result = FetchPage(server.baseUrl() + "all/sale-all/g-all?keyword=%E6%9C%BA", File("tmp.dat"));
    ASSERT_TRUE(result.bodyWritten()) << result.error;
    EXPECT_EQ(ReadWholeFile(File("tmp.dat")), "answer");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "GET /all/sale-all/g-all?keyword=%E6%9C%BA HTTP/1.1\r\n"
                           "Host: 127.0.0.1:" +
                               std::to_string(server.port()) +
                               "\r\n"
                               "User-Agent: " +
                               UserAgent(0) + "\r\n" + kRequestHeaders + "\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, RequestBlockTest,
                         testing::Values(site::RawRecordingServer::Transport::Plain,
                                         site::RawRecordingServer::Transport::Tls),
                         [](const auto& info) {
                             return info.param == site::RawRecordingServer::Transport::Tls ? "Tls" : "Plain";
                         });

TEST_F(FetchPageTest, StoresTheBodyWhateverTheStatus) {
    for (const int status : {200, 404, 429, 500, 503}) {
        site_.Handle("/page", [status](const SiteRequest&) {
            SiteResponse answer = Page("<html>page " + std::to_string(status) + "</html>\n");
            answer.status = status;
            return answer;
        });
        const FetchResult result = FetchPage(site_.Url("/page"), File("tmp.dat"));
        EXPECT_EQ(result.outcome, Outcome::Body) << status;
        EXPECT_EQ(result.httpStatus, status);
        EXPECT_EQ(ReadWholeFile(File("tmp.dat")), "<html>page " + std::to_string(status) + "</html>\n");
    }
}

// The page file is written over in place: nothing of a longer earlier page may remain, and a
// read-only file left in the way is replaced.
TEST_F(FetchPageTest, EarlierPageIsReplacedWhole) {
    site_.Handle("/short", [](const SiteRequest&) { return Page("<html>short</html>\n"); });
    WriteWholeFile(File("tmp.dat"), std::string(300000, 'e'));
    ASSERT_TRUE(FetchPage(site_.Url("/short"), File("tmp.dat")).bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("tmp.dat")), "<html>short</html>\n");

    std::string kept;
    WriteWholeFile(File("tmp.dat"), std::string(300000, 'e'));
    ASSERT_TRUE(FetchPage(site_.Url("/short"), File("tmp.dat"), kept).bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("tmp.dat")), "<html>short</html>\n");
    EXPECT_EQ(kept, "<html>short</html>\n");

    WriteWholeFile(File("tmp.dat"), std::string(300000, 'e'));
    std::filesystem::permissions(File("tmp.dat"), std::filesystem::perms::owner_read);
    ASSERT_TRUE(FetchPage(site_.Url("/short"), File("tmp.dat")).bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("tmp.dat")), "<html>short</html>\n");
}

TEST_F(FetchPageTest, EmptyBodyGivesAnEmptyFile) {
    WriteWholeFile(File("tmp.dat"), "previous page");
    ASSERT_TRUE(FetchPage(site_.Url("/test/empty"), File("tmp.dat")).bodyWritten());
    ASSERT_TRUE(std::filesystem::exists(File("tmp.dat")));
    EXPECT_EQ(std::filesystem::file_size(File("tmp.dat")), 0u);
}

TEST_F(FetchPageTest, FollowsARedirect) {
    site_.Handle("/target", [](const SiteRequest&) { return Page("arrived"); });
    const FetchResult result = FetchPage(site_.Url("/test/redirect?to=%2Ftarget"), File("tmp.dat"));
    ASSERT_TRUE(result.bodyWritten()) << result.error;
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(ReadWholeFile(File("tmp.dat")), "arrived");
}

TEST_F(FetchPageTest, LargeBodyArrivesWholeAndZeroBytesCutOnlyTheirChunk) {
    std::string body;
    for (int i = 0; body.size() < 300000; ++i) {
        body += "<div class=\"row\">" + std::to_string(i) + "</div>\n";
    }
    std::string withZero = body;
    withZero[150500] = '\0';
    site_.Handle("/large", [&body](const SiteRequest&) { return Page(body); });
    site_.Handle("/zero", [&withZero](const SiteRequest&) { return Page(withZero); });

    ASSERT_TRUE(FetchPage(site_.Url("/large"), File("large.dat")).bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("large.dat")), body);
    ASSERT_TRUE(FetchPage(site_.Url("/zero"), File("zero.dat")).bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("zero.dat")), body.substr(0, 150500) + body.substr(151000));

    // The bytes handed back are the file's, across the pieces it is written in; a failed fetch
    // hands back none.
    std::string written = "earlier";
    ASSERT_TRUE(FetchPage(site_.Url("/zero"), File("zero.dat"), written).bodyWritten());
    EXPECT_EQ(written, ReadWholeFile(File("zero.dat")));
    const std::string refused = "http://127.0.0.1:" + std::to_string(site::RefusedLoopbackPort()) + "/";
    EXPECT_FALSE(FetchPage(refused, File("zero.dat"), written).bodyWritten());
    EXPECT_TRUE(written.empty());
    EXPECT_FALSE(std::filesystem::exists(File("zero.dat")));
}

struct FailureCase {
    const char* name;
    std::string path; // on the sample site; "refused" means a port nobody listens on
    FetchSettings (*settings)();
};

FetchSettings Shortened() { return ShortFetchSettings(); }

FetchSettings OneSecondIdle() {
    FetchSettings settings = ShortFetchSettings();
    settings.idleTimeoutSeconds = 1;
    return settings;
}

FetchSettings OneSecondTotal() {
    FetchSettings settings = ShortFetchSettings();
    settings.totalTimeoutSeconds = 1;
    return settings;
}

FetchSettings HundredBytesAtMost() {
    FetchSettings settings = ShortFetchSettings();
    settings.maxBodyBytes = 100;
    return settings;
}

class FetchFailureTest : public FetchTest, public testing::WithParamInterface<FailureCase> {};

// Whatever ends a fetch early, the scratch file must not keep the previous page or a partial one.
TEST_P(FetchFailureTest, LeavesNoFile) {
    const FailureCase& c = GetParam();
    SetFetchSettings(c.settings());
    const std::string url =
        c.path == "refused" ? "http://127.0.0.1:" + std::to_string(site::RefusedLoopbackPort()) + "/all/sale-all/g-all"
        : c.path.find("://") != std::string::npos ? c.path
                                                  : site_.Url(c.path);
    WriteWholeFile(File("tmp.dat"), "previous page");
    const FetchResult result = FetchPage(url, File("tmp.dat"));
    EXPECT_EQ(result.outcome, Outcome::Transport) << result.error;
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.siteUnreachable());
    EXPECT_FALSE(std::filesystem::exists(File("tmp.dat")));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FetchFailureTest,
    testing::Values(FailureCase{"RefusedConnection", "refused", Shortened},
                    FailureCase{"BodyCutOff", "/test/cutoff?bytes=5000", Shortened},
                    FailureCase{"ConnectionDropped", "/test/drop", Shortened},
                    FailureCase{"FileScheme", "file:///etc/hostname", Shortened},
                    FailureCase{"FtpScheme", "ftp://127.0.0.1/pub/page.html", Shortened},
                    FailureCase{"RedirectToFile", "/test/redirect?to=file%3A%2F%2F%2Fetc%2Fhostname", Shortened},
                    FailureCase{"RedirectToFtp", "/test/redirect?to=ftp%3A%2F%2F127.0.0.1%2Fpage.html", Shortened},
                    FailureCase{"RedirectLoop", "/test/loop", Shortened},
                    FailureCase{"NoAnswerPastIdleLimit", "/test/hang", OneSecondIdle},
                    FailureCase{"DripPastTotalLimit", "/test/drip?bytes=100&ms=50", OneSecondTotal},
                    FailureCase{"BodyOverSizeLimit", "/test/drip?bytes=400&ms=0", HundredBytesAtMost}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// Without an announced length only the bytes counted on arrival can stop an endless body.
TEST_F(FetchPageTest, BodyWithoutAnnouncedLengthIsHeldToTheSizeLimit) {
    site::RawRecordingServer server;
    server.AnswerVerbatim("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(1000, 'x'));
    FetchSettings settings = ShortFetchSettings();
    settings.maxBodyBytes = 999;
    SetFetchSettings(settings);
    EXPECT_EQ(FetchPage(server.baseUrl(), File("tmp.dat")).outcome, Outcome::Transport);
    EXPECT_FALSE(std::filesystem::exists(File("tmp.dat")));

    settings.maxBodyBytes = 1000;
    SetFetchSettings(settings);
    EXPECT_TRUE(FetchPage(server.baseUrl(), File("tmp.dat")).bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("tmp.dat")), std::string(1000, 'x'));
}

TEST_F(FetchPageTest, UnwritableFileIsAFileFailure) {
    const FetchResult result = FetchPage(site_.Url("/test/empty"), File("missing-folder/tmp.dat"));
    EXPECT_EQ(result.outcome, Outcome::File);
    EXPECT_FALSE(std::filesystem::exists(File("missing-folder")));
}

// A page goes to the file in one write when it is complete; that write refused must fail the fetch.
TEST_F(FetchPageTest, APageTheDiskCannotHoldIsAFileFailureAndLeavesNoFile) {
    const std::string body(300000, 'p');
    site_.Handle("/large", [&body](const SiteRequest&) { return Page(body); });
    FetchResult result;
    {
        test::FileSizeLimit limit;
        limit.Apply(100000);
        result = FetchPage(site_.Url("/large"), File("tmp.dat"));
    }

    EXPECT_EQ(result.outcome, Outcome::File) << result.error;
    EXPECT_FALSE(std::filesystem::exists(File("tmp.dat")));
    EXPECT_TRUE(FetchPage(site_.Url("/large"), File("tmp.dat")).bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("tmp.dat")), body);

    // A caller that keeps the bytes is left none either.
    std::string kept;
    {
        test::FileSizeLimit limit;
        limit.Apply(100000);
        result = FetchPage(site_.Url("/large"), File("tmp.dat"), kept);
    }
    EXPECT_EQ(result.outcome, Outcome::File) << result.error;
    EXPECT_FALSE(std::filesystem::exists(File("tmp.dat")));
    EXPECT_TRUE(kept.empty());
}

TEST_F(FetchPageTest, TrustsTheSiteOnlyThroughTheExtraCaFile) {
    FetchSettings settings = ShortFetchSettings();
    settings.extraCaFile.clear();
    SetFetchSettings(settings);
    const FetchResult untrusted = FetchPage(site_.Url("/test/empty"), File("tmp.dat"));
    EXPECT_EQ(untrusted.outcome, Outcome::Transport);
    EXPECT_FALSE(std::filesystem::exists(File("tmp.dat")));

    SetFetchSettings(ShortFetchSettings());
    EXPECT_TRUE(FetchPage(site_.Url("/test/empty"), File("tmp.dat")).bodyWritten());
}

TEST_F(FetchPageTest, IgnoresProxiesInTheEnvironment) {
    const std::string deadProxy = "http://127.0.0.1:" + std::to_string(site::RefusedLoopbackPort());
    const char* names[] = {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"};
    for (const char* name : names) {
        setenv(name, deadProxy.c_str(), 1);
    }
    site::RawRecordingServer plain(site::RawRecordingServer::Transport::Plain, "plain");
    const FetchResult overHttps = FetchPage(site_.Url("/test/status/200"), File("https.dat"));
    const FetchResult overHttp = FetchPage(plain.baseUrl(), File("http.dat"));
    for (const char* name : names) {
        unsetenv(name);
    }
    EXPECT_TRUE(overHttps.bodyWritten()) << overHttps.error;
    EXPECT_TRUE(overHttp.bodyWritten()) << overHttp.error;
    EXPECT_EQ(ReadWholeFile(File("http.dat")), "plain");
}

} // namespace
} // namespace vorn::test
