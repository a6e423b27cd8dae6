// Whole runs against a site that fails in every way it can: what the run ends with (the
// window's message and the terminal program's exit code follow from it) and what the CSV holds.
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/faults/fault_run_fixture.h"
#include "tools/sample_site/refused_port.h"

namespace vorn {
namespace {

using namespace test;
using Fault = site::SiteResponse::Fault;

struct FaultCase {
    const char* name;
    std::function<void()> arrange;
    int result;
    Strings rows; // RowSummaries()
};

class SiteFaultTest : public FaultRunTest {
protected:
    // check: what else every case must leave behind.
    void RunCases(const std::vector<FaultCase>& cases, const std::function<void()>& check = {}) {
        for (const FaultCase& c : cases) {
            SCOPED_TRACE(c.name);
            // Every case starts from a well-behaved site.
            SetFetchSettings(shortSettings_);
            site_.AddResults(std::string(kFaultSearch).substr(1), 2, {3, 4});
            site_.AddItems({3}, 2);
            site_.server().Handle("/articles/images/*",
                                  [](const site::SiteRequest&) { return Page("\xFF\xD8\xFF\xD9"); });
            std::filesystem::remove_all(selection().imageDir);
            std::filesystem::create_directory(selection().imageDir);
            c.arrange();
            EXPECT_EQ(RunFresh(), c.result);
            EXPECT_EQ(RowSummaries(), c.rows);
            if (check) {
                check();
            }
        }
    }

    site::SiteResponse Status(int status) { return Page("<html><body>status</body></html>\n", status); }
    site::SiteResponse Dripping() {
        site::SiteResponse answer = Page(std::string(4000, 'x'));
        answer.dripInterval = std::chrono::milliseconds(100); // 400 s of body, never idle for a second
        return answer;
    }
    site::SiteResponse RedirectLoop() {
        site::SiteResponse answer = Status(302);
        answer.headers = {{"Location", site_.server().Url("test/loop")}};
        return answer;
    }
    site::SiteResponse TooLarge() {
        FetchSettings settings = CurrentFetchSettings();
        settings.maxBodyBytes = 64 * 1024;
        SetFetchSettings(settings);
        return Page(std::string(200 * 1024, 'x'));
    }

    // The cases that fail any request, at path.
    std::vector<FaultCase> NotServed(const std::string& path, const Strings& rows) {
        const auto at = [this, path](std::function<site::SiteResponse()> answer) {
            return [this, path, answer] { Serve(path, answer()); };
        };
        return {
            {"accepts and never answers", at([] { return Faulty(Fault::Hang); }), kSiteUnreachable, rows},
            {"connection closed without an answer", at([] { return Faulty(Fault::DropConnection); }), kSiteUnreachable,
             rows},
            {"body stops mid-transfer", at([] { return Faulty(Fault::CutOff); }), kSiteUnreachable, rows},
            {"slow drip past the total time limit", at([this] { return Dripping(); }), kSiteUnreachable, rows},
            {"body over the size limit", at([this] { return TooLarge(); }), kSiteUnreachable, rows},
            {"redirect loop", at([this] { return RedirectLoop(); }), kSiteUnreachable, rows},
            {"429", at([this] { return Status(429); }), kSiteUnreachable, rows},
            {"500", at([this] { return Status(500); }), kSiteUnreachable, rows},
            {"503", at([this] { return Status(503); }), kSiteUnreachable, rows},
        };
    }
};

TEST_F(SiteFaultTest, ResultsPageNotServedEndsWithSiteUnreachableKeepingEarlierRows) {
    std::vector<FaultCase> cases = NotServed(kFaultSearch, AfterTheGoodSearch({}));
    cases.push_back({"404: a search the site does not have, without results",
                     [this] { Serve(kFaultSearch, Status(404)); }, kRowsWritten, AfterTheGoodSearch({})});
    RunCases(cases);
}

TEST_F(SiteFaultTest, ItemPageNotServedStillGetsItsRowAndTheRunGoesOn) {
    const Strings urlOnly = AfterTheGoodSearch({" @ /article/3", "品物4 @ /article/4"});
    std::vector<FaultCase> cases = NotServed("/article/3", urlOnly);
    cases.push_back({"404: a listing taken down since the results page", [this] { Serve("/article/3", Status(404)); },
                     kRowsWritten, urlOnly});

    const std::string refused = "https://127.0.0.1:" + std::to_string(site::RefusedLoopbackPort()) + "/article/3";
    cases.push_back({"connection refused",
                     [this, refused] {
                         Serve(kFaultSearch, Page(CrawlTestSite::ResultsLinking(2, {refused, site_.ArticleUrl(4)})));
                     },
                     kSiteUnreachable, AfterTheGoodSearch({" @ " + refused, "品物4 @ /article/4"})});
    const SilentListener silent;
    const std::string unanswered = "https://127.0.0.1:" + std::to_string(silent.port()) + "/article/3";
    cases.push_back({"accepts the connection and never speaks",
                     [this, unanswered] {
                         Serve(kFaultSearch, Page(CrawlTestSite::ResultsLinking(2, {unanswered, site_.ArticleUrl(4)})));
                     },
                     kSiteUnreachable, AfterTheGoodSearch({" @ " + unanswered, "品物4 @ /article/4"})});
    RunCases(cases);
}

TEST_F(SiteFaultTest, PhotographNotServedIsMissingFromTheFolderAndTheRowStays) {
    selection().saveImages = true;
    const Strings allRows = AfterTheGoodSearch({"品物3 @ /article/3", "品物4 @ /article/4"});
    std::vector<FaultCase> cases = NotServed(PhotoPath(3, 1), allRows);
    cases.push_back(
        {"404: a photograph taken down", [this] { Serve(PhotoPath(3, 1), Status(404)); }, kRowsWritten, allRows});
    const std::filesystem::path folder = selection().imageDir;
    RunCases(cases, [folder] {
        EXPECT_FALSE(std::filesystem::exists(folder / "p3_0.jpg")) << "no broken photograph is left";
        EXPECT_TRUE(std::filesystem::exists(folder / "p3_1.jpg")) << "the next photograph is still saved";
        EXPECT_TRUE(std::filesystem::exists(folder / "p4_1.jpg")) << "the next listing's too";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 7)
            << "two for each listing but 3, and no partial file";
    });
}

TEST_F(SiteFaultTest, WholeSiteRefusedLeavesTheHeaderAlone) {
    site_.server().Stop();
    const std::string refused = "https://127.0.0.1:" + std::to_string(site::RefusedLoopbackPort()) + "/";
    CrawlJob job(frontEnd_, CrawlConfig{programDir_.path(), refused, pause_});
    frontEnd_.job = &job;
    RunOnWorkerThread(job);

    EXPECT_EQ(frontEnd_.Calls("handback"), Strings{std::to_string(kSiteUnreachable)});
    EXPECT_EQ(frontEnd_.Calls("step").size(), 2u);
    EXPECT_TRUE(RowSummaries().empty());
}

} // namespace
} // namespace vorn
