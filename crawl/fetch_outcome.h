#pragma once

namespace vorn {

class CrawlWorker;
struct FetchResult;

// True when the site did not serve what was asked: no answer, a cut-off or endless body, a
// redirect loop, or a refusal it may lift later (429, 5xx). Any other status, 404 above all (a
// listing or photograph taken down), is the site's answer and not a failure.
bool SiteDidNotServe(const FetchResult& result);

// Folds one fetch of the run (results page, item page or photograph) into how the run ends: a
// page the site did not serve makes the outcome "site unreachable" while the run goes on; a
// scratch or photograph file that cannot be written makes it "not saved" and stops the run,
// since every later page would be lost the same way.
void RecordFetchOutcome(CrawlWorker& job, const FetchResult& result);

} // namespace vorn
