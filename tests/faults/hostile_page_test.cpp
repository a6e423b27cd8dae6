// Pages the site serves whole but that are not what the parsers expect: huge, random, broken
// UTF-8, without markers, or promising more results than they link.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/item_fields.h"
#include "tests/faults/fault_run_fixture.h"

namespace vorn {
namespace {

using namespace test;

constexpr std::size_t kTwentyMegabytes = 20u * 1024 * 1024;

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

// Lines of navigation markup, about `size` bytes in all.
std::string NavigationLines(std::size_t size) {
    const std::string line = "<li class=\"nav\"><a href=\"/area/13\">東京都の売ります</a></li>\n";
    std::string lines;
    lines.reserve(size + line.size());
    while (lines.size() < size) {
        lines += line;
    }
    return lines;
}

class HostilePageTest : public FaultRunTest {};

TEST_F(HostilePageTest, TwentyMegabytePagesAreReadWhole) {
    // The program's own limits: the fixture's short ones are for faults, not for slow builds.
    SetFetchSettings(savedSettings_);
    Serve(kFaultSearch, Page(NavigationLines(kTwentyMegabytes) + site_.ResultsPage(2, {3, 4})));
    // The bulk of an item page is its page data, one long line of JSON.
    std::string page4 = site_.ItemPage(4);
    const std::string pageData = "{\"favorite_user_count\"";
    page4.insert(page4.find(pageData) + 1, "\"props\":\"" + std::string(kTwentyMegabytes, 'j') + "\",");
    Serve("/article/4", Page(page4));

    EXPECT_EQ(Run(), kRowsWritten);

    const std::vector<Strings> rows = WellFormedRows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3][1], "品物3");
    EXPECT_EQ(rows[4][1], "品物4");
    EXPECT_EQ(rows[4][15], "3") << "the count after 20 MB of page data";
}

TEST_F(HostilePageTest, RandomBytesReadAsPagesWithoutMarkers) {
    Serve("/article/3", Page(RandomBytes(256 * 1024, 3)));
    Serve(kFaultSearch, Page(RandomBytes(256 * 1024, 1)));
    site_.AddResults("p0/sale-fur/g-all", 3, {1, 2, 3});

    EXPECT_EQ(Run(), kRowsWritten);

    const std::vector<Strings> rows = WellFormedRows();
    ASSERT_EQ(rows.size(), 4u) << "the random results page is a search without results";
    EXPECT_EQ(rows[3][24], site_.ArticleUrl(3));
    EXPECT_EQ(site_.RequestedPaths().back(), kFaultSearch);
}

TEST_F(HostilePageTest, MalformedUtf8BecomesQuestionMarksNotBrokenRows) {
    // Stray continuation bytes, an overlong slash, a surrogate, a character cut short, FF.
    const std::string broken = "\x80\xBF\xC0\xAF\xED\xA0\x80\xE3\x81\xFF";
    std::string results = site_.ResultsPage(2, {3, 4});
    results.insert(0, "<nav>" + broken + "</nav>\n");
    const std::string link = "href=\"" + site_.ArticleUrl(3) + "\"";
    results.insert(results.find(link) + link.size(), " title=\"" + broken + "\"");
    Serve(kFaultSearch, Page(results));
    std::string item = site_.ItemPage(3);
    item.insert(item.find("品物3") + std::string("品物3").size(), broken + "\"");
    Serve("/article/3", Page(item));

    EXPECT_EQ(Run(), kRowsWritten);

    const std::vector<Strings> rows = WellFormedRows();
    ASSERT_EQ(rows.size(), 5u);
    const std::string& title = rows[3][1];
    EXPECT_EQ(title.rfind("品物3?", 0), 0u) << title;
    EXPECT_EQ(title.back(), '"') << "the quote after the broken bytes survives as a quote";
    EXPECT_EQ(title.find_first_not_of("品物3?\""), std::string::npos) << title;
    EXPECT_EQ(rows[3][0], "p3");
    EXPECT_EQ(rows[4][1], "品物4");
}

TEST_F(HostilePageTest, ItemPagesWithoutMarkersGiveRowsWithOnlyTheirAddress) {
    Serve("/article/3", Page("<html><body><p>品物</p></body></html>\n"));
    Serve("/article/4", Page("<h1>品物4</h1>\n<div>更新 2024年</div>\n"));

    EXPECT_EQ(Run(), kRowsWritten);

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({" @ /article/3", " @ /article/4"}));
    const std::vector<Strings> rows = WellFormedRows();
    ASSERT_EQ(rows.size(), 5u);
    Strings onlyTheUrl(kItemFieldCount + 1); // and the empty value after the last comma
    onlyTheUrl[kDetailUrl] = site_.ArticleUrl(4);
    EXPECT_EQ(rows[4], onlyTheUrl);
}

TEST_F(HostilePageTest, TotalAboveTheLinksFollowsEveryLinkAndStopsAtTheEndOfThePage) {
    Serve(kFaultSearch, Page(site_.ResultsPage(50, {3, 4})));

    EXPECT_EQ(Run(), kRowsWritten);

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({"品物3 @ /article/3", "品物4 @ /article/4"}));
    EXPECT_EQ(site_.RequestedPaths(),
              (Strings{kGoodSearch, "/article/1", "/article/2", kFaultSearch, "/article/3", "/article/4"}));
    EXPECT_EQ(Statuses().back(), Status("県0 - 家電", 2, 50));
}

} // namespace
} // namespace vorn
