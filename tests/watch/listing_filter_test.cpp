#include "watch/listing_filter.h"

#include <gtest/gtest.h>

#include "web/cp932.h"

namespace vorn {
namespace {

TEST(ListingFilterTest, LeavesOutByWordPricePosterAndClosedOnly) {
    FilterSettings settings;
    settings.excludeWords = {"ジャンク", "ＪＵＮＫ"};
    settings.minPrice = 1000;
    settings.maxPrice = 30000;
    settings.openOnly = true;
    settings.excludePosters = {"https://vorn.test/profiles/u9", "古物商A"};
    const ListingFilter filter(settings);
    ASSERT_TRUE(filter.Active());

    struct Case {
        const char* title;
        const char* description;
        const char* price;
        const char* reception;
        const char* poster;
        const char* profile;
        bool excluded;
    };
    const Case cases[] = {
        {"ソファ", "きれいです", "5,000円", "受付中", "山田", "https://vorn.test/profiles/u1", false},
        {"ソファ", "脚が折れた　ｼﾞｬﾝｸ品です", "5,000円", "受付中", "山田", "", true},
        {"Junk sofa", "", "5,000円", "受付中", "山田", "", true},
        {"ジャン", "ク", "5,000円", "受付中", "山田", "", false},
        {"ソファ", "", "30,001円", "受付中", "山田", "", true},
        {"ソファ", "", "999円", "受付中", "山田", "", true},
        {"ソファ", "", "30,000円", "受付中", "山田", "", false},
        {"ソファ", "", "1000円", "受付中", "山田", "", false},
        {"ソファ", "", "応相談", "受付中", "山田", "", false},
        {"ソファ", "", "5,000円", "受付終了", "山田", "", true},
        {"ソファ", "", "5,000円", "受付中", "山田", "https://vorn.test/profiles/u9", true},
        {"ソファ", "", "5,000円", "受付中", "古物商A", "https://vorn.test/profiles/u2", true},
        {"ソファ", "", "5,000円", "受付中", "古物商AB", "https://vorn.test/profiles/u90", false},
    };
    for (const Case& c : cases) {
        ItemFields fields;
        fields[kTitle] = UTF8ToAnsi(c.title);
        fields[kDescription] = UTF8ToAnsi(c.description);
        fields[kPrice] = UTF8ToAnsi(c.price);
        fields[kReception] = UTF8ToAnsi(c.reception);
        fields[kPosterName] = UTF8ToAnsi(c.poster);
        fields[kProfileUrl] = c.profile;
        const ListingText text{c.title, c.description, c.poster};
        EXPECT_EQ(filter.Excludes(fields, text), c.excluded)
            << c.title << " / " << c.description << " / " << c.price << " / " << c.reception << " / " << c.poster;
        EXPECT_FALSE(ListingFilter(FilterSettings{}).Excludes(fields, text)) << "no filter keeps every listing";
    }
}

} // namespace
} // namespace vorn
