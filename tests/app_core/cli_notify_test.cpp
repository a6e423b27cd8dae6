#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/core/notify_settings.h"
#include "tests/app_core/child_process.h"
#include "tests/support/alert_receivers.h"
#include "tests/support/test_program_dir.h"
#include "watch/run_alert.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::AlertReceivers;

constexpr const char* kPassword = "s3cret-pass";
constexpr const char* kHookKey = "T000/B000/hook-key";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class NotifyTest : public ::testing::Test {
protected:
    NotifyTest() {
        fs::copy_file(fs::path(VORN_BIN_DIR) / "vorn-search-cli", dir_.path() / "vorn-search-cli");
        for (const char* name : {"pw", "open-pw"}) {
            std::ofstream(dir_.db() / name, std::ios::binary) << kPassword << "\n";
        }
        fs::permissions(dir_.db() / "pw", fs::perms::owner_read | fs::perms::owner_write);
        fs::permissions(dir_.db() / "open-pw", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }

    std::string MailLines(const std::string& passwordFile) const {
        return "MailTo=you@example.test\r\nMailFrom=vorn@example.test\r\nSmtpUrl=" + receivers_.SmtpUrl() +
               "\r\nSmtpUser=vorn\r\nSmtpPasswordFile=" + passwordFile + "\r\n";
    }

    ProfileFile WriteSettings(const std::string& notifyLines) const {
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary)
            << "[Site]\r\nCaFile=" << AlertReceivers::CaFile().string() << "\r\n[Notify]\r\n"
            << notifyLines;
        return ProfileFile(dir_.db() / "vrn.ini");
    }

    test::ChildResult RunNotifyTest(const std::string& notifyLines) {
        WriteSettings(notifyLines);
        return test::ChildProcess(dir_.path() / "vorn-search-cli", {"notify-test"}, logs_.path(), logs_.path()).Wait();
    }

    test::TestProgramDir dir_;
    test::TempDir logs_;
    AlertReceivers receivers_{"vorn", kPassword};
};

TEST_F(NotifyTest, NotifyTestSendsOneMessagePerChannelAndReportsWhatFailed) {
    struct Case {
        const char* name;
        std::string notify;
        int exitCode;
        std::string line;
    };
    const std::string hook = "Webhook=" + receivers_.WebhookUrl(kHookKey) + "\r\n";
    const std::string failingHook = "Webhook=" + receivers_.WebhookUrl(std::string("fail/") + kHookKey) + "\r\n";
    const Case cases[] = {
        {"both channels", hook + MailLines("db/pw"), 0, "webhook: HTTP 200 ok\nmail: 250 Message accepted\n"},
        {"webhook answers 500", failingHook, 3, "webhook: not sent: HTTP 500 refused\n"},
        {"password file others may read", MailLines("db/open-pw"), 5,
         "mail: not sent: [Notify] SmtpPasswordFile " + (dir_.db() / "open-pw").string() + " may be read by others"},
        {"a bargain past 99 %", hook + "Bargain=100\r\n", 5,
         "webhook: not sent: [Notify] Bargain=100 is not a whole number from 1 to 99\n"},
        {"bargains without a share", hook + "When=bargains\r\n", 5,
         "webhook: not sent: [Notify] When=bargains needs Bargain="},
        {"nothing configured", "", 5, ""},
    };
    for (const Case& c : cases) {
        const test::ChildResult result = RunNotifyTest(c.notify);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.name << ": " << result.out << result.err;
        EXPECT_TRUE(Contains(result.out, c.line)) << c.name << ": " << result.out;
        EXPECT_FALSE(Contains(result.out + result.err, kPassword) || Contains(result.out + result.err, "hook-key"))
            << c.name << ": a secret was shown: " << result.out << result.err;
    }
    EXPECT_EQ(receivers_.Received("webhook").size(), 2u) << "one taken, one answered 500";
    EXPECT_EQ(receivers_.Received("mail").size(), 1u) << "none from a refused password file";
}

TEST_F(NotifyTest, ARunSendsItsChangesFirstInEveryFormatAndNothingWhenNotDue) {
    const ProfileFile file = WriteSettings(MailLines("db/pw"));
    NotifySettings settings = ReadNotifySettings(file, dir_.path());
    const AlertTransport transport = AlertTransportFor(ReadSiteSettings(file), dir_.path());
    RunAlert run{"vorn-search-cli",
                 "新着 1件、再掲載 0件、値下げ 1件、値上げ 0件、受付終了 0件",
                 {},
                 false,
                 true,
                 false,
                 false,
                 ""};
    for (int i = 0; i < 11; ++i) {
        run.listings.push_back({"", "ソファ \"" + std::to_string(i) + "\"\n<b>", "1,000円",
                                "https://127.0.0.1:1/item/" + std::to_string(i), "https://127.0.0.1:1/p.jpg"});
    }
    run.listings.push_back({"新着", "0円 sofa", "0円", "https://127.0.0.1:1/item/new", ""});
    run.listings.push_back({"値下げ 12,000円→9,800円", "desk", "9,800円", "https://127.0.0.1:1/item/cut", ""});

    EXPECT_TRUE(SendRunAlert(settings, run, transport).empty()) << "When=changes and nothing changed";
    run.anyChange = true;
    for (const WebhookFormat format : {WebhookFormat::Json, WebhookFormat::Slack, WebhookFormat::Discord}) {
        settings.webhook = receivers_.WebhookUrl(kHookKey);
        settings.format = format;
        const std::vector<ChannelResult> results = SendRunAlert(settings, run, transport);
        ASSERT_EQ(results.size(), 2u);
        EXPECT_TRUE(results[0].ok && results[1].ok) << results[0].answer << " / " << results[1].answer;
        const std::string hook = receivers_.Received("webhook").back();
        EXPECT_FALSE(Contains(hook, "not JSON")) << hook;
        EXPECT_TRUE(Contains(hook, "新着 1件、再掲載 0件")) << hook;
        const std::size_t first = hook.find("item/new"), second = hook.find("item/cut");
        EXPECT_TRUE(first < second && second < hook.find("item/0")) << "changed first: " << hook;
        EXPECT_TRUE(Contains(hook, "item/7") && !Contains(hook, "item/8")) << "ten listings: " << hook;
    }
    EXPECT_EQ(receivers_.Received("webhook").size(), 3u);
    const std::vector<std::string> mails = receivers_.Received("mail");
    ASSERT_EQ(mails.size(), 3u);
    EXPECT_TRUE(mails[0].starts_with("you@example.test\nvorn-search-cli: 新着 1件、再掲載 0件、値下げ 1件、値上げ 0件、"
                                     "受付終了 0件\n新着 1件"))
        << mails[0];
    EXPECT_TRUE(Contains(mails[0], "新着  0円 sofa  0円\nhttps://127.0.0.1:1/item/new\n")) << mails[0];
}

} // namespace
} // namespace vorn
