#include "watch/run_market.h"

#include <algorithm>

#include "watch/listing_store.h"
#include "watch/market_statements.h"

namespace vorn {

RunMarket::RunMarket(CatalogueDb& db) : db_(db) {}

void RunMarket::Begin(std::int64_t runId, std::string started) {
    runId_ = runId;
    started_ = std::move(started);
    searches_.clear();
}

void RunMarket::SearchBegun(const std::string& searchCp932) {
    if (!searches_.empty()) {
        Keep(currentSearch());
    }
    Search search;
    search.name = searchCp932;
    try {
        for (DbRows rows =
                 db_.OpenRows(sql::kSelectEarlierMedians, {searchCp932, runId_, std::int64_t{kMostEarlierMedians}});
             !rows.AtEnd(); rows.Next()) {
            search.earlier.push_back({rows.Text("Started"), rows.Integer("Median")});
        }
        std::reverse(search.earlier.begin(), search.earlier.end());
    } catch (const DbError&) {
        // The workbook then shows this run alone.
    }
    searches_.push_back(std::move(search));
}

void RunMarket::Read(const ItemFields& fields) {
    if (searches_.empty()) {
        return;
    }
    if (const std::optional<long long> price = CountedPrice(fields)) {
        searches_.back().prices.push_back(*price);
    }
}

void RunMarket::Finish() {
    if (!searches_.empty()) {
        Keep(currentSearch());
    }
}

void RunMarket::Keep(int search) {
    Search& kept = searches_[static_cast<std::size_t>(search)];
    if (kept.kept || runId_ == 0) {
        return;
    }
    const MarketFigures figures = FiguresOf(search);
    try {
        db_.Execute(sql::kInsertMarket,
                    {runId_, std::int64_t{search + 1}, figures.search, std::int64_t{figures.count},
                     std::int64_t{figures.lowest}, std::int64_t{figures.lowerQuartile}, std::int64_t{figures.median},
                     std::int64_t{figures.upperQuartile}, std::int64_t{figures.highest}});
        kept.kept = true;
    } catch (const DbError&) {
        // The run's rows and listings are kept; only its going prices are not.
    }
}

std::vector<MarketFigures> RunMarket::Figures() const {
    std::vector<MarketFigures> figures;
    for (int search = 0; search <= currentSearch(); ++search) {
        figures.push_back(FiguresOf(search));
    }
    return figures;
}

MarketFigures RunMarket::FiguresOf(int search) const {
    if (search < 0 || search > currentSearch()) {
        return {};
    }
    const Search& read = searches_[static_cast<std::size_t>(search)];
    return vorn::FiguresOf(read.name, read.prices);
}

const std::vector<MedianPoint>& RunMarket::EarlierMedians(int search) const {
    static const std::vector<MedianPoint> none;
    return search < 0 || search > currentSearch() ? none : searches_[static_cast<std::size_t>(search)].earlier;
}

std::vector<StoredFigures> StoredMarket(CatalogueDb& db, const std::string& sinceDay) {
    EnsureStore(db);
    std::vector<StoredFigures> stored;
    for (DbRows rows = db.OpenRows(sql::kSelectMarket, {sinceDay}); !rows.AtEnd(); rows.Next()) {
        MarketFigures figures{rows.Text("Search"),    static_cast<int>(rows.Integer("Count")),
                              rows.Integer("Lowest"), rows.Integer("LowerQuartile"),
                              rows.Integer("Median"), rows.Integer("UpperQuartile"),
                              rows.Integer("Highest")};
        stored.push_back({rows.Text("Started"), std::move(figures)});
    }
    return stored;
}

} // namespace vorn
