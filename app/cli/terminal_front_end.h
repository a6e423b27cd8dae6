#pragma once

#include <functional>
#include <optional>
#include <string>

#include "catalogue/catalogue_db.h"
#include "crawl/crawl_front_end.h"
#include "crawl/crawl_selection.h"

namespace vorn::cli {

class TerminalProgress;

// The run's front end without a window: the run and its calls share the program's one thread,
// which alone uses the database.
class TerminalFrontEnd final : public CrawlFrontEnd {
public:
    // beforeEachCall runs first in every call, typically to tell of a stop signal.
    TerminalFrontEnd(CatalogueDb& db, CrawlSelection selection, TerminalProgress& progress,
                     std::function<void()> beforeEachCall);

    CrawlSelection TakeSelection() override;
    void InitProgress(int maximum) override;
    void StepProgress() override;
    void ShowStatus(const std::string& textCp932) override;
    bool CheckSeen(const std::string& listingKey) override;
    void RecordCollected(const std::string& listingKey) override;
    std::string LookUpAreaPath(int areaIndex, int comboIndex) override;
    void HandBack(int crawlResult) override;

    // Listings an earlier run collected count as seen (--new-only).
    void SkipCollectedBefore() { skipHistory_ = true; }
    void SetWatch(ListingWatch* watch) { watch_ = watch; }
    ListingWatch* watch() override { return watch_; }

    // The final crawlResult, once the job has handed back.
    std::optional<int> result() const { return result_; }

private:
    void BeforeCall() const;

    CatalogueDb& db_;
    CrawlSelection selection_;
    TerminalProgress& progress_;
    std::function<void()> beforeEachCall_;
    std::optional<int> result_;
    bool skipHistory_ = false;
    ListingWatch* watch_ = nullptr;
};

} // namespace vorn::cli
