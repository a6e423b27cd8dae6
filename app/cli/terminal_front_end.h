#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QObject>

#include "catalogue/catalogue_db.h"
#include "crawl/crawl_front_end.h"
#include "crawl/crawl_selection.h"

namespace vorn::cli {

class TerminalProgress;

// The run's front end without a window: the job's calls arrive on the thread that made this
// object (the program's main thread), which alone uses the database.
class TerminalFrontEnd final : public CrawlFrontEnd {
public:
    // onHandBack runs at the end-of-run call, typically to leave the event loop.
    TerminalFrontEnd(CatalogueDb& db, CrawlSelection selection, TerminalProgress& progress,
                     std::function<void()> onHandBack);

    QObject* context() override { return &context_; }
    CrawlSelection TakeSelection() override { return selection_; }
    void InitProgress(int maximum) override;
    void StepProgress() override;
    void ShowStatus(const std::string& textCp932) override;
    bool CheckSeen(const std::string& listingKey) override;
    std::string LookUpAreaPath(int areaIndex, int comboIndex) override;
    void HandBack(int crawlResult) override;

    // The final crawlResult, once the job has handed back.
    std::optional<int> result() const { return result_; }

private:
    QObject context_;
    CatalogueDb& db_;
    CrawlSelection selection_;
    TerminalProgress& progress_;
    std::function<void()> onHandBack_;
    std::optional<int> result_;
};

} // namespace vorn::cli
