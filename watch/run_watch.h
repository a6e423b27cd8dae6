#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue_db.h"
#include "crawl/crawl_selection.h"
#include "crawl/listing_watch.h"
#include "watch/listing_changes.h"
#include "watch/listing_filter.h"
#include "watch/watch_settings.h"

namespace vorn {

// A listing a run wrote, as an alert tells of it (CP932).
struct WrittenListing {
    std::string change;
    std::string title;
    std::string price;
    std::string url;
    std::string photo; // the first photograph's address, if any
};

// One run's watch: keeps every listing the run reads in the store of listings, finds what
// changed since an earlier run read it, and decides from the mode and the filter which get a
// row. Lives on the thread that owns the database; the run calls it there.
class RunWatch final : public ListingWatch {
public:
    // The most listings kept for an alert, of those changed and of the rest.
    static constexpr std::size_t kReportedListings = 10;

    // An active filter leaves listings out and makes the counts line tell how many.
    RunWatch(CatalogueDb& db, WriteMode mode, FilterSettings filter = {});
    // Records the run as begun, with its conditions as a person reads them and its mode's name.
    void Begin(const CrawlSelection& selection, std::string_view modeName);
    // Records how it ended ("rows", "nothing", "stopped", ...).
    void End(std::string_view outcome);

    Verdict Judge(const ItemFields& fields) override;
    void Recorded(const ItemFields& fields, const Verdict& verdict, bool written) override;
    bool WithChangeColumn() const override { return mode_ == WriteMode::ChangesOnly; }

    WriteMode mode() const { return mode_; }
    const ChangeCounts& counts() const { return counts_; }
    int rowsWritten() const { return rows_; }
    // The conditions as Begin recorded them (CP932).
    const std::string& conditions() const { return conditions_; }
    // Changed listings first, then the others, each in the order written, at most
    // kReportedListings of each.
    std::vector<WrittenListing> Reported() const;

private:
    CatalogueDb& db_;
    WriteMode mode_;
    ListingFilter filter_;
    std::int64_t runId_ = 0;
    std::string conditions_;
    int rows_ = 0;
    ChangeCounts counts_;
    // Between Judge and Recorded of the one listing being collected.
    std::vector<ListingChange> pending_;
    bool pendingLeftOut_ = false;
    std::vector<WrittenListing> changed_;
    std::vector<WrittenListing> unchanged_;
};

// The conditions of a run as a person reads them: areas / genres (/ キーワード「…」) in CP932.
std::string ConditionsText(const CrawlSelection& selection);

} // namespace vorn
