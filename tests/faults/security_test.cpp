// Text from the site reaching something that acts on it: photograph file names, the addresses
// the fetcher is given, the CSV's quoting, and the terminal's status line. (SQL values and the
// settings file are proved in tests/catalogue and tests/app_core; docs/security.md lists all.)
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/cli/terminal_progress.h"
#include "extract/item_images.h"
#include "tests/faults/fault_run_fixture.h"
#include "tools/sample_site/raw_recording_server.h"
#include "web/cp932.h"

namespace vorn {
namespace {

using namespace test;
namespace fs = std::filesystem;

class SecurityRunTest : public FaultRunTest {
protected:
    // Article 3's page with its post ID and title replaced.
    void ServeItem3(const std::string& postId, const std::string& title, int images = 2) {
        std::string page = site_.ItemPage(3, images);
        page.replace(page.find("p3"), 2, postId);
        page.replace(page.find("品物3"), std::string("品物3").size(), title);
        Serve("/article/3", Page(page));
    }

    // Every file under the image folder, relative to it.
    std::vector<std::string> ImageFiles() {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(outDir_.path())) {
            if (entry.is_regular_file() && entry.path() != csvFile()) {
                files.push_back(fs::relative(entry.path(), selection().imageDir).string());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(SecurityRunTest, PostIdsNameFilesOnlyInsideTheImageFolder) {
    selection().saveImages = true;
    site_.AddResults("p0/sale-fur/g-all", 1, {1});
    site_.AddResults("p0/sale-ele/g-all", 1, {3});
    site_.AddItems({1}, 1);
    ServeItem3("../../escaped", "品物3", 1);
    EXPECT_EQ(Run(), kRowsWritten);
    EXPECT_EQ(ImageFiles(), (std::vector<std::string>{"___.._escaped_0.jpg", "p1_0.jpg"}));

    // Longer than a file name may be: cut to fit, the photograph still saved and the run a success.
    std::string longId;
    for (int i = 0; i < 150; ++i) {
        longId += "品";
    }
    ServeItem3(longId, "品物3", 1);
    fs::remove_all(selection().imageDir);
    fs::create_directory(selection().imageDir);
    EXPECT_EQ(RunFresh(), kRowsWritten);
    const std::vector<std::string> files = ImageFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_LE(files[1].size(), 255u);
    EXPECT_EQ(files[1].rfind("品品", 0), 0u) << "cut between characters";
    EXPECT_TRUE(files[1].ends_with("品_0.jpg")) << files[1];
}

TEST_F(SecurityRunTest, QuotesAndCommasFromThePageStayInsideTheirValue) {
    const std::string title = "a \"quoted\", \"\" b,c &quot;d&quot;";
    ServeItem3("p\"3,", title);
    EXPECT_EQ(Run(), kRowsWritten);
    const std::vector<Strings> rows = WellFormedRows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3][1], title);
    EXPECT_EQ(rows[3][0], "p\"3,");
}

// Item pages are always asked for over https (the page's own scheme word is replaced), and
// photographs by an address that starts with "http"; the fetcher itself follows http and https
// only, redirects included (tests/fetch). So a hostile page can name other hosts, never a file.
TEST_F(SecurityRunTest, LinksToOtherSchemesReachNoFile) {
    selection().saveImages = true;
    Serve(kFaultSearch, Page(CrawlTestSite::ResultsLinking(2, {"file:///etc/hostname", site_.ArticleUrl(3)})));
    std::string item = site_.ItemPage(3, 1);
    const std::string photo = site_.server().Url("articles/images/thumb_s_3_1.jpg");
    item.replace(item.find(photo), photo.size(), "httpfile:///etc/hostname/articles/images/x.jpg");
    Serve("/article/3", Page(item));

    EXPECT_EQ(Run(), kSiteUnreachable) << "neither address is served";

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({" @ https:///etc/hostname", "品物3 @ /article/3"}));
    EXPECT_EQ(WellFormedRows()[4][18], "httpfile:///etc/hostname/articles/images/x.jpg");
    EXPECT_FALSE(fs::exists(selection().imageDir / "p3_0.jpg"));
}

// City and sub-genre codes come from the site through the catalogue refresh; they are joined to
// the base URL after its slash, so whatever they hold is path on the configured site.
TEST_F(SecurityRunTest, CatalogueCodesFromTheSiteCannotChangeTheHost) {
    frontEnd_.areaPaths[{0, 0}] = "p0,@127.0.0.2:1/x?y=1#//127.0.0.3/";
    selection().genreNodes[0].code = "//127.0.0.4:1/@127.0.0.5";
    EXPECT_EQ(Run(), kNoRows) << "the site has no such searches and says so with a 404";
    Strings searches;
    for (const std::string& path : site_.RequestedPaths()) {
        if (path.rfind("/p0/", 0) == 0) {
            searches.push_back(path);
        }
    }
    EXPECT_EQ(searches,
              (Strings{"/p0///127.0.0.4:1/@127.0.0.5/@127.0.0.2:1/x?y=1", "/p0/sale-ele/g-all/@127.0.0.2:1/x?y=1"}));
}

TEST(FetchedAddressTest, BlanksInAnAddressCannotAddARequestHeader) {
    site::RawRecordingServer server;
    TempDir folder;
    for (const std::string& tail : {std::string("a b\r\nX-Injected: 1"), std::string("a\tX-Injected: 1"),
                                    std::string("a%0d%0aX-Injected:%201")}) {
        FetchPage(server.baseUrl() + tail, folder.path() / "page.dat");
    }
    FetchPage(server.baseUrl() + "plain", folder.path() / "page.dat");
    const std::vector<std::string> heads = server.Requests();
    ASSERT_FALSE(heads.empty());
    EXPECT_EQ(heads.back().rfind("GET /plain ", 0), 0u);
    for (const std::string& head : heads) {
        EXPECT_EQ(head.find("\r\nX-Injected"), std::string::npos) << head;
    }
}

TEST(TerminalStatusTest, ControlCharactersFromTheSiteCannotDriveTheTerminal) {
    const std::string status = "東京都 - 家具 : 1件/2件 取得中...";
    EXPECT_EQ(cli::PrintableText(status), status);
    EXPECT_EQ(cli::PrintableText("a\x1b]0;title\x07"
                                 "b"),
              "a?]0;title?b");
    EXPECT_EQ(cli::PrintableText("\x1b[2J\r\n\t\x7f"), "?[2J????");
    EXPECT_EQ(cli::PrintableText("c1 \xc2\x9b"
                                 "31m"),
              "c1 ?31m")
        << "the 8-bit escape U+009B";
    EXPECT_EQ(cli::PrintableText("bad \xff\xc0"), "bad ??");
}

} // namespace
} // namespace vorn
