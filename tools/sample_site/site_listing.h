#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn::site {

// Peculiarities of a listing's page; several may combine.
enum ListingTrait : unsigned {
    kEntities = 1u << 0,        // quotes, character references and full-width spaces in its texts
    kManyImages = 1u << 1,      // eight photographs (more than a row holds)
    kNoImages = 1u << 2,        // no photograph, only a placeholder picture
    kHandoverPlace = 1u << 3,   // a "受け渡し場所" row instead of "取引場所"
    kNoPageData = 1u << 4,      // the page data script does not follow a closing div
    kEnquiriesClosed = 1u << 5, // "お問い合わせの受付は終了" instead of the contact button
    kNoPoster = 1u << 6,        // withdrawn poster: no poster block and no contact button
    kLongAddress = 1u << 7,     // linked with a query that makes its listing key over 100 bytes
    kOddPostId = 1u << 8,       // a post ID holding "..", "/" and a space
};

// The traits of listing `number` follow a cycle of twelve, rotated by the seed. Position
// (number - 1 + seed) % 12 gives: 0 none, 1 kEntities, 2 kManyImages, 3 kHandoverPlace,
// 4 kNoPageData, 5 kEnquiriesClosed, 6 kOddPostId, 7 kLongAddress, 8 kNoImages, 9 kNoPoster,
// 10 kEntities | kHandoverPlace, 11 none. So any twelve consecutive listings show every trait.
unsigned ListingTraits(std::uint32_t seed, int number);

// The article ID in a listing's address: 1000000 + number.
long ArticleIdOf(int number);

// 1234567 -> "1,234,567", as the site writes prices and totals.
std::string WithThousands(int value);

enum class Gender { Undisclosed, Male, Female };

// One generated listing. Texts are UTF-8 HTML text as the page carries them (character
// references kept), so what a parser reads is exactly what the page shows.
struct Listing {
    int number = 0;
    long articleId = 0;
    unsigned traits = 0;

    std::string postId;
    std::string title;
    std::vector<std::string> descriptionLines; // one page line each
    std::string price;                         // "12,000"; the page adds "円"
    int prefecture = 1;                        // 1..47
    std::string cityName;
    std::string spot;
    int genre = 1; // 1..20
    std::string subGenreKey;
    std::string subGenreName;
    std::string updated; // "2024年5月1日"
    std::string created;
    int imageCount = 0;

    std::string posterName;
    Gender gender = Gender::Undisclosed;
    long profileId = 0;
    int postCount = 0;
    std::vector<std::string> verifications;
    std::string introduction;

    int goodRatings = 0;
    int normalRatings = 0;
    int badRatings = 0;
    int favourites = 0;
};

// Everything about listing `number` (1 or more) follows from the seed and the number alone.
Listing MakeListing(std::uint32_t seed, int number);

} // namespace vorn::site
