#include <gtest/gtest.h>

#include "tests/fetch/fetch_fixture.h"
#include "tools/sample_site/refused_port.h"
#include "web/fetch_page.h"

namespace vorn::test {
namespace {

using Outcome = FetchResult::Outcome;
using site::SiteRequest;
using site::SiteResponse;

// Photographs are binary: zero bytes and all must survive.
const std::string kPhoto =
    std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 12) + std::string(3000, '\x00') + "\xFF\xD9";
const std::string kEarlierPhoto = "earlier good photograph";

class DownloadFileTest : public FetchTest {
protected:
    DownloadFileTest() {
        site_.Handle("/articles/images/thumb_1.jpg", [](const SiteRequest&) {
            SiteResponse answer;
            answer.contentType = "image/jpeg";
            answer.body = kPhoto;
            return answer;
        });
    }

    // Only the target may be in the folder afterwards: no temporary leftovers.
    void ExpectOnlyTheTargetInTheFolder() const {
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
            EXPECT_EQ(entry.path().filename(), "abc_0.jpg");
        }
    }
};

TEST_F(DownloadFileTest, ReplacesAnEarlierFileWithTheExactBytes) {
    WriteWholeFile(File("abc_0.jpg"), kEarlierPhoto);
    const FetchResult result = DownloadFile(site_.Url("/articles/images/thumb_1.jpg"), File("abc_0.jpg"));
    ASSERT_EQ(result.outcome, Outcome::Body) << result.error;
    EXPECT_EQ(ReadWholeFile(File("abc_0.jpg")), kPhoto);
    ExpectOnlyTheTargetInTheFolder();
}

TEST_F(DownloadFileTest, FollowsARedirectToThePhotograph) {
    ASSERT_TRUE(DownloadFile(site_.Url("/test/redirect?to=%2Farticles%2Fimages%2Fthumb_1.jpg"), File("abc_0.jpg"))
                    .bodyWritten());
    EXPECT_EQ(ReadWholeFile(File("abc_0.jpg")), kPhoto);
}

struct DownloadFailure {
    const char* name;
    std::string path; // on the sample site; "refused" means a port nobody listens on
    long httpStatus;
};

class DownloadFailureTest : public DownloadFileTest, public testing::WithParamInterface<DownloadFailure> {};

TEST_P(DownloadFailureTest, KeepsTheEarlierFileAndLeavesNothingElse) {
    const std::string& path = GetParam().path;
    const std::string url = path == "refused"
                                ? "http://127.0.0.1:" + std::to_string(site::RefusedLoopbackPort()) + "/x.jpg"
                                : site_.Url(path);
    WriteWholeFile(File("abc_0.jpg"), kEarlierPhoto);
    const FetchResult result = DownloadFile(url, File("abc_0.jpg"));
    EXPECT_EQ(result.outcome, Outcome::Transport);
    EXPECT_EQ(result.httpStatus, GetParam().httpStatus);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(ReadWholeFile(File("abc_0.jpg")), kEarlierPhoto);
    ExpectOnlyTheTargetInTheFolder();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DownloadFailureTest,
    testing::Values(DownloadFailure{"NotFound", "/test/status/404", 404},
                    DownloadFailure{"ServerError", "/test/status/500", 500},
                    DownloadFailure{"BodyCutOff", "/test/cutoff?bytes=5000", 200},
                    DownloadFailure{"ConnectionDropped", "/test/drop", 0},
                    DownloadFailure{"RedirectToFile", "/test/redirect?to=file%3A%2F%2F%2Fetc%2Fhostname", 302},
                    DownloadFailure{"RefusedConnection", "refused", 0}),
    [](const testing::TestParamInfo<DownloadFailure>& info) { return std::string(info.param.name); });

TEST_F(DownloadFileTest, MissingFolderIsAFileFailure) {
    const FetchResult result =
        DownloadFile(site_.Url("/articles/images/thumb_1.jpg"), File("no-such-folder/abc_0.jpg"));
    EXPECT_EQ(result.outcome, Outcome::File);
    EXPECT_FALSE(std::filesystem::exists(File("no-such-folder")));
}

} // namespace
} // namespace vorn::test
