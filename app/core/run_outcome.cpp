#include "app/core/run_outcome.h"

#include "app/core/messages.h"
#include "crawl/crawl_state.h"

namespace vorn {

RunOutcome OutcomeOf(int crawlResult, bool stopRequested, bool failedWithError) {
    if (crawlResult == kCsvWriteFailed) {
        return RunOutcome::NotSaved;
    }
    if (failedWithError) {
        return RunOutcome::Failed;
    }
    if (stopRequested) {
        return RunOutcome::Stopped;
    }
    if (crawlResult == kPagesUnrecognised) {
        return RunOutcome::PagesUnrecognised;
    }
    if (crawlResult == kSiteUnreachable) {
        return RunOutcome::SiteUnreachable;
    }
    return crawlResult == kRowsWritten ? RunOutcome::RowsWritten : RunOutcome::NothingFound;
}

const char* OutcomeWord(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::RowsWritten:
        return "rows written";
    case RunOutcome::NothingFound:
        return "nothing found";
    case RunOutcome::Stopped:
        return "stopped";
    case RunOutcome::SiteUnreachable:
        return "site unreachable";
    case RunOutcome::NotSaved:
        return "not saved";
    case RunOutcome::PagesUnrecognised:
        return "pages unrecognised";
    case RunOutcome::Failed:
        break;
    }
    return "failed";
}

const std::string& NothingFoundText(WriteMode mode) {
    switch (mode) {
    case WriteMode::NewOnly:
        return msg::NothingNew();
    case WriteMode::ChangesOnly:
        return msg::NoChanges();
    case WriteMode::All:
        break;
    }
    return msg::NoItemsFound();
}

} // namespace vorn
