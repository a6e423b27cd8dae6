#include "crawl/fetch_outcome.h"

#include "crawl/crawl_worker.h"
#include "web/fetch_page.h"

namespace vorn {

bool SiteDidNotServe(const FetchResult& result) {
    const long status = result.httpStatus;
    if (status == 429 || status >= 500) {
        return true;
    }
    switch (result.outcome) {
    case FetchResult::Outcome::Body:
    case FetchResult::Outcome::File:
        return false;
    case FetchResult::Outcome::Transport:
        // A photograph refused with a final answer ends as a transport failure carrying that
        // status; anything else here (no status, 2xx or 3xx) is an answer that never completed.
        return !(status >= 400 && status <= 499);
    }
    return true;
}

void RecordFetchOutcome(CrawlWorker& job, const FetchResult& result) {
    if (result.outcome == FetchResult::Outcome::File) {
        job.state().writeFailed = true;
        job.RequestStop();
    } else if (SiteDidNotServe(result)) {
        job.state().siteFailed = true;
    }
}

} // namespace vorn
