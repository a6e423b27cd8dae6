#pragma once

#include <string>
#include <vector>

#include "catalogue/refresh/top_genres.h"

namespace vorn {

// One sub-genre read from a genre's nationwide sale page (CP932 text).
struct ParsedSubGenre {
    int subId = 0;    // 1, 2, 3 ... in page order
    std::string code; // "sale-" + the genre's code + "/g-..."
    std::string name;

    bool operator==(const ParsedSubGenre&) const = default;
};

// The sub-genres of every list on the page that opens with a current entry followed by the line
// "全ての" + the genre's name. A list ends at a closing ul or dd tag, or before the page's last
// line; links without "/g-" are passed over and use no number.
std::vector<ParsedSubGenre> ParseGenrePage(const std::vector<std::string>& lines, const TopGenre& genre);

} // namespace vorn
