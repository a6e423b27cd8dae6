// A daily user's runs through the built program.
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/alert_receivers.h"
#include "tests/support/csv_reader.h"

namespace vorn {
namespace {

constexpr const char* kConditions = "Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n";

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (const char c : bytes) {
        hex += {"0123456789abcdef"[static_cast<unsigned char>(c) >> 4], "0123456789abcdef"[c & 0xF]};
    }
    return hex;
}

class DailyTest : public CliRunTest {
protected:
    // The first listing with that many photographs and a plain post ID and title.
    int ListingWithPhotos(int count) const {
        int n = 1;
        while (content_->ListingAt(n).imageCount != count ||
               (content_->ListingAt(n).traits & (site::kOddPostId | site::kEntities)) != 0) {
            ++n;
        }
        return n;
    }

    test::AlertReceivers receivers_{"vorn", "unused"};
};

TEST_F(DailyTest, ARunWithNothingNewLeavesYesterdaysFileByteForByte) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {{"changes.xlsx", {"--changes-only"}},
                                                                      {"new.xlsx", {"--new-only"}},
                                                                      {"changes.csv", {"--changes-only"}},
                                                                      {"new.csv", {"--new-only", "--append"}},
                                                                      {"appended.csv", {"--changes-only", "--append"}}};
    WriteSettings(kConditions);
    int listing = 1;
    for (const auto& [name, options] : cases) {
        SCOPED_TRACE(name);
        content_->SetSearch(kFirstCitySearch, {{listing++}, std::nullopt}); // new to the store
        std::vector<std::string> arguments = {"crawl"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back((out_.path() / name).string());
        ASSERT_EQ(Run(arguments).exitCode, 0);
        const std::string written = test::ReadBytes(out_.path() / name);
        const ChildResult today = Run(arguments);
        EXPECT_EQ(today.exitCode, 1) << today.err;
        EXPECT_TRUE(Contains(today.out, options[0] == "--new-only" ? "新しい商品情報はありませんでした。"
                                                                   : "新しい商品情報や変化はありませんでした。"));
        EXPECT_EQ(test::ReadBytes(out_.path() / name), written);
    }
}

TEST_F(DailyTest, AppendedRowsStartOnALineOfTheirOwn) {
    WriteSettings(kConditions);
    content_->SetSearch(kFirstCitySearch, {{1, 2}, std::nullopt});
    ASSERT_EQ(Crawl().exitCode, 0);
    const std::string rows = test::ReadBytes(Output()).substr(HeaderLine().size());
    const std::string lastRowUnended = rows.substr(0, rows.size() - 2);
    for (const std::string ending : {"", "\r\n"}) {
        std::ofstream(Output(), std::ios::binary | std::ios::trunc) << HeaderLine() << lastRowUnended << ending;
        const ChildResult run = Run({"crawl", "--append", Output().string()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(test::ReadBytes(Output()), HeaderLine() + lastRowUnended + "\r\n" + rows)
            << "ending " << ending.size();
    }
}

// The workbook, the alert and `changes` show characters; the crawl's CSV keeps the page's text.
TEST_F(DailyTest, OurOutputsShowTheSitesCharactersAndTheFirstPhotograph) {
    const int one = ListingWithPhotos(1), two = ListingWithPhotos(2);
    const std::string title = "&quot;北欧風&quot; ソファ😀〜";
    const std::string shown = "\"北欧風\" ソファ😀〜";
    content_->SetTitle(one, title);
    content_->SetSearch(kFirstCitySearch, {{one, two}, std::nullopt});
    const fs::path photos = out_.path() / "photos";
    fs::create_directory(photos);
    WriteSettings(kConditions + ("[Notify]\r\nWebhook=" + receivers_.WebhookUrl("hook") +
                                 "\r\n[Saved:" + UTF8ToAnsi("ソファ東京") + "]\r\n" + kConditions +
                                 "CheckImage=1\r\nImageDir=" + photos.string() + "\r\nMode=changes-only\r\n"));

    const fs::path book = out_.path() / "day.xlsx";
    const ChildResult run = Run({"crawl", "--saved", "ソファ東京", book.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string read =
        ChildProcess("/usr/bin/python3", {VORN_READ_WORKBOOK, book}, runtime_.path(), logs_.path()).Wait().out;
    for (const auto& [row, listing] : {std::pair{2, one}, std::pair{3, two}}) {
        const std::string first = test::ReadBytes(photos / (content_->ListingAt(listing).postId + "_0.jpg"));
        EXPECT_TRUE(Contains(read, "picture-bytes=AA" + std::to_string(row) + ":" + Hex(first) + "\n")) << read;
    }
    EXPECT_TRUE(Contains(read, "B2=s:General:" + shown + "\n")) << read;

    const std::vector<std::string> hooks = receivers_.Received("webhook");
    ASSERT_EQ(hooks.size(), 1u);
    EXPECT_TRUE(Contains(hooks[0], "\"search\": \"ソファ東京\"")) << hooks[0];
    EXPECT_TRUE(Contains(hooks[0], "\"title\": \"\\\"北欧風\\\" ソファ😀〜\"")) << hooks[0];

    ASSERT_EQ(Run({"crawl", "--encoding", "utf-8", Output().string()}).exitCode, 0);
    EXPECT_TRUE(Contains(test::ReadBytes(Output()), "\"" + title + "\"")) << "the CSV keeps the page's text";
    const fs::path exported = out_.path() / "exported.csv", changes = out_.path() / "changes.csv";
    ASSERT_EQ(Run({"export", "--encoding", "utf-8", exported.string()}).exitCode, 0);
    EXPECT_EQ(test::ReadBytes(exported), test::ReadBytes(Output()));
    EXPECT_TRUE(Contains(Run({"changes"}).out, "新着 " + shown + " " + content_->ListingUrl(one) + "\n"));
    ASSERT_EQ(Run({"changes", "--encoding", "utf-8", changes.string()}).exitCode, 0);
    EXPECT_TRUE(Contains(test::ReadBytes(changes), "\"\"\"北欧風\"\" ソファ😀〜\""));
}

// Two titles that differ only in a character code page 932 lacks stay two, in a CP932 run too.
TEST_F(DailyTest, ATitleDifferingOnlyInACharacterCp932LacksIsNoRepost) {
    WriteSettings(kConditions);
    for (const auto& [listing, title] : {std::pair{1, "ソファ😀"}, {2, "ソファ🛋"}}) {
        content_->SetTitle(listing, title);
        content_->SetPoster(listing, 777, "ハナ");
        content_->SetSearch(kFirstCitySearch, {{listing}, std::nullopt});
        const ChildResult run = Run({"crawl", "--changes-only", Output().string()});
        EXPECT_TRUE(run.out.ends_with("新着 1件、再掲載 0件、値下げ 0件、値上げ 0件、受付終了 0件\n")) << run.out;
    }
}

// What a text editor makes of db/vrn.ini: UTF-8, read as such by the terminal program.
TEST_F(DailyTest, SettingsSavedAsUtf8KeepTheirWordsAndSavedSearches) {
    const std::string keywordSearch = std::string(kFirstCitySearch) + "?keyword=%E3%83%81%E3%82%A7%E3%82%A2";
    content_->SetSearch(keywordSearch, {{5, 6}, std::nullopt});
    content_->SetSearch(kFirstCitySearch, {{7}, std::nullopt});
    content_->SetDescription(6, {"ジャンク品です"});
    std::ofstream(dir_.db() / "vrn.ini", std::ios::binary)
        << "[Config]\r\nWord=チェア\r\n"
        << kConditions << "[Filter]\r\nExclude=ジャンク\r\n[Saved:ソファ東京]\r\n"
        << kConditions << "[Site]\r\nBaseUrl=" << site_.baseUrl()
        << "\r\nCaFile=" << site::SampleSite::CaFile().string() << "\r\n";

    const ChildResult run = Crawl();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.ends_with("除外 1件\n")) << run.out;
    const test::CsvParse written = test::ParseCsv(test::ReadBytes(Output()));
    ASSERT_EQ(written.records.size(), 2u) << "the header and listing 5";
    EXPECT_EQ(written.records[1][kDetailUrl], content_->ListingUrl(5));

    const ChildResult saved = Run({"crawl", "--saved", "ソファ東京", Output().string()});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
}

} // namespace
} // namespace vorn
