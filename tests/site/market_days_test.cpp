// The sample site's days, over seeds: from one day to the next every kind of move happens, a
// listing that stays keeps its number, one posted again keeps its poster and title under a new
// number, and a day looks the same on every start.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/sample_site/site_content.h"

namespace vorn::site {
namespace {

int Yen(const std::string& price) {
    std::string digits = price;
    digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
    return std::stoi(digits);
}

SiteContent Day(std::uint32_t seed, int day) {
    SiteConfig config;
    config.seed = seed;
    config.listingCount = 300;
    config.linksPerSearch = 300;
    config.day = day;
    return SiteContent(config);
}

TEST(MarketDaysTest, EachDayMovesTheMarketInEveryWayAndListingsKeepTheirNumbers) {
    const std::string all = "all/sale-all/g-all";
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        for (int day = 2; day <= 4; ++day) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", day " + std::to_string(day));
            const SiteContent before = Day(seed, day - 1), after = Day(seed, day);
            const std::vector<int> shownBefore = before.SearchOf(all).listings;
            const std::vector<int> shown = after.SearchOf(all).listings;
            EXPECT_EQ(Day(seed, day).SearchOf(all).listings, shown);
            const std::set<int> was(shownBefore.begin(), shownBefore.end()), is(shown.begin(), shown.end());
            int cheaper = 0, dearer = 0, closed = 0, gone = 0, reposted = 0, added = 0;
            for (const int number : shownBefore) {
                const Listing then = before.ListingAt(number), now = after.ListingAt(number);
                if (is.contains(number)) {
                    const bool wasClosed = (then.traits & kEnquiriesClosed) != 0;
                    closed += !wasClosed && (now.traits & kEnquiriesClosed) != 0;
                    cheaper += then.price != now.price && Yen(now.price) < Yen(then.price);
                    dearer += then.price != now.price && Yen(now.price) > Yen(then.price);
                    EXPECT_TRUE(then.price == now.price || !wasClosed) << number;
                    continue;
                }
                // Gone, or posted again: a new number of the same poster and title.
                const bool again = std::any_of(shown.begin(), shown.end(), [&](int other) {
                    const Listing listing = after.ListingAt(other);
                    return !was.contains(other) && listing.profileId == then.profileId && listing.title == then.title;
                });
                (again ? reposted : gone) += 1;
            }
            for (const int number : shown) {
                added += !was.contains(number);
                EXPECT_TRUE(after.Respond("/article/" + std::to_string(ArticleIdOf(number)), {})) << number;
            }
            EXPECT_GT(cheaper, 0);
            EXPECT_GT(dearer, 0);
            EXPECT_GT(closed, 0);
            EXPECT_GT(gone, 0);
            EXPECT_GT(reposted, 0);
            EXPECT_GT(added - reposted, 0) << "new listings";
        }
    }
}

} // namespace
} // namespace vorn::site
