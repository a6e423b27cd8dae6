#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/alert_receivers.h"
#include "tests/support/csv_reader.h"

namespace vorn {
namespace {

using test::AlertReceivers;

constexpr const char* kPassword = "market-pass";

// Three runs of one search against the sample site, with an alert channel of each kind: the
// going prices the store keeps, the run's workbook and the alerts.
class MarketTest : public CliRunTest {
protected:
    void WriteNotify(const std::string& notifyLines) const {
        WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
        std::ofstream pw(dir_.db() / "pw", std::ios::binary);
        pw << kPassword << "\n";
        pw.close();
        fs::permissions(dir_.db() / "pw", fs::perms::owner_read | fs::perms::owner_write);
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app)
            << "[Notify]\r\nWebhook=" << receivers_.WebhookUrl("hook") << "\r\nMailTo=you@example.test\r\n"
            << "MailFrom=vorn@example.test\r\nSmtpUrl=" << receivers_.SmtpUrl()
            << "\r\nSmtpUser=vorn\r\nSmtpPasswordFile=" << (dir_.db() / "pw").string() << "\r\n"
            << notifyLines;
    }

    std::string ReadWorkbook(const fs::path& book) {
        return ChildProcess("/usr/bin/python3", {VORN_READ_WORKBOOK, book}, runtime_.path(), logs_.path()).Wait().out;
    }

    AlertReceivers receivers_{"vorn", kPassword};
};

// Listing 6 asks 応相談, 7 is 0円 and 8 is closed: none of them counts. Run 2 shows eleven new
// listings first and then cuts listing 3 to 2,400円, 22 % of the median of 11,000円 and so within
// Bargain=25, though past the changed listings an alert lists; run 3 only raises a price.
TEST_F(MarketTest, ThreeRunsOfOneSearchGiveTheirGoingPricesEverywhere) {
    struct Day {
        std::vector<int> shown;
        std::vector<std::pair<int, std::string>> prices;
        std::string output;
        std::string marketRow; // after the date: search, count, the five prices
        int alerts;            // messages per channel so far
    };
    const std::string search = "東京都港区 - 家電";
    std::vector<int> newFirst;
    for (int listing = 21; listing <= 31; ++listing) {
        newFirst.push_back(listing);
    }
    for (int listing = 1; listing <= 9; ++listing) {
        newFirst.push_back(listing);
    }
    const Day runs[] = {
        {{1, 2, 3, 4, 5, 6, 7, 8},
         {{1, "10,000"},
          {2, "12,000"},
          {3, "8,000"},
          {4, "20,000"},
          {5, "15,000"},
          {6, "応相談"},
          {7, "0"},
          {8, "5,000"}},
         "one.csv",
         search + "|5|8000|10000|12000|15000|20000",
         0},
        {newFirst, {{3, "2,400"}, {9, "11,000"}}, "two.xlsx", search + "|17|2400|11000|11000|11000|20000", 1},
        {newFirst, {{4, "30,000"}}, "three.csv", search + "|17|2400|11000|11000|11000|30000", 1},
    };
    WriteNotify("Bargain=25\r\nWhen=bargains\r\n");
    for (int listing = 1; listing <= 31; ++listing) {
        content_->SetTitle(listing, "品" + std::to_string(listing));
        content_->SetClosed(listing, listing == 8);
        content_->SetPrice(listing, "11,000");
    }
    std::vector<std::string> rows;
    for (const Day& run : runs) {
        SCOPED_TRACE(run.output);
        content_->SetSearch(kFirstCitySearch, {run.shown, std::nullopt});
        for (const auto& [listing, price] : run.prices) {
            content_->SetPrice(listing, price);
        }
        const ChildResult crawl = Run({"crawl", (out_.path() / run.output).string()});
        ASSERT_EQ(crawl.exitCode, 0) << crawl.out << crawl.err;
        EXPECT_EQ(receivers_.Received("webhook").size(), static_cast<std::size_t>(run.alerts)) << crawl.out;
        EXPECT_EQ(receivers_.Received("mail").size(), static_cast<std::size_t>(run.alerts)) << crawl.out;
        rows.push_back(run.marketRow);
    }

    const fs::path csv = out_.path() / "market.csv";
    const ChildResult market = Run({"market", "--encoding", "utf-8", csv.string()});
    ASSERT_EQ(market.exitCode, 0) << market.err;
    const auto table = test::ParseCsv(test::ReadBytes(csv).substr(3));
    std::vector<std::string> read;
    for (const test::CsvRecord& record : table.records) {
        ASSERT_GE(record.size(), 8u);
        std::string row = record[0];
        for (std::size_t i = 1; i < 8; ++i) {
            row += "|" + record[i];
        }
        read.push_back(row);
    }
    ASSERT_EQ(read.size(), rows.size() + 1);
    EXPECT_EQ(read[0], "日付|検索|件数|最安|下位25%|中央値|上位25%|最高");
    for (std::size_t row = 0; row < rows.size(); ++row) {
        EXPECT_TRUE(std::regex_match(read[row + 1], std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}\|.*)")));
        EXPECT_EQ(read[row + 1].substr(17), rows[row]);
    }
    const ChildResult printed = Run({"market", "--since", LocalTimeNow().substr(0, 10)});
    EXPECT_TRUE(
        printed.out.starts_with("日付              検索               件数  最安  下位25%  中央値  上位25%   最高\n"))
        << printed.out;
    EXPECT_TRUE(Contains(printed.out, "  " + search + "    17  2400    11000   11000    11000  30000\n"))
        << printed.out;

    const std::string book = ReadWorkbook(out_.path() / "two.xlsx");
    for (const std::string& fact : {
             std::string("sheets=商品情報|相場\n"),
             std::string("|変化|相場比\n"),
             std::string("\nAA15=n:0%:0.218181818181818\n"), // 2,400円 of 11,000円
             std::string("\nAA13=n:0%:0.909090909090909\n"),
             std::string("\nAA20=n:0%:0.454545454545455\n"),
             std::string("\nsheet=相場\nA1=s:General:日付\n"),
             "\nB2=s:General:" + search +
                 "\nC2=n:General:17\nD2=n:#,##0\"円\":2400\nE2=n:#,##0\"円\":11000\n"
                 "F2=n:#,##0\"円\":11000\nG2=n:#,##0\"円\":11000\nH2=n:#,##0\"円\":20000\n",
             "\nA4=s:General:" + search + " の中央値\nA5=s:General:日付\nB5=s:General:中央値\n",
             std::string("\nB6=n:#,##0\"円\":12000\n"),
             std::string("\nB7=n:#,##0\"円\":11000\n"),
             "\nchart=lineChart:" + search + ":'相場'!$A$6:$A$7:'相場'!$B$6:$B$7\n",
         }) {
        EXPECT_TRUE(Contains(book, fact)) << fact << " in\n" << book;
    }
    // 応相談, 0円 and the closed listing have no share; the closed one is priced all the same.
    for (const char* none : {"\nAA18=", "\nAA19="}) {
        EXPECT_FALSE(Contains(book, none)) << none << " in\n" << book;
    }

    const std::string mail = receivers_.Received("mail").at(0);
    const std::string cut = "お買い得  値下げ 8,000円→2,400円  品3  2,400円（相場の22%）";
    EXPECT_TRUE(Contains(mail, "\n\n" + cut + "\n")) << "the bargain first: " << mail;
    EXPECT_TRUE(Contains(mail, "新着  品21  11,000円（相場の100%）\n")) << mail;
    const std::string hook = receivers_.Received("webhook").at(0);
    EXPECT_TRUE(Contains(hook, "\"market\": 22,\n")) << hook;
    EXPECT_TRUE(Contains(hook, "\"bargain\": true")) << hook;
}

} // namespace
} // namespace vorn
