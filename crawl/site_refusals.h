#pragma once

namespace vorn {

struct FetchResult;

// The results and listing pages the site refused this program in one run (answered 401, 403 or
// 451). A site that refuses several pages running has blocked the program: knocking on would only
// lengthen the block, so the run ends.
class SiteRefusals {
public:
    static constexpr int kMostInARow = 3;

    enum class Page { Results, Listing };

    // Folds in the site's answer to one results or listing page (never a photograph); true when
    // this answer ends the run.
    bool Record(const FetchResult& answer, Page page);

    int resultsPages() const { return resultsPages_; }
    int listingPages() const { return listingPages_; }
    // The status of the last refusal; 0 when none.
    long lastStatus() const { return lastStatus_; }
    bool any() const { return resultsPages_ + listingPages_ > 0; }
    // A refused search found nothing it could have, and a run ended by refusals was cut short: the
    // run was refused. A refused listing page alone is only counted.
    bool refusedRun() const { return resultsPages_ > 0 || endedRun_; }

private:
    int resultsPages_ = 0;
    int listingPages_ = 0;
    int inARow_ = 0;
    long lastStatus_ = 0;
    bool endedRun_ = false;
};

} // namespace vorn
