#include "app/cli/terminal_front_end.h"

#include <utility>

#include "app/cli/terminal_progress.h"
#include "catalogue/catalogue_lists.h"
#include "web/cp932.h"

namespace vorn::cli {

TerminalFrontEnd::TerminalFrontEnd(CatalogueDb& db, CrawlSelection selection, TerminalProgress& progress,
                                   std::function<void()> onHandBack)
    : db_(db), selection_(std::move(selection)), progress_(progress), onHandBack_(std::move(onHandBack)) {}

void TerminalFrontEnd::InitProgress(int maximum) { progress_.Init(maximum); }

void TerminalFrontEnd::StepProgress() { progress_.Step(); }

void TerminalFrontEnd::ShowStatus(const std::string& textCp932) { progress_.ShowStatus(AnsiToUtf8(textCp932)); }

bool TerminalFrontEnd::CheckSeen(const std::string& listingKey) { return db_.SeenListing(listingKey); }

std::string TerminalFrontEnd::LookUpAreaPath(int areaIndex, int comboIndex) {
    return vorn::LookUpAreaPath(db_, areaIndex, comboIndex);
}

void TerminalFrontEnd::HandBack(int crawlResult) {
    result_ = crawlResult;
    if (onHandBack_) {
        onHandBack_();
    }
}

} // namespace vorn::cli
