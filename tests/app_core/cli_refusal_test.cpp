#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/item_fields.h"
#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/alert_receivers.h"
#include "tests/support/csv_reader.h"

namespace vorn {
namespace {

using RefusalTest = CliRunTest;

// Runs of the built program against a site that refuses some pages, one after another in the same
// program folder, each with a webhook on loopback. The cities are searched in the order 港区 (a-13101),
// 泉区 (a-13102), 北区 (a-13199), 青葉区 (a-13103); Ctgrlist "011" searches ベッド, then 家電, in each.
TEST_F(RefusalTest, ARefusingSiteEndsTheRunAndSaysSo) {
    const std::string refused403 =
        "サイトにアクセスを拒否されました（HTTP 403）。\n時間をおいてから、もう一度お試しください。\n";
    const std::string refusedPages = "アクセスを拒否されたページ: 検索結果 ";
    struct Case {
        const char* name;
        std::string config;
        std::vector<std::string> options;
        std::map<std::string, std::vector<int>> searches; // what the searches served list
        std::map<std::string, int> answers;               // paths (listing n as "n") and their status
        std::vector<std::string> requests;                // every request, in order (listing n as "n")
        int exitCode;
        std::string err;             // standard error, whole
        std::vector<std::string> rows; // "n title-or-nothing", or "n 変化" with --changes-only
        std::string notify;            // [Notify] lines besides the webhook and When=changes
        std::string message;           // what the webhook's message begins with; empty: none sent
    };
    const std::string bedAnd = "Areasel=13\r\nCtgrlist=011\r\nArealist=";
    const std::string ele = "Areasel=13\r\nCtgrlist=001\r\nArealist=";
    const Case cases[] = {
        {"the site blocks the program after its first search",
         bedAnd + "1111\r\n",
         {},
         {{"tokyo/sale-fur/g-1/a-13101", {1, 2}}},
         {{"2", 403},
          {"tokyo/sale-ele/g-all/a-13101", 403},
          {"tokyo/sale-fur/g-1/a-13102", 403},
          {"tokyo/sale-ele/g-all/a-13102", 403}},
         {"tokyo/sale-fur/g-1/a-13101", "1", "2", "tokyo/sale-ele/g-all/a-13101", "tokyo/sale-fur/g-1/a-13102"},
         7,
         refused403 + refusedPages + "2件、商品ページ 1件\n",
         {"1 品1", "2 "},
         "",
         refused403 + refusedPages + "2件、商品ページ 1件\n新着 "},
        {"one search refused between two served ones",
         ele + "1110\r\n",
         {},
         {{kFirstCitySearch, {3}}, {"tokyo/sale-ele/g-all/a-13199", {4}}},
         {{"tokyo/sale-ele/g-all/a-13102", 451}},
         {kFirstCitySearch, "3", "tokyo/sale-ele/g-all/a-13102", "tokyo/sale-ele/g-all/a-13199", "4"},
         7,
         "サイトにアクセスを拒否されました（HTTP 451）。\n時間をおいてから、もう一度お試しください。\n" + refusedPages +
             "1件、商品ページ 0件\n",
         {"3 品3", "4 品4"},
         "",
         "サイトにアクセスを拒否されました（HTTP 451）。"},
        {"a search answered 404 is one without results",
         ele + "1000\r\n",
         {},
         {},
         {{kFirstCitySearch, 404}},
         {kFirstCitySearch},
         1,
         "",
         {},
         "",
         ""},
        {"a refusal is not asked again, and OnFailure=no sends nothing",
         ele + "1000\r\n",
         {"--retries", "2"},
         {},
         {{kFirstCitySearch, 401}},
         {kFirstCitySearch},
         7,
         "サイトにアクセスを拒否されました（HTTP 401）。\n時間をおいてから、もう一度お試しください。\n" + refusedPages +
             "1件、商品ページ 0件\n",
         {},
         "OnFailure=no\r\n",
         ""},
    };

    test::AlertReceivers receivers("vorn", "unused");
    std::mutex mutex;
    std::map<std::string, int> answers; // "/path" and its status, for the case running
    site_.Handle("/*", [&](const site::SiteRequest& request) {
        {
            const std::lock_guard lock(mutex);
            if (const auto status = answers.find(request.path); status != answers.end()) {
                site::SiteResponse answer;
                answer.status = status->second;
                answer.body = "<html><body><h1>" + std::to_string(status->second) + "</h1></body></html>\n";
                return answer;
            }
        }
        site::SiteResponse missing;
        missing.status = 404;
        return content_->Respond(request.path, request.query).value_or(missing);
    });
    // An entry of a case as the site is asked for it; a listing's path with or without its query.
    const auto listingPath = [this](int listing) {
        return content_->ListingUrl(listing).substr(site_.baseUrl().size());
    };
    const auto requested = [&](const std::string& entry, bool withQuery) {
        if (entry.empty() || !std::isdigit(static_cast<unsigned char>(entry[0]))) {
            return "/" + entry;
        }
        const std::string path = "/" + listingPath(std::stoi(entry));
        return withQuery ? path : path.substr(0, path.find('?'));
    };
    for (int listing = 1; listing <= 4; ++listing) {
        content_->SetTitle(listing, "品" + std::to_string(listing));
    }

    std::size_t messages = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings(c.config);
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app)
            << "[Notify]\r\nWebhook=" << receivers.WebhookUrl("hook") << "\r\nWhen=changes\r\n"
            << c.notify;
        for (const auto& [search, listings] : c.searches) {
            content_->SetSearch(search, {listings, std::nullopt});
        }
        {
            const std::lock_guard lock(mutex);
            answers.clear();
            for (const auto& [page, status] : c.answers) {
                answers[requested(page, false)] = status;
            }
        }
        site_.ClearRequests();
        std::vector<std::string> arguments = {"crawl"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.push_back(Output().string());

        const ChildResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.out << result.err;
        EXPECT_EQ(result.err, c.err);
        const std::size_t counts = result.out.rfind("新着 ");
        EXPECT_TRUE(counts != std::string::npos && result.out.find('\n', counts) + 1 == result.out.size())
            << "the counts line ends the output: " << result.out;
        std::vector<std::string> expectedRequests;
        for (const std::string& entry : c.requests) {
            expectedRequests.push_back(requested(entry, true));
        }
        EXPECT_EQ(site_.RequestedPaths(), expectedRequests);

        const bool changesOnly = std::find(c.options.begin(), c.options.end(), "--changes-only") != c.options.end();
        const test::CsvParse csv = test::ParseCsv(test::ReadBytes(Output()));
        EXPECT_EQ(csv.error, "");
        std::vector<std::string> rows;
        for (std::size_t i = 1; i < csv.records.size(); ++i) {
            const test::CsvRecord& record = csv.records[i];
            EXPECT_EQ(record.size(), csv.records[0].size() + 1) << "a whole row: every field and the empty one after";
            const std::string url = record.at(kDetailUrl);
            const std::string& shown = changesOnly ? record.at(kItemFieldCount) : record.at(kTitle);
            for (int listing = 1; listing <= 4; ++listing) {
                if (url == content_->ListingUrl(listing)) {
                    rows.push_back(std::to_string(listing) + " " + AnsiToUtf8(shown));
                }
            }
        }
        EXPECT_EQ(rows, c.rows);
        EXPECT_FALSE(fs::exists(dir_.scratchFile()));

        const std::vector<std::string> received = receivers.Received("webhook");
        ASSERT_EQ(received.size(), messages + (c.message.empty() ? 0 : 1));
        if (!c.message.empty()) {
            std::string summary = "\"summary\": \"";
            for (const char ch : c.message) {
                summary += ch == '\n' ? std::string("\\n") : std::string(1, ch);
            }
            EXPECT_TRUE(Contains(received.back(), summary)) << received.back();
        }
        messages = received.size();
    }
}

} // namespace
} // namespace vorn
