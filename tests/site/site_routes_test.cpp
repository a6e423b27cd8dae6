#include <set>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>

#include <gtest/gtest.h>

#include "tools/sample_site/site_content.h"
#include "tools/sample_site/site_listing.h"

namespace vorn::site {
namespace {

constexpr const char* kBase = "https://127.0.0.1:4433/";

SiteConfig Config(std::uint32_t seed = 1, int listings = 300, int links = 20, bool realistic = false) {
    SiteConfig config;
    config.seed = seed;
    config.baseUrl = kBase;
    config.listingCount = listings;
    config.linksPerSearch = links;
    config.realisticSize = realistic;
    return config;
}

struct RouteCase {
    const char* name;
    const char* path;
    const char* query;
    const char* contentType; // nullptr: no such page
};

TEST(SiteRoutes, AnswersTheAddressesOfTheSiteAndNothingElse) {
    const RouteCase cases[] = {
        {"nationwide all genres", "/all/sale-all/g-all", "", "text/html; charset=utf-8"},
        {"nationwide genre", "/all/sale-fur/g-all", "", "text/html; charset=utf-8"},
        {"nationwide sub-genre", "/all/sale-fur/g-101", "", "text/html; charset=utf-8"},
        {"prefecture all genres", "/tokyo/sale-all/g-all", "", "text/html; charset=utf-8"},
        {"city all genres", "/tokyo/sale-all/g-all/a-13101", "", "text/html; charset=utf-8"},
        {"city sub-genre", "/okinawa/sale-oth/g-2003/a-47102", "", "text/html; charset=utf-8"},
        {"keyword", "/osaka/sale-all/g-all", "keyword=%E6%A4%85%E5%AD%90", "text/html; charset=utf-8"},
        {"listing", "/article/1000001", "", "text/html; charset=utf-8"},
        {"listing with query", "/article/1000300", "from=search", "text/html; charset=utf-8"},
        {"photograph", "/articles/images/1000001/thumb_1.jpg", "", "image/jpeg"},
        {"small photograph", "/articles/images/1000001/thumb_s_3.jpg", "", "image/jpeg"},
        {"avatar", "/users/images/123/avatar.jpg", "", "image/jpeg"},
        {"prefecture page", "/hokkaido/sale", "", "text/html; charset=utf-8"},
        {"genre page", "/all/sale-food", "", "text/html; charset=utf-8"},
        {"top", "/", "", nullptr},
        {"unknown word", "/unknown", "", nullptr},
        {"no area word", "//sale-fur/g-all", "", nullptr},
        {"empty genre part", "/tokyo/", "", nullptr},
        {"trailing slash", "/tokyo/sale-all/g-all/", "", nullptr},
        {"unknown prefecture", "/atlantis/sale-all/g-all", "", nullptr},
        {"unknown genre", "/all/sale-xyz/g-all", "", nullptr},
        {"sub-genre under all genres", "/all/sale-all/g-101", "", nullptr},
        {"city without prefecture", "/all/sale-all/g-all/a-13101", "", nullptr},
        {"grey city code", "/tokyo/sale-all/g-all/0", "", nullptr},
        {"listing 0", "/article/1000000", "", nullptr},
        {"listing past the count", "/article/1000301", "", nullptr},
        {"article word", "/article/abc", "", nullptr},
        {"not a photograph", "/articles/images/1000001/photo.png", "", nullptr},
        {"genre page word without genre", "/all/sale", "", nullptr},
    };
    const SiteContent content(Config());
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<SiteResponse> answer = content.Respond(c.path, c.query);
        if (c.contentType == nullptr) {
            EXPECT_FALSE(answer.has_value());
            continue;
        }
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->status, 200);
        EXPECT_EQ(answer->contentType, c.contentType);
        EXPECT_EQ(answer->fault, SiteResponse::Fault::None);
        EXPECT_FALSE(answer->body.empty());
    }
}

TEST(SiteSearches, DefaultListingsRunConsecutivelyFromTheKeysHash) {
    const SiteContent content(Config(1, 25, 20));
    const SearchSetup nationwide = content.SearchOf("all/sale-all/g-all");
    std::vector<int> expected;
    for (int n = 1; n <= 20; ++n) {
        expected.push_back(n);
    }
    EXPECT_EQ(nationwide.listings, expected);
    EXPECT_EQ(nationwide.total, 20);

    const std::string key = "tokyo/sale-fur/g-all?keyword=a+b";
    const int first = static_cast<int>(SearchHash(key) % 25);
    expected.clear();
    for (int i = 0; i < 20; ++i) {
        expected.push_back((first + i) % 25 + 1); // wraps past the last listing
    }
    EXPECT_EQ(content.SearchOf(key).listings, expected);
    EXPECT_NE(content.SearchOf("tokyo/sale-fur/g-all").listings, content.SearchOf(key).listings);
}

TEST(SiteSearches, SizesAndSetUpSearches) {
    struct Case {
        const char* name;
        int listings;
        int links;
        std::optional<SearchSetup> setup;
        std::vector<int> expectedListings;
        int expectedTotal;
    };
    const Case cases[] = {
        {"links capped at the listing count", 3, 30, std::nullopt, {1, 2, 3}, 3},
        {"a site without listings", 0, 20, std::nullopt, {}, 0},
        {"set up: total is the link count", 300, 20, SearchSetup{{7, 3, 7}, std::nullopt}, {7, 3, 7}, 3},
        {"set up: larger total", 300, 20, SearchSetup{{1, 2}, 1234}, {1, 2}, 1234},
        {"set up: no result", 300, 20, SearchSetup{{}, std::nullopt}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SiteContent content(Config(1, c.listings, c.links));
        if (c.setup) {
            content.SetSearch("all/sale-all/g-all", *c.setup);
        }
        const SearchSetup search = content.SearchOf("all/sale-all/g-all");
        EXPECT_EQ(search.listings, c.expectedListings);
        EXPECT_EQ(search.total, c.expectedTotal);
    }
}

TEST(SiteFaults, FaultsApplyToTheirPathAndQuery) {
    SiteContent content(Config());
    content.SetFault("tokyo/sale-fur/g-all", PageFault::ServerError);
    content.SetFault("osaka/sale-all/g-all?keyword=x", PageFault::DropConnection);
    content.SetFault("article/1000002", PageFault::CutOff);
    content.SetFault("nowhere", PageFault::DropConnection);

    struct Case {
        const char* name;
        const char* path;
        const char* query;
        int status;
        SiteResponse::Fault fault;
    };
    const Case cases[] = {
        {"server error", "/tokyo/sale-fur/g-all", "", 500, SiteResponse::Fault::None},
        {"server error for every query", "/tokyo/sale-fur/g-all", "keyword=y", 500, SiteResponse::Fault::None},
        {"dropped for one query", "/osaka/sale-all/g-all", "keyword=x", 200, SiteResponse::Fault::DropConnection},
        {"other query served", "/osaka/sale-all/g-all", "keyword=z", 200, SiteResponse::Fault::None},
        {"no query served", "/osaka/sale-all/g-all", "", 200, SiteResponse::Fault::None},
        {"cut off", "/article/1000002", "", 200, SiteResponse::Fault::CutOff},
        {"fault where there is no page", "/nowhere", "", 200, SiteResponse::Fault::DropConnection},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<SiteResponse> answer = content.Respond(c.path, c.query);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->status, c.status);
        EXPECT_EQ(answer->fault, c.fault);
    }
    // A cut-off page carries the real page, so the server can send part of it.
    EXPECT_EQ(content.Respond("/article/1000002", "")->body,
              SiteContent(Config()).Respond("/article/1000002", "")->body);

    content.ClearFault("tokyo/sale-fur/g-all");
    EXPECT_EQ(content.Respond("/tokyo/sale-fur/g-all", "")->status, 200);
}

TEST(SiteDeterminism, PagesFollowFromSeedAndAddressOnly) {
    const std::vector<std::string> paths = {"/all/sale-all/g-all", "/tokyo/sale-fur/g-all", "/article/1000005",
                                            "/article/1000011",    "/kyoto/sale",           "/all/sale-ele"};
    const SiteContent first(Config(7));
    std::vector<std::string> forwards;
    for (const std::string& path : paths) {
        forwards.push_back(first.Respond(path, "")->body);
    }
    const SiteContent second(Config(7));
    for (std::size_t i = paths.size(); i-- > 0;) {
        SCOPED_TRACE(paths[i]);
        EXPECT_EQ(second.Respond(paths[i], "")->body, forwards[i]);
    }

    const SiteContent otherSeed(Config(8));
    EXPECT_NE(otherSeed.Respond("/article/1000005", "")->body, forwards[2]);
    EXPECT_NE(otherSeed.Respond("/article/1000011", "")->body, forwards[3]);
}

TEST(SiteDeterminism, EveryTwelveListingsShowEveryTrait) {
    for (const std::uint32_t seed : {0u, 1u, 5u, 4000000000u}) {
        for (const int start : {1, 2, 290}) {
            unsigned seen = 0;
            for (int n = start; n < start + 12; ++n) {
                seen |= ListingTraits(seed, n);
            }
            EXPECT_EQ(seen, 0x1FFu) << "seed " << seed << " from listing " << start;
        }
    }
}

TEST(SiteSizes, RealisticListingPagesWeighAbout110KilobytesAndSmallOnesLittle) {
    const SiteContent realistic(Config(3, 300, 20, true));
    const SiteContent small(Config(3));
    for (int n = 1; n <= 12; ++n) { // one cycle of traits
        SCOPED_TRACE(n);
        const std::string path = "/article/" + std::to_string(ArticleIdOf(n));
        const std::size_t heavy = realistic.Respond(path, "")->body.size();
        EXPECT_GE(heavy, 105u * 1024);
        EXPECT_LE(heavy, 115u * 1024);
        EXPECT_LT(small.Respond(path, "")->body.size(), 12u * 1024);
    }
}

TEST(SitePhotos, PhotographsAreDistinctValidJpegs) {
    const SiteContent content(Config());
    std::set<std::string> bodies;
    for (const char* path : {"/articles/images/1000001/thumb_1.jpg", "/articles/images/1000001/thumb_2.jpg",
                             "/articles/images/1000002/thumb_s_1.jpg", "/users/images/9/avatar.jpg"}) {
        SCOPED_TRACE(path);
        const std::string body = content.Respond(path, "")->body;
        QImage image;
        ASSERT_TRUE(image.loadFromData(QByteArray(body.data(), static_cast<qsizetype>(body.size())), "JPG"));
        EXPECT_EQ(image.width(), 8);
        EXPECT_EQ(image.height(), 8);
        EXPECT_NE(body.find(path), std::string::npos) << "the comment names the photograph";
        bodies.insert(body);
    }
    EXPECT_EQ(bodies.size(), 4u);
}

} // namespace
} // namespace vorn::site
