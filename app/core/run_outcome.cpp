#include "app/core/run_outcome.h"

#include <string>

#include "app/core/messages.h"
#include "crawl/crawl_state.h"
#include "crawl/crawl_worker.h"
#include "web/cp932.h"

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
    if (crawlResult == kSiteRefused) {
        return RunOutcome::SiteRefused;
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
    case RunOutcome::SiteRefused:
        return "site refused";
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

std::string SiteRefusedText(const CrawlWorker& job) { return msg::SiteRefused(job.refusals().lastStatus()); }

std::vector<std::string> PageLines(RunOutcome outcome, const CrawlWorker& job) {
    std::vector<std::string> lines;
    const int resultsPages = job.unrecognisedResultsPages();
    const int listingPages = job.unrecognisedListingPages();
    if (outcome != RunOutcome::PagesUnrecognised && resultsPages + listingPages > 0) {
        lines.push_back(msg::UnrecognisedPagesLine(resultsPages, listingPages));
    }
    if (job.refusals().any()) {
        lines.push_back(msg::RefusedPagesLine(job.refusals().resultsPages(), job.refusals().listingPages()));
    }
    return lines;
}

std::string FailureText(RunOutcome outcome, const CrawlWorker& job) {
    std::string text;
    switch (outcome) {
    case RunOutcome::SiteRefused:
        text = AnsiToUtf8(SiteRefusedText(job));
        break;
    case RunOutcome::SiteUnreachable:
        text = AnsiToUtf8(msg::SiteUnreachable());
        break;
    case RunOutcome::PagesUnrecognised:
        text = AnsiToUtf8(msg::PagesUnrecognised());
        break;
    case RunOutcome::NotSaved:
        text = AnsiToUtf8(msg::SaveFailed());
        break;
    case RunOutcome::Failed:
        // An error that ended a scheduled run early is a failure too.
        text = "the run ended on an error: " + job.errorText();
        break;
    case RunOutcome::RowsWritten:
    case RunOutcome::NothingFound:
    case RunOutcome::Stopped:
        return {};
    }
    for (const std::string& line : PageLines(outcome, job)) {
        text += "\n" + AnsiToUtf8(line);
    }
    // Line feeds alone in the message: the unreachable text has CR LF.
    std::erase(text, '\r');
    return text;
}

} // namespace vorn
