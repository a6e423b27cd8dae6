#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/refresh/city_page_parser.h"
#include "catalogue/refresh/genre_page_parser.h"
#include "catalogue/refresh/refresh_lines.h"
#include "catalogue/refresh/top_genres.h"
#include "web/cp932.h"

namespace vorn {

namespace {

using Lines = std::vector<std::string>;

std::string Sjis(const std::string& utf8) { return UTF8ToAnsi(utf8); }

const char* const kCityListStart =
    "  <span class=\"c-definition-list-item c-definition-list-item-current\">東京都</span>";
const char* const kGreyCity = "    <span class=\"u-color-light-gray\">";

TEST(CityPageParser, ReadsTheFirstCityList) {
    struct Case {
        const char* name;
        Lines lines;
        std::vector<ParsedCity> expected;
    };
    const Case cases[] = {
        {"linked, grey and linked cities numbered in page order",
         {"<html>", "<ul>", kCityListStart, "<li>", "<a href=\"https://127.0.0.1/tokyo/sale/a-13101\">千代田区</a>",
          "</li>", "\t<a class=\"x\" href=\"/tokyo/sale/a-13102\"><b>中央区</b></a>  ", kGreyCity, "  港区  ",
          "</span>", "</ul>", "</html>"},
         {{1, "a-13101", Sjis("千代田区")}, {2, "a-13102", Sjis("中央区")}, {3, "0", Sjis("港区")}}},
        {"link without /a- uses no number",
         {kCityListStart, "<a href=\"/tokyo/sale\">すべて</a>", "<a href=\"/tokyo/sale/a-13101\">千代田区</a>",
          "</ul>"},
         {{1, "a-13101", Sjis("千代田区")}}},
        {"link without a closing quote, or with an empty code, is passed over",
         {kCityListStart, "<a href=\"/tokyo/sale/a-13101>broken</a>", "<a href=\"/tokyo/sale/ \">blank</a>",
          "<a href=\"/tokyo/sale/a-13102\">中央区</a>", "</ul>"},
         {{1, "a-13102", Sjis("中央区")}}},
        {"second list is ignored",
         {kCityListStart, "<a href=\"/a-1\">one</a>", "</ul>", kCityListStart, "<a href=\"/a-2\">two</a>", "</ul>"},
         {{1, "a-1", "one"}}},
        {"no list start, no cities", {"<a href=\"/a-1\">one</a>", "</ul>"}, {}},
        {"list running to the end of the page; grey city on the last line has no name",
         {kCityListStart, "<a href=\"/a-1\">one</a>", kGreyCity},
         {{1, "a-1", "one"}}},
        {"malformed UTF-8 in a link line drops the city",
         {kCityListStart, "<a href=\"/a-1\">bad \xE5\xAE</a>", "<a href=\"/a-2\">good</a>", "</ul>"},
         {{1, "a-2", "good"}}},
        {"a closing ul with attributes or blanks still ends the list",
         {kCityListStart, "<a href=\"/a-1\">one</a>", "   </ul >", "<a href=\"/a-2\">two</a>"},
         {{1, "a-1", "one"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseCityPage(c.lines), c.expected);
    }
}

const TopGenre& Furniture() { return TopGenres().front(); }

const char* const kCandidate = "<span class=\"c-definition-list-item-current\">";

TEST(GenrePageParser, ReadsTheListsTitledWithTheGenre) {
    struct Case {
        const char* name;
        Lines lines;
        std::vector<ParsedSubGenre> expected;
    };
    const Case cases[] = {
        {"list ended by </dd>; link without /g- passed over",
         {"<dl>", kCandidate, "  <span>全ての家具</span>",
          "<a href=\"https://127.0.0.1/all/sale-fur/g-123\">ソファ</a>",
          "<a href=\"https://127.0.0.1/all/sale-ele\">家電を見る</a>", "<a href=\"/all/sale-fur/g-45\">椅子</a>",
          "</dd>", "<a href=\"/all/sale-fur/g-99\">after the list</a>", "</html>"},
         {{1, "sale-fur/g-123", Sjis("ソファ")}, {2, "sale-fur/g-45", Sjis("椅子")}}},
        {"candidate titled with another genre is passed over",
         {kCandidate, "全ての家電", "<a href=\"/all/sale-ele/g-1\">x</a>", "</ul>", "</html>"},
         {}},
        {"a second list of the same genre continues the numbering",
         {kCandidate, "全ての家具", "<a href=\"/g-1\">one</a>", "</ul>", kCandidate, "全ての家具",
          "<a href=\"/g-2\">two</a>", "</ul>", "</html>"},
         {{1, "sale-fur/g-1", "one"}, {2, "sale-fur/g-2", "two"}}},
        {"a list without its end stops before the page's last line",
         {kCandidate, "全ての家具", "<a href=\"/g-1\">one</a>", "<a href=\"/g-2\">two</a>"},
         {{1, "sale-fur/g-1", "one"}}},
        {"candidate on the last line is passed over", {"<html>", kCandidate}, {}},
        {"malformed title line opens no list",
         {kCandidate, "全ての家具\xFF", "<a href=\"/g-1\">one</a>", "</ul>", "</html>"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseGenrePage(c.lines, Furniture()), c.expected);
    }
}

TEST(RefreshLines, StrictDecodingEmptiesMalformedLines) {
    struct Case {
        const char* name;
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {"well formed, tags stripped and trimmed", "  <b>千代田区</b> ", Sjis("千代田区")},
        {"stray continuation byte",
         "ab\x80"
         "cd",
         ""},
        {"lead byte without its continuation", "<b>\xE5\xAE</b>", ""},
        {"four-byte character", "\xF0\x9F\x98\x80 smile", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(refresh::LineText(c.line), c.expected);
    }
}

TEST(RefreshLines, MarkersAfterMultiByteTextAreFound) {
    // UTF-8 bytes must not be read as CP932 lead bytes that swallow the marker's first byte.
    EXPECT_TRUE(refresh::IsCurrentEntry("<span>ぁc-definition-list-item-current"));
    EXPECT_TRUE(refresh::IsGreyEntry("<span>ぁu-color-light-gray"));
    EXPECT_EQ(refresh::LinkCode("<a href=\"/大阪/a-27100\">x</a>", "/a-", 1), "a-27100");
}

} // namespace
} // namespace vorn
