#include "watch/market_figures.h"

#include <algorithm>

#include "watch/price.h"
#include "web/cp932.h"

namespace vorn {

namespace {

// Position ceil(percent/100 * n), counted from 1, in whole numbers so no rounding moves it.
long long AtRank(const std::vector<long long>& ascending, int percent) {
    const std::size_t n = ascending.size();
    const std::size_t rank = std::max<std::size_t>(1, (percent * n + 99) / 100);
    return ascending[rank - 1];
}

} // namespace

std::optional<long long> CountedPrice(const ItemFields& fields) {
    static const std::string closed = UTF8ToAnsi("受付終了");
    if (fields[kReception] == closed) {
        return std::nullopt;
    }
    const std::optional<long long> price = PriceNumber(fields[kPrice]);
    return price && *price > 0 ? price : std::nullopt;
}

MarketFigures FiguresOf(std::string search, std::vector<long long> prices) {
    MarketFigures figures;
    figures.search = std::move(search);
    figures.count = static_cast<int>(prices.size());
    if (prices.empty()) {
        return figures;
    }
    std::sort(prices.begin(), prices.end());
    figures.lowest = prices.front();
    figures.lowerQuartile = AtRank(prices, 25);
    figures.median = AtRank(prices, 50);
    figures.upperQuartile = AtRank(prices, 75);
    figures.highest = prices.back();
    return figures;
}

std::optional<int> MarketShare(long long price, const MarketFigures& figures) {
    if (figures.count < kMostTellingCount || figures.median <= 0 || price <= 0) {
        return std::nullopt;
    }
    return static_cast<int>((price * 200 + figures.median) / (figures.median * 2));
}

} // namespace vorn
