#pragma once

#include <string>
#include <vector>

namespace vorn {

// One city read from a prefecture's sale page (CP932 text).
struct ParsedCity {
    int cityId = 0;   // 1, 2, 3 ... in page order
    std::string code; // "a-..." from the link, or "0" for a city listed without a link
    std::string name;

    bool operator==(const ParsedCity&) const = default;
};

// The cities of the page's first city list: from the first current-entry line to the line of
// the closing ul tag (or the end of the page). Links without "/a-" are passed over and use no
// number.
std::vector<ParsedCity> ParseCityPage(const std::vector<std::string>& lines);

} // namespace vorn
