#include "watch/run_watch.h"

#include <ctime>
#include <utility>

#include "catalogue/statements.h"
#include "crawl/search_plan.h"
#include "watch/listing_store.h"
#include "watch/price.h"
#include "watch/store_statements.h"
#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

DbValue PriceValue(const std::string& priceText) {
    const std::optional<long long> price = PriceNumber(priceText);
    return price ? DbValue(static_cast<std::int64_t>(*price)) : DbValue(nullptr);
}

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
    conditions_ = ConditionsText(selection);
    db_.Execute(sql::kInsertRun, {LocalTimeNow(), conditions_, std::string(modeName)});
    DbRows rows = db_.OpenRows("SELECT last_insert_rowid() AS RunID");
    runId_ = rows.AtEnd() ? 0 : rows.Integer("RunID");
}

void RunWatch::End(std::string_view outcome) {
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
    const std::string today = LocalDateToday();
    const std::string joined = JoinFields(fields);
    try {
        db_.BeginTransaction();
        db_.ExecuteKept(sql::kRecordHistory, {key, today, today});
        db_.ExecuteKept(sql::kUpsertStored,
                        {key, DbBytes{joined}, fields[kTitle], fields[kPrice], PriceValue(fields[kPrice]),
                         fields[kReception], fields[kProfileUrl], today, today});
        if (!pendingLeftOut_) {
            for (const ListingChange& change : pending_) {
                db_.ExecuteKept(sql::kInsertChange,
                                {runId_, key, ChangeWord(change.kind), change.before, change.after});
            }
        }
        if (written) {
            db_.ExecuteKept(sql::kInsertRunRow, {runId_, std::int64_t{rows_}, key, verdict.change, DbBytes{joined}});
        }
        db_.CommitTransaction();
    } catch (const DbError&) {
        // The row is in the file; only a later run will not know the listing.
        try {
            db_.RollbackTransaction();
        } catch (const DbError&) {
        }
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
