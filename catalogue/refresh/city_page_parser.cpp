#include "catalogue/refresh/city_page_parser.h"

#include "catalogue/refresh/refresh_lines.h"

namespace vorn {

std::vector<ParsedCity> ParseCityPage(const std::vector<std::string>& lines) {
    std::vector<ParsedCity> cities;
    std::size_t listStart = 0;
    while (listStart < lines.size() && !refresh::IsCurrentEntry(lines[listStart])) {
        ++listStart;
    }
    int cityId = 0;
    for (std::size_t i = listStart + 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (refresh::IsClosingLine(line, "/ul")) {
            break;
        }
        if (refresh::IsLinkLine(line)) {
            // "a-..." up to the closing quote: the code starts at the "a" after the slash.
            std::string code = refresh::LinkCode(line, "/a-", 1);
            if (code.empty()) {
                continue;
            }
            cities.push_back({++cityId, std::move(code), refresh::LineText(line)});
        } else if (refresh::IsGreyEntry(line)) {
            // The grey city's name stands on the next line; on the page's last line it has none.
            if (i + 1 < lines.size()) {
                cities.push_back({++cityId, "0", refresh::LineText(lines[i + 1])});
            }
        }
    }
    return cities;
}

} // namespace vorn
