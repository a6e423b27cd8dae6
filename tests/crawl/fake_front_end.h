#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <QObject>

#include "crawl/crawl_front_end.h"

namespace vorn {
class CrawlJob;
}

namespace vorn::test {

// A front end that records what the job asks of it, in order, as UTF-8 text:
// "init N", "step", "status TEXT", "seen KEY", "lookup AREA COMBO", "handback RESULT".
class FakeFrontEnd : public CrawlFrontEnd {
public:
    QObject* context() override { return &context_; }
    CrawlSelection TakeSelection() override;
    void InitProgress(int maximum) override;
    void StepProgress() override;
    void ShowStatus(const std::string& textCp932) override;
    bool CheckSeen(const std::string& listingKey) override;
    std::string LookUpAreaPath(int areaIndex, int comboIndex) override;
    void HandBack(int crawlResult) override;

    std::vector<std::string> Calls(const std::string& kind) const; // the calls of one kind, without it
    int handBacks() const { return static_cast<int>(Calls("handback").size()); }

    // Set by the test.
    CrawlSelection selection;
    std::map<std::pair<int, int>, std::string> areaPaths; // (areaIndex, comboIndex) -> areaPath
    const CrawlJob* job = nullptr;                         // looked at during the hand-back
    std::function<void(const std::string& call)> onCall;   // runs after each call is recorded

    // Recorded.
    std::vector<std::string> calls;
    bool allOnContextThread = true;
    bool runningAtHandBack = true;
    bool scratchLeftAtHandBack = true;

private:
    void Record(std::string call);

    QObject context_;
    std::set<std::string> seen_;
};

} // namespace vorn::test
