#include "crawl/search_plan.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "web/cp932.h"

namespace vorn {
namespace {

std::string Sjis(const char* utf8) { return UTF8ToAnsi(utf8); }

TEST(KeywordQuery, EncodesTheTrimmedKeywordAsUtf8) {
    struct Case {
        const char* name;
        std::string keyword;
        std::string query;
    };
    const std::vector<Case> cases = {
        {"space becomes plus", "a b", "?keyword=a+b"},
        {"ampersand is escaped", "A&B", "?keyword=A%26B"},
        {"kanji as UTF-8 bytes", Sjis("椅子"), "?keyword=%E6%A4%85%E5%AD%90"},
        {"spaces only give no query", "   ", ""},
        {"empty gives no query", "", ""},
        {"control characters trimmed", "\t x\r\n", "?keyword=x"},
        {"full-width space alone kept", Sjis("　"), "?keyword=%E3%80%80"},
        {"full-width space at the ends kept", Sjis("　椅子　"), "?keyword=%E3%80%80%E6%A4%85%E5%AD%90%E3%80%80"},
        {"inner spaces each become plus", "a  b", "?keyword=a++b"},
        {"unreserved marks kept", "!$'()*-.@_", "?keyword=!$'()*-.@_"},
        {"other marks escaped upper-case", "/?#+~%=z", "?keyword=%2F%3F%23%2B%7E%25%3Dz"},
        {"half-width katakana", Sjis("ｲｽ"), "?keyword=%EF%BD%B2%EF%BD%BD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeywordQuery(c.keyword), c.query) << c.name;
    }
}

CrawlSelection PrefectureSelection() {
    CrawlSelection selection;
    selection.areaComboIndex = 0;
    selection.areaComboText = Sjis("（全都道府県）");
    selection.areaTexts = {Sjis(" 北海道 "), Sjis("青森県")};
    return selection;
}

TEST(AreaLabel, NamesTheAreaOfTheSearch) {
    CrawlSelection cities;
    cities.areaComboIndex = 13;
    cities.areaComboText = Sjis(" 東京都 ");
    cities.areaTexts = {Sjis(" 千代田区 "), Sjis("中央区")};

    EXPECT_EQ(AreaLabel(PrefectureSelection(), -1), Sjis("全国 - "));
    EXPECT_EQ(AreaLabel(PrefectureSelection(), 0), Sjis("北海道 - "));
    EXPECT_EQ(AreaLabel(PrefectureSelection(), 1), Sjis("青森県 - "));
    // No separator between prefecture and city.
    EXPECT_EQ(AreaLabel(cities, 0), Sjis("東京都千代田区 - "));
    EXPECT_EQ(AreaLabel(cities, 1), Sjis("東京都中央区 - "));
}

TEST(GenrePartFor, TakesPathAndLabelFromTheNode) {
    CrawlSelection selection;
    selection.genreNodes = {
        {0, -1, Sjis(" 家具"), "sale-fur/g-all"},
        {1, 0, Sjis(" ベッド"), " sale-fur/g-12 "},
        {0, -1, Sjis(" 空"), ""},
    };
    struct Case {
        const char* name;
        std::string entry;
        std::string path;
        std::string label;
    };
    const std::vector<Case> cases = {
        {"all genres", "-1", "sale-all/g-all", Sjis("全ジャンル")},
        {"genre", "0", "sale-fur/g-all", Sjis("家具")},
        {"sub-genre trimmed", "1", "sale-fur/g-12", Sjis("ベッド")},
        {"node without a code", "2", "", Sjis("空")},
        {"not a number reads as all genres", "x", "sale-all/g-all", Sjis("全ジャンル")},
    };
    for (const Case& c : cases) {
        const GenrePart part = GenrePartFor(selection, c.entry);
        EXPECT_EQ(part.path, c.path) << c.name;
        EXPECT_EQ(part.label, c.label) << c.name;
    }
    EXPECT_THROW(GenrePartFor(selection, "3"), std::out_of_range);
    EXPECT_THROW(GenrePartFor(selection, "-2"), std::out_of_range);
}

TEST(SearchPath, PutsTheCityCodeAfterTheGenre) {
    struct Case {
        const char* name;
        const char* areaPath;
        const char* genrePath;
        const char* searchPath;
    };
    const std::vector<Case> cases = {
        {"nationwide, all genres", "all", "sale-all/g-all", "all/sale-all/g-all"},
        {"nationwide, genre", "all", "sale-fur/g-all", "all/sale-fur/g-all"},
        {"prefecture, all genres", "tokyo", "sale-all/g-all", "tokyo/sale-all/g-all"},
        {"prefecture, sub-genre", "tokyo", "sale-fur/g-12", "tokyo/sale-fur/g-12"},
        {"city, all genres", "tokyo,a-13101", "sale-all/g-all", "tokyo/sale-all/g-all/a-13101"},
        {"city, genre", "tokyo,a-13101", "sale-bic/g-all", "tokyo/sale-bic/g-all/a-13101"},
        {"area not in the catalogue", "", "sale-fur/g-all", "/sale-fur/g-all"},
        {"genre without a code", "tokyo", "", "tokyo/"},
        {"only the first comma splits", "tokyo,a,b", "g", "tokyo/g/a,b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SearchPath(c.areaPath, c.genrePath), c.searchPath) << c.name;
    }
}

TEST(EntryNumber, ReadsWholeDecimalTextsOnly) {
    struct Case {
        const char* text;
        int number;
    };
    const std::vector<Case> cases = {
        {"0", 0},           {"12", 12},
        {"-1", -1},         {"+7", 7},
        {"", -1},           {"1a", -1},
        {" 1", -1},         {"1 ", -1},
        {"-", -1},          {"+-1", -1},
        {"0x10", -1},       {"2147483647", 2147483647},
        {"2147483648", -1}, {"-2147483648", -2147483647 - 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EntryNumber(c.text), c.number) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace vorn
