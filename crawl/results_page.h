#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

class SearchHost;

// Markers of the site's results page, tested on raw (UTF-8) lines.
bool IsResultTotalLine(std::string_view rawLine);
int ParseResultTotal(std::string_view nextRawLine); // "全1,234件" -> 1234; 0 when not a number
bool IsItemLinkLine(std::string_view rawLine);
// The listing key ("://host/path") of an item-link line, or nothing when it has none.
std::optional<std::string> ListingKeyFromLine(std::string_view rawLine);

// What one search found: the listings it collected and the total its results page gave.
struct SearchCounts {
    int newCount = 0;
    int totalCount = 0;
    bool unrecognised = false; // the site served a page with no result-total line
};

// One search: fetch the results page at url, read its total and links, collect every new listing.
SearchCounts SearchResultsPage(SearchHost& run, const std::string& url);

} // namespace vorn
