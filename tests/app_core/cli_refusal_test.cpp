#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/item_fields.h"
#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/alert_receivers.h"
#include "tests/support/csv_reader.h"

namespace vorn {
namespace {

// Runs one after another in one program folder, with a webhook on loopback and When=changes; a
// page's status stays from case to case. Pages are search paths, and listing n as "n"; "-" is a
// row of a page not read, and a 変化 follows it. The cities are searched in the order a-13101, a-13102, a-13199,
// a-13103; Ctgrlist "011" is ベッド (fur/g-1), then 家電; status 0 serves a page again.
TEST_F(CliRunTest, ARefusingSiteEndsTheRunAndSaysSo) {
    struct Case {
        const char* name;
        std::string config;
        const char* option; // of crawl
        std::map<std::string, std::vector<int>> searches;
        std::map<std::string, int> answers; // the status of each page not served
        std::vector<std::string> requests;  // every request, in order
        int exitCode;
        std::string err;
        std::string rows, notify; // "1 2-": listing 1 read, listing 2 not; [Notify] lines besides the webhook
    };
    const std::string ele = "tokyo/sale-ele/g-all/a-", fur = "tokyo/sale-fur/g-1/a-";
    // clang-format off
    const auto refused = [](std::string status, std::string counts) { return "サイトにアクセスを拒否されました（HTTP " +
        status + "）。\n時間をおいてから、もう一度お試しください。\nアクセスを拒否されたページ: 検索結果 " + counts + "\n"; };
    const Case cases[] = {
        {"blocked after its first search", "Ctgrlist=011\r\nArealist=1110\r\n", "", {{fur + "13101", {1, 2}}},
         {{"2", 403}, {ele + "13101", 403}, {fur + "13102", 403}},
         {fur + "13101", "1", "2", ele + "13101", fur + "13102"}, 7, refused("403", "2件、商品ページ 1件"), "1 2-", ""},
        {"a refused search between served ones", "Ctgrlist=001\r\nArealist=0111\r\n", "",
         {{ele + "13102", {3}}, {ele + "13103", {4}}}, {{ele + "13199", 451}},
         {ele + "13102", "3", ele + "13199", ele + "13103", "4"}, 7, refused("451", "1件、商品ページ 0件"), "3 4", ""},
        {"a 404 search finds nothing", "Ctgrlist=001\r\nArealist=0001\r\n", "", {}, {{ele + "13103", 404}},
         {ele + "13103"}, 1, "", "", ""},
        {"OnFailure=no: no message", "Ctgrlist=001\r\nArealist=1000\r\n", "", {}, {{ele + "13101", 401}},
         {ele + "13101"}, 7, refused("401", "1件、商品ページ 0件"), "", "OnFailure=no\r\n"},
        {"changes only: a listing refused gets no row", "Ctgrlist=010\r\nArealist=0010\r\n", "--changes-only",
         {{fur + "13199", {5}}}, {{"5", 403}}, {fur + "13199", "5"}, 1,
         "アクセスを拒否されたページ: 検索結果 0件、商品ページ 1件\n", "", ""},
        {"then served, it is new", "Ctgrlist=010\r\nArealist=0010\r\n", "--changes-only", {}, {{"5", 0}},
         {fur + "13199", "5"}, 0, "", "5 新着", ""},
    };
    // clang-format on
    test::AlertReceivers receivers("vorn", "unused");
    const auto page = [this](const std::string& entry) {
        return (entry.size() == 1 ? content_->ListingUrl(std::stoi(entry)) : site_.Url(entry))
            .substr(site_.baseUrl().size() - 1);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings("Areasel=13\r\n" + c.config +
                      "[Notify]\r\nWhen=changes\r\nWebhook=" + receivers.WebhookUrl("hook") + "\r\n" + c.notify);
        for (const auto& [search, listings] : c.searches) {
            content_->SetSearch(search, {listings, std::nullopt});
        }
        for (const auto& [entry, status] : c.answers) {
            const std::string path = page(entry).substr(1, page(entry).find('?') - 1);
            status != 0 ? content_->SetStatus(path, status) : content_->ClearFault(path);
        }
        std::vector<std::string> requests(c.requests.size());
        std::transform(c.requests.begin(), c.requests.end(), requests.begin(), page);
        const std::size_t messages = receivers.Received("webhook").size();
        site_.ClearRequests();
        const ChildResult result = *c.option ? Run({"crawl", c.option, Output().string()}) : Crawl();
        EXPECT_EQ(result.exitCode, c.exitCode) << result.out;
        EXPECT_EQ(result.err, c.err);
        EXPECT_TRUE(result.out.substr(result.out.rfind('\n', result.out.size() - 2) + 1).starts_with("新着 "))
            << "the counts line ends the output: " << result.out;
        EXPECT_EQ(site_.RequestedPaths(), requests);
        const test::CsvParse csv = test::ParseCsv(test::ReadBytes(Output()));
        std::string rows;
        for (std::size_t i = 1; i < csv.records.size(); ++i) {
            const test::CsvRecord& row = csv.records[i]; // whole: every field and the empty one after
            rows += std::string(i > 1 ? " " : "") + row[kDetailUrl].substr(row[kDetailUrl].rfind('/') + 7, 1) +
                    (row[kTitle].empty() ? "-" : "") + (row.size() == csv.records[0].size() + 1 ? "" : " cut") +
                    (row.size() > kItemFieldCount + 1u ? " " + AnsiToUtf8(row[kItemFieldCount]) : "");
        }
        EXPECT_TRUE(csv.error.empty() && rows == c.rows) << csv.error << rows;
        EXPECT_FALSE(fs::exists(dir_.scratchFile()));
        const std::vector<std::string> received = receivers.Received("webhook");
        const bool failed = c.exitCode == 7 && c.notify.empty();
        ASSERT_EQ(received.size(), messages + (failed || c.exitCode == 0 ? 1 : 0));
        EXPECT_TRUE(!failed || Contains(received.back(), "\"summary\": \"" + c.err.substr(0, c.err.find('\n'))))
            << received.back();
    }
}

} // namespace
} // namespace vorn
