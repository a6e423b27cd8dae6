#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

class CrawlWorker;

// Markers of the site's results page, tested on raw (UTF-8) lines.
bool IsResultTotalLine(std::string_view rawLine);
int ParseResultTotal(std::string_view nextRawLine); // "全1,234件" -> 1234; 0 when not a number
bool IsItemLinkLine(std::string_view rawLine);
// The listing key ("://host/path") of an item-link line, or nothing when it has none.
std::optional<std::string> ListingKeyFromLine(std::string_view rawLine);

// One search: fetch the results page, read its total and links, extract every new listing.
void SearchResultsPage(CrawlWorker& job, const std::string& searchPath, const std::string& keywordQuery);

} // namespace vorn
