// A daily user's runs through the built program.
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/alert_receivers.h"
#include "tests/support/csv_reader.h"

namespace vorn {
namespace {

const std::string kConditions = "Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n";

class DailyTest : public CliRunTest {
protected:
    // The first listing with that many photographs and a plain post ID.
    int ListingWithPhotos(int count, int n = 1) const {
        return content_->ListingAt(n).imageCount == count && (content_->ListingAt(n).traits & site::kOddPostId) == 0
                   ? n
                   : ListingWithPhotos(count, n + 1);
    }

    test::AlertReceivers receivers_{"vorn", "unused"};
};

// Day one writes its new listing (on a line of its own); day two leaves the file byte for byte.
TEST_F(DailyTest, ARunWithNothingNewLeavesYesterdaysFileByteForByte) {
    const std::string unended = HeaderLine() + "\"an older row\",";
    const std::tuple<const char*, std::vector<std::string>, std::string> cases[] = {
        {"changes.xlsx", {"crawl", "--changes-only"}, ""},
        {"new.xlsx", {"crawl", "--new-only"}, ""},
        {"changes.csv", {"crawl", "--changes-only"}, ""},
        {"new.csv", {"crawl", "--new-only", "--append"}, unended},
        {"appended.csv", {"crawl", "--changes-only", "--append"}, ""}};
    WriteSettings(kConditions);
    int listing = 1;
    for (const auto& [name, options, before] : cases) {
        SCOPED_TRACE(name);
        content_->SetSearch(kFirstCitySearch, {{listing++}, std::nullopt}); // new to the store
        const fs::path file = out_.path() / name;
        if (!before.empty()) {
            std::ofstream(file, std::ios::binary) << before;
        }
        std::vector<std::string> arguments = options;
        arguments.push_back(file.string());
        ASSERT_EQ(Run(arguments).exitCode, 0);
        const std::string written = test::ReadBytes(file);
        EXPECT_TRUE(before.empty() || written.starts_with(unended + "\r\n\"")) << written;
        const ChildResult today = Run(arguments);
        EXPECT_EQ(today.exitCode, 1) << today.err;
        EXPECT_TRUE(Contains(today.out, options[1] == "--new-only" ? "新しい商品情報はありませんでした。"
                                                                   : "新しい商品情報や変化はありませんでした。"));
        EXPECT_EQ(test::ReadBytes(file), written);
    }
}

// The workbook, the alert and `changes` show characters; the crawl's CSV keeps the page's text.
TEST_F(DailyTest, OurOutputsShowTheSitesCharactersAndTheFirstPhotograph) {
    const int one = ListingWithPhotos(1), two = ListingWithPhotos(2);
    const std::string title = "&quot;北欧風&quot; ソファ😀〜";
    const std::string shown = "\"北欧風\" ソファ😀〜";
    content_->SetTitle(one, title);
    content_->SetPoster(one, 777, "ハナ");
    content_->SetSearch(kFirstCitySearch, {{one, two}, std::nullopt});
    const fs::path photos = out_.path() / "photos";
    fs::create_directory(photos);
    WriteSettings(kConditions + "[Notify]\r\nWebhook=" + receivers_.WebhookUrl("hook") +
                  "\r\n[Saved:" + UTF8ToAnsi("ソファ東京") + "]\r\n" + kConditions +
                  "CheckImage=1\r\nImageDir=" + photos.string() + "\r\nMode=changes-only\r\n");

    const fs::path book = out_.path() / "day.xlsx";
    const ChildResult run = Run({"crawl", "--saved", "ソファ東京", book.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ChildProcess reader("/usr/bin/python3", {VORN_READ_WORKBOOK, book, runtime_.path()}, runtime_.path(), logs_.path());
    const std::string read = reader.Wait().out;
    for (const auto& [cell, listing] : {std::pair{"AA2.jpg", one}, {"AA3.jpg", two}}) {
        EXPECT_EQ(test::ReadBytes(runtime_.path() / cell),
                  test::ReadBytes(photos / (content_->ListingAt(listing).postId + "_0.jpg")));
    }
    EXPECT_TRUE(Contains(read, "B2=s:General:" + shown + "\n")) << read;

    const std::string hook = receivers_.Received("webhook").at(0);
    EXPECT_TRUE(Contains(hook, "\"search\": \"ソファ東京\"")) << hook;
    EXPECT_TRUE(Contains(hook, "\"title\": \"\\\"北欧風\\\" ソファ😀〜\"")) << hook;

    ASSERT_EQ(Run({"crawl", "--encoding", "utf-8", Output().string()}).exitCode, 0);
    EXPECT_TRUE(Contains(test::ReadBytes(Output()), "\"" + title + "\"")) << "the CSV keeps the page's text";
    const fs::path exported = out_.path() / "exported.csv", changes = out_.path() / "changes.csv";
    ASSERT_EQ(Run({"export", "--encoding", "utf-8", exported.string()}).exitCode, 0);
    EXPECT_EQ(test::ReadBytes(exported), test::ReadBytes(Output()));
    EXPECT_TRUE(Contains(Run({"changes"}).out, "新着 " + shown + " " + content_->ListingUrl(one) + "\n"));
    ASSERT_EQ(Run({"changes", "--encoding", "utf-8", changes.string()}).exitCode, 0);
    EXPECT_TRUE(Contains(test::ReadBytes(changes), "\"\"\"北欧風\"\" ソファ😀〜\""));

    // One gone and the same title but for a character CP932 lacks posted: new, in a CP932 run too.
    content_->SetTitle(9, "&quot;北欧風&quot; ソファ🛋〜");
    content_->SetPoster(9, 777, "ハナ");
    content_->SetSearch(kFirstCitySearch, {{9}, std::nullopt});
    EXPECT_TRUE(Run({"crawl", "--changes-only", Output().string()})
                    .out.ends_with("新着 1件、再掲載 0件、値下げ 0件、値上げ 0件、受付終了 0件\n"));
}

// What a text editor makes of db/vrn.ini: UTF-8, read as such by the terminal program.
TEST_F(DailyTest, SettingsSavedAsUtf8KeepTheirWordsAndSavedSearches) {
    const std::string keywordSearch = std::string(kFirstCitySearch) + "?keyword=%E3%83%81%E3%82%A7%E3%82%A2";
    content_->SetSearch(keywordSearch, {{5, 6}, std::nullopt});
    content_->SetSearch(kFirstCitySearch, {{7}, std::nullopt});
    content_->SetDescription(6, {"ジャンク品です"});
    WriteSettings("Word=チェア\r\n" + kConditions + "[Filter]\r\nExclude=ジャンク\r\n[Saved:ソファ東京]\r\n" +
                  kConditions);

    const ChildResult run = Crawl();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.ends_with("除外 1件\n")) << run.out;
    EXPECT_EQ(test::ParseCsv(test::ReadBytes(Output())).records.size(), 2u) << "the header and listing 5";
    EXPECT_EQ(Run({"crawl", "--saved", "ソファ東京", Output().string()}).exitCode, 0);
}

} // namespace
} // namespace vorn
