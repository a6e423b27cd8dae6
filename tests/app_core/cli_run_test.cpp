#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "app/core/instance_lock.h"
#include "app/core/run_lock.h"
#include "catalogue/catalogue_db.h"
#include "catalogue/statements.h"
#include "extract/csv_output.h"
#include "tests/app_core/child_process.h"
#include "tests/app_core/cli_run_fixture.h"
#include "tests/support/alert_receivers.h"
#include "tests/support/csv_reader.h"
#include "tests/support/test_program_dir.h"
#include "tools/sample_site/refused_port.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "watch/run_watch.h"
#include "web/cp932.h"
#include "web/fetch_page.h"

namespace vorn {
namespace {

// The golden file of the engine's run stands for the site's origin by this.
constexpr std::string_view kSitePlaceholder = "@SITE@";

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// A keyword of count characters, three bytes each in UTF-8.
std::string Kanji(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "椅";
    }
    return text;
}

TEST_F(CliRunTest, UsageErrorsExitFiveAndHelpShowsTheCommands) {
    // A workbook is written whole, in UTF-8: it takes neither option, and stays as it was.
    const std::string book = (out_.path() / "kept.XLSX").string();
    std::ofstream(book) << "old";
    const std::vector<std::vector<std::string>> wrong = {{},
                                                         {"bogus"},
                                                         {"crawl"},
                                                         {"crawl", "a.csv", "b.csv"},
                                                         {"crawl", ""},
                                                         {"crawl", "--encoding", "utf-8", book},
                                                         {"crawl", "--append", book}};
    for (const auto& arguments : wrong) {
        const ChildResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 5) << (arguments.empty() ? "no arguments" : arguments[0]);
        EXPECT_TRUE(Contains(result.err, "Usage:")) << result.err;
    }
    EXPECT_EQ(test::ReadBytes(book), "old");
    const ChildResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Contains(help.out, "crawl [OPTIONS] OUTPUT.csv")) << help.out;
    EXPECT_TRUE(Contains(help.out, "--prefecture NAME")) << help.out;
}

TEST_F(CliRunTest, BadFiltersAreRefusedNamingTheOptionOrKeyBeforeAnyRequest) {
    struct Case {
        std::vector<std::string> options;
        std::string filterLines; // [Filter] of db/vrn.ini
        const char* message;
    };
    const Case cases[] = {
        {{"--min-price", "3万"}, "", "--min-price takes a whole number of yen"},
        {{"--max-price=1,000"}, "", "--max-price takes a whole number of yen"},
        {{"--min-price", "5000", "--max-price", "3000"}, "", "--min-price 5000 is above --max-price 3000"},
        {{"--exclude", ""}, "", "--exclude takes a value"},
        {{"--exclude-poster", " "}, "", "--exclude-poster takes a value that is not blank"},
        {{}, "MinPrice=abc\r\n", "[Filter] MinPrice takes a whole number of yen"},
        {{}, "MinPrice=5000\r\nMaxPrice=3000\r\n", "[Filter] MinPrice 5000 is above [Filter] MaxPrice 3000"},
        {{"--min-price", "5000"}, "MaxPrice=3000\r\n", "--min-price 5000 is above [Filter] MaxPrice 3000"},
        {{}, "Exclude=a,,b\r\n", "[Filter] Exclude: an empty item"},
        {{}, "ExcludePosters=x,\r\n", "[Filter] ExcludePosters: an empty item"},
        {{}, "OpenOnly=yes\r\n", "[Filter] OpenOnly takes 0 or 1"},
    };
    for (const Case& c : cases) {
        WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app) << "[Filter]\r\n" << c.filterLines;
        std::vector<std::string> arguments = {"crawl"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.push_back(Output().string());
        const ChildResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 5) << c.message;
        EXPECT_TRUE(Contains(result.err, c.message)) << c.message << ": " << result.err;
    }
    EXPECT_TRUE(site_.Requests().empty());
    EXPECT_NE(Run({"crawl", "--no-filter", Output().string()}).exitCode, 5) << "--no-filter leaves [Filter] unread";
    EXPECT_FALSE(site_.Requests().empty());
}

TEST_F(CliRunTest, RefusesToStartOnTheWindowsChecks) {
    struct Case {
        const char* name;
        std::string config;
        const char* message;
    };
    const Case cases[] = {
        {"no area", "Areasel=13\r\nArealist=0000\r\nCtgrlist=011\r\n", "取得する地域を１つ以上選択してください。"},
        {"no genre", "Areasel=13\r\nArealist=1000\r\nCtgrlist=\r\n", "取得するジャンルを１つ以上選択してください。"},
        {"no image folder", "Arealist=1\r\nCtgrlist=1\r\nCheckImage=1\r\nImageDir= \r\n",
         "商品画像の保存先が指定されていません。"},
        {"missing image folder", "Arealist=1\r\nCtgrlist=1\r\nCheckImage=$1\r\nImageDir=/nonexistent/photos\r\n",
         "指定された商品画像保存フォルダが見つかりません。"},
    };
    std::ofstream(Output(), std::ios::binary) << "keep";
    for (const Case& c : cases) {
        WriteSettings(c.config);
        const ChildResult result = Crawl();
        EXPECT_EQ(result.exitCode, 5) << c.name;
        EXPECT_TRUE(Contains(result.err, c.message)) << c.name << ": " << result.err;
    }
    fs::remove(dir_.db() / "vrn.ini");
    const ChildResult noSettings = Crawl();
    EXPECT_EQ(noSettings.exitCode, 5);
    EXPECT_TRUE(Contains(noSettings.err, "取得する地域を１つ以上選択してください。")) << noSettings.err;

    EXPECT_EQ(test::ReadBytes(Output()), "keep") << "a refused run leaves the old file alone";
    EXPECT_TRUE(site_.Requests().empty());
}

TEST_F(CliRunTest, RefusesWithoutTheDatabaseOrWhileAnotherRunGoesOn) {
    test::TestProgramDir bare(false);
    CopyProgramInto(bare.path());
    const ChildResult noDatabase = Run({"crawl", Output().string()}, bare.path());
    EXPECT_EQ(noDatabase.exitCode, 5);
    EXPECT_TRUE(Contains(noDatabase.err, "DBファイルの設定が正しくありません。\n管理者に確認してください。"))
        << noDatabase.err;

    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    std::ofstream(Output(), std::ios::binary) << "keep";
    {
        // The window's run, or another command's.
        const auto otherRun = InstanceLock::AcquireFile(RunLockFile(dir_.path()));
        ASSERT_TRUE(otherRun);
        for (const std::vector<std::string>& arguments : {std::vector<std::string>{"crawl", Output().string()},
                                                          {"crawl", "--wait", "0", Output().string()},
                                                          {"refresh-cities"},
                                                          {"refresh-genres"}}) {
            const ChildResult refused = Run(arguments);
            EXPECT_EQ(refused.exitCode, 5) << arguments[0];
            EXPECT_TRUE(Contains(refused.err, "他の取得処理が実行中です。\n終了してから再度実行してください。"))
                << refused.err;
        }
    }
    EXPECT_EQ(test::ReadBytes(Output()), "keep") << "a refused run leaves the old file alone";
    EXPECT_TRUE(site_.Requests().empty());
}

TEST_F(CliRunTest, RunsBesideAnIdleWindowAndWaitsForARunningOne) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    content_->SetSearch(kFirstCitySearch, {{1, 2}, std::nullopt});
    const auto window = InstanceLock::AcquireFile(runtime_.path() / "Vorn_Search.lock");
    ASSERT_TRUE(window);
    EXPECT_EQ(Crawl().exitCode, 0) << "an open, idle window does not hold the run lock";

    auto windowRun = InstanceLock::AcquireFile(RunLockFile(dir_.path()));
    ASSERT_TRUE(windowRun);
    site_.ClearRequests();
    const auto waiting = Start({"crawl", "--wait", "1", Output().string()});
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_TRUE(site_.Requests().empty()) << "nothing is fetched while the other run holds the lock";
    windowRun.reset();
    const ChildResult waited = waiting->Wait();
    EXPECT_EQ(waited.exitCode, 0) << waited.err;
    EXPECT_TRUE(Contains(waited.err, "waiting up to 1 minute for it to end")) << waited.err;
    const std::string written = test::ReadBytes(Output());
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 3) << "the header and both listings";
}

TEST_F(CliRunTest, RetriesAskAgainAfterRetryAfterAndThePauseWithTheNextAgent) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    content_->SetSearch(kFirstCitySearch, {{1}, std::nullopt});
    std::atomic<int> refusalsLeft{0};
    site_.Handle("/tokyo/sale-ele/*", [&](const site::SiteRequest& request) {
        if (refusalsLeft.fetch_sub(1) > 0) {
            site::SiteResponse busy;
            busy.status = 503;
            busy.headers.emplace_back("Retry-After", "1");
            return busy;
        }
        return content_->Respond(request.path, request.query).value();
    });
    const auto run = [&](int refusals, const std::vector<std::string>& options) {
        refusalsLeft = refusals;
        site_.ClearRequests();
        std::vector<std::string> arguments = {"crawl"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(Output().string());
        return Run(arguments).exitCode;
    };

    EXPECT_EQ(run(1, {}), 3) << "no retries unless asked for";
    EXPECT_EQ(site_.Requests().size(), 1u);

    EXPECT_EQ(run(1, {"--retries", "2"}), 0);
    const std::vector<site::SiteRequest> requests = site_.Requests();
    ASSERT_EQ(requests.size(), 3u) << "the search twice, then the listing";
    EXPECT_EQ(requests[0].path, requests[1].path);
    EXPECT_GE(requests[1].received - requests[0].received, std::chrono::milliseconds(1300))
        << "Retry-After: 1 after the 300 ms pause";
    std::vector<std::string> agents;
    for (const site::SiteRequest& request : requests) {
        agents.push_back(request.userAgent);
    }
    EXPECT_EQ(agents, (std::vector<std::string>{UserAgent(0), UserAgent(0), UserAgent(4)}));

    std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app) << "Retries=1\r\n";
    EXPECT_EQ(run(1, {}), 0) << "[Site] Retries";
    EXPECT_EQ(site_.Requests().size(), 3u);
    EXPECT_EQ(run(1, {"--retries", "0"}), 3) << "the option wins over the settings";
    EXPECT_EQ(run(2, {}), 3) << "the last try refused: not served";
}

TEST_F(CliRunTest, AnOutputThatCannotBeReplacedOrWrittenExitsFour) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    const fs::path folder = out_.path() / "folder.csv";
    fs::create_directory(folder);
    std::ofstream(folder / "inside") << "x";
    const ChildResult inUse = Run({"crawl", folder.string()});
    EXPECT_EQ(inUse.exitCode, 4);
    EXPECT_TRUE(
        Contains(inUse.err, "選択されたファイルが他のアプリケーションで使用中の為\n開くことができませんでした。"))
        << inUse.err;
    EXPECT_TRUE(fs::exists(folder / "inside"));

    const ChildResult unwritable = Run({"crawl", (out_.path() / "missing" / "out.csv").string()});
    EXPECT_EQ(unwritable.exitCode, 4);
    EXPECT_TRUE(Contains(unwritable.err, "取得情報の保存に失敗しました。")) << unwritable.err;
    EXPECT_FALSE(fs::exists(dir_.scratchFile()));
}

TEST_F(CliRunTest, ExitCodeTellsRowsNothingAndAnUnreachableSite) {
    WriteSettings("Word=\r\nAreasel=13\r\nArealist=1000\r\nCtgrlist=001\r\nCheckImage=0\r\n");
    content_->SetSearch(kFirstCitySearch, {{4}, 1});
    std::ofstream(Output(), std::ios::binary) << "an older file";
    const ChildResult rows = Crawl();
    EXPECT_EQ(rows.exitCode, 0) << rows.err;
    const std::string csv = test::ReadBytes(Output());
    EXPECT_EQ(csv.rfind(HeaderLine(), 0), 0u) << "the old file is replaced";
    EXPECT_TRUE(Contains(csv.substr(HeaderLine().size()), "\r\n"));
    EXPECT_TRUE(Contains(rows.out, "1/1  東京都港区 - 家電 : 1件/1件 取得中...")) << rows.out;
    EXPECT_TRUE(Contains(rows.out, "商品情報の取得が完了しました。")) << rows.out;

    content_->SetSearch(kFirstCitySearch, {{}, 0});
    const ChildResult nothing = Crawl();
    EXPECT_EQ(nothing.exitCode, 1) << nothing.err;
    EXPECT_EQ(test::ReadBytes(Output()), HeaderLine());
    EXPECT_TRUE(Contains(nothing.out, "条件に該当する商品情報は見つかりませんでした。")) << nothing.out;

    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n",
                  "https://127.0.0.1:" + std::to_string(site::RefusedLoopbackPort()) + "/");
    const ChildResult unreachable = Crawl();
    EXPECT_EQ(unreachable.exitCode, 3);
    EXPECT_EQ(test::ReadBytes(Output()), HeaderLine());
    EXPECT_TRUE(Contains(unreachable.err, "サイトへのアクセスができませんでした。")) << unreachable.err;
    EXPECT_FALSE(fs::exists(dir_.scratchFile()));
}

// Each case redesigns more of the site: listing pages, then one search of two, then both.
TEST_F(CliRunTest, PagesTheProgramCannotReadAreNeverNothingFound) {
    const auto path = [this](int listing) { return content_->ListingUrl(listing).substr(site_.baseUrl().size()); };
    const std::string notRead = "形式を認識できなかったページ: 検索結果 ";
    const std::string changed =
        "サイトのページ形式を認識できませんでした。\nサイトの仕様が変更された可能性があります。";
    // The paths redesigned, the exit code, the listings written and what standard error says.
    const std::tuple<std::vector<std::string>, int, std::vector<int>, std::string> cases[] = {
        {{path(1), path(4)}, 0, {1, 2, 4}, notRead + "0件、商品ページ 2件\n"},
        {{"tokyo/sale-fur/g-1/a-13101"}, 0, {4}, notRead + "1件、商品ページ 1件\n"},
        {{kFirstCitySearch}, 6, {}, changed},
    };
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=011\r\n");
    content_->SetSearch("tokyo/sale-fur/g-1/a-13101", {{1, 2}, std::nullopt});
    content_->SetSearch(kFirstCitySearch, {{4}, std::nullopt});
    std::vector<std::string> redesigned;
    for (const auto& [more, exitCode, rows, said] : cases) {
        for (const std::string& page : more) {
            content_->SetFault(page, site::PageFault::Redesigned);
            redesigned.push_back(page);
        }
        const ChildResult result = Crawl();
        EXPECT_EQ(result.exitCode, exitCode) << result.err;
        EXPECT_TRUE(Contains(result.err, said) && !Contains(result.out, "見つかりませんでした")) << result.err;
        const std::vector<test::CsvRecord> records = test::ParseCsv(test::ReadBytes(Output())).records;
        ASSERT_EQ(records.size(), rows.size() + 1);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(records[i + 1][kDetailUrl], content_->ListingUrl(rows[i]));
            const bool unread = std::count(redesigned.begin(), redesigned.end(), path(rows[i])) > 0;
            EXPECT_EQ(records[i + 1][kTitle].empty() && records[i + 1][kPostId].empty(), unread) << rows[i];
        }
    }
}

// Conditions by name against the same choice saved by the window. The catalogue gets a second
// sub-genre under 家具 here (家具 0, ベッド 1, ソファ 2, 家電 3), so that one sub-genre can stand alone.
class CliByNameTest : public CliRunTest {
protected:
    CliByNameTest() {
        site::SiteConfig config;
        config.linksPerSearch = 1;
        content_ = site::ServeContent(site_, config);
        CatalogueDb db;
        db.Configure(dir_.databaseFile());
        db.Execute(sql::kInsertGenre,
                   {std::int64_t{1}, std::int64_t{2}, std::string("sale-fur/g-2"), UTF8ToAnsi("ソファ")});
    }
};

TEST_F(CliByNameTest, AskTheSiteWhatTheSameSavedChoiceAsks) {
    std::string tokyoAndOsaka(47, '0');
    tokyoAndOsaka[12] = tokyoAndOsaka[26] = '1';
    struct Case {
        const char* name;
        std::vector<std::string> named;
        std::string config;
    };
    std::vector<Case> cases = {
        {"prefectures",
         {"--prefecture", "東京都", "--prefecture=大阪府", "--genre", "家電"},
         "Areasel=0\r\nArealist=" + tokyoAndOsaka + "\r\nCtgrlist=0001\r\n"},
        {"cities of one prefecture",
         {"--prefecture", "東京都", "--city", "泉区", "--city", "北区", "--genre", "家電"},
         "Areasel=13\r\nArealist=0110\r\nCtgrlist=0001\r\n"},
        {"nationwide, every genre",
         {"--all-areas", "--all-genres"},
         "Arealist=" + std::string(47, '1') + "\r\nCtgrlist=" + std::string(30, '1') + "\r\n"},
        {"a sub-genre alone",
         {"--prefecture", "東京都", "--genre", "家具/ソファ"},
         "Areasel=0\r\nArealist=" + std::string(12, '0') + "1\r\nCtgrlist=001\r\n"},
        {"a genre names its sub-genres",
         {"--prefecture", "東京都", "--genre", "家具"},
         "Areasel=0\r\nArealist=" + std::string(12, '0') + "1\r\nCtgrlist=111\r\n"},
        {"all sub-genres tick their genre",
         {"--prefecture", "東京都", "--genre", "家具/ベッド", "--genre", "家具/ソファ"},
         "Areasel=0\r\nArealist=" + std::string(12, '0') + "1\r\nCtgrlist=111\r\n"},
        {"a keyword",
         {"--prefecture", "東京都", "--genre", "家電", "--keyword", "椅子 2人"},
         "Word=" + UTF8ToAnsi("椅子 2人") + "\r\nArealist=" + std::string(12, '0') + "1\r\nCtgrlist=0001\r\n"},
    };
    const fs::path photos = out_.path() / "photos";
    fs::create_directory(photos);
    cases.push_back({"photographs",
                     {"--prefecture", "東京都", "--genre", "家電", "--images", photos.string()},
                     "Arealist=" + std::string(12, '0') +
                         "1\r\nCtgrlist=0001\r\nCheckImage=1\r\nImageDir=" + photos.string() + "\r\n"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings(c.config);
        const ChildResult saved = Crawl();
        ASSERT_EQ(saved.exitCode, 0) << saved.err;
        const std::vector<std::string> asked = site_.TakeRequestedPaths();

        // The saved conditions are neither read nor written by a crawl by name.
        WriteSettings("Areasel=5\r\nArealist=1\r\nCtgrlist=1\r\nWord=x\r\n");
        const std::string settings = test::ReadBytes(dir_.db() / "vrn.ini");
        std::vector<std::string> arguments = {"crawl"};
        arguments.insert(arguments.end(), c.named.begin(), c.named.end());
        arguments.push_back(Output().string());
        const ChildResult named = Run(arguments);
        ASSERT_EQ(named.exitCode, 0) << named.err;
        EXPECT_EQ(site_.TakeRequestedPaths(), asked);
        EXPECT_EQ(test::ReadBytes(dir_.db() / "vrn.ini"), settings);
    }
}

// The workbook of a run with photographs, as openpyxl reads it back: typed cells, links, a title
// that begins with "=" kept as text, a link whose address holds "&", and the first photograph
// anchored on its row.
TEST_F(CliRunTest, WorkbookHoldsTypedCellsLinksAndThePhotograph) {
    content_->SetSearch("tokyo/sale-ele/g-all", {{1, 7}, std::nullopt});
    content_->SetTitle(7, "=1+2");
    WriteSettings("");
    const fs::path photos = out_.path() / "photos";
    fs::create_directory(photos);
    const fs::path book = out_.path() / "out.xlsx";
    const ChildResult run = Run({"crawl", "--prefecture", "東京都", "--genre", "家電", "--images", photos, book});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string read =
        ChildProcess("/usr/bin/python3", {VORN_READ_WORKBOOK, book}, runtime_.path(), logs_.path()).Wait().out;

    const site::Listing first = content_->ListingAt(1);
    int year = 0, month = 0, day = 0;
    std::sscanf(first.updated.c_str(), "%d年%d月%d日", &year, &month, &day);
    char updated[32];
    std::snprintf(updated, sizeof updated, "%04d-%02d-%02dT00:00:00", year, month, day);
    const std::string detail = content_->ListingUrl(1);
    const std::string queried = content_->ListingUrl(7);
    const std::string header = ReplaceAll(ReplaceAll(AnsiToUtf8(CsvHeader()), "\",\"", "|"), "\"", "");
    for (const std::string& line : {
             "sheets=商品情報|相場\nfrozen=A2 filter=A1:AB3 bold=True\nheader=" + header + "|変化|写真|相場比\n",
             std::string("B3=s:General:=1+2\n"),
             "D2=n:#,##0\"円\":" + ReplaceAll(first.price, ",", "") + "\n",
             "J2=n:General:" + std::to_string(first.postCount) + "\n",
             "Q2=d:yyyy/mm/dd:" + std::string(updated) + "\n",
             "Y2=s:General:" + detail + ":" + detail + "\n",
             "Y3=s:General:" + queried + ":" + queried + "\n",
             "picture=AA2:file://" + (photos / (first.postId + "_0.jpg")).string() + "\n",
         }) {
        EXPECT_TRUE(Contains(read, line)) << line << "\nnot in\n" << read;
    }
}

TEST_F(CliByNameTest, UnknownNamesAndACityWithoutOnePrefectureAreRefused) {
    struct Case {
        std::vector<std::string> named;
        const char* says;
    };
    const Case cases[] = {
        {{"--prefecture", "東京", "--genre", "家電"}, "no prefecture named \"東京\"; the closest: 東京都"},
        {{"--prefecture", "東京都", "--city", "南区", "--genre", "家電"}, "no city named \"南区\""},
        {{"--prefecture", "東京都", "--genre", "家具/机"}, "no genre named \"家具/机\""},
        {{"--city", "泉区", "--genre", "家電"}, "--city takes exactly one --prefecture"},
        {{"--prefecture", "東京都", "--prefecture", "大阪府", "--city", "泉区", "--genre", "家電"},
         "--city takes exactly one --prefecture"},
        {{"--all-areas", "--prefecture", "東京都", "--genre", "家電"}, "--all-areas"},
        {{"--prefecture", "東京都", "--genre="}, "--genre takes a value"},
        {{"--prefecture", "東京都", "--colour", "red"}, "unknown option --colour"},
        {{"--prefecture", "東京都", "--retries", "6"}, "--retries takes a whole number from 0 to 5"},
        {{"--prefecture", "東京都", "--retries=-1"}, "--retries takes a whole number from 0 to 5"},
        {{"--prefecture", "東京都", "--wait", "1h"}, "--wait takes a whole number from 0 to 1440"},
        {{"--prefecture", "東京都", "--keyword", Kanji(31)}, "--keyword takes at most 30 characters"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"crawl"};
        arguments.insert(arguments.end(), c.named.begin(), c.named.end());
        arguments.push_back(Output().string());
        const ChildResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 5) << c.says;
        EXPECT_TRUE(Contains(result.err, c.says)) << result.err;
        EXPECT_FALSE(fs::exists(Output())) << c.says;
    }
    EXPECT_TRUE(site_.TakeRequestedPaths().empty());

    const ChildResult thirty =
        Run({"crawl", "--prefecture", "東京都", "--genre", "家電", "--keyword", Kanji(30), Output().string()});
    EXPECT_NE(thirty.exitCode, 5) << "30 characters of three bytes each are within the limit: " << thirty.err;
}

TEST_F(CliByNameTest, ListsTheNamesTheOptionsTake) {
    const ChildResult genres = Run({"list", "genres"});
    EXPECT_EQ(genres.exitCode, 0) << genres.err;
    EXPECT_EQ(genres.out.substr(0, genres.out.find("自転車")), "家具\n  ベッド\n  ソファ\n家電\n");
    const ChildResult cities = Run({"list", "cities", "東京都"});
    EXPECT_EQ(cities.out, "港区\n泉区\n北区\n青葉区\n");
    const ChildResult prefectures = Run({"list", "prefectures"});
    EXPECT_EQ(prefectures.out.substr(0, prefectures.out.find("岩手県")), "北海道\n青森県\n");
    EXPECT_EQ(Run({"list", "cities", "東京"}).exitCode, 5);
    EXPECT_EQ(Run({"list"}).exitCode, 5);
}

TEST_F(CliByNameTest, SavedSearchesRunAsTheirConditionsAndAreListed) {
    const std::string sofaTokyo = "Areasel=0\r\nArealist=" + std::string(12, '0') + "1\r\nCtgrlist=001\r\n";
    WriteSettings(sofaTokyo);
    ASSERT_EQ(Crawl().exitCode, 0);
    const std::vector<std::string> asked = site_.TakeRequestedPaths();

    // Another [Config], and the search saved beside it: the saved one is what runs.
    WriteSettings("Areasel=5\r\nArealist=1\r\nCtgrlist=1\r\n");
    std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app)
        << "[Saved:" << UTF8ToAnsi("ソファ東京") << "]\r\n"
        << sofaTokyo << "Mode=changes-only\r\nExclude=" << UTF8ToAnsi("ジャンク")
        << "\r\n[Saved:fridge]\r\nMode=bogus\r\n";
    // Changes only, and the run before read every listing already.
    const ChildResult saved = Run({"crawl", "--saved", "ソファ東京", Output().string()});
    ASSERT_EQ(saved.exitCode, 1) << saved.err;
    EXPECT_TRUE(Contains(saved.out, "新しい商品情報や変化はありませんでした。")) << saved.out;
    EXPECT_EQ(site_.TakeRequestedPaths(), asked);
    EXPECT_EQ(Run({"list", "saved"}).out,
              "ソファ東京\tchanges-only, filtered\nfridge\tall, refused: [Saved:fridge] Mode takes "
              "all, new-only or changes-only, not \"bogus\"\n");
    // A file of its own, with the 変化 column, takes the next run's rows; with none it stays unmade.
    const fs::path own = out_.path() / "saved.csv";
    EXPECT_EQ(Run({"crawl", "--saved", "ソファ東京", "--append", own.string()}).exitCode, 1);
    EXPECT_FALSE(fs::exists(own));
    EXPECT_EQ(site_.TakeRequestedPaths(), asked);

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--saved", "ソファ"}, "no saved search named ソファ; the closest: ソファ東京, fridge"},
        {{"--saved", "fridge"}, "Mode takes all, new-only or changes-only"},
        {{"--saved", "fridge", "--prefecture", "東京都"}, "give no conditions by name"},
    };
    for (const auto& [options, says] : refused) {
        std::vector<std::string> arguments = {"crawl"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back((out_.path() / "refused.csv").string());
        const ChildResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 5) << says;
        EXPECT_TRUE(Contains(result.err, says)) << result.err;
    }
    EXPECT_TRUE(site_.TakeRequestedPaths().empty());
}

// The engine's own end-to-end run, made from saved conditions instead of a selection.
TEST_F(CliRunTest, WritesTheSameBytesAsTheEngineRun) {
    content_->SetSearch("tokyo/sale-fur/g-1/a-13101", {{1, 2, 3}, 3});
    content_->SetSearch("tokyo/sale-ele/g-all/a-13101", {{4, 2}, 2});
    content_->SetSearch("tokyo/sale-fur/g-1/a-13102", {{}, 0});
    content_->SetFault("tokyo/sale-ele/g-all/a-13102", site::PageFault::ServerError);
    content_->SetSearch("tokyo/sale-fur/g-1/a-13103", {{5, 6, 7}, 5});
    content_->SetSearch("tokyo/sale-ele/g-all/a-13103", {{7, 8}, 2});
    WriteSettings("Word=\r\nAreasel=13\r\nImageDir=\r\nCheckImage=0\r\nCtgrlist=01100000\r\nArealist=1101\r\n");

    const ChildResult result = Crawl();
    EXPECT_EQ(result.exitCode, 3) << "one results page was not served";
    const std::string golden = test::ReadBytes(fs::path(VORN_TEST_DATA_DIR) / "golden" / "crawl_run.csv");
    const std::string origin = site_.baseUrl().substr(0, site_.baseUrl().size() - 1);
    const std::string expected = ReplaceAll(golden, kSitePlaceholder, origin);
    const std::string actual = test::ReadBytes(Output());
    if (actual != expected) {
        const fs::path saved = fs::path(::testing::TempDir()) / "cli_run.actual.csv";
        std::ofstream(saved, std::ios::binary) << ReplaceAll(actual, origin, kSitePlaceholder);
        ADD_FAILURE() << "the file differs from the golden file; this run's file in the golden form: " << saved;
    }
    EXPECT_TRUE(Contains(result.out, "6/6  東京都青葉区 - 家電 : 1件/2件 取得中...")) << result.out;
    EXPECT_FALSE(fs::exists(dir_.scratchFile()));
}

TEST_F(CliRunTest, StopsCleanlyOnSigintAndSigterm) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    content_->SetSearch(kFirstCitySearch, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10});
    for (const int signal : {SIGINT, SIGTERM}) {
        site_.ClearRequests();
        auto child = Start({"crawl", Output().string()});
        // Once the first listing page is asked for, the run is well inside its searches.
        for (int i = 0; i < 3000 && site_.Requests().size() < 2; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_GE(site_.Requests().size(), 2u);
        child->Signal(signal);
        const ChildResult result = child->Wait();

        EXPECT_EQ(result.exitCode, 2) << signal << ": " << result.err;
        const std::string csv = test::ReadBytes(Output());
        ASSERT_EQ(csv.rfind(HeaderLine(), 0), 0u) << signal;
        const std::string rows = csv.substr(HeaderLine().size());
        EXPECT_FALSE(rows.empty()) << "the listing being read still gets its row";
        EXPECT_EQ(rows.substr(rows.size() - 2), "\r\n") << "the last row is whole";
        EXPECT_LT(site_.Requests().size(), 11u) << "the run did not go on to the end";
        EXPECT_FALSE(fs::exists(dir_.scratchFile())) << signal;
        EXPECT_TRUE(Contains(result.out, "stopped")) << result.out;
    }
    // A workbook is written only at the end: a stopped run writes it with the rows it has.
    const fs::path book = out_.path() / "stopped.xlsx";
    site_.ClearRequests();
    auto child = Start({"crawl", book.string()});
    for (int i = 0; i < 3000 && site_.Requests().size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    child->Signal(SIGTERM);
    const ChildResult stopped = child->Wait();
    ASSERT_EQ(stopped.exitCode, 2) << stopped.out << stopped.err;
    const std::string read =
        ChildProcess("/usr/bin/python3", {VORN_READ_WORKBOOK, book}, runtime_.path(), logs_.path()).Wait().out;
    EXPECT_TRUE(Contains(read, "\nY2=s:General:https://")) << "the row of the listing being read: " << read;
}

// Daily use: a second --new-only run writes only what the site added, after the first run's rows
// under the one header; a run that finds nothing new exits 1; forget brings the listings back.
TEST_F(CliRunTest, NewOnlyRunsAppendWhatIsNewAndForgetBringsItBack) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    const std::string out = Output().string();
    content_->SetSearch(kFirstCitySearch, {{1, 2, 3}, 3});
    const ChildResult first = Run({"crawl", "--new-only", "--append", out});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string afterFirst = test::ReadBytes(Output());

    content_->SetSearch(kFirstCitySearch, {{4, 1, 2, 5, 3}, 5});
    site_.ClearRequests();
    const ChildResult second = Run({"crawl", "--new-only", "--append", out});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    std::vector<std::string> items;
    for (const site::SiteRequest& request : site_.Requests()) {
        if (request.path.starts_with("/article/")) {
            items.push_back(request.path);
        }
    }
    EXPECT_EQ(items, (std::vector<std::string>{"/article/1000004", "/article/1000005"}));
    const std::string afterSecond = test::ReadBytes(Output());
    ASSERT_EQ(afterSecond.rfind(afterFirst, 0), 0u) << "the first run's rows stay as they were";
    const std::string added = afterSecond.substr(afterFirst.size());
    EXPECT_FALSE(Contains(added, CsvHeader())) << "one header";
    EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 2);

    const ChildResult nothing = Run({"crawl", "--new-only", "--append", out});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_TRUE(Contains(nothing.out, "新しい商品情報はありませんでした。")) << nothing.out;
    EXPECT_EQ(test::ReadBytes(Output()), afterSecond);

    EXPECT_TRUE(Contains(Run({"history"}).out, "listings collected: 5"));
    EXPECT_EQ(Run({"forget", "--before", "2026-02-30"}).exitCode, 5) << "no such day";
    EXPECT_TRUE(Contains(Run({"forget", "--before", "2000-01-01"}).out, "listings forgotten: 0"));
    EXPECT_TRUE(Contains(Run({"forget"}).out, "listings forgotten: 5"));
    const ChildResult again = Run({"crawl", "--new-only", out});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    const std::string replaced = test::ReadBytes(Output());
    EXPECT_EQ(std::count(replaced.begin(), replaced.end(), '\n'), 6) << "without --append: header and five rows";
}

TEST_F(CliRunTest, AppendRefusesAFileOfAnotherLayoutAndLeavesItAlone) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    const std::string utf8Start = "\xEF\xBB\xBF" + AnsiToUtf8(CsvHeader()) + "\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        const char* encoding;
    };
    const Case cases[] = {
        {"another program's CSV", "a,b\r\n1,2\r\n", "cp932"},
        {"an empty file", "", "cp932"},
        {"a UTF-8 file appended in code page 932", utf8Start, "cp932"},
        {"a code page 932 file appended in UTF-8", HeaderLine(), "utf-8"},
    };
    for (const Case& c : cases) {
        std::ofstream(Output(), std::ios::binary) << c.bytes;
        const ChildResult result = Run({"crawl", "--append", "--encoding", c.encoding, Output().string()});
        EXPECT_EQ(result.exitCode, 5) << c.name;
        EXPECT_EQ(test::ReadBytes(Output()), c.bytes) << c.name;
    }
    EXPECT_TRUE(site_.Requests().empty());
}

TEST_F(CliRunTest, Utf8KeepsWhatCodePage932LosesAndCodePage932CountsIt) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    content_->SetSearch(kFirstCitySearch, {{1}, 1});
    const std::string title = "椅子\xF0\x9F\x98\x80 ő ① ok?";
    content_->SetTitle(1, title);

    const ChildResult utf8 = Run({"crawl", "--encoding", "utf-8", Output().string()});
    ASSERT_EQ(utf8.exitCode, 0) << utf8.err;
    const std::string csv = test::ReadBytes(Output());
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF" + AnsiToUtf8(CsvHeader()) + "\r\n", 0), 0u);
    EXPECT_TRUE(Contains(csv, ",\"" + title + "\",")) << csv;
    EXPECT_FALSE(Contains(utf8.out, "written as")) << utf8.out;

    const ChildResult cp932 = Crawl();
    ASSERT_EQ(cp932.exitCode, 0) << cp932.err;
    int lost = 0;
    for (const char* c : {"\xF0\x9F\x98\x80", "ő", "①"}) {
        lost += UTF8ToAnsi(c) == "?" ? 1 : 0;
    }
    EXPECT_TRUE(Contains(cp932.out, std::to_string(lost) + " characters that code page 932 lacks")) << cp932.out;
}

} // namespace
} // namespace vorn

namespace vorn {
namespace {

TEST_F(CliRunTest, ExportWritesAgainTheRowsAKilledRunWrote) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    const fs::path exported = out_.path() / "export.csv";
    EXPECT_EQ(Run({"export", exported.string()}).exitCode, 1) << "nothing to export";
    EXPECT_FALSE(fs::exists(exported));

    content_->SetSearch(kFirstCitySearch, {{1, 2, 3, 4, 5}, 5});
    // The third page, asked for after the second listing's row and its store, is held back.
    const auto held = std::make_shared<std::atomic<int>>(0); // 1: asked, 2: let go
    site_.Handle("/article/1000003", [content = content_, held](const site::SiteRequest& request) {
        for (held->store(1); held->load() == 1;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return *content->Respond(request.path, request.query);
    });
    auto child = Start({"crawl", Output().string()});
    for (int i = 0; i < 3000 && held->load() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    child->Signal(SIGKILL);
    child->Wait();
    held->store(2);
    const std::string killed = test::ReadBytes(Output());
    ASSERT_EQ(std::count(killed.begin(), killed.end(), '\n'), 3) << "the header and two rows";
    // A run that never ended has its rows and changes counted from what it kept.
    EXPECT_TRUE(Run({"runs"}).out.ends_with(
        "  all  unfinished  2 rows  新着 2件、再掲載 0件、値下げ 0件、値上げ 0件、受付終了 0件\n"));

    const fs::path book = out_.path() / "export.XLSX", utf8 = out_.path() / "utf8.csv";
    const fs::path folder = out_.path() / "folder.csv";
    fs::create_directory(folder);
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{exported.string()}, 0}, {{"--encoding", "utf-8", utf8.string()}, 0},         {{book.string()}, 0},
        {{folder.string()}, 4},   {{(out_.path() / "missing" / "x.csv").string()}, 4}, {{}, 5}};
    for (const auto& [given, exitCode] : cases) {
        std::vector<std::string> arguments = {"export"};
        arguments.insert(arguments.end(), given.begin(), given.end());
        const ChildResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << (given.empty() ? "" : given.back()) << result.err;
    }
    EXPECT_EQ(test::ReadBytes(exported), killed);
    EXPECT_EQ(test::ReadBytes(utf8), "\xEF\xBB\xBF" + AnsiToUtf8(killed));
    EXPECT_TRUE(fs::is_empty(folder));
    const std::string read =
        ChildProcess("/usr/bin/python3", {VORN_READ_WORKBOOK, book}, runtime_.path(), logs_.path()).Wait().out;
    EXPECT_TRUE(Contains(read, "|変化\n")) << read;
    EXPECT_TRUE(Contains(read, "\nY3=") && !Contains(read, "\nY4=")) << "two rows: " << read;
}

TEST_F(CliRunTest, ChangesListsWhatRunsFoundAndExportTakesTheLastRunsColumns) {
    WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
    content_->SetSearch(kFirstCitySearch, {{1, 2}, 2});
    content_->SetTitle(1, "ソファ");
    content_->SetPrice(1, "12,000");
    ASSERT_EQ(Crawl().exitCode, 0);
    content_->SetPrice(1, "9,800");
    ASSERT_EQ(Run({"crawl", "--changes-only", Output().string()}).exitCode, 0);

    const std::string cheaper = " 値下げ ソファ 12,000円 → 9,800円 " + content_->ListingUrl(1) + "\n";
    const fs::path csv = out_.path() / "changes.csv";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        int lines;                // of standard output
        std::string firstLineEnd; // how the first line ends
    };
    const Case cases[] = {
        {{}, 0, 3, cheaper},
        {{"--kind", "新着"}, 0, 2, content_->ListingUrl(2) + "\n"},
        {{"--kind=値上げ", "--kind", "値下げ", "--since", "2000-01-01"}, 0, 1, cheaper},
        {{"--since", "2999-01-01"}, 0, 1, "no changes found\n"},
        {{"--encoding", "utf-8", "--kind", "値下げ", csv.string()}, 0, 1, "changes written: 1\n"},
        {{"--kind", "値段"}, 5, 0, ""},
        {{"--since", "2026-02-30"}, 5, 0, ""},
        {{"a.csv", "b.csv"}, 5, 0, ""},
        {{"--encoding", "sjis", "a.csv"}, 5, 0, ""},
        {{"a.xlsx"}, 5, 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"changes"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const ChildResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), c.lines) << result.out;
        EXPECT_TRUE(result.out.substr(0, result.out.find('\n') + 1).ends_with(c.firstLineEnd)) << result.out;
    }
    EXPECT_EQ(test::ReadBytes(csv),
              "\xEF\xBB\xBF\"日付\",\"変化\",\"商品名\",\"変化前\",\"変化後\",\"詳細ページURL\",\r\n\"" +
                  LocalTimeNow().substr(0, 10) + "\",\"値下げ\",\"ソファ\",\"12,000円\",\"9,800円\",\"" +
                  content_->ListingUrl(1) + "\",\r\n");

    // The last run was --changes-only: its rows come back with their 変化 column.
    const fs::path exported = out_.path() / "export.csv";
    ASSERT_EQ(Run({"export", exported.string()}).exitCode, 0);
    const std::string bytes = test::ReadBytes(exported);
    EXPECT_EQ(bytes.rfind(CsvFileStart(CsvEncoding::Cp932, true), 0), 0u) << AnsiToUtf8(bytes);
    EXPECT_TRUE(Contains(bytes, UTF8ToAnsi(",\"値下げ 12,000円→9,800円\",\r\n"))) << AnsiToUtf8(bytes);

    // A later run reads the listing at another price but writes no row: the export stays as written.
    content_->SetPrice(1, "7,000");
    ASSERT_EQ(Run({"crawl", "--changes-only", "--exclude", "ソファ", Output().string()}).exitCode, 1);
    ASSERT_EQ(Run({"export", exported.string()}).exitCode, 0);
    EXPECT_EQ(test::ReadBytes(exported), bytes);
}

// The alert after a crawl: one message per channel when the run found something new, none when
// nothing changed; a message that fails or is refused is told on one line and changes no exit code.
TEST_F(CliRunTest, ACrawlAlertsEveryChannelAndAFailedMessageLeavesTheExitCode) {
    const std::string password = "s3cret-pass";
    test::AlertReceivers receivers("vorn", password);
    for (const auto& [name, perms] : {std::pair{"pw", fs::perms(0600)}, std::pair{"open-pw", fs::perms(0644)}}) {
        std::ofstream(dir_.db() / name, std::ios::binary) << password << "\n";
        fs::permissions(dir_.db() / name, perms);
    }
    const auto mail = [&](const char* file) {
        return "MailTo=you@example.test\r\nMailFrom=vorn@example.test\r\nSmtpUrl=" + receivers.SmtpUrl() +
               "\r\nSmtpUser=vorn\r\nSmtpPasswordFile=db/" + file + "\r\n";
    };
    const auto hook = [&](const char* path) { return "Webhook=" + receivers.WebhookUrl(path) + "\r\n"; };
    const std::string failedHook = "vorn-search-cli: alert webhook: not sent: HTTP 500";
    const std::string openPassword = "vorn-search-cli: alert mail: not sent: [Notify] SmtpPasswordFile " +
                                     (dir_.db() / "open-pw").string() + " may be read by others";
    struct Case {
        const char* name;
        std::vector<int> listings;
        std::string notify;
        int exitCode;
        std::size_t hooks, mails; // received so far
        std::string failure;      // the one alert line on standard error
    };
    const Case cases[] = {
        {"new listings", {1, 2}, hook("hook-key") + mail("pw"), 0, 1, 1, ""},
        {"nothing new or changed", {1, 2}, hook("hook-key") + mail("pw"), 0, 1, 1, ""},
        {"webhook answers 500", {}, "When=always\r\n" + hook("fail/hook-key"), 1, 2, 1, failedHook},
        {"password file others may read", {1}, "When=always\r\n" + mail("open-pw"), 0, 2, 1, openPassword},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        content_->SetSearch(kFirstCitySearch, {c.listings, std::nullopt});
        WriteSettings("Areasel=13\r\nArealist=1000\r\nCtgrlist=001\r\n");
        std::ofstream(dir_.db() / "vrn.ini", std::ios::binary | std::ios::app) << "[Notify]\r\n" << c.notify;
        const ChildResult result = Crawl();
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(receivers.Received("webhook").size(), c.hooks);
        EXPECT_EQ(receivers.Received("mail").size(), c.mails);
        const std::string all = result.out + result.err;
        EXPECT_FALSE(Contains(all, password) || Contains(all, "hook-key")) << all;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), c.failure.empty() ? 0 : 1) << result.err;
        EXPECT_TRUE(result.err.starts_with(c.failure)) << result.err;
    }
    for (const std::string& message : {receivers.Received("webhook")[0], receivers.Received("mail")[0]}) {
        EXPECT_TRUE(Contains(message, "新着 2件、再掲載 0件、値下げ 0件") && Contains(message, content_->ListingUrl(1)))
            << message;
    }
}

} // namespace
} // namespace vorn
