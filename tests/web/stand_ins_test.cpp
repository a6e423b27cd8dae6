#include "web/stand_ins.h"

#include <string>

#include <gtest/gtest.h>

#include "web/cp932.h"

namespace vorn {
namespace {

// Text through the engine's path: stand-ins in, CP932 in between, UTF-8 out.
std::string RoundTrip(const std::string& utf8, StandIns& standIns) {
    return standIns.Restore(UTF8ToAnsi(standIns.Replace(utf8)));
}

TEST(StandInsTest, TextComesBackAsThePageHadIt) {
    struct Case {
        const char* name;
        std::string utf8;
    };
    const Case cases[] = {
        {"Japanese and ASCII only", "ソファー　3人掛け (中古) ?"},
        {"emoji, four bytes", "椅子\xF0\x9F\x98\x80\xF0\x9F\x91\x8D!"},
        {"letters code page 932 lacks", "Ákos ő ł Łódź"},
        {"circled digit of the NEC rows", "①②"},
        {"wave dash that reads back as a full-width tilde", "10〜20"},
        {"private-use characters of the page itself", "\xEE\x80\x80\xEE\x82\x80"},
        {"combining mark that would be precomposed", "か\xE3\x82\x99 e\xCC\x81"},
        {"the same character many times", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"},
        {"after and between long ASCII runs", "<div class=\"description\">\xEE\x80\x80 x</div>\xEF\xBD\x9E</p>"},
    };
    for (const Case& c : cases) {
        StandIns standIns;
        EXPECT_EQ(RoundTrip(c.utf8, standIns), c.utf8) << c.name;
        StandIns scanned;
        scanned.Scan(c.utf8);
        EXPECT_EQ(scanned.AnyLost(), standIns.AnyLost()) << c.name;
    }
}

TEST(StandInsTest, ReplacedTextKeepsEveryAsciiByteInPlace) {
    StandIns standIns;
    const std::string replaced = standIns.Replace("<h1>\xF0\x9F\x98\x80 ő</h1>");
    const std::string cp932 = UTF8ToAnsi(replaced);
    EXPECT_EQ(cp932.substr(0, 4), "<h1>");
    EXPECT_EQ(cp932.substr(cp932.size() - 5), "</h1>");
    for (std::size_t i = 4; i + 5 < cp932.size(); ++i) {
        EXPECT_NE(cp932[i], '?') << "no character is lost on the way";
    }
}

TEST(StandInsTest, CountsOnlyTheCharactersThatBecomeQuestionMarks) {
    StandIns standIns;
    const std::string page = "? \xF0\x9F\x98\x80\xF0\x9F\x98\x80 〜 ①";
    const std::string cp932 = UTF8ToAnsi(standIns.Replace(page));
    EXPECT_TRUE(standIns.AnyLost());
    int expected = 0;
    for (const char* c : {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "〜", "①"}) {
        expected += UTF8ToAnsi(c) == "?" ? 1 : 0;
    }
    EXPECT_EQ(standIns.CountLost(cp932), expected) << "the page's own question mark does not count";
    EXPECT_GE(expected, 2);

    StandIns japaneseOnly;
    japaneseOnly.Replace("家具 ?");
    EXPECT_FALSE(japaneseOnly.AnyLost());
}

TEST(StandInsTest, PastItsCapacityAPageConvertsAsTheTableDoes) {
    std::string page;
    for (char32_t c = 0x1F300; c < 0x1F300 + StandIns::kCapacity + 1; ++c) {
        page += static_cast<char>(0xF0 | (c >> 18));
        page += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        page += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        page += static_cast<char>(0x80 | (c & 0x3F));
    }
    StandIns standIns;
    const std::string back = RoundTrip(page, standIns);
    EXPECT_EQ(back.substr(0, page.size() - 4), page.substr(0, page.size() - 4));
    EXPECT_EQ(back.substr(page.size() - 4), "?");
}

} // namespace
} // namespace vorn
