#include "app/core/run_outcome.h"

#include <gtest/gtest.h>

#include "crawl/crawl_state.h"

namespace vorn {
namespace {

TEST(RunOutcomeTest, PicksTheOutcomeThatMattersMost) {
    struct Case {
        const char* name;
        int crawlResult;
        bool stopped;
        bool error;
        RunOutcome expected;
    };
    const Case cases[] = {
        {"rows written", kRowsWritten, false, false, RunOutcome::RowsWritten},
        {"nothing matched", kNoRows, false, false, RunOutcome::NothingFound},
        {"stopped with rows", kRowsWritten, true, false, RunOutcome::Stopped},
        {"stopped before any row", kNoRows, true, false, RunOutcome::Stopped},
        {"a page not served", kSiteUnreachable, false, false, RunOutcome::SiteUnreachable},
        {"a stop outranks a page not served", kSiteUnreachable, true, false, RunOutcome::Stopped},
        {"the file failed, also when stopped", kCsvWriteFailed, true, true, RunOutcome::NotSaved},
        {"an error is never success", kRowsWritten, false, true, RunOutcome::Failed},
        {"an error outranks a stop", kNoRows, true, true, RunOutcome::Failed},
        {"a stop outranks a refusal", kSiteRefused, true, false, RunOutcome::Stopped},
        {"an error outranks a refusal", kSiteRefused, false, true, RunOutcome::Failed},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OutcomeOf(c.crawlResult, c.stopped, c.error), c.expected) << c.name;
    }
}

} // namespace
} // namespace vorn
