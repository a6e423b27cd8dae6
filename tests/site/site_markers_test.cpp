// The generated pages read through the program's own parsers: what a crawl and the catalogue
// refresh would take from them.

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/refresh/city_page_parser.h"
#include "catalogue/refresh/genre_page_parser.h"
#include "catalogue/refresh/top_genres.h"
#include "crawl/results_page.h"
#include "extract/item_fields.h"
#include "extract/item_page.h"
#include "tests/support/test_program_dir.h"
#include "tools/sample_site/site_content.h"
#include "tools/sample_site/site_tables.h"
#include "web/cp932.h"
#include "web/page_lines.h"

namespace vorn::site {
namespace {

constexpr const char* kBase = "https://127.0.0.1:4433/";

SiteConfig Config(std::uint32_t seed, bool realistic = false) {
    SiteConfig config;
    config.seed = seed;
    config.baseUrl = kBase;
    config.realisticSize = realistic;
    return config;
}

// The page as the crawl reads it: through a file and the program's line loader.
std::vector<std::string> PageLines(const SiteContent& content, const std::string& path, const std::string& query = "") {
    const std::optional<SiteResponse> answer = content.Respond(path, query);
    if (!answer) {
        ADD_FAILURE() << "no page at " << path;
        return {};
    }
    const test::TempDir dir;
    const std::filesystem::path file = dir.path() / "tmp.dat";
    std::ofstream(file, std::ios::binary) << answer->body;
    std::vector<std::string> lines;
    EXPECT_TRUE(LoadPageLines(file, lines));
    return lines;
}

struct ResultsReading {
    int total = 0;
    std::vector<std::string> keys;
};

ResultsReading ReadResults(const std::vector<std::string>& lines) {
    ResultsReading reading;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (IsResultTotalLine(lines[i])) {
            reading.total = ParseResultTotal(lines[i + 1]);
            break;
        }
    }
    for (const std::string& line : lines) {
        if (IsItemLinkLine(line)) {
            const std::optional<std::string> key = ListingKeyFromLine(line);
            EXPECT_TRUE(key.has_value()) << line;
            reading.keys.push_back(key.value_or(""));
        }
    }
    return reading;
}

std::string KeyOf(const SiteContent& content, int listing) {
    return content.ListingUrl(listing).substr(std::string("https").size());
}

TEST(SiteResultsPages, CarryTheTotalAndOneLinkLinePerListing) {
    struct Case {
        const char* name;
        std::string searchKey;
        std::optional<SearchSetup> setup;
        int expectedTotal;
        bool realistic = false;
    };
    const Case cases[] = {
        {"default search", "tokyo/sale-fur/g-all", std::nullopt, 20},
        {"default search, realistic page", "tokyo/sale-fur/g-all", std::nullopt, 20, true},
        {"total with thousands", "all/sale-all/g-all", SearchSetup{{1, 2, 3}, 1234}, 1234},
        {"total below the links", "osaka/sale-ele/g-103/a-27102", SearchSetup{{4, 5, 6, 7, 8}, 2}, 2},
        {"keyword search", "all/sale-all/g-all?keyword=%E6%A4%85%E5%AD%90", std::nullopt, 20, true},
        {"listing in two places", "kyoto/sale-all/g-all", SearchSetup{{9, 9}, std::nullopt}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SiteContent content(Config(1, c.realistic));
        if (c.setup) {
            content.SetSearch(c.searchKey, *c.setup);
        }
        const std::size_t question = c.searchKey.find('?');
        const std::string path = "/" + c.searchKey.substr(0, question);
        const std::string query = question == std::string::npos ? "" : c.searchKey.substr(question + 1);
        const ResultsReading reading = ReadResults(PageLines(content, path, query));
        EXPECT_EQ(reading.total, c.expectedTotal);
        std::vector<std::string> expectedKeys;
        for (const int listing : content.SearchOf(c.searchKey).listings) {
            expectedKeys.push_back(KeyOf(content, listing));
        }
        EXPECT_EQ(reading.keys, expectedKeys);
        EXPECT_FALSE(reading.keys.empty());
    }
}

TEST(SiteResultsPages, AnEmptyResultReadsZeroButStillShowsRecommendedLinks) {
    SiteContent content(Config(1));
    content.SetSearch("tokyo/sale-fur/g-all", SearchSetup{});
    const ResultsReading reading = ReadResults(PageLines(content, "/tokyo/sale-fur/g-all"));
    EXPECT_EQ(reading.total, 0);
    const std::vector<std::string> recommended = {KeyOf(content, 1), KeyOf(content, 2), KeyOf(content, 3)};
    EXPECT_EQ(reading.keys, recommended);
}

TEST(SiteResultsPages, LongAddressListingsHaveKeysOver100Bytes) {
    const SiteContent content(Config(1));
    int longKeys = 0;
    for (int n = 1; n <= 24; ++n) {
        const bool isLong = (content.ListingAt(n).traits & kLongAddress) != 0;
        EXPECT_EQ(KeyOf(content, n).size() > 100, isLong) << "listing " << n;
        longKeys += isLong ? 1 : 0;
    }
    EXPECT_EQ(longKeys, 2);
}

// What extraction must read from listing n's page, computed from the generated listing rather
// than from the page.
ItemFields ExpectedFields(const Listing& listing, const std::string& base) {
    const bool poster = !(listing.traits & kNoPoster);
    const bool pageData = !(listing.traits & kNoPageData);
    std::string description;
    for (const std::string& line : listing.descriptionLines) {
        description += line;
    }
    std::string verifications;
    for (const std::string& verification : listing.verifications) {
        verifications += (verifications.empty() ? "" : "、") + verification;
    }
    const char* genders[] = {"性別未公開", "男性", "女性"};
    const char* reception = !poster ? "" : (listing.traits & kEnquiriesClosed) ? "受付終了" : "申し込み可";

    ItemFields utf8;
    utf8[kPostId] = listing.postId;
    utf8[kTitle] = listing.title;
    utf8[kDescription] = description;
    utf8[kPrice] = listing.price + "円";
    utf8[kReception] = reception;
    utf8[kGenre] = std::string(GenreAt(listing.genre).name) + " &gt; " + listing.subGenreName;
    utf8[kPlace] = std::string(PrefectureAt(listing.prefecture).name) + "、" + listing.cityName + "、" + listing.spot;
    if (poster) {
        utf8[kPosterName] = listing.posterName;
        utf8[kPosterGender] = genders[static_cast<int>(listing.gender)];
        utf8[kPostCount] = std::to_string(listing.postCount);
        utf8[kVerification] = verifications;
        utf8[kIntroduction] = listing.introduction;
        utf8[kProfileUrl] = base.substr(0, base.size() - 1) + "/profiles/" + std::to_string(listing.profileId);
    }
    if (poster && pageData) {
        utf8[kGoodRatings] = std::to_string(listing.goodRatings);
        utf8[kNormalRatings] = std::to_string(listing.normalRatings);
        utf8[kBadRatings] = std::to_string(listing.badRatings);
    }
    if (pageData) {
        utf8[kFavourites] = std::to_string(listing.favourites);
    }
    utf8[kUpdatedDate] = listing.updated;
    utf8[kCreatedDate] = listing.created;
    for (int k = 0; k < std::min(listing.imageCount, kMaxImages); ++k) {
        utf8[kFirstImageUrl + k] =
            base + "articles/images/" + std::to_string(listing.articleId) + "/thumb_" + std::to_string(k + 1) + ".jpg";
    }
    ItemFields expected;
    for (int i = 0; i < kItemFieldCount; ++i) {
        expected[i] = UTF8ToAnsi(utf8[i]);
    }
    return expected;
}

TEST(SiteListingPages, ExtractionReadsEveryGeneratedValue) {
    for (const std::uint32_t seed : {1u, 7u}) {
        for (const bool realistic : {false, true}) {
            const SiteContent content(Config(seed, realistic));
            for (int n = 1; n <= 24; ++n) {
                SCOPED_TRACE("seed " + std::to_string(seed) + (realistic ? " realistic" : " small") + " listing " +
                             std::to_string(n));
                ItemFields fields;
                ParseItemLines(
                    PageLines(content, "/article/" + std::to_string(ArticleIdOf(n))), kBase, [] { return false; },
                    fields);
                const ItemFields expected = ExpectedFields(content.ListingAt(n), kBase);
                for (int i = 0; i < kItemFieldCount; ++i) {
                    EXPECT_EQ(fields[i], expected[i]) << "field " << i;
                }
            }
        }
    }
}

TEST(SiteListingPages, TwelveListingsFillEveryField) {
    const SiteContent content(Config(4));
    std::vector<bool> filled(kDetailUrl, false);
    for (int n = 1; n <= 12; ++n) {
        ItemFields fields;
        ParseItemLines(
            PageLines(content, "/article/" + std::to_string(ArticleIdOf(n))), kBase, [] { return false; }, fields);
        for (int i = 0; i < kDetailUrl; ++i) {
            filled[i] = filled[i] || !fields[i].empty();
        }
    }
    for (int i = 0; i < kDetailUrl; ++i) {
        EXPECT_TRUE(filled[i]) << "field " << i << " is empty on every page";
    }
}

TEST(SiteCataloguePages, RefreshParsersReadEveryCityAndSubGenre) {
    const SiteContent content(Config(1, true));
    for (int p = 1; p <= kPrefectureCount; ++p) {
        SCOPED_TRACE(PrefectureAt(p).alpha);
        const std::vector<ParsedCity> parsed =
            ParseCityPage(PageLines(content, "/" + std::string(PrefectureAt(p).alpha) + "/sale"));
        const std::vector<City> cities = ListedCitiesOf(p);
        ASSERT_EQ(parsed.size(), cities.size());
        for (std::size_t i = 0; i < cities.size(); ++i) {
            EXPECT_EQ(parsed[i].cityId, static_cast<int>(i) + 1);
            EXPECT_EQ(parsed[i].code, cities[i].linked() ? cities[i].code : "0");
            EXPECT_EQ(parsed[i].name, UTF8ToAnsi(cities[i].name));
        }
    }
    for (int g = 1; g <= kGenreCount; ++g) {
        const Genre& genre = GenreAt(g);
        SCOPED_TRACE(genre.code);
        const TopGenre& top = TopGenres().at(static_cast<std::size_t>(g - 1));
        ASSERT_EQ(top.code, genre.code);
        const std::vector<ParsedSubGenre> parsed = ParseGenrePage(PageLines(content, "/all/sale-" + top.code), top);
        const std::vector<SubGenre> subGenres = ListedSubGenresOf(g);
        ASSERT_EQ(parsed.size(), subGenres.size());
        for (std::size_t i = 0; i < subGenres.size(); ++i) {
            EXPECT_EQ(parsed[i].subId, static_cast<int>(i) + 1);
            EXPECT_EQ(parsed[i].code, "sale-" + top.code + "/" + subGenres[i].key);
            EXPECT_EQ(parsed[i].name, UTF8ToAnsi(subGenres[i].name));
        }
        // The numbering runs on from the first list into the second.
        const std::vector<std::string> lines = PageLines(content, "/all/sale-" + top.code);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "<span>全ての" + std::string(genre.name) + "</span>"), 2);
    }
}

} // namespace
} // namespace vorn::site
