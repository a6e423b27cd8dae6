#include "watch/run_watch.h"

#include <algorithm>
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
    : db_(db), mode_(mode), filter_(std::move(filter)), market_(db) {
    counts_.filtered = filter_.Active();
    EnsureStore(db_);
}

void RunWatch::Begin(const CrawlSelection& selection, std::string_view modeName) {
    const std::string started = LocalTimeNow();
    conditions_ = ConditionsText(selection);
    db_.Execute(sql::kInsertRun, {started, conditions_, std::string(modeName)});
    DbRows rows = db_.OpenRows("SELECT last_insert_rowid() AS RunID");
    runId_ = rows.AtEnd() ? 0 : rows.Integer("RunID");
    keyword_ = Trim(selection.keyword);
    market_.Begin(runId_, started);
}

void RunWatch::SearchBegun(const std::string& searchLabel) {
    market_.SearchBegun(keyword_.empty() ? searchLabel
                                         : searchLabel + UTF8ToAnsi(" / キーワード「") + keyword_ + UTF8ToAnsi("」"));
}

void RunWatch::MarkAutomatic() { db_.Execute(sql::kMarkRunAutomatic, {runId_}); }

void RunWatch::End(std::string_view outcome) {
    market_.Finish();
    try {
        db_.Execute(sql::kEndRun, {LocalTimeNow(), std::string(outcome), std::int64_t{rows_}, runId_});
        db_.Execute(sql::kEndRunCounts,
                    {std::int64_t{counts_.Of(ChangeKind::New)}, std::int64_t{counts_.Of(ChangeKind::Reposted)},
                     std::int64_t{counts_.Of(ChangeKind::Cheaper)}, std::int64_t{counts_.Of(ChangeKind::Dearer)},
                     std::int64_t{counts_.Of(ChangeKind::Closed)}, runId_});
    } catch (const DbError&) {
        // The run's rows and changes are kept already; only its end is not recorded.
    }
}

void RunWatch::Listed(const std::vector<std::string>& keys) { listed_.insert(keys.begin(), keys.end()); }

ListingWatch::Verdict RunWatch::Judge(const ItemFields& fields, const ListingText& text) {
    const std::string key = ListingKeyOf(fields);
    std::optional<StoredListing> before;
    bool reposted = false;
    try {
        // The listing as stored, if it is, comes first; then the others of its poster and title.
        for (DbRows stored = db_.OpenKeptRows(sql::kSelectStoredOrRepost, {key, fields[kProfileUrl], fields[kTitle]});
             !stored.AtEnd(); stored.Next()) {
            if (stored.Integer("Stored") == 1) {
                before = StoredListing{stored.Text("PriceText"), std::nullopt, stored.Text("Reception")};
                if (!stored.IsNull("Price")) {
                    before->price = stored.Integer("Price");
                }
                break;
            }
            // A listing still listed is another unit on sale, not the earlier post of this one.
            reposted = reposted || !listed_.contains(stored.Text("UrlKey"));
        }
    } catch (const DbError&) {
        // A store that cannot be read makes every listing new, as a first run finds them.
    }
    pending_ = FindChanges(fields, before, reposted);
    pendingLeftOut_ = filter_.Active() && filter_.Excludes(fields, text);

    Verdict verdict;
    verdict.write = !pendingLeftOut_ && (mode_ != WriteMode::ChangesOnly || !pending_.empty());
    verdict.change = ChangeText(pending_);
    return verdict;
}

ListingWatch::Verdict RunWatch::JudgeUnread(const ItemFields& fields, const ListingText& text) {
    // Only the mode that writes every listing gives it the row of what was read; the others
    // write what changed, and nothing is known to have.
    pending_.clear();
    pendingUnread_ = true;
    Verdict verdict;
    verdict.write = mode_ == WriteMode::All && !(filter_.Active() && filter_.Excludes(fields, text));
    return verdict;
}

void RunWatch::Recorded(const ItemFields& fields, const Verdict& verdict, bool written) {
    if (std::exchange(pendingUnread_, false)) {
        if (written) {
            handed_.push_back({fields, {}, {}, true});
        }
    } else if (!verdict.write) {
        market_.Read(fields);
        if (pendingLeftOut_) {
            ++counts_.excluded;
        }
        Keep(fields, pendingLeftOut_ ? std::vector<ListingChange>() : pending_, nullptr);
    } else {
        // Read whole: its price is part of the search's going price, whatever becomes of its row.
        market_.Read(fields);
        if (written) {
            handed_.push_back({fields, verdict.change, std::move(pending_), false, market_.currentSearch()});
        }
    }
    // A row that could not be written leaves the listing as it was known: the next run finds
    // its changes again.
    pending_.clear();
    pendingLeftOut_ = false;
}

void RunWatch::Delivered(bool saved) {
    std::vector<HandedRow> handed = std::exchange(handed_, {});
    if (!saved) {
        return;
    }
    for (HandedRow& row : handed) {
        ++rows_;
        if (row.unread) {
            Keep(row.fields, {}, &row.change, false); // the row as written, nothing more
            continue;
        }
        counts_.Add(row.changes);
        std::vector<WrittenListing>& list = row.changes.empty() ? unchanged_ : changed_;
        const bool reported = std::any_of(row.changes.begin(), row.changes.end(), [](const ListingChange& change) {
            return change.kind == ChangeKind::New || change.kind == ChangeKind::Reposted ||
                   change.kind == ChangeKind::Cheaper;
        });
        // Which is a bargain is known only at the run's end: one past the first few may be.
        const bool candidate = reported && CountedPrice(row.fields) && candidates_.size() < kMostBargainCandidates;
        if (list.size() < kReportedListings || candidate) {
            (list.size() < kReportedListings ? list : candidates_)
                .push_back({row.change, row.fields[kTitle], row.fields[kPrice], row.fields[kDetailUrl],
                            row.fields[kFirstImageUrl], row.search, reported});
        }
        Keep(row.fields, row.changes, &row.change);
    }
}

void RunWatch::Keep(const ItemFields& fields, const std::vector<ListingChange>& changes, const std::string* savedChange,
                    bool readWhole) {
    const std::string key = ListingKeyOf(fields);
    const std::string today = LocalDateToday();
    const std::string joined = JoinFields(fields);
    try {
        db_.BeginTransaction();
        if (readWhole) {
            if (savedChange != nullptr) {
                db_.ExecuteKept(sql::kRecordHistory, {key, today, today});
            }
            db_.ExecuteKept(sql::kUpsertStored,
                            {key, DbBytes{joined}, fields[kTitle], fields[kPrice], PriceValue(fields[kPrice]),
                             fields[kReception], fields[kProfileUrl], today, today});
            for (const ListingChange& change : changes) {
                db_.ExecuteKept(sql::kInsertChange,
                                {runId_, key, ChangeWord(change.kind), change.before, change.after});
            }
        }
        if (savedChange != nullptr) {
            db_.ExecuteKept(sql::kInsertRunRow, {runId_, std::int64_t{rows_}, key, *savedChange, DbBytes{joined}});
        }
        db_.CommitTransaction();
    } catch (const DbError&) {
        // The row is in the file; only a later run will not know the listing.
        try {
            db_.RollbackTransaction();
        } catch (const DbError&) {
        }
    }
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
