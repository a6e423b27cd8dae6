#pragma once

#include <string>
#include <vector>

#include "watch/watch_settings.h"

namespace vorn {

class CrawlWorker;

// How a run ended, as both programs tell the user: the window's end state and the terminal
// program's exit code are each one table from it.
enum class RunOutcome {
    RowsWritten,     // done
    NothingFound,    // no listing matched
    Stopped,         // the user's cancel, a close or a signal
    SiteUnreachable, // a page or photograph was not served; the rows written stay
    PagesUnrecognised, // nothing written, and results pages the site served could not be read
    SiteRefused,     // the site refused a search, or the run three pages running (401, 403, 451)
    NotSaved,        // the CSV, the scratch file or a photograph could not be written
    Failed,          // an error ended the run early
};

// From the crawl's result (crawlResult), whether a stop was asked for and whether an error cut
// the run short. A file that could not be written outranks everything, since rows were lost; an
// error outranks a stop; a stop outranks a site that refused the run, which outranks pages that
// could not be read, which outrank an unreachable site.
RunOutcome OutcomeOf(int crawlResult, bool stopRequested, bool failedWithError);

// The nothing-found text of a run of the mode (CP932).
const std::string& NothingFoundText(WriteMode mode);

// The outcome in a word or two, as the store of listings records a run's end.
const char* OutcomeWord(RunOutcome outcome);

// The site refused the run: its text with the status of the last refusal (CP932).
std::string SiteRefusedText(const CrawlWorker& job);

// The lines told after the outcome (CP932): the pages the site served in a layout this program
// cannot read, unless the outcome says so already, and the pages the site refused.
std::vector<std::string> PageLines(RunOutcome outcome, const CrawlWorker& job);

// How a failed run failed, as its message to the user's channels begins (UTF-8, line feeds): the
// outcome's text, then its PageLines. Empty for a run that did not fail: rows written, nothing
// found, or stopped by the user.
std::string FailureText(RunOutcome outcome, const CrawlWorker& job);

} // namespace vorn
