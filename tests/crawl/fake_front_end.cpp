#include "tests/crawl/fake_front_end.h"

#include <filesystem>

#include <QThread>

#include "crawl/crawl_job.h"
#include "web/cp932.h"

namespace vorn::test {

CrawlSelection FakeFrontEnd::TakeSelection() {
    Record("take");
    return selection;
}

void FakeFrontEnd::InitProgress(int maximum) { Record("init " + std::to_string(maximum)); }

void FakeFrontEnd::StepProgress() { Record("step"); }

void FakeFrontEnd::ShowStatus(const std::string& textCp932) { Record("status " + AnsiToUtf8(textCp932)); }

bool FakeFrontEnd::CheckSeen(const std::string& listingKey) {
    Record("seen " + AnsiToUtf8(listingKey));
    return !seen_.insert(listingKey).second;
}

std::string FakeFrontEnd::LookUpAreaPath(int areaIndex, int comboIndex) {
    Record("lookup " + std::to_string(areaIndex) + " " + std::to_string(comboIndex));
    const auto found = areaPaths.find({areaIndex, comboIndex});
    return found == areaPaths.end() ? std::string() : found->second;
}

void FakeFrontEnd::HandBack(int crawlResult) {
    if (job != nullptr) {
        runningAtHandBack = job->worker().isRunning();
        scratchLeftAtHandBack = std::filesystem::exists(ScratchFile(job->worker().config().programDir));
    }
    Record("handback " + std::to_string(crawlResult));
}

std::vector<std::string> FakeFrontEnd::Calls(const std::string& kind) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call == kind) {
            found.emplace_back();
        } else if (call.rfind(kind + " ", 0) == 0) {
            found.push_back(call.substr(kind.size() + 1));
        }
    }
    return found;
}

void FakeFrontEnd::Record(std::string call) {
    if (QThread::currentThread() != context_.thread()) {
        allOnContextThread = false;
    }
    calls.push_back(std::move(call));
    if (onCall) {
        onCall(calls.back());
    }
}

} // namespace vorn::test
