#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include <QThread>

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

// The worker of one run. Start it with start(); it makes the end-of-run call (HandBack) on the
// front end's thread as its last act, in every case.
class CrawlJob : public QThread {
    Q_OBJECT
public:
    CrawlJob(CrawlFrontEnd& frontEnd, CrawlConfig config, QObject* parent = nullptr);

    // The stop request: polled by the job at its stop points.
    void RequestStop() { stop_.store(true); }
    bool StopRequested() const { return stop_.load(); }

    int crawlResult() const { return crawlResult_.load(); }
    bool isRunning() const { return running_.load(); }

    // Runs fn on the front end's thread and waits for it.
    void Synchronize(const std::function<void()>& fn);

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

    // The thread body (also callable directly in tests).
    void Execute();

protected:
    void run() override { Execute(); }

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

// The worker's name in the rest of the program.
using TMyThread = CrawlJob;

} // namespace vorn
