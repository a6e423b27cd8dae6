#pragma once

namespace vorn {

class CrawlWorker;
struct FetchResult;

// Folds one fetch of the run (results page, item page or photograph) into how the run ends: a
// page the site did not serve makes the outcome "site unreachable" while the run goes on; a
// scratch or photograph file that cannot be written makes it "not saved" and stops the run,
// since every later page would be lost the same way.
void RecordFetchOutcome(CrawlWorker& job, const FetchResult& result);

} // namespace vorn
