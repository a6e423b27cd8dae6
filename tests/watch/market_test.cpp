#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/catalogue_db.h"
#include "tests/support/test_program_dir.h"
#include "watch/listing_store.h"
#include "watch/market_figures.h"
#include "watch/run_market.h"
#include "watch/workbook.h"
#include "web/cp932.h"

namespace vorn {
namespace {

// Of n prices, how many lie at or below the value and how many below it.
std::pair<long long, long long> Around(const std::vector<long long>& prices, long long value) {
    const auto atOrBelow = std::count_if(prices.begin(), prices.end(), [&](long long p) { return p <= value; });
    const auto below = std::count_if(prices.begin(), prices.end(), [&](long long p) { return p < value; });
    return {atOrBelow, below};
}

// The p-th percentile by nearest rank is a price some listing asked, with at least p % of the
// prices at or below it and fewer than that below it.
TEST(MarketFiguresTest, EachFigureIsAnAskedPriceAtItsNearestRank) {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        const int n = 1 + static_cast<int>(random() % 40);
        std::vector<long long> prices;
        for (int i = 0; i < n; ++i) {
            // Few distinct prices in some seeds, so ties sit on the ranks.
            prices.push_back(100 * (1 + static_cast<long long>(random() % (seed % 3 == 0 ? 4 : 500))));
        }
        const MarketFigures figures = FiguresOf("s", prices);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(n) + " prices");
        EXPECT_EQ(figures.count, n);
        EXPECT_EQ(figures.lowest, *std::min_element(prices.begin(), prices.end()));
        EXPECT_EQ(figures.highest, *std::max_element(prices.begin(), prices.end()));
        for (const auto& [percent, value] :
             std::map<int, long long>{{25, figures.lowerQuartile}, {50, figures.median}, {75, figures.upperQuartile}}) {
            const auto [atOrBelow, below] = Around(prices, value);
            EXPECT_GE(atOrBelow * 100, static_cast<long long>(percent) * n) << percent;
            EXPECT_LT(below * 100, static_cast<long long>(percent) * n) << percent;
        }
    }
}

// Rows enough to fill many of the chunks the sheet is copied in, each with a link: every 相場比
// cell holds its price over its search's median, and a search of fewer than 5 prices leaves
// its cells empty.
TEST(MarketWorkbookTest, EveryRowGetsItsShareWhereverTheSheetIsCut) {
    constexpr int kRows = 1500;
    constexpr int kFewPricesFrom = 1200; // the second search: 4 prices, the rest 応相談
    test::TestProgramDir dir;
    CatalogueDb db;
    db.Configure(dir.databaseFile());
    EnsureStore(db);
    RunMarket market(db);
    market.Begin(1, "2026-12-10 07:00:00");
    const std::filesystem::path file = dir.path() / "run.xlsx";
    Workbook book;
    book.SetMarket(&market);
    ASSERT_TRUE(book.Open(file, false));

    std::mt19937 random(7);
    std::vector<long long> firstPrices;
    std::map<int, long long> priceOfRow; // sheet row (1-based) of the first search
    for (int i = 0; i < kRows; ++i) {
        if (i == 0 || i == kFewPricesFrom) {
            market.SearchBegun(UTF8ToAnsi(i == 0 ? "東京都 - 家具" : "東京都 - 家電"));
        }
        const bool priced = i < kFewPricesFrom || i < kFewPricesFrom + 4;
        const long long price = 500 + static_cast<long long>(random() % 60000);
        ItemFields fields;
        fields[kTitle] = "sofa " + std::to_string(i);
        fields[kDescription] = std::string(300 + random() % 900, 'x');
        fields[kPrice] = priced ? std::to_string(price) + "円" : "応相談";
        fields[kReception] = "申し込み可";
        fields[kDetailUrl] = "https://127.0.0.1/article/" + std::to_string(1000000 + i);
        ItemFields cp932 = fields;
        cp932[kPrice] = UTF8ToAnsi(fields[kPrice]);
        cp932[kReception] = UTF8ToAnsi(fields[kReception]);
        market.Read(cp932);
        ASSERT_TRUE(book.AddRow(fields, "", {}));
        if (i < kFewPricesFrom) {
            firstPrices.push_back(price);
            priceOfRow[i + 2] = price;
        }
    }
    ASSERT_TRUE(book.Close());

    std::sort(firstPrices.begin(), firstPrices.end());
    const double median = static_cast<double>(firstPrices[(firstPrices.size() + 1) / 2 - 1]);
    const std::string command = std::string("/usr/bin/python3 ") + VORN_READ_WORKBOOK + " " + file.string();
    std::FILE* reader = ::popen(command.c_str(), "r");
    ASSERT_NE(reader, nullptr);
    std::map<int, double> shares;
    int links = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, reader) != nullptr) {
        int row = 0;
        double share = 0;
        if (std::sscanf(line, "AA%d=n:0%%:%lf", &row, &share) == 2) {
            shares[row] = share;
        }
        links += std::string(line).starts_with("Y") && std::string(line).find(":https://") != std::string::npos;
    }
    ASSERT_EQ(::pclose(reader), 0);
    EXPECT_EQ(links, kRows);
    ASSERT_EQ(shares.size(), priceOfRow.size());
    for (const auto& [row, price] : priceOfRow) {
        EXPECT_NEAR(shares[row], static_cast<double>(price) / median, 1e-12) << "row " << row;
    }
}

} // namespace
} // namespace vorn
