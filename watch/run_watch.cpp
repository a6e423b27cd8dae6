#include "watch/run_watch.h"

#include <ctime>
#include <utility>

#include "crawl/search_plan.h"
#include "watch/listing_store.h"
#include "watch/price.h"
#include "watch/store_statements.h"
#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

std::string WithoutLabelEnd(std::string label) {
    constexpr std::string_view end = " - ";
    if (label.ends_with(end)) {
        label.resize(label.size() - end.size());
    }
    return label;
}

} // namespace

RunWatch::RunWatch(CatalogueDb& db, WriteMode mode, FilterSettings filter)
    : db_(db), mode_(mode), filter_(std::move(filter)) {
    counts_.filtered = filter_.Active();
    EnsureStore(db_);
}

void RunWatch::Begin(const CrawlSelection& selection, std::string_view modeName) {
    db_.Execute(sql::kInsertRun, {LocalTimeNow(), ConditionsText(selection), std::string(modeName)});
    DbRows rows = db_.OpenRows("SELECT last_insert_rowid() AS RunID");
    runId_ = rows.AtEnd() ? 0 : rows.Integer("RunID");
}

RunWatch::~RunWatch() { Settle(); }

void RunWatch::Settle() {
    if (recorded_.empty()) {
        return;
    }
    try {
        SettlePending(db_);
    } catch (const DbError&) {
        // Left recorded: the next opening of the store settles them.
    }
    recorded_.clear();
}

void RunWatch::End(std::string_view outcome) {
    Settle();
    try {
        db_.Execute(sql::kEndRun, {LocalTimeNow(), std::string(outcome), std::int64_t{rows_}, runId_});
    } catch (const DbError&) {
        // The run's rows and changes are kept already; only its end is not recorded.
    }
}

ListingWatch::Verdict RunWatch::Judge(const ItemFields& fields) {
    const std::string key = ListingKeyOf(fields);
    std::optional<StoredListing> before;
    bool reposted = false;
    try {
        DbRows stored = db_.OpenKeptRows(sql::kSelectStoredOrRepost, {key, fields[kProfileUrl], fields[kTitle]});
        if (!stored.AtEnd() && stored.Integer("Stored") == 1) {
            before = StoredListing{stored.Text("PriceText"), std::nullopt, stored.Text("Reception")};
            if (!stored.IsNull("Price")) {
                before->price = stored.Integer("Price");
            }
        } else {
            reposted = !stored.AtEnd();
        }
    } catch (const DbError&) {
        // A store that cannot be read makes every listing new, as a first run finds them.
    }
    // Listings recorded since the last settling are not in the tables yet.
    for (const RecordedListing& earlier : recorded_) {
        if (earlier.key == key) {
            before = StoredListing{earlier.priceText, PriceNumber(earlier.priceText), earlier.reception};
        } else if (!before && !earlier.profileUrl.empty() && earlier.profileUrl == fields[kProfileUrl] &&
                   earlier.title == fields[kTitle]) {
            reposted = true;
        }
    }
    pending_ = FindChanges(fields, before, reposted);
    pendingLeftOut_ = filter_.Active() && filter_.Excludes(fields);

    Verdict verdict;
    verdict.write = !pendingLeftOut_ && (mode_ != WriteMode::ChangesOnly || !pending_.empty());
    verdict.change = ChangeText(pending_);
    return verdict;
}

void RunWatch::Recorded(const ItemFields& fields, const Verdict& verdict, bool written) {
    const std::string key = ListingKeyOf(fields);
    if (pendingLeftOut_) {
        ++counts_.excluded;
    } else {
        counts_.Add(pending_);
    }
    if (written) {
        ++rows_;
        std::vector<WrittenListing>& list = pending_.empty() ? unchanged_ : changed_;
        if (list.size() < kReportedListings) {
            list.push_back(
                {verdict.change, fields[kTitle], fields[kPrice], fields[kDetailUrl], fields[kFirstImageUrl]});
        }
    }
    // One row of T25_PEND, committed before the run goes on: a listing's record is a page or two
    // of the log, not the pages of every table and index it reaches; those come a batch at a time.
    try {
        db_.BeginTransaction();
        db_.ExecuteKept(sql::kInsertPending,
                        {runId_, key, DbBytes{JoinFields(fields)}, LocalDateToday(),
                         DbBytes{pendingLeftOut_ ? std::string() : JoinChanges(pending_)},
                         written ? DbValue(std::int64_t{rows_}) : DbValue(nullptr), verdict.change});
        db_.CommitTransaction();
        recorded_.push_back({key, fields[kProfileUrl], fields[kTitle], fields[kPrice], fields[kReception]});
    } catch (const DbError&) {
        // The row is in the file; only a later run will not know the listing.
        try {
            db_.RollbackTransaction();
        } catch (const DbError&) {
        }
    }
    if (recorded_.size() >= kSettleEvery) {
        Settle();
    }
    pending_.clear();
    pendingLeftOut_ = false;
}

std::vector<WrittenListing> RunWatch::Reported() const {
    std::vector<WrittenListing> all = changed_;
    all.insert(all.end(), unchanged_.begin(), unchanged_.end());
    return all;
}

std::string ConditionsText(const CrawlSelection& selection) {
    static const std::string comma = UTF8ToAnsi("、");
    std::string areas;
    if (selection.allAreas && selection.areaComboIndex <= 0) {
        areas = WithoutLabelEnd(AreaLabel(selection, -1));
    } else {
        for (std::size_t i = 0; i < selection.areaChecked.size(); ++i) {
            if (selection.areaChecked[i]) {
                areas += (areas.empty() ? "" : comma) + WithoutLabelEnd(AreaLabel(selection, static_cast<int>(i)));
            }
        }
    }
    std::string genres;
    if (selection.allGenres) {
        genres = GenrePartFor(selection, "-1").label;
    } else {
        std::vector<std::string> entries;
        SplitText(selection.ctgrIndexList, ",", entries);
        for (const std::string& entry : entries) {
            try {
                genres += (genres.empty() ? "" : comma) + GenrePartFor(selection, entry).label;
            } catch (const std::out_of_range&) {
            }
        }
    }
    std::string text = areas + " / " + genres;
    const std::string keyword = Trim(selection.keyword);
    if (!keyword.empty()) {
        text += " / " + UTF8ToAnsi("キーワード「") + keyword + UTF8ToAnsi("」");
    }
    return text;
}

} // namespace vorn
