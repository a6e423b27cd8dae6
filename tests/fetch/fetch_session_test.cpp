#include "web/fetch_session.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fetch/fetch_fixture.h"
#include "tools/sample_site/raw_recording_server.h"
#include "web/fetch_page.h"

namespace vorn::test {
namespace {

using site::SiteRequest;
using site::SiteResponse;

class FetchSessionTest : public FetchTest {
protected:
    FetchSessionTest() {
        site_.Handle("/page", [](const SiteRequest& request) {
            SiteResponse answer;
            answer.body = "page " + request.query;
            return answer;
        });
    }

    std::string Fetch(const std::string& path) {
        const FetchResult result = FetchPage(site_.Url(path), File("tmp.dat"));
        return result.bodyWritten() ? std::to_string(result.httpStatus) + " " + ReadWholeFile(File("tmp.dat"))
                                    : "failed";
    }

    std::set<int> ClientPorts() const {
        std::set<int> ports;
        for (const SiteRequest& request : site_.Requests()) {
            ports.insert(request.clientPort);
        }
        return ports;
    }
};

TEST_F(FetchSessionTest, FetchesOfASessionShareOneConnectionAndOthersTakeOneEach) {
    {
        const FetchSession session;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(Fetch("/page?" + std::to_string(i)), "200 page " + std::to_string(i));
        }
        EXPECT_TRUE(DownloadFile(site_.Url("/page?photo"), File("photo.jpg")).bodyWritten());
    }
    EXPECT_EQ(ClientPorts().size(), 1u);

    site_.ClearRequests();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Fetch("/page"), "200 page ");
    }
    EXPECT_EQ(ClientPorts().size(), 3u);
}

TEST_F(FetchSessionTest, AnInnerSessionLeavesTheOuterOnesConnectionOpen) {
    const FetchSession outer;
    EXPECT_EQ(Fetch("/page?1"), "200 page 1");
    {
        const FetchSession inner;
        EXPECT_EQ(Fetch("/page?2"), "200 page 2");
    }
    EXPECT_EQ(Fetch("/page?3"), "200 page 3");
    EXPECT_EQ(ClientPorts().size(), 1u);
}

// The kept connection changes nothing the site receives; a server that closes after every
// answer gets a new connection each time.
TEST_F(FetchSessionTest, RequestsCarryTheSameBytesAndOutliveAServerThatCloses) {
    site::RawRecordingServer server(site::RawRecordingServer::Transport::Tls, "answer");
    const FetchSession session;
    for (int i = 0; i < 3; ++i) {
        const FetchResult result = FetchPage(server.baseUrl() + "article/1", File("tmp.dat"));
        ASSERT_TRUE(result.bodyWritten()) << i << ": " << result.error;
        EXPECT_EQ(ReadWholeFile(File("tmp.dat")), "answer");
    }
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const int agents[] = {0, 0, 4};
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i], "GET /article/1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                   "\r\nUser-Agent: " + UserAgent(agents[i]) + "\r\n" + kRequestHeaders + "\r\n\r\n");
    }
}

// A kept connection was verified with the settings of its time; it must not carry a fetch that
// the settings of now would refuse.
TEST_F(FetchSessionTest, AKeptConnectionIsNotReusedOnceItsCaIsNoLongerTrusted) {
    const FetchSession session;
    EXPECT_EQ(Fetch("/page"), "200 page ");
    FetchSettings untrusting = ShortFetchSettings();
    untrusting.extraCaFile.clear();
    SetFetchSettings(untrusting);
    EXPECT_EQ(Fetch("/page"), "failed");
}

struct SessionFailure {
    const char* name;
    const char* path;
};

class FetchSessionFailureTest : public FetchSessionTest, public testing::WithParamInterface<SessionFailure> {};

// Whatever became of one transfer, the next one on the session gets its whole page.
TEST_P(FetchSessionFailureTest, TheNextFetchArrivesWhole) {
    FetchSettings settings = ShortFetchSettings();
    settings.maxBodyBytes = 1000;
    SetFetchSettings(settings);
    const FetchSession session;
    EXPECT_EQ(Fetch("/page?before"), "200 page before");
    Fetch(GetParam().path);
    EXPECT_EQ(Fetch("/page?after"), "200 page after");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FetchSessionFailureTest,
    testing::Values(SessionFailure{"CutOff", "/test/cutoff?bytes=5000"}, SessionFailure{"Dropped", "/test/drop"},
                    SessionFailure{"OverSizeLimit", "/test/drip?bytes=2000&ms=0"},
                    SessionFailure{"RedirectLoop", "/test/loop"}, SessionFailure{"ServerError", "/test/status/500"},
                    SessionFailure{"NotFound", "/nothing-here"}),
    [](const testing::TestParamInfo<SessionFailure>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vorn::test
