#include "app/cli/terminal_front_end.h"

#include <utility>

#include "app/cli/terminal_progress.h"
#include "catalogue/catalogue_lists.h"
#include "web/cp932.h"

namespace vorn::cli {

TerminalFrontEnd::TerminalFrontEnd(CatalogueDb& db, CrawlSelection selection, TerminalProgress& progress,
                                   std::function<void()> beforeEachCall)
    : db_(db), selection_(std::move(selection)), progress_(progress), beforeEachCall_(std::move(beforeEachCall)) {}

void TerminalFrontEnd::BeforeCall() const {
    if (beforeEachCall_) {
        beforeEachCall_();
    }
}

CrawlSelection TerminalFrontEnd::TakeSelection() {
    BeforeCall();
    return selection_;
}

void TerminalFrontEnd::InitProgress(int maximum) {
    BeforeCall();
    progress_.Init(maximum);
}

void TerminalFrontEnd::StepProgress() {
    BeforeCall();
    progress_.Step();
}

void TerminalFrontEnd::ShowStatus(const std::string& textCp932) {
    BeforeCall();
    progress_.ShowStatus(AnsiToUtf8(textCp932));
}

bool TerminalFrontEnd::CheckSeen(const std::string& listingKey) {
    BeforeCall();
    return db_.SeenListing(listingKey, skipHistory_);
}

void TerminalFrontEnd::RecordCollected(const std::string& listingKey) {
    BeforeCall();
    db_.RecordCollected(listingKey);
}

std::string TerminalFrontEnd::LookUpAreaPath(int areaIndex, int comboIndex) {
    BeforeCall();
    return vorn::LookUpAreaPath(db_, areaIndex, comboIndex);
}

void TerminalFrontEnd::HandBack(int crawlResult) {
    BeforeCall();
    db_.CommitSeen();
    result_ = crawlResult;
}

} // namespace vorn::cli
