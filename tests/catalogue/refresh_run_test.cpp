#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>

#include "catalogue/catalogue_db.h"
#include "catalogue/catalogue_lists.h"
#include "catalogue/refresh/city_refresh.h"
#include "catalogue/refresh/genre_refresh.h"
#include "catalogue/refresh/top_genres.h"
#include "catalogue/statements.h"
#include "tests/support/test_program_dir.h"
#include "web/cp932.h"

namespace vorn {
namespace {

std::string Sjis(const std::string& utf8) { return UTF8ToAnsi(utf8); }

// A plain-HTTP stand-in for the site on loopback that serves catalogue pages and records the
// paths it was asked for. Pages named in failing are answered with their error status, but
// with a page body that would parse, so a caller that ignores the status would store it.
class CatalogueSite {
public:
    explicit CatalogueSite(std::map<std::string, int> failing) : failing_(std::move(failing)) {
        server_.Get(R"(/([a-z]+)/sale)", [this](const httplib::Request& request, httplib::Response& response) {
            Answer(request, response, CityPage(request.matches[1]));
        });
        server_.Get(R"(/all/sale-([a-z]+))", [this](const httplib::Request& request, httplib::Response& response) {
            Answer(request, response, GenrePage(request.matches[1]));
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() before the loop has started would be lost and join() would wait for ever.
        while (!server_.is_running()) {
            std::this_thread::yield();
        }
    }
    ~CatalogueSite() {
        server_.stop();
        thread_.join();
    }

    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    std::vector<std::string> Paths() {
        std::lock_guard lock(mutex_);
        return paths_;
    }

    static std::string CityPage(const std::string& alpha) {
        return "<html>\n<ul class=\"c-definition-list\">\n"
               "  <span class=\"c-definition-list-item-current\">" +
               alpha +
               "</span>\n"
               "  <li>\n  <a href=\"/" +
               alpha + "/sale/a-1\">" + alpha +
               "市</a>\n  </li>\n"
               "  <span class=\"u-color-light-gray\">\n  " +
               alpha +
               "村\n  </span>\n"
               "  <a href=\"/" +
               alpha + "/sale/a-2\">" + alpha +
               "'s町</a>\n"
               "</ul>\n</html>\n";
    }
    static std::string GenrePage(const std::string& code) {
        std::string title;
        for (const TopGenre& genre : TopGenres()) {
            if (genre.code == code) {
                title = AnsiToUtf8(genre.name);
            }
        }
        return "<html>\n<dl>\n<span class=\"c-definition-list-item-current\">\n<span>全ての" + title +
               "</span>\n"
               "<a href=\"/all/sale-" +
               code + "/g-10\">" + code +
               " one</a>\n"
               "<a href=\"/all/sale-" +
               code + "/g-20\">" + code +
               " two</a>\n"
               "</dd>\n</html>\n";
    }

private:
    void Answer(const httplib::Request& request, httplib::Response& response, const std::string& page) {
        {
            std::lock_guard lock(mutex_);
            paths_.push_back(request.path);
        }
        const auto failing = failing_.find(request.path);
        response.status = failing != failing_.end() ? failing->second : 200;
        response.set_content(page, "text/html; charset=utf-8");
    }

    httplib::Server server_;
    std::map<std::string, int> failing_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> paths_;
};

class RecordingProgress : public RefreshProgress {
public:
    void Init(int maximum) override { calls.push_back("init " + std::to_string(maximum)); }
    void Step(int position, int maximum, const std::string& statusCp932) override {
        calls.push_back("step " + std::to_string(position) + "/" + std::to_string(maximum));
        lastStatus = statusCp932;
    }
    void ProcessPendingEvents() override { calls.push_back("events"); }
    bool StopRequested() override { return stopAfterSteps >= 0 && steps() >= stopAfterSteps; }

    int steps() const {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                              [](const std::string& call) { return call.starts_with("step"); }));
    }

    // Init, then for every page the pending events before its step.
    void ExpectSteps(int maximum) const {
        ASSERT_EQ(calls.size(), 1u + 2u * static_cast<std::size_t>(maximum));
        EXPECT_EQ(calls[0], "init " + std::to_string(maximum));
        for (int i = 1; i <= maximum; ++i) {
            const auto at = static_cast<std::size_t>(2 * i);
            EXPECT_EQ(calls[at - 1], "events");
            EXPECT_EQ(calls[at], "step " + std::to_string(i) + "/" + std::to_string(maximum));
        }
    }

    std::vector<std::string> calls;
    std::string lastStatus;
    int stopAfterSteps = -1; // asks to stop once that many pages are done
};

class RefreshRunTest : public ::testing::Test {
protected:
    RefreshRunTest() { db.Configure(dir.databaseFile()); }

    RefreshSite Site(const CatalogueSite& site) const { return {site.BaseUrl(), dir.scratchFile()}; }

    test::TestProgramDir dir;
    CatalogueDb db;
    RecordingProgress progress;
};

TEST_F(RefreshRunTest, CitiesOfEveryServedPrefectureAndNoneOfAFailedOne) {
    CatalogueSite site({{"/tokyo/sale", 500}, {"/osaka/sale", 404}});
    db.Execute(sql::kInsertCity, {std::int64_t{13}, std::int64_t{1}, "a-old", "stale"});

    const CityRefreshReport report = RefreshCities(db, Site(site), progress);

    EXPECT_EQ(report.SkippedIds(), (std::vector<int>{13, 27}));
    EXPECT_EQ(report.RowsStored(), 45 * 3);
    ASSERT_EQ(report.pages.size(), 47u);
    EXPECT_EQ(report.pages[0].pageUrl, site.BaseUrl() + "hokkaido/sale");
    EXPECT_EQ(report.pages[0].rows.size(), 3u);
    EXPECT_EQ(report.pages[12].rows.size(), 0u);

    std::vector<std::string> expectedPaths;
    for (int areaIndex = 0; areaIndex < 47; ++areaIndex) {
        expectedPaths.push_back("/" + LookUpAreaPath(db, areaIndex, 0) + "/sale");
    }
    EXPECT_EQ(site.Paths(), expectedPaths);

    EXPECT_TRUE(LoadAreaNames(db, 13).empty());
    EXPECT_TRUE(LoadAreaNames(db, 27).empty());
    EXPECT_EQ(LoadAreaNames(db, 1),
              (std::vector<std::string>{Sjis("hokkaido市"), Sjis("hokkaido村"), Sjis("hokkaido's町")}));
    EXPECT_EQ(LookUpAreaPath(db, 0, 47), "okinawa,a-1");
    EXPECT_EQ(LookUpAreaPath(db, 1, 47), "okinawa,0");
    EXPECT_EQ(LookUpAreaPath(db, 2, 47), "okinawa,a-2");

    progress.ExpectSteps(47);
    EXPECT_EQ(progress.lastStatus, Sjis("都道府県 47件/47件 取得中..."));
}

TEST_F(RefreshRunTest, GenresKeepTheirTopRowWhenThePageFails) {
    CatalogueSite site({{"/all/sale-fur", 503}});
    db.Execute(sql::kInsertGenre, {std::int64_t{1}, std::int64_t{1}, "sale-fur/g-old", "stale"});

    const GenreRefreshReport report = RefreshGenres(db, Site(site), progress);

    EXPECT_EQ(report.SkippedIds(), std::vector<int>{1});
    EXPECT_EQ(report.RowsStored(), 19 * 2);
    ASSERT_EQ(report.pages.size(), 20u);
    EXPECT_TRUE(report.pages[0].topStored);
    EXPECT_EQ(site.Paths().front(), "/all/sale-fur");
    EXPECT_EQ(site.Paths().back(), "/all/sale-oth");

    const std::vector<GenreNode> nodes = LoadGenreNodes(db);
    ASSERT_EQ(nodes.size(), 20u + 19u * 2u);
    EXPECT_EQ(nodes[0].text, Sjis(" 家具"));
    EXPECT_EQ(nodes[0].code, "sale-fur/g-all");
    EXPECT_EQ(nodes[1].text, Sjis(" 家電"));
    EXPECT_EQ(nodes[1].level, 0);
    EXPECT_EQ(nodes[2].code, "sale-ele/g-10");
    EXPECT_EQ(nodes[2].text, " ele one");
    EXPECT_EQ(nodes[3].code, "sale-ele/g-20");
    EXPECT_EQ(nodes[3].parent, 1);

    progress.ExpectSteps(20);
    EXPECT_EQ(progress.lastStatus, Sjis("ジャンル - 20件/20件 取得中..."));
}

TEST_F(RefreshRunTest, AStopEndsTheRefreshBeforeTheNextPage) {
    CatalogueSite site({});
    progress.stopAfterSteps = 2;
    const CityRefreshReport cities = RefreshCities(db, Site(site), progress);
    EXPECT_TRUE(cities.stopped);
    ASSERT_EQ(cities.pages.size(), 2u);
    EXPECT_EQ(site.Paths().size(), 2u) << "no page after the stop";
    EXPECT_EQ(cities.pages[1].rows,
              (std::vector<ParsedCity>{
                  {1, "a-1", Sjis("aomori市")}, {2, "0", Sjis("aomori村")}, {3, "a-2", Sjis("aomori's町")}}));
    EXPECT_EQ(LoadAreaNames(db, 2).size(), 3u);
    EXPECT_TRUE(LoadAreaNames(db, 3).empty());

    progress.calls.clear();
    progress.stopAfterSteps = 1;
    const GenreRefreshReport genres = RefreshGenres(db, Site(site), progress);
    EXPECT_TRUE(genres.stopped);
    ASSERT_EQ(genres.pages.size(), 1u);
    EXPECT_TRUE(genres.SkippedIds().empty()) << "genres not reached are not reported as skipped";
    EXPECT_EQ(LoadGenreNodes(db).size(), 3u) << "家具 and its two sub-genres";
}

TEST_F(RefreshRunTest, UnreachableSiteStoresNoEarlierPage) {
    std::string base;
    {
        CatalogueSite closed({});
        base = closed.BaseUrl();
    }
    // A page left in the scratch file by an earlier fetch must not be read as this one.
    std::ofstream(dir.scratchFile()) << CatalogueSite::GenrePage("fur");

    const GenreRefreshReport genres = RefreshGenres(db, {base, dir.scratchFile()}, progress);
    EXPECT_EQ(genres.SkippedIds().size(), 20u);
    EXPECT_EQ(LoadGenreNodes(db).size(), 20u);

    std::ofstream(dir.scratchFile()) << CatalogueSite::CityPage("hokkaido");
    const CityRefreshReport cities = RefreshCities(db, {base, dir.scratchFile()}, progress);
    EXPECT_EQ(cities.SkippedIds().size(), 47u);
    EXPECT_TRUE(LoadAreaNames(db, 1).empty());
}

} // namespace
} // namespace vorn
