#include "crawl/fetch_outcome.h"

#include "crawl/crawl_worker.h"
#include "web/fetch_page.h"

namespace vorn {

void RecordFetchOutcome(CrawlWorker& job, const FetchResult& result) {
    if (result.outcome == FetchResult::Outcome::File) {
        job.state().writeFailed = true;
        job.RequestStop();
    } else if (result.siteUnreachable()) {
        job.state().siteFailed = true;
    }
}

} // namespace vorn
