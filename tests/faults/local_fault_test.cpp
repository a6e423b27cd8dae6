// Faults on the user's own machine during a run: the program's db folder removed, the CSV's
// folder made read-only, a disk that fills up, and a stop while the site keeps a fetch hanging.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/faults/fault_run_fixture.h"
#include "tests/support/file_size_limit.h"

namespace vorn {
namespace {

using namespace test;
namespace fs = std::filesystem;

class LocalFaultTest : public FaultRunTest {
protected:
    // Runs `act` when the front end is asked for `call` (e.g. "step", "status 県0 - 家電 : 1件/2件 取得中...")
    // for the `nth` time.
    void When(const std::string& call, int nth, std::function<void()> act) {
        frontEnd_.onCall = [this, call, nth, act, count = 0](const std::string& made) mutable {
            if (made == call && ++count == nth) {
                act();
            }
        };
    }
};

TEST_F(LocalFaultTest, DbFolderRemovedBeforeASearchStopsTheRunAsNotSaved) {
    When("step", 2, [this] { fs::remove_all(programDir_.db()); });

    EXPECT_EQ(Run(), kCsvWriteFailed);

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({}));
    EXPECT_EQ(site_.RequestedPaths().back(), kFaultSearch) << "nothing is fetched after the page that was lost";
}

TEST_F(LocalFaultTest, DbFolderRemovedDuringAListingGivesItsRowAndStops) {
    When("status " + Status("県0 - 家電", 1, 2), 1, [this] { fs::remove_all(programDir_.db()); });

    EXPECT_EQ(Run(), kCsvWriteFailed);

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({" @ /article/3"}));
    EXPECT_EQ(site_.RequestedPaths().back(), "/article/3");
}

// The file was opened at the start; a folder's permissions govern only what is opened or made
// in it later, so the rows keep coming (for root and everyone else alike). What a write that
// fails looks like is the disk-full cases below.
TEST_F(LocalFaultTest, CsvFolderMadeReadOnlyAfterTheStartStillTakesEveryRow) {
    When("init 2", 1, [this] { fs::permissions(outDir_.path(), fs::perms::owner_read | fs::perms::owner_exec); });

    EXPECT_EQ(Run(), kRowsWritten);

    fs::permissions(outDir_.path(), fs::perms::owner_all);
    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({"品物3 @ /article/3", "品物4 @ /article/4"}));
}

TEST_F(LocalFaultTest, DiskFullForTheCsvStopsTheRunAndLeavesOnlyWholeRows) {
    FileSizeLimit limit;
    When("status " + Status("県0 - 家電", 1, 2), 1, [this, &limit] { limit.Apply(fs::file_size(csvFile()) + 50); });

    EXPECT_EQ(Run(), kCsvWriteFailed);

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({})) << "listing 3's row did not fit and was taken back";
    EXPECT_EQ(site_.RequestedPaths().back(), "/article/3");
}

TEST_F(LocalFaultTest, DiskFullForTheScratchFileStopsTheRunAsNotSaved) {
    Serve("/article/3", Page(site_.ItemPage(3) + std::string(8000, '\n')));
    FileSizeLimit limit;
    When("init 2", 1, [&limit] { limit.Apply(4000); }); // above the CSV and the small pages

    EXPECT_EQ(Run(), kCsvWriteFailed);

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({" @ /article/3"}));
    EXPECT_EQ(site_.RequestedPaths().back(), "/article/3");
}

TEST_F(LocalFaultTest, DiskFullForAPhotographStopsAfterThatListingsRow) {
    selection().saveImages = true;
    Serve(PhotoPath(1, 1), Page(std::string(8000, 'p')));
    FileSizeLimit limit;
    When("init 2", 1, [&limit] { limit.Apply(4000); });

    EXPECT_EQ(Run(), kCsvWriteFailed);

    EXPECT_EQ(RowSummaries(), (Strings{"品物1 @ /article/1"}));
    EXPECT_EQ(site_.RequestedPaths(), (Strings{kGoodSearch, "/article/1", PhotoPath(1, 1)}));
    EXPECT_TRUE(fs::is_empty(selection().imageDir)) << "no partial photograph is left";
}

// The stop is polled between fetches, never inside one: a hanging page ends by the fetcher's
// idle limit, then the run stops at once. The window shows no message for a cancelled run and
// the terminal program exits 2, whatever the site did meanwhile.
TEST_F(LocalFaultTest, StopWhileTheSiteHangsEndsWhenTheFetchGivesUp) {
    Serve(kFaultSearch, Faulty(site::SiteResponse::Fault::Hang));
    When("step", 2, [this] { Job().RequestStop(); });

    EXPECT_EQ(Run(), kSiteUnreachable);

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({}));
    EXPECT_EQ(site_.RequestedPaths().back(), kFaultSearch);
    EXPECT_EQ(Statuses().back(), Status("県0 - 家電", 0, 0));
}

// The stop point after each search ends the area loop too: a stop during the last search of
// one area makes no search of the next. (The stop points inside a search, an item page and the
// photographs are tests/crawl/crawl_stop_test.cpp.)
TEST_F(LocalFaultTest, StopDuringTheLastSearchOfAnAreaSearchesNoFurtherArea) {
    Choose({0, 1}, "0,2,");
    When("status " + Status("県0 - 家電", 1, 2), 1, [this] { Job().RequestStop(); });

    EXPECT_EQ(Run(), kRowsWritten);

    EXPECT_EQ(RowSummaries(), AfterTheGoodSearch({"品物3 @ /article/3"}));
    EXPECT_EQ(frontEnd_.Calls("step").size(), 2u);
    EXPECT_EQ(frontEnd_.Calls("lookup"), Strings{"0 0"});
}

} // namespace
} // namespace vorn
