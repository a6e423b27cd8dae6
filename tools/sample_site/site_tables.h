#pragma once

#include <string>
#include <string_view>
#include <vector>

// The fixed names of the sample site: prefectures, their cities, genres and sub-genres. Texts are
// UTF-8, as the site sends them.
namespace vorn::site {

inline constexpr int kPrefectureCount = 47;
inline constexpr int kGenreCount = 20;

struct Prefecture {
    std::string_view alpha; // URL word, e.g. "tokyo"
    std::string_view name;  // e.g. "東京都"
};

struct Genre {
    std::string_view code; // URL word, e.g. "fur"
    std::string_view name; // e.g. "家具"
};

// A city of a prefecture's sale page. Grey cities have no page of their own and no code.
struct City {
    std::string code; // "a-13101"; empty for a grey city
    std::string name;
    bool linked() const { return !code.empty(); }
};

struct SubGenre {
    std::string key; // "g-101"
    std::string name;
};

// Prefecture 1..47 in JIS order; genre 1..20 in the catalogue's order.
const Prefecture& PrefectureAt(int number);
const Genre& GenreAt(int number);
// 0 when the word names no prefecture / genre.
int PrefectureNumber(std::string_view alpha);
int GenreNumber(std::string_view code);

// The cities in page order: linked cities get codes "a-" + PPNNN (PP the prefecture, NNN from
// 101 upwards in page order among linked cities); one or two grey cities sit among them.
std::vector<City> CitiesOf(int prefecture);
// The sub-genres in page order; keys "g-" + (100 * genre + position).
std::vector<SubGenre> SubGenresOf(int genre);

// What the catalogue pages list: the above, and at the end a few that no listing uses, whose
// names hold a single quote: a city of 北海道 (a-01199) and a sub-genre of 家具 (g-123).
std::vector<City> ListedCitiesOf(int prefecture);
std::vector<SubGenre> ListedSubGenresOf(int genre);

} // namespace vorn::site
