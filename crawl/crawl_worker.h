#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "crawl/crawl_front_end.h"
#include "crawl/crawl_state.h"
#include "extract/item_context.h"

namespace vorn {

// Where a run lives and whom it talks to.
struct CrawlConfig {
    std::filesystem::path programDir;                  // holds db/
    std::string baseUrl;                               // https origin with its trailing slash
    std::chrono::milliseconds pause = kFetchPause;     // tests may shorten it
};

// The scratch file every fetched page passes through, relative to the program folder.
std::filesystem::path ScratchFile(const std::filesystem::path& programDir);

// The work of one run, on whatever thread calls Execute(); it makes the end-of-run call
// (HandBack) as its last act, in every case. On its own it calls the front end on that same
// thread; CrawlJob runs it on a thread of its own and hands each call over to the front end's.
class CrawlWorker {
public:
    CrawlWorker(CrawlFrontEnd& frontEnd, CrawlConfig config);
    virtual ~CrawlWorker() = default;
    CrawlWorker(const CrawlWorker&) = delete;
    CrawlWorker& operator=(const CrawlWorker&) = delete;

    // The stop request: polled by the job at its stop points.
    void RequestStop() { stop_.store(true); }
    // The same request from a signal handler: setting the flag is all RequestStop does.
    std::atomic<bool>& stopFlag() { return stop_; }
    bool StopRequested() const { return stop_.load(); }

    int crawlResult() const { return crawlResult_.load(); }
    bool isRunning() const { return running_.load(); }

    // Runs fn on the front end's thread and waits for it.
    virtual void Synchronize(const std::function<void()>& fn) { fn(); }

    CrawlState& state() { return state_; }
    const CrawlConfig& config() const { return config_; }
    const CrawlSelection& selection() const { return selection_; }
    CrawlFrontEnd& frontEnd() { return frontEnd_; }
    ItemContext MakeItemContext();
    void Pause();
    // Writes the row of one listing; a failed write stops the run.
    void WriteItemRow(const std::string& rowCp932);
    // Writes "label : new件/total件 取得中..." for the current search on the status line.
    void ShowStatus();

    // The text of an error that ended the run early (empty when none did). Final at the hand-back.
    const std::string& errorText() const { return errorText_; }

    // The whole run.
    void Execute();

private:
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
    CrawlSelection selection_;
    CrawlState state_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<int> crawlResult_{0};
    std::string errorText_;
};

} // namespace vorn
