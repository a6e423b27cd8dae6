#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "catalogue/catalogue_db.h"
#include "crawl/crawl_selection.h"
#include "crawl/listing_watch.h"
#include "watch/listing_changes.h"
#include "watch/listing_filter.h"
#include "watch/run_market.h"
#include "watch/watch_settings.h"

namespace vorn {

// A listing a run wrote, as an alert tells of it (CP932).
struct WrittenListing {
    std::string change;
    std::string title;
    std::string price;
    std::string url;
    std::string photo; // the first photograph's address, if any
    int search = -1;   // which of the run's searches read it (RunMarket)
    bool reported = false; // 新着, 再掲載 or 値下げ: one that may be a bargain
};

// One run's watch: keeps every listing the run reads whole in the store of listings, finds what
// changed since an earlier run read it, and decides from the mode and the filter which get a
// row; what a row tells counts only once the row reached the file. Lives on the thread that owns
// the database; the run calls it there.
class RunWatch final : public ListingWatch {
public:
    // The most listings kept for an alert, of those changed and of the rest.
    static constexpr std::size_t kReportedListings = 10;

    // An active filter leaves listings out and makes the counts line tell how many.
    RunWatch(CatalogueDb& db, WriteMode mode, FilterSettings filter = {});
    // Records the run as begun, with its conditions as a person reads them and its mode's name.
    void Begin(const CrawlSelection& selection, std::string_view modeName);
    // Marks the run as begun by a schedule rather than by a person.
    void MarkAutomatic();
    // Records how it ended ("rows", "nothing", "stopped", ...).
    void End(std::string_view outcome);

    void Listed(const std::vector<std::string>& keys) override;
    void SearchBegun(const std::string& searchLabel) override;
    Verdict Judge(const ItemFields& fields, const ListingText& text) override;
    bool ReadsListingText() const override { return filter_.ReadsText(); }
    Verdict JudgeUnread(const ItemFields& fields, const ListingText& text) override;
    void Recorded(const ItemFields& fields, const Verdict& verdict, bool written) override;
    void Delivered(bool saved) override;
    bool WithChangeColumn() const override { return mode_ == WriteMode::ChangesOnly; }

    WriteMode mode() const { return mode_; }
    const ChangeCounts& counts() const { return counts_; }
    int rowsWritten() const { return rows_; }
    // The conditions as Begin recorded them (CP932).
    const std::string& conditions() const { return conditions_; }
    // The going price of each search of the run.
    const RunMarket& market() const { return market_; }
    // Changed listings first, then the others, each in the order written, at most
    // kReportedListings of each.
    std::vector<WrittenListing> Reported() const;
    // The changed listings past those, that a going price may make bargains, in the order written.
    const std::vector<WrittenListing>& BargainCandidates() const { return candidates_; }

private:
    // A row handed to the output, waiting to be known as saved.
    struct HandedRow {
        ItemFields fields;
        std::string change;
        std::vector<ListingChange> changes;
        bool unread = false; // of a page not read whole: a row, never a record
        int search = -1;     // which of the run's searches read it
    };

    // The one place a listing read whole (served, recognised, not cut) is recorded, in one
    // transaction; a row saved is also the listing collected, its changes told and the run's row.
    // A row of a page not read whole is kept as the run's row alone.
    void Keep(const ItemFields& fields, const std::vector<ListingChange>& changes, const std::string* savedChange,
              bool readWhole = true);

    CatalogueDb& db_;
    WriteMode mode_;
    ListingFilter filter_;
    std::int64_t runId_ = 0;
    std::string conditions_;
    std::string keyword_; // the run's keyword (CP932), part of each search's name
    RunMarket market_;
    int rows_ = 0;
    ChangeCounts counts_;
    // Between Judge and Recorded of the one listing being collected.
    std::vector<ListingChange> pending_;
    bool pendingLeftOut_ = false;
    bool pendingUnread_ = false;
    std::vector<HandedRow> handed_;
    // Every listing key on the results pages read so far: none of them is gone from the site.
    std::unordered_set<std::string> listed_;
    std::vector<WrittenListing> changed_;
    std::vector<WrittenListing> unchanged_;
    std::vector<WrittenListing> candidates_;
    static constexpr std::size_t kMostBargainCandidates = 1000;
};

// The conditions of a run as a person reads them: areas / genres (/ キーワード「…」) in CP932.
std::string ConditionsText(const CrawlSelection& selection);

} // namespace vorn
