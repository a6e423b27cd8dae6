#include "crawl/results_page.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "web/cp932.h"

namespace vorn {
namespace {

TEST(ResultTotalMarker, QualifiesSpanLinesCarryingTheClass) {
    struct Case {
        const char* name;
        const char* line;
        bool qualifies;
    };
    const std::vector<Case> cases = {
        {"span with the class", R"(<span class="p-articles-title-sub">)", true},
        {"indented", "\t  <span class=\"p-articles-title-sub\">", true},
        {"class after Japanese text", "<span>全て p-articles-title-sub", true},
        {"class anywhere in the line", "<sp x> ... p-articles-title-sub-extra", true},
        {"not a span", R"(<div class="p-articles-title-sub">)", false},
        {"upper case tag", R"(<SPAN class="p-articles-title-sub">)", false},
        {"other class", R"(<span class="p-articles-title">)", false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsResultTotalLine(c.line), c.qualifies) << c.name;
    }
}

TEST(ParseResultTotal, ReadsTheNumberBetweenTheWords) {
    struct Case {
        const char* name;
        const char* line;
        int total;
    };
    const std::vector<Case> cases = {
        {"grouped digits", "全1,234件", 1234},
        {"inside tags and comments", "  <span>全<!-- -->1,234<!-- -->件</span>  ", 1234},
        {"zero", "全0件", 0},
        {"plain number", "12", 12},
        {"millions", "全1,234,567件", 1234567},
        {"no number", "該当なし", 0},
        {"extra words", "全12件以上", 0},
        {"empty", "", 0},
        {"too large", "全99,999,999,999件", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseResultTotal(c.line), c.total) << c.name;
    }
}

TEST(ItemLinkMarker, QualifiesAnchorsWhoseFirstAttributeIsTheClass) {
    struct Case {
        const char* name;
        const char* line;
        bool qualifies;
    };
    const std::vector<Case> cases = {
        {"anchor with the class", R"(<a class="p-item-image-link" href="https://h/article/1">)", true},
        {"indented", R"(    <a class="p-item-image-link" href="https://h/article/1">)", true},
        {"class not first", R"(<a href="https://h/article/1" class="p-item-image-link">)", false},
        {"other class", R"(<a class="p-item-title" href="https://h/article/1">)", false},
        {"too short", "<a c", false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsItemLinkLine(c.line), c.qualifies) << c.name;
    }
}

TEST(ListingKeyFromLine, TakesTheAddressFromItsSchemeColon) {
    struct Case {
        const char* name;
        std::string line;
        std::optional<std::string> key;
    };
    const std::vector<Case> cases = {
        {"https address with a port", R"(<a class="p-item-image-link" href="https://127.0.0.1:8443/article/7">)",
         "://127.0.0.1:8443/article/7"},
        {"http scheme dropped the same way", R"( <a class="p-item-image-link" href="http://h/article/8"><img>)",
         "://h/article/8"},
        {"no colon", R"(<a class="p-item-image-link" href="/article/9">)", std::nullopt},
        {"no closing quote", R"(<a class="p-item-image-link" href="https://h/article/9)", std::nullopt},
        {"Japanese path converted", "<a class=\"p-item-image-link\" href=\"https://h/記事/1\">",
         UTF8ToAnsi("://h/記事/1")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ListingKeyFromLine(c.line), c.key) << c.name;
    }
}

} // namespace
} // namespace vorn
