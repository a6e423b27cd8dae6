#include "crawl/site_refusals.h"

#include "web/fetch_page.h"

namespace vorn {

bool SiteRefusals::Record(const FetchResult& answer, Page page) {
    if (!answer.refused()) {
        // Only refusals running count: any other answer, a failure too, breaks the row.
        inARow_ = 0;
        return false;
    }
    ++(page == Page::Results ? resultsPages_ : listingPages_);
    lastStatus_ = answer.httpStatus;
    endedRun_ = endedRun_ || ++inARow_ >= kMostInARow;
    return endedRun_;
}

} // namespace vorn
