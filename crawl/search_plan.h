#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "crawl/crawl_selection.h"

namespace vorn {

// "" or "?keyword=" + the trimmed keyword as UTF-8, percent-encoded as the site expects.
std::string KeywordQuery(std::string_view keywordCp932);
// The same for a keyword in UTF-8, sent with every character as typed.
std::string KeywordQueryUtf8(std::string_view keywordUtf8);

// "全国 - " for -1; otherwise prefecture (+ city) name + " - " (CP932).
std::string AreaLabel(const CrawlSelection& selection, int areaIndex);

struct GenrePart {
    std::string path;  // "sale-all/g-all" or the node's code, trimmed
    std::string label; // "全ジャンル" or the node's text, trimmed (CP932)
};
// entry is one genreList entry: "-1" or an absolute node index. Throws std::out_of_range for an
// index the tree does not have.
GenrePart GenrePartFor(const CrawlSelection& selection, std::string_view entry);

// areaPath "alpha" or "alpha,city" joined with the genre path; the city code comes last.
std::string SearchPath(std::string_view areaPath, std::string_view genrePath);

// The whole text as a signed decimal int (an optional sign, then digits only); nothing when it
// is not one or does not fit.
std::optional<int> DecimalNumber(std::string_view text);

// The entry as a decimal number, -1 when it is not one.
int EntryNumber(std::string_view entry);

} // namespace vorn
