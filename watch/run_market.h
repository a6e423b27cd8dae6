#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue_db.h"
#include "extract/item_fields.h"
#include "watch/market_figures.h"

namespace vorn {

// A search's median in one run.
struct MedianPoint {
    std::string started; // the run's start, YYYY-MM-DD HH:MM:SS
    long long median = 0;
};

// The going price of each search of one run: the prices of the listings each search reads, its
// figures kept in the store when the search is over. Its calls that touch the database run on the
// database's thread, as the run's watch calls them; the workbook reads what it holds after them.
class RunMarket {
public:
    explicit RunMarket(CatalogueDb& db);

    void Begin(std::int64_t runId, std::string started);
    // A search begins: the one before it is over. Reads the search's earlier medians.
    void SearchBegun(const std::string& searchCp932);
    // A listing the search read, as read.
    void Read(const ItemFields& fields);
    // The run is over: the last search's figures are kept.
    void Finish();

    // Which of the run's searches is reading now, counted from 0; -1 before the first.
    int currentSearch() const { return static_cast<int>(searches_.size()) - 1; }
    const std::string& started() const { return started_; }
    // The figures of each search so far, in the run's order.
    std::vector<MarketFigures> Figures() const;
    MarketFigures FiguresOf(int search) const;
    // The search's medians in the latest kMostEarlierMedians earlier runs, oldest first: enough
    // for a chart, and little work at the start of a search however many runs the store holds.
    static constexpr int kMostEarlierMedians = 400;
    // The search's medians in earlier runs, oldest first.
    const std::vector<MedianPoint>& EarlierMedians(int search) const;

private:
    void Keep(int search);

    struct Search {
        std::string name;
        std::vector<long long> prices;
        std::vector<MedianPoint> earlier;
        bool kept = false;
    };

    CatalogueDb& db_;
    std::int64_t runId_ = 0;
    std::string started_;
    std::vector<Search> searches_;
};

// A search's figures in one run, as the store holds them.
struct StoredFigures {
    std::string started; // the run's start, YYYY-MM-DD HH:MM:SS
    MarketFigures figures;
};

// Every search of the runs begun from sinceDay (YYYY-MM-DD; empty: all) on that counted a price,
// oldest first, each run's in the order it made them.
std::vector<StoredFigures> StoredMarket(CatalogueDb& db, const std::string& sinceDay);

} // namespace vorn
