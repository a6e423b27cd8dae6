#pragma once

#include <string>

#include "crawl/crawl_selection.h"
#include "crawl/listing_watch.h"

class QObject;

namespace vorn {

// What a run needs from the program around it. A CrawlJob calls every method through a blocking
// queued call on the thread of context(), so implementations may touch widgets and the database
// freely; the front end's thread never waits on the job, so the call cannot deadlock. A
// CrawlWorker run directly calls them on its own thread.
class CrawlFrontEnd {
public:
    virtual ~CrawlFrontEnd() = default;

    // The object whose thread runs a CrawlJob's calls (the window); none: the job's own thread.
    virtual QObject* context() { return nullptr; }

    virtual CrawlSelection TakeSelection() = 0;
    virtual void InitProgress(int maximum) = 0;
    virtual void StepProgress() = 0;                       // and the taskbar, when ready
    virtual void ShowStatus(const std::string& textCp932) = 0;
    virtual bool CheckSeen(const std::string& listingKey) = 0;
    // The listing's row is written: it joins the history of collected listings.
    virtual void RecordCollected(const std::string& listingKey) { static_cast<void>(listingKey); }
    virtual std::string LookUpAreaPath(int areaIndex, int comboIndex) = 0;
    // What decides, listing by listing, which get a row and what change it carries; none: every
    // listing read gets its row. Asked once, when the run starts.
    virtual ListingWatch* watch() { return nullptr; }
    // The end-of-run call: isRunning is already false and crawlResult final.
    virtual void HandBack(int crawlResult) = 0;
};

} // namespace vorn
