#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "crawl/crawl_front_end.h"
#include "crawl/crawl_state.h"
#include "crawl/search_host.h"
#include "extract/item_context.h"
#include "web/stand_ins.h"

namespace vorn {

struct FetchResult;

// Where a run lives and whom it talks to.
struct CrawlConfig {
    std::filesystem::path programDir;                  // holds db/
    std::string baseUrl;                               // https origin with its trailing slash
    std::chrono::milliseconds pause = kFetchPause;     // tests may shorten it
    int retries = 0;                                   // see RetryPolicy
};

// The scratch file every fetched page passes through, relative to the program folder.
std::filesystem::path ScratchFile(const std::filesystem::path& programDir);

// The work of one run, on whatever thread calls Execute(); it makes the end-of-run call
// (HandBack) as its last act, in every case. Every call to the front end goes through synchronize:
// by default on this same thread; CrawlJob hands each one over to the front end's thread.
class CrawlWorker : private SearchHost {
public:
    using Synchronizer = std::function<void(const std::function<void()>& call)>;

    CrawlWorker(CrawlFrontEnd& frontEnd, CrawlConfig config, Synchronizer synchronize = {});
    CrawlWorker(const CrawlWorker&) = delete;
    CrawlWorker& operator=(const CrawlWorker&) = delete;

    // The stop request: polled by the job at its stop points.
    void RequestStop() { stop_.store(true); }
    // The same request from a signal handler: setting the flag is all RequestStop does.
    std::atomic<bool>& stopFlag() { return stop_; }
    bool StopRequested() const override { return stop_.load(); }

    int crawlResult() const { return crawlResult_.load(); }
    bool isRunning() const { return running_.load(); }
    const CrawlConfig& config() const { return config_; }
    // The text of an error that ended the run early (empty when none did). Final at the hand-back.
    const std::string& errorText() const { return errorText_; }
    // The characters of the rows written that became "?" in code page 932, when the selection
    // asks for the count. Final at the hand-back.
    int lostCharacters() const { return lostCharacters_; }
    // The results and listing pages the site served in a layout this program cannot read. Final
    // at the hand-back.
    int unrecognisedResultsPages() const { return unrecognisedResultsPages_; }
    int unrecognisedListingPages() const { return unrecognisedListingPages_; }

    // The whole run.
    void Execute();

private:
    // SearchHost: what each search asks of the run.
    bool FetchPage(const std::string& url, std::string& page) override;
    void Pause() override;
    void ListingsOnPage(const std::vector<std::string>& keys) override;
    bool CheckSeen(const std::string& listingKey) override;
    void ShowStatus(int newCount, int totalCount) override;
    void CollectListing(const std::string& itemUrl) override;

    // The listing's page read into its fields; its photographs too when withImages. readWhole:
    // the page was served, recognised and read to its end.
    ItemFields ExtractListing(const std::string& itemUrl, bool withImages, bool& readWhole);
    // The listing as the watch decides; readWhole as ExtractListing gave it.
    void CollectWatched(const ItemFields& fields, bool readWhole);
    ItemContext ListingContext();
    // Writes the listing's row; false when it could not be written (the run then stops).
    bool WriteRow(const ItemFields& fields, const std::string* change);
    // The row in UTF-8, every character kept, to the selection's row sink.
    bool WriteSinkRow(const ItemFields& fields, const std::string* change);

    // Runs call on the front end's thread and waits for it.
    void Synchronize(const std::function<void()>& call);
    // Folds one fetch of the run (results page, item page or photograph) into how the run ends:
    // a page the site did not serve makes the outcome "site unreachable" while the run goes on; a
    // scratch or photograph file that cannot be written makes it "not saved" and stops the run,
    // since every later page would be lost the same way.
    void RecordFetch(const FetchResult& result);
    void RunCrawl();
    bool OpenOutput();
    void CloseOutput();
    void BuildAreaList();
    void BuildGenreList();
    void InitProgress();
    void StepProgress();
    void LookUpAreaPath();
    int FinalResult() const;

    CrawlFrontEnd& frontEnd_;
    CrawlConfig config_;
    Synchronizer synchronize_;
    CrawlSelection selection_;
    ListingWatch* watch_ = nullptr;
    CrawlState state_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<int> crawlResult_{0};
    std::string errorText_;
    // The stand-ins of the listing being read, for its UTF-8 row.
    StandIns standIns_;
    int lostCharacters_ = 0;
    int unrecognisedResultsPages_ = 0;
    int unrecognisedListingPages_ = 0;
};

} // namespace vorn
