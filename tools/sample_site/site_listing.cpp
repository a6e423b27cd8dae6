#include "tools/sample_site/site_listing.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "tools/sample_site/site_tables.h"

namespace vorn::site {

namespace {

// splitmix64: the same numbers on every platform, unlike the standard distributions.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. bound - 1
    int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint64_t>(bound)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[Below(static_cast<int>(N))];
    }

private:
    std::uint64_t state_;
};

constexpr std::array<unsigned, 12> kTraitCycle{
    0u,
    kEntities,
    kManyImages,
    kHandoverPlace,
    kNoPageData,
    kEnquiriesClosed,
    kOddPostId,
    kLongAddress,
    kNoImages,
    kNoPoster,
    kEntities | kHandoverPlace,
    0u,
};

constexpr std::array<std::string_view, 6> kTitlePrefixes{"", "【美品】", "中古 ", "未使用 ", "【値下げ】", "ほぼ新品 "};
constexpr std::array<std::string_view, 6> kTitleSuffixes{
    "", " 2点セット", " 大きめ", " 動作確認済み", " 引き取り限定", " 譲ります"};
constexpr std::array<std::string_view, 8> kPhrases{
    "引っ越しのため出品します。",
    "数回使用しただけのきれいな状態です。",
    "多少の使用感がありますが、問題なくお使いいただけます。",
    "ご自宅まで取りに来ていただける方を優先します。",
    "平日の夜か土日であれば受け渡しできます。",
    "ペット・喫煙者はいない家庭です。",
    "ご質問があればお気軽にどうぞ。",
    "写真に写っているものが全てです。",
};
constexpr std::array<std::string_view, 5> kSpots{"駅前", "駅周辺", "市役所付近", "ショッピングモール駐車場",
                                                 "自宅近くの公園"};
constexpr std::array<std::string_view, 10> kPosterNames{"たなか",   "ゆうこ",  "Ken",      "さくらママ", "ハル",
                                                        "まめ太郎", "Yumi_23", "山田商店", "のんびり屋", "T.K"};
constexpr std::array<std::string_view, 3> kVerifications{"本人確認済み", "電話番号認証済み", "メール認証済み"};
constexpr std::array<std::string_view, 5> kIntroductions{
    "ご覧いただきありがとうございます。",
    "週末に受け渡しできる方を優先しています。よろしくお願いします。",
    "子供の成長に合わせて不要になったものを出品しています。",
    "丁寧なやり取りを心がけています。",
    "",
};

std::string JapaneseDate(int year, int month, int day) {
    return std::to_string(year) + "年" + std::to_string(month) + "月" + std::to_string(day) + "日";
}

void FillTexts(SeededRandom& random, Listing& listing) {
    listing.title =
        std::string(random.Pick(kTitlePrefixes)) + listing.subGenreName + std::string(random.Pick(kTitleSuffixes));
    const int lineCount = random.Between(1, 3);
    const int firstPhrase = random.Below(static_cast<int>(kPhrases.size()));
    for (int i = 0; i < lineCount; ++i) {
        listing.descriptionLines.emplace_back(kPhrases[(firstPhrase + i) % kPhrases.size()]);
    }
    listing.spot = std::string(random.Pick(kSpots));
    listing.posterName = std::string(random.Pick(kPosterNames));
    listing.introduction = std::string(random.Pick(kIntroductions));
    if (listing.traits & kEntities) {
        listing.title = "【美品】" + listing.subGenreName + "&amp;カバー　&lt;2点&gt; &quot;北欧風&quot; It&#39;s";
        listing.descriptionLines.insert(listing.descriptionLines.begin(),
                                        "画面は19\"です。　傷&amp;汚れなし &lt;即決&gt; &rArr; 値下げ不可");
        listing.spot = "駅前&amp;公園";
        listing.posterName = "Ken&#39;s　shop";
        listing.introduction = "よろしく&amp;お願いします。&nbsp;&quot;即日&quot;対応可";
    }
}

void FillPoster(SeededRandom& random, Listing& listing) {
    listing.gender = static_cast<Gender>(random.Below(3));
    listing.profileId = 200000 + random.Below(800000);
    listing.postCount = random.Between(1, 320);
    for (const std::string_view verification : kVerifications) {
        if (random.Below(2) == 1) {
            listing.verifications.emplace_back(verification);
        }
    }
    listing.goodRatings = random.Between(0, 150);
    listing.normalRatings = random.Between(0, 9);
    listing.badRatings = random.Between(0, 3);
    listing.favourites = random.Between(0, 40);
}

} // namespace

unsigned ListingTraits(std::uint32_t seed, int number) {
    const std::uint64_t position = (static_cast<std::uint64_t>(number) - 1 + seed) % kTraitCycle.size();
    return kTraitCycle[position];
}

std::string WithThousands(int value) {
    const std::string digits = std::to_string(value);
    const std::size_t signLength = value < 0 ? 1 : 0;
    // Built forwards: GCC 12 takes an insert in a loop for an overlapping copy when optimising.
    std::string grouped = digits.substr(0, signLength);
    for (std::size_t i = signLength; i < digits.size(); ++i) {
        if (i > signLength && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

long ArticleIdOf(int number) { return 1000000L + number; }

Listing MakeListing(std::uint32_t seed, int number) {
    SeededRandom random((static_cast<std::uint64_t>(seed) << 32) ^ static_cast<std::uint32_t>(number));
    Listing listing;
    listing.number = number;
    listing.articleId = ArticleIdOf(number);
    listing.traits = ListingTraits(seed, number);

    char letters[4] = {static_cast<char>('a' + random.Below(26)), static_cast<char>('a' + random.Below(26)),
                       static_cast<char>('a' + random.Below(26)), 0};
    char postId[32];
    std::snprintf(postId, sizeof postId, "%s%06d", letters, number);
    listing.postId = (listing.traits & kOddPostId) ? "../" + std::string(postId) + "/x 1" : postId;

    listing.prefecture = random.Between(1, kPrefectureCount);
    std::vector<City> cities = CitiesOf(listing.prefecture);
    listing.cityName = cities[random.Below(static_cast<int>(cities.size()))].name;
    listing.genre = random.Between(1, kGenreCount);
    std::vector<SubGenre> subGenres = SubGenresOf(listing.genre);
    const SubGenre& subGenre = subGenres[random.Below(static_cast<int>(subGenres.size()))];
    listing.subGenreKey = subGenre.key;
    listing.subGenreName = subGenre.name;

    const int price = random.Below(8) == 0 ? 0 : random.Between(1, 600) * 100;
    listing.price = WithThousands(price);
    const int month = random.Between(1, 11);
    const int day = random.Between(1, 28);
    listing.created = JapaneseDate(2024, month, day);
    listing.updated = JapaneseDate(2024, month + random.Between(0, 1), random.Between(day, 28));

    if (listing.traits & kManyImages) {
        listing.imageCount = 8;
    } else if (!(listing.traits & kNoImages)) {
        listing.imageCount = random.Between(1, 4);
    }
    FillTexts(random, listing);
    FillPoster(random, listing);
    return listing;
}

} // namespace vorn::site
