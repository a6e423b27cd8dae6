// vorn-search-cli refresh-cities and refresh-genres, run as a maintainer would run them, against
// the sample site.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_db.h"
#include "catalogue/catalogue_lists.h"
#include "tests/app_core/child_process.h"
#include "tests/support/test_program_dir.h"
#include "tools/sample_site/refused_port.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "tools/sample_site/site_pages.h"
#include "tools/sample_site/site_tables.h"
#include "web/cp932.h"

namespace vorn {
namespace {

using test::ChildProcess;
using test::ChildResult;
namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> CityNames(int prefecture) {
    std::vector<std::string> names;
    for (const site::City& city : site::ListedCitiesOf(prefecture)) {
        names.push_back(UTF8ToAnsi(city.name));
    }
    return names;
}

class CliRefreshTest : public ::testing::Test {
protected:
    CliRefreshTest() {
        fs::copy_file(fs::path(VORN_BIN_DIR) / "vorn-search-cli", dir_.path() / "vorn-search-cli");
        content_ = site::ServeContent(site_, site::SiteConfig{});
        WriteSite(site_.baseUrl());
        db_.Configure(dir_.databaseFile());
    }

    void WriteSite(const std::string& baseUrl) const {
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary)
            << "[Site]\r\nBaseUrl=" << baseUrl << "\r\nCaFile=" << site::SampleSite::CaFile().string() << "\r\n";
    }

    std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments) {
        return std::make_unique<ChildProcess>(dir_.path() / "vorn-search-cli", arguments, runtime_.path(),
                                              logs_.path());
    }
    ChildResult Run(const std::vector<std::string>& arguments) { return Start(arguments)->Wait(); }

    test::TestProgramDir dir_;
    test::TempDir runtime_;
    test::TempDir logs_;
    site::SampleSite site_;
    std::shared_ptr<site::SiteContent> content_;
    CatalogueDb db_;
};

TEST_F(CliRefreshTest, CitiesOfEveryPrefectureAreStoredAndListed) {
    const ChildResult result = Run({"refresh-cities"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    for (int prefecture = 1; prefecture <= site::kPrefectureCount; ++prefecture) {
        EXPECT_EQ(LoadAreaNames(db_, prefecture), CityNames(prefecture)) << prefecture;
    }
    // 東京都: linked cities by their codes, the grey third one by "0"; the second list of the
    // page (神奈川県's cities) is not read.
    EXPECT_EQ(LookUpAreaPath(db_, 0, 13), "tokyo,a-13101");
    EXPECT_EQ(LookUpAreaPath(db_, 1, 13), "tokyo,a-13102");
    EXPECT_EQ(LookUpAreaPath(db_, 2, 13), "tokyo,0");
    EXPECT_EQ(LookUpAreaPath(db_, 3, 13), "tokyo,a-13103");
    EXPECT_EQ(LookUpAreaPath(db_, 5, 1), "hokkaido,a-01199") << "the name with a quote is stored";

    EXPECT_TRUE(Contains(result.out, "47/47  都道府県 47件/47件 取得中...")) << result.out;
    EXPECT_TRUE(Contains(result.out, "1 北海道: 6 cities\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "   6  a-01199          ニセコ'ヴィレッジ\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "   3  0                ")) << result.out;
    EXPECT_TRUE(Contains(result.out, "\n完了\n")) << result.out;
    EXPECT_TRUE(result.err.empty()) << result.err;
    EXPECT_FALSE(fs::exists(dir_.scratchFile()));
}

TEST_F(CliRefreshTest, GenresWithTheirSubGenresAreStoredAndListed) {
    const ChildResult result = Run({"refresh-genres"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const std::vector<GenreNode> nodes = LoadGenreNodes(db_);
    ASSERT_GE(nodes.size(), 7u);
    EXPECT_EQ(nodes[0].text, UTF8ToAnsi(" 家具"));
    EXPECT_EQ(nodes[0].code, "sale-fur/g-all");
    EXPECT_EQ(nodes[1].code, "sale-fur/g-101");
    EXPECT_EQ(nodes[4].code, "sale-fur/g-104") << "the second list goes on with the numbering";
    EXPECT_EQ(nodes[6].code, "sale-fur/g-123");
    EXPECT_EQ(nodes[6].text, UTF8ToAnsi(" Kid'sチェア"));
    EXPECT_EQ(nodes[7].text, UTF8ToAnsi(" 家電"));
    std::size_t subGenres = 0;
    for (int genre = 1; genre <= site::kGenreCount; ++genre) {
        subGenres += site::ListedSubGenresOf(genre).size();
    }
    EXPECT_EQ(nodes.size(), site::kGenreCount + subGenres);

    EXPECT_TRUE(Contains(result.out, "20/20  ジャンル - 20件/20件 取得中...")) << result.out;
    EXPECT_TRUE(Contains(result.out, "1 家具 (sale-fur/g-all): 6 sub-genres\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "   6  sale-fur/g-123   Kid'sチェア\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "\n終了\n")) << result.out;
    EXPECT_FALSE(fs::exists(dir_.scratchFile()));
}

TEST_F(CliRefreshTest, PagesNotServedAreSkippedNamedAndExitThree) {
    content_->SetFault("tokyo/sale", site::PageFault::ServerError);
    content_->SetFault("kyoto/sale", site::PageFault::CutOff);
    content_->SetFault("osaka/sale", site::PageFault::DropConnection);
    const ChildResult cities = Run({"refresh-cities"});
    EXPECT_EQ(cities.exitCode, 3) << cities.err;
    EXPECT_TRUE(LoadAreaNames(db_, 13).empty());
    EXPECT_TRUE(LoadAreaNames(db_, 26).empty());
    EXPECT_TRUE(LoadAreaNames(db_, 27).empty());
    EXPECT_EQ(LoadAreaNames(db_, 28), CityNames(28)) << "the page after a failed one is read";
    EXPECT_TRUE(Contains(cities.err,
                         "完了\n\n次の都道府県はページを取得できなかったため、市区町村を登録していません。\n"
                         "東京都、京都府、大阪府\n"))
        << cities.err;
    EXPECT_TRUE(Contains(cities.out, "13 東京都: page not read, nothing stored")) << cities.out;
    EXPECT_FALSE(Contains(cities.err, "サイトへのアクセスができませんでした。")) << "most pages were read";

    content_->SetFault("all/sale-ele", site::PageFault::CutOff);
    const ChildResult genres = Run({"refresh-genres"});
    EXPECT_EQ(genres.exitCode, 3) << genres.err;
    const std::vector<GenreNode> nodes = LoadGenreNodes(db_);
    ASSERT_GE(nodes.size(), 9u);
    EXPECT_EQ(nodes[7].code, "sale-ele/g-all");
    EXPECT_EQ(nodes[8].code, "sale-bic/g-all") << "家電 keeps its own row and nothing under it";
    EXPECT_TRUE(Contains(genres.err,
                         "終了\n\n次のジャンルはページを取得できなかったため、サブジャンルを登録していません。\n"
                         "家電\n"))
        << genres.err;
}

TEST_F(CliRefreshTest, AnUnreachableSiteStoresNothingAndSaysSo) {
    WriteSite("https://127.0.0.1:" + std::to_string(site::RefusedLoopbackPort()) + "/");
    // Left by an earlier fetch: must not be read as any prefecture's page.
    std::ofstream(dir_.scratchFile()) << site::RenderAreaPage(1, {site_.baseUrl()});
    const ChildResult result = Run({"refresh-cities"});
    EXPECT_EQ(result.exitCode, 3);
    for (int prefecture = 1; prefecture <= site::kPrefectureCount; ++prefecture) {
        ASSERT_TRUE(LoadAreaNames(db_, prefecture).empty()) << prefecture;
    }
    EXPECT_TRUE(
        Contains(result.err, "サイトへのアクセスができませんでした。\nしばらく時間を置いてから再度実行してください。"))
        << result.err;
    EXPECT_TRUE(Contains(result.err, "北海道、青森県")) << result.err;
    EXPECT_FALSE(fs::exists(dir_.scratchFile()));
}

TEST_F(CliRefreshTest, RowsTheDatabaseRefusesExitFourAndLeaveAGap) {
    // The database refuses one city, as a full disk or a broken file would.
    db_.Execute("CREATE TRIGGER refuse_city BEFORE INSERT ON T02_CITY WHEN NEW.CityCode = 'a-13102' "
                "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const ChildResult result = Run({"refresh-cities"});
    EXPECT_EQ(result.exitCode, 4) << result.err;
    EXPECT_EQ(LookUpAreaPath(db_, 0, 13), "tokyo,a-13101");
    // CityID 2 stays free; the list, and each of its items, closes up over it.
    EXPECT_EQ(LookUpAreaPath(db_, 1, 13), "tokyo,0");
    EXPECT_EQ(LookUpAreaPath(db_, 2, 13), "tokyo,a-13103");
    EXPECT_TRUE(Contains(result.out, "13 東京都: 6 cities, 1 refused by the database")) << result.out;
    EXPECT_TRUE(Contains(result.err, "登録できなかった市区町村: 1件")) << result.err;
}

TEST_F(CliRefreshTest, RefusedWithoutTheDatabaseOrWithArguments) {
    const ChildResult withArgument = Run({"refresh-genres", "now"});
    EXPECT_EQ(withArgument.exitCode, 5);
    EXPECT_TRUE(Contains(withArgument.err, "Usage:")) << withArgument.err;
    EXPECT_TRUE(site_.Requests().empty());

    fs::remove(dir_.databaseFile());
    const ChildResult noDatabase = Run({"refresh-cities"});
    EXPECT_EQ(noDatabase.exitCode, 5);
    EXPECT_TRUE(Contains(noDatabase.err, "DBファイルの設定が正しくありません。")) << noDatabase.err;

    const ChildResult help = Run({"--help"});
    EXPECT_TRUE(Contains(help.out, "  refresh-cities ")) << help.out;
    EXPECT_TRUE(Contains(help.out, "  refresh-genres ")) << help.out;
}

TEST_F(CliRefreshTest, ASignalStopsTheRefreshAfterThePageInHand) {
    // 青森県's page comes late, so the signal arrives while it is being fetched.
    site_.Handle("/aomori/sale", [this](const site::SiteRequest& request) {
        site::SiteResponse answer = *content_->Respond(request.path, request.query);
        answer.delay = std::chrono::milliseconds(3000);
        return answer;
    });
    auto child = Start({"refresh-cities"});
    for (int i = 0; i < 3000 && site_.Requests().size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(site_.Requests().size(), 2u);
    child->Signal(SIGINT);
    const ChildResult result = child->Wait();

    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_EQ(site_.Requests().size(), 2u) << "no page after the stop";
    EXPECT_EQ(LoadAreaNames(db_, 2), CityNames(2)) << "the page in hand is stored";
    EXPECT_TRUE(LoadAreaNames(db_, 3).empty());
    EXPECT_TRUE(Contains(result.out, "stopped")) << result.out;
    EXPECT_FALSE(Contains(result.out, "完了")) << result.out;
    EXPECT_FALSE(fs::exists(dir_.scratchFile()));
}

} // namespace
} // namespace vorn
