#pragma once

#include <optional>
#include <string>
#include <vector>

#include "extract/item_fields.h"

namespace vorn {

// The going price of one search in one run, from the prices of its open listings.
struct MarketFigures {
    std::string search; // as the status line names it (CP932)
    int count = 0;      // the prices counted; none: the other figures are 0
    long long lowest = 0;
    long long lowerQuartile = 0;
    long long median = 0;
    long long upperQuartile = 0;
    long long highest = 0;
};

// A median is the going price only over this many prices or more; fewer say little.
inline constexpr int kMostTellingCount = 5;

// The price a listing adds to its search's figures: open (not 受付終了) and above 0円; nothing for
// 応相談, 0円 and a closed listing.
std::optional<long long> CountedPrice(const ItemFields& fields);

// The figures of the prices (in any order) by nearest rank: of the n prices ascending, the p-th
// percentile is the one at position ceil(p/100 * n).
MarketFigures FiguresOf(std::string search, std::vector<long long> prices);

// The price as a whole per cent of the search's median, rounded; nothing where the search counts
// fewer than kMostTellingCount prices.
std::optional<int> MarketShare(long long price, const MarketFigures& figures);

} // namespace vorn
