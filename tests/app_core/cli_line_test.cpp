// LINE's Messaging API as an alert channel, through the built program against a loopback
// stand-in: what each run and notify-test sends, and what the terminal is told.
#include <regex>

#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/alert_receivers.h"

namespace vorn {
namespace {

constexpr const char* kToken = "line-token-AbC/xyz+0123456789=";
constexpr const char* kUser = "U0123456789abcdef0123456789abcdef";

// The message's text as LINE counts it: UTF-16 units.
std::size_t LineChars(const std::string& utf8) {
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::string RetryKey(const std::string& request) {
    std::smatch found;
    return std::regex_search(request, found, std::regex("X-Line-Retry-Key: ([0-9a-f-]+)\n")) ? found[1].str() : "";
}

TEST_F(CliRunTest, LineIsPushedOrBroadcastOnceAMessageRetriedUnderOneKeyAndItsTokenKeptSecret) {
    test::AlertReceivers receivers("vorn", "unused");
    for (const auto& [name, perms] : {std::pair{"token", fs::perms(0600)}, std::pair{"open-token", fs::perms(0644)}}) {
        std::ofstream(dir_.db() / name, std::ios::binary) << kToken << "\n";
        fs::permissions(dir_.db() / name, perms);
    }
    std::string longTitle;
    for (int i = 0; i < 100; ++i) {
        longTitle += "長いタイトル";
    }
    for (int n = 11; n <= 20; ++n) {
        content_->SetTitle(n, longTitle + std::to_string(n));
    }
    const auto line = [&](const std::string& api, const std::string& to, const char* file = "token") {
        return "LineTokenFile=db/" + std::string(file) + "\r\nLineTo=" + to +
               "\r\nLineApi=" + receivers.WebhookUrl(api) + "\r\n";
    };
    struct Case {
        const char* name;
        const char* command;
        std::vector<int> listings;
        std::string notify;
        int exitCode;
        std::size_t requests;           // sent in this case, all under one retry key
        std::string out;                // a line on standard output
        std::vector<std::string> sends; // parts of the last request
    };
    const Case cases[] = {
        {"a run pushes to the user",
         "crawl",
         {1, 2},
         line("", kUser),
         0,
         1,
         "",
         {"/v2/bot/message/push\nAuthorization: Bearer " + std::string(kToken) + "\nContent-Type: application/json\n",
          "\"to\": \"" + std::string(kUser) + "\",\n \"messages\": [\n  {\n   \"type\": \"text\",",
          "---\n東京都港区 / 家電\n新着 2件、再掲載 0件", content_->ListingUrl(2) + "\n"}},
        {"notify-test broadcasts without LineTo",
         "notify-test",
         {},
         line("", ""),
         0,
         1,
         "LINE: HTTP 200 {}\n",
         {"/v2/bot/message/broadcast\n", "{\n \"messages\": [\n  {\n   \"type\": \"text\","}},
        {"a 500 is retried under one key, the run's exit code kept",
         "crawl",
         {},
         "When=always\r\n" + line("line500", kUser),
         1,
         2,
         "",
         {"/line500/v2/bot/message/push\n"}},
        {"ten long titles cut at a listing's end",
         "crawl",
         {11, 12, 13, 14, 15, 16, 17, 18, 19, 20},
         line("", kUser),
         0,
         1,
         "",
         {content_->ListingUrl(11) + "\n"}},
        {"LINE's 429 named at notify-test",
         "notify-test",
         {},
         line("line429", kUser),
         3,
         1,
         "LINE: not sent: HTTP 429, this month's message limit is reached",
         {}},
        {"a token file others may read refused",
         "notify-test",
         {},
         line("", kUser, "open-token"),
         5,
         0,
         "LINE: not sent: [Notify] LineTokenFile " + (dir_.db() / "open-token").string() + " may be read by others",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        content_->SetSearch(kFirstCitySearch, {c.listings, std::nullopt});
        WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app) << "Retries=1\r\n[Notify]\r\n"
                                                                               << c.notify;
        const std::size_t before = receivers.Received("line").size();
        const ChildResult result = std::string(c.command) == "crawl" ? Crawl() : Run({c.command});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.out << result.err;
        EXPECT_TRUE(Contains(result.out, c.out)) << result.out;
        EXPECT_FALSE(Contains(result.out + result.err, kToken)) << result.out << result.err;
        if (std::string(c.command) == "crawl") {
            EXPECT_EQ(result.err, "") << "a message LINE took in the end is no failure";
        }
        const std::vector<std::string> sent = receivers.Received("line");
        ASSERT_EQ(sent.size(), before + c.requests);
        for (std::size_t at = before; at < sent.size(); ++at) {
            EXPECT_TRUE(std::regex_search(sent[at], std::regex("X-Line-Retry-Key: [0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-"
                                                               "[89ab][0-9a-f]{3}-[0-9a-f]{12}\n")))
                << sent[at];
            EXPECT_EQ(RetryKey(sent[at]), RetryKey(sent[before]));
            EXPECT_LE(LineChars(sent[at].substr(sent[at].find("\n---\n") + 5)), 5000u);
        }
        for (const std::string& part : c.sends) {
            EXPECT_TRUE(Contains(sent.back(), part)) << part << " in " << sent.back();
        }
    }
    const std::string cut = receivers.Received("line").at(4);
    const std::string text = cut.substr(cut.find("\n---\n") + 5);
    EXPECT_GT(LineChars(text), 5000u - 700) << "as many listings as fit";
    EXPECT_TRUE(std::regex_search(text, std::regex("\nhttps://[^\n]+\n$"))) << "cut at a listing's end: " << text;
}

} // namespace
} // namespace vorn
